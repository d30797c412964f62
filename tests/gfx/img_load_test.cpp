// Choosing the reader by name: upper-cased names, the TGA-to-JPEG fallback, unknown types.
#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/img_image.h"
#include "tests/gfx/img_test_util.h"
#include "tests/support/test_util.h"

namespace {

const std::string kDir = VELMAR_GFX_FIXTURES;

TEST(ImgLoad, MissingTgaFallsBackToTheJpegOfTheSameName) {
  vt::TempDir dir;
  std::filesystem::create_directory(dir.file("data"));
  std::filesystem::copy_file(kDir + "/im_base.jpg", dir.file("data/logo.jpg"));
  vt::ChangeDir cd(dir.path);
  vt::ErrorLog log;
  vt::ImagePtr image(IMG_ImageLoad("data\\logo.tga"));
  ASSERT_TRUE(image);
  EXPECT_TRUE(log.Has("IMG_TgaLoad - file not found (DATA\\LOGO.TGA)"));
  vt::ImagePtr direct(IMG_JpgLoad("data/logo.jpg"));
  EXPECT_EQ(vt::Pixels(image.get()), vt::Pixels(direct.get()));
}

TEST(ImgLoad, OtherNamesGiveNothing) {
  vt::TempDir dir;
  std::filesystem::copy_file(kDir + "/im_base.jpg", dir.file("pic.bmp"));
  vt::ChangeDir cd(dir.path);
  vt::ErrorLog log;
  EXPECT_FALSE(IMG_ImageLoad("pic.bmp"));
  EXPECT_FALSE(IMG_ImageLoad(nullptr));
  EXPECT_TRUE(log.messages.empty());
  EXPECT_FALSE(IMG_ImageLoad((std::string(300, 'a') + ".jpg").c_str()));
  EXPECT_EQ(log.messages.size(), 1u);
}

}  // namespace
