// Files written by ImageMagick and ffmpeg decode to exactly the pixels ImageMagick decodes.
#include <gtest/gtest.h>

#include <string>

#include "gfx/img_image.h"
#include "tests/gfx/img_test_util.h"
#include "tests/support/test_util.h"

namespace {

const std::string kDir = VELMAR_GFX_FIXTURES;

struct Fixture {
  const char* file;
  const char* expected;
};

void PrintTo(const Fixture& f, std::ostream* os) { *os << f.file; }

class ImgFixture : public testing::TestWithParam<Fixture> {};

TEST_P(ImgFixture, MatchesImageMagick) {
  const Fixture& f = GetParam();
  vt::Netpbm want = vt::ReadNetpbm(kDir + "/" + f.expected);
  ASSERT_GT(want.channels, 0) << f.expected;
  vt::ImagePtr image(IMG_ImageLoad((kDir + "/" + f.file).c_str()));
  ASSERT_TRUE(image) << f.file;
  EXPECT_EQ(image->width, want.width);
  EXPECT_EQ(image->height, want.height);
  EXPECT_EQ(IMG_BytesPerPixel(image->format), want.channels);
  EXPECT_TRUE(vt::Pixels(image.get()) == want.samples) << f.file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImgFixture,
    testing::Values(Fixture{"tc24.tga", "tc24.ppm"}, Fixture{"tc24rle.tga", "tc24rle.ppm"},
                    Fixture{"tc32.tga", "tc32.pam"}, Fixture{"tc32rle.tga", "tc32rle.pam"},
                    Fixture{"cm.tga", "cm.ppm"}, Fixture{"cmrle.tga", "cmrle.ppm"},
                    Fixture{"topdown.tga", "topdown.ppm"}, Fixture{"c16rle.tga", "c16rle.ppm"},
                    Fixture{"im_base.jpg", "im_base.ppm"}, Fixture{"im_prog.jpg", "im_prog.ppm"},
                    Fixture{"im_grey.jpg", "im_grey.ppm"}, Fixture{"ff_420.jpg", "ff_420.ppm"},
                    Fixture{"ff_422.jpg", "ff_422.ppm"}),
    [](const testing::TestParamInfo<Fixture>& info) {
      std::string name = info.param.file;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

// A complemented copy of each JPEG loads to the same pixels as the plain file.
TEST(ImgFixtureInverted, LoadsLikeThePlainFile) {
  vt::TempDir dir;
  for (const char* name : {"im_base.jpg", "im_prog.jpg", "im_grey.jpg", "ff_420.jpg"}) {
    for (int filler : {0, 2, 255}) {
      const std::string path = dir.file("inverted.jpg");
      vt::WriteFile(path, vt::Inverted(vt::ReadFile(kDir + "/" + name), filler));
      vt::ImagePtr plain(IMG_JpgLoad((kDir + "/" + name).c_str()));
      vt::ImagePtr inverted(IMG_JpgLoad(path.c_str()));
      ASSERT_TRUE(plain && inverted) << name << " filler " << filler;
      EXPECT_TRUE(vt::Pixels(plain.get()) == vt::Pixels(inverted.get())) << name << " filler " << filler;
    }
  }
}

}  // namespace
