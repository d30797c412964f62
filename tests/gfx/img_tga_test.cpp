// TGA reading and writing, and what the reader does with damaged or hostile files.
#include <gtest/gtest.h>

#include "gfx/img_image.h"
#include "tests/gfx/img_test_util.h"
#include "tests/support/test_util.h"

namespace {

using vt::Bytes;
using vt::Tga;

struct TgaTest : testing::Test {
  vt::TempDir dir;
  vt::ErrorLog log;
  vt::ImagePtr Load(const Bytes& file) {
    vt::WriteFile(dir.file("t.tga"), file);
    return vt::ImagePtr(IMG_TgaLoad(dir.file("t.tga").c_str()));
  }
  // Loading fails with the given note and no image.
  void ExpectRefused(const Bytes& file, const std::string& note) {
    EXPECT_FALSE(Load(file));
    EXPECT_TRUE(log.Has("IMG_TgaLoad - " + note + " (" + dir.file("t.tga") + ")"))
        << (log.messages.empty() ? "" : log.messages.back());
  }
};

TEST_F(TgaTest, TrueColourIsStoredBottomUpAsBgr) {
  // Bottom row first: (1,2,3) (4,5,6), then the top row (7,8,9) (10,11,12), each as b g r.
  auto image = Load(Tga(2, 2, 2, 24, {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->format, IMG_RGB);
  EXPECT_EQ(vt::Pixels(image.get()), (Bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
}

TEST_F(TgaTest, RunLengthPacketsMayCrossRowsAndAreCutAtTheEnd) {
  // 3 x 2: a run of 4 (crosses into the second file row), then a raw packet of 3 whose last
  // pixel lies past the image, then a run of 128 that has no room left at all.
  auto image = Load(Tga(10, 3, 2, 24, {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xFF, 13, 14, 15}));
  ASSERT_TRUE(image);
  EXPECT_EQ(vt::Pixels(image.get()), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 3, 2, 1, 3, 2, 1, 3, 2, 1}));
}

TEST_F(TgaTest, ColourMappedFilesLookUpEveryEntrySize) {
  // Two entries; index 2 lies past the map and gives black, never a read outside it.
  auto map24 = Load(Tga(1, 2, 2, 8, {10, 20, 30, 40, 50, 60, /* pixels */ 0, 1, 2, 1}, 0x20, 1, 2, 24));
  ASSERT_TRUE(map24);
  EXPECT_EQ(vt::Pixels(map24.get()), (Bytes{30, 20, 10, 60, 50, 40, 0, 0, 0, 60, 50, 40}));
  auto map32 = Load(Tga(9, 2, 2, 8, Bytes{10, 20, 30, 99, 40, 50, 60, 99, 0x83, 1}, 0x20, 1, 2, 32));
  ASSERT_TRUE(map32);
  EXPECT_EQ(vt::Pixels(map32.get()), (Bytes{60, 50, 40, 60, 50, 40, 60, 50, 40, 60, 50, 40}));
}

TEST_F(TgaTest, SixteenBitPixelsWidenToRgb) {
  // 0x7FFF is white, 0x7C00 full red, 0x0011 blue 17 (17 x 255 / 31 = 139).
  auto image = Load(Tga(2, 3, 1, 16, {0xFF, 0x7F, 0x00, 0x7C, 0x11, 0x00}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->format, IMG_RGB);
  EXPECT_EQ(vt::Pixels(image.get()), (Bytes{255, 255, 255, 255, 0, 0, 0, 0, 139}));
}

TEST_F(TgaTest, GreyFilesGiveABlackImageOfTheirSize) {
  auto image = Load(Tga(3, 2, 2, 8, {200, 200, 200, 200}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(vt::Pixels(image.get()), Bytes(12, 0));
}

TEST_F(TgaTest, BadHeadersAreRefused) {
  ExpectRefused(Bytes{0, 0, 2}, "file too short");
  ExpectRefused(Tga(1, 1, 1, 8, {0}), "bad colour map");                              // no map
  ExpectRefused(Tga(1, 1, 1, 8, Bytes(3 * 257 + 1), 0, 1, 257, 24), "bad colour map"); // past 256 entries
  ExpectRefused(Tga(1, 1, 1, 8, Bytes(4), 0, 1, 1, 8), "bad colour map");             // 8-bit entries
  ExpectRefused(Tga(1, 1, 1, 16, Bytes(5), 0, 1, 1, 24), "unsupported pixel depth");
  ExpectRefused(Tga(2, 1, 1, 8, {1}), "unsupported pixel depth");
  ExpectRefused(Tga(10, 1, 1, 64, Bytes(9)), "unsupported pixel depth");
}

TEST_F(TgaTest, ShortFilesAreRefusedBeforeTheImageIsMade) {
  // 65535 x 65535 x 4 would overflow; 40000 x 13000 x 4 fits but the file holds no pixels.
  ExpectRefused(Tga(2, 65535, 65535, 32, {}), "file too short");
  ExpectRefused(Tga(10, 40000, 13000, 32, Bytes(100)), "file too short");
  ExpectRefused(Tga(3, 40000, 13000, 8, {}), "file too short");
  // Enough bytes for the smallest possible packets, but the packets run out early.
  ExpectRefused(Tga(10, 256, 1, 24, {0x81, 1, 2, 3, 0x81, 1, 2, 3}), "file too short");
  ExpectRefused(Tga(2, 2, 2, 24, Bytes(11)), "file too short");
  Bytes cut = vt::ReadFile(std::string(VELMAR_GFX_FIXTURES) + "/cmrle.tga");
  cut.resize(cut.size() / 2);
  ExpectRefused(cut, "file too short");
}

TEST_F(TgaTest, MissingFileIsReported) {
  EXPECT_FALSE(IMG_TgaLoad(dir.file("none.tga").c_str()));
  EXPECT_TRUE(log.Has("IMG_TgaLoad - file not found (" + dir.file("none.tga") + ")"));
}

TEST_F(TgaTest, SaveWritesA24BitFileThatReadsBackExactly) {
  vt::ImagePtr image(IMG_ImageCreate(5, 3, IMG_RGB, 0));
  for (int i = 0; i < 45; i++) image->data[i] = std::uint8_t(i * 37 + 11);
  ASSERT_EQ(IMG_TgaSave(dir.file("out.tga").c_str(), image.get()), 1);
  Bytes file = vt::ReadFile(dir.file("out.tga"));
  ASSERT_EQ(file.size(), 18u + 45u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), Tga(2, 5, 3, 24, {}));
  EXPECT_EQ(file[18], image->data[30 + 2]);  // the bottom row first, blue first
  vt::ImagePtr back(IMG_TgaLoad(dir.file("out.tga").c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(vt::Pixels(back.get()), vt::Pixels(image.get()));
}

}  // namespace
