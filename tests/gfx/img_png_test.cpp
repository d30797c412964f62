// The tools' PNG reader and writer: what the writer makes reads back exactly, files written by
// another encoder with every row filter read alike, and damaged bytes are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/img_png.h"

namespace {

std::vector<std::uint8_t> read_seed(const char* name, int* w, int* h) {
  return IMG_PngRead((std::string(VELMAR_PNG_SEEDS) + "/" + name).c_str(), w, h);
}

TEST(Png, WrittenImagesReadBackExactly) {
  // Flat runs, ramps and noise, so that every row filter gets chosen somewhere.
  const int w = 37, h = 23;
  std::vector<std::uint8_t> rgb(std::size_t(w) * h * 3);
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < rgb.size(); i++) {
    seed = seed * 1664525u + 1013904223u;
    const std::size_t y = i / (w * 3);
    rgb[i] = y < 6 ? 40 : y < 14 ? std::uint8_t(i * 7) : std::uint8_t(seed >> 24);
  }
  const std::vector<std::uint8_t> png = IMG_PngEncode(rgb.data(), w, h);
  int rw = 0, rh = 0;
  EXPECT_EQ(IMG_PngDecode(png.data(), png.size(), &rw, &rh), rgb);
  EXPECT_EQ(rw, w);
  EXPECT_EQ(rh, h);
}

TEST(Png, FilesOfOtherEncodersReadAlikeWhateverTheirFiltersAndChannels) {
  // The same picture written by ImageMagick as RGB (adaptive filters) and RGBA (Paeth), and
  // its grey version as grey (Sub) and grey with alpha (Average).
  int w = 0, h = 0, w2 = 0, h2 = 0;
  const std::vector<std::uint8_t> rgb = read_seed("rgb.png", &w, &h);
  ASSERT_EQ(w, 16);
  ASSERT_EQ(h, 12);
  EXPECT_EQ(read_seed("rgba.png", &w2, &h2), rgb);
  const std::vector<std::uint8_t> grey = read_seed("grey.png", &w, &h);
  ASSERT_EQ(grey.size(), rgb.size());
  EXPECT_EQ(read_seed("greyalpha.png", &w2, &h2), grey);
  for (std::size_t i = 0; i < grey.size(); i += 3) {
    EXPECT_EQ(grey[i], grey[i + 1]);
    EXPECT_EQ(grey[i], grey[i + 2]);
  }
}

TEST(Png, DamagedOrCutBytesAreRefused) {
  int w = 0, h = 0;
  const std::vector<std::uint8_t> pixels = read_seed("rgb.png", &w, &h);
  const std::vector<std::uint8_t> png = IMG_PngEncode(pixels.data(), w, h);
  ASSERT_FALSE(png.empty());
  for (std::size_t n = 0; n < png.size(); n++) {
    int dw = 1, dh = 1;
    EXPECT_TRUE(IMG_PngDecode(png.data(), n, &dw, &dh).empty()) << "cut at " << n;
    EXPECT_EQ(dw, 0);
    std::vector<std::uint8_t> flipped = png;
    flipped[n] ^= 0x10;
    EXPECT_TRUE(IMG_PngDecode(flipped.data(), flipped.size(), &dw, &dh).empty()) << "byte " << n;
  }
}

}  // namespace
