// The image record: create, delete, flip and the alpha combination.
#include <gtest/gtest.h>

#include "gfx/img_image.h"
#include "tests/gfx/img_test_util.h"
#include "tests/support/test_util.h"

namespace {

using vt::Bytes;

vt::ImagePtr Filled(int width, int height, const Bytes& pixels) {
  vt::ImagePtr image(IMG_ImageCreate(width, height, IMG_RGB, 0));
  std::copy(pixels.begin(), pixels.end(), image->data);
  return image;
}

TEST(ImgImage, CreateGivesZeroedPixelsAndNoAnimation) {
  vt::ImagePtr image(IMG_ImageCreate(3, 2, IMG_RGBA, 0));
  ASSERT_TRUE(image);
  EXPECT_EQ(vt::Pixels(image.get()), Bytes(24, 0));
  EXPECT_EQ(image->animated, 0);
  EXPECT_EQ(image->state, nullptr);
  EXPECT_EQ(image->update, nullptr);
  EXPECT_EQ(image->release, nullptr);
}

TEST(ImgImage, CreateRefusesSizesThatOverflowOrMakeNoSense) {
  vt::ErrorLog log;
  EXPECT_FALSE(IMG_ImageCreate(-1, 2, IMG_RGB, 0));
  EXPECT_FALSE(IMG_ImageCreate(65536, 65536, IMG_RGB, 0));
  EXPECT_FALSE(IMG_ImageCreate(2, 2, 7, 0));
  EXPECT_EQ(log.messages.size(), 3u);
}

int g_released = 0;
int CountRelease(IMG_Image*) { return ++g_released; }

TEST(ImgImage, DeleteCallsReleaseAndRefusesNull) {
  EXPECT_EQ(IMG_ImageDelete(nullptr), 0);
  IMG_Image* image = IMG_ImageCreate(1, 1, IMG_RGB, 0);
  image->release = CountRelease;
  EXPECT_EQ(IMG_ImageDelete(image), 1);
  EXPECT_EQ(g_released, 1);
}

TEST(ImgImage, FlipSwapsOuterRowsAndKeepsTheMiddle) {
  vt::ImagePtr image = Filled(1, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(IMG_ImageFlipLines(image.get()), 1);
  EXPECT_EQ(vt::Pixels(image.get()), (Bytes{7, 8, 9, 4, 5, 6, 1, 2, 3}));
}

TEST(ImgImage, CombineAlphaTakesTheMaskMean) {
  vt::ImagePtr colour = Filled(3, 1, {10, 20, 30, 40, 50, 60, 70, 80, 90});
  vt::ImagePtr mask = Filled(3, 1, {255, 255, 255, 128, 128, 128, 1, 1, 0});
  vt::ImagePtr out(IMG_ImageCombineAlpha(colour.get(), mask.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->format, IMG_RGBA);
  EXPECT_EQ(vt::Pixels(out.get()), (Bytes{10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0}));
  vt::ImagePtr small = Filled(1, 3, Bytes(9, 0));
  EXPECT_FALSE(IMG_ImageCombineAlpha(colour.get(), small.get()));
  vt::ImagePtr rgba(IMG_ImageCreate(3, 1, IMG_RGBA, 0));
  EXPECT_FALSE(IMG_ImageCombineAlpha(colour.get(), rgba.get()));
}

}  // namespace
