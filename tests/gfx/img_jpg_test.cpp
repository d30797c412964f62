// JPEG reading (plain, complemented, damaged) and writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "gfx/img_image.h"
#include "tests/gfx/img_test_util.h"
#include "tests/support/test_util.h"

namespace {

using vt::Bytes;

const std::string kDir = VELMAR_GFX_FIXTURES;

struct JpgTest : testing::Test {
  vt::TempDir dir;
  vt::ErrorLog log;
  vt::ImagePtr Load(const Bytes& file) {
    vt::WriteFile(dir.file("t.jpg"), file);
    return vt::ImagePtr(IMG_JpgLoad(dir.file("t.jpg").c_str()));
  }
  // A smooth 300 x 200 picture written by the project's own writer.
  vt::ImagePtr Picture() {
    vt::ImagePtr image(IMG_ImageCreate(300, 200, IMG_RGB, 0));
    for (int y = 0; y < 200; y++)
      for (int x = 0; x < 300; x++) {
        std::uint8_t* p = image->data + 3 * (y * 300 + x);
        p[0] = std::uint8_t(x * 255 / 299);
        p[1] = std::uint8_t(y * 255 / 199);
        p[2] = std::uint8_t((x + y) / 2);
      }
    return image;
  }
  // Index of the frame header's marker (baseline or progressive).
  static std::size_t Sof(const Bytes& jpeg) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); i++)
      if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i;
    return 0;
  }
};

TEST_F(JpgTest, SavedAtQuality100ReadsBackClose) {
  vt::ImagePtr image = Picture();
  ASSERT_EQ(IMG_JpgSave(dir.file("out.jpg").c_str(), image.get()), 1);
  vt::ImagePtr back(IMG_JpgLoad(dir.file("out.jpg").c_str()));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 300);
  ASSERT_EQ(back->height, 200);
  // Quality 100 quantises lightly, but colour is still sampled at half resolution.
  int worst = 0;
  double total = 0;
  for (std::size_t i = 0; i < 300 * 200 * 3; i++) {
    const int error = std::abs(back->data[i] - image->data[i]);
    worst = std::max(worst, error);
    total += error;
  }
  EXPECT_LE(worst, 6);
  EXPECT_LT(total / (300 * 200 * 3), 1.0);
}

TEST_F(JpgTest, ComplementedStreamsLongerThanTheBufferAndSkippedSegments) {
  // Two 6000-byte APP segments before the frame are skipped across several buffer refills.
  vt::ImagePtr image = Picture();
  ASSERT_EQ(IMG_JpgSave(dir.file("plain.jpg").c_str(), image.get()), 1);
  Bytes jpeg = vt::ReadFile(dir.file("plain.jpg"));
  Bytes app = {0xFF, 0xEF, 0x17, 0x70};  // 6000 bytes including the length field
  app.resize(6002, 0x5A);
  jpeg.insert(jpeg.begin() + 2, app.begin(), app.end());
  jpeg.insert(jpeg.begin() + 2, app.begin(), app.end());
  vt::ImagePtr plain(IMG_JpgLoad(dir.file("plain.jpg").c_str()));
  vt::ImagePtr inverted = Load(vt::Inverted(jpeg, 2));
  ASSERT_TRUE(plain && inverted);
  EXPECT_TRUE(vt::Pixels(plain.get()) == vt::Pixels(inverted.get()));
}

TEST_F(JpgTest, DamagedStreamsFailLikeAMissingFile) {
  const Bytes good = vt::ReadFile(kDir + "/im_prog.jpg");
  const std::size_t sof = Sof(good);
  ASSERT_GT(sof, 0u);
  Bytes precision = good;
  precision[sof + 4] = 12;  // 12-bit samples: this library reads 8-bit only
  Bytes no_components = good;
  no_components[sof + 9] = 0;
  Bytes huge = good;  // 65000 x 65000: the image cannot be made
  huge[sof + 5] = huge[sof + 7] = 0xFD;
  huge[sof + 6] = huge[sof + 8] = 0xE8;
  const Bytes not_jpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
  const Bytes marker_only = {0x56, 0x34, 0x12, 0x00, 0x07, 1, 2};
  const Bytes empty;
  for (const Bytes* file : std::initializer_list<const Bytes*>{&precision, &no_components, &huge, &not_jpeg, &marker_only, &empty}) {
    log.messages.clear();
    EXPECT_FALSE(Load(*file));
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.back().rfind("IMG_", 0), 0u) << log.messages.back();
  }
  // The reader is not left in a bad state.
  EXPECT_TRUE(Load(good));
}

TEST_F(JpgTest, TruncatedStreamsStillLoad) {
  // libjpeg ends a stream cut short with a fake end marker; the rows that arrived decode.
  Bytes cut = vt::ReadFile(kDir + "/ff_420.jpg");
  cut.resize(cut.size() * 2 / 3);
  vt::ImagePtr plain = Load(cut);
  vt::ImagePtr inverted = Load(vt::Inverted(cut, 0));
  ASSERT_TRUE(plain && inverted);
  EXPECT_TRUE(vt::Pixels(plain.get()) == vt::Pixels(inverted.get()));
}

TEST_F(JpgTest, MissingFileIsSilent) {
  EXPECT_FALSE(IMG_JpgLoad(dir.file("none.jpg").c_str()));
  EXPECT_TRUE(log.messages.empty());
}

// Both writers refuse the same things, and a refused image leaves no file behind.
TEST(ImgSave, WritersRefuseWhatTheyCannotWrite) {
  vt::TempDir dir;
  vt::ErrorLog log;
  vt::ImagePtr rgba(IMG_ImageCreate(2, 2, IMG_RGBA, 0));
  vt::ImagePtr rgb(IMG_ImageCreate(2, 2, IMG_RGB, 0));
  vt::ImagePtr wide(IMG_ImageCreate(70000, 1, IMG_RGB, 0));
  vt::ImagePtr empty(IMG_ImageCreate(0, 4, IMG_RGB, 0));
  const std::string out = dir.file("out");
  const std::string nowhere = dir.file("no/such/dir");
  using Save = int (*)(const char*, const IMG_Image*);
  for (auto [save, f] : {std::pair<Save, std::string>{IMG_TgaSave, "IMG_TgaSave"}, {IMG_JpgSave, "IMG_JpgSave"}}) {
    EXPECT_EQ(save(out.c_str(), rgba.get()), 0);
    EXPECT_TRUE(log.Has(f + " - unable to convert to 24bit (" + out + ")"));
    EXPECT_EQ(save(out.c_str(), nullptr), 0);
    EXPECT_TRUE(log.Has(f + " - no image (" + out + ")"));
    EXPECT_EQ(save(out.c_str(), wide.get()), 0);
    EXPECT_TRUE(log.Has(f + " - bad image size (70000 x 1) (" + out + ")"));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(save(nowhere.c_str(), rgb.get()), 0);
    EXPECT_TRUE(log.Has(f + " - failed to open output file (" + nowhere + ")"));
    if (std::filesystem::exists("/dev/full")) {
      EXPECT_EQ(save("/dev/full", rgb.get()), 0) << f;
    }
  }
  EXPECT_TRUE(log.Has("IMG_TgaSave - failed to write output file (/dev/full)") || !std::filesystem::exists("/dev/full"));
  EXPECT_EQ(IMG_JpgSave(out.c_str(), empty.get()), 0);  // a JPEG frame needs at least one pixel
}

}  // namespace
