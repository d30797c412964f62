// AAF image lists: parsing, frame-by-frame decoding into one image, and damaged lists and frames.
#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/img_image.h"
#include "tests/gfx/img_test_util.h"
#include "tests/support/test_util.h"

namespace {

using vt::Bytes;

struct AafTest : testing::Test {
  vt::TempDir dir;
  vt::ErrorLog log;

  // Writes a frame of distinct colours per pixel and returns its decode, r and b exchanged, as
  // the list stores it.
  Bytes Frame(const std::string& name, int width, int height) {
    vt::ImagePtr image(IMG_ImageCreate(width, height, IMG_RGB, 0));
    for (int i = 0; i < width * height * 3; i++) image->data[i] = std::uint8_t(40 + 60 * (i % 3) + 7 * (i / 3));
    EXPECT_EQ(IMG_JpgSave(dir.file(name).c_str(), image.get()), 1);
    vt::ImagePtr back(IMG_JpgLoad(dir.file(name).c_str()));
    Bytes pixels = vt::Pixels(back.get());
    for (std::size_t i = 0; i < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
  }
  vt::ImagePtr List(const std::string& text) {
    vt::WriteFile(dir.file("list.aaf"), text);
    return vt::ImagePtr(IMG_AafLoad(dir.file("list.aaf").c_str()));
  }
  std::string Header(int width, int height, int count) {
    return std::to_string(width) + " " + std::to_string(height) + "\n25\n" + std::to_string(count) + "\n";
  }
};

// Rows `first` to `last` (exclusive) of a frame of `width` pixels.
Bytes Rows(const Bytes& frame, int width, int first, int last) {
  return Bytes(frame.begin() + first * width * 3, frame.begin() + last * width * 3);
}

TEST_F(AafTest, UpdatesDecodeRowsFrameAfterFrameAndWrap) {
  const Bytes a = Frame("a.jpg", 4, 2);
  const Bytes b = Frame("b.jpg", 4, 3);
  vt::ImagePtr image = List(Header(4, 2, 2) + dir.file("a.jpg") + "\n" + dir.file("b.jpg") + "\n");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->animated, 1);
  EXPECT_EQ(vt::Pixels(image.get()), Bytes(24, 0));  // nothing decoded before the first update
  ASSERT_EQ(image->update(image.get()), 1);
  EXPECT_EQ(vt::Pixels(image.get()), a);
  ASSERT_EQ(image->update(image.get()), 1);
  EXPECT_EQ(vt::Pixels(image.get()), Rows(b, 4, 0, 2));
  ASSERT_EQ(image->update(image.get()), 1);
  Bytes want = Rows(b, 4, 2, 3);
  Bytes wrap = Rows(a, 4, 0, 1);
  want.insert(want.end(), wrap.begin(), wrap.end());
  EXPECT_EQ(vt::Pixels(image.get()), want);
}

TEST_F(AafTest, FramesOfAnotherWidthAreCutOrPaddedWithBlack) {
  const Bytes wide = Frame("wide.jpg", 7, 2);
  const Bytes narrow = Frame("narrow.jpg", 2, 2);
  vt::ImagePtr image = List(Header(4, 2, 2) + dir.file("wide.jpg") + "\n" + dir.file("narrow.jpg") + "\n");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->update(image.get()), 1);
  for (int y = 0; y < 2; y++)
    EXPECT_EQ(Rows(vt::Pixels(image.get()), 4, y, y + 1), Bytes(wide.begin() + y * 21, wide.begin() + y * 21 + 12));
  ASSERT_EQ(image->update(image.get()), 1);
  for (int y = 0; y < 2; y++) {
    Bytes row(narrow.begin() + y * 6, narrow.begin() + y * 6 + 6);
    row.resize(12, 0);
    EXPECT_EQ(Rows(vt::Pixels(image.get()), 4, y, y + 1), row);
  }
}

TEST_F(AafTest, NamesUseBackslashesAndWindowsLineEnds) {
  std::filesystem::create_directory(dir.file("frames"));
  const Bytes a = Frame("frames/a.jpg", 3, 1);
  vt::ChangeDir cd(dir.path);
  vt::ImagePtr image = List("3 1\r\n0\r\n1\r\nFRAMES\\A.JPG\r\n");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->update(image.get()), 1);
  EXPECT_EQ(vt::Pixels(image.get()), a);
}

TEST_F(AafTest, BadListsAreRefused) {
  Frame("a.jpg", 2, 2);
  const std::string a = dir.file("a.jpg") + "\n";
  for (const std::string& text :
       {std::string("2 x\n0\n1\n") + a, "2 2\n\n1\n" + a, "2 2\n0\n0\n" + a, "2 2\n0\n-3\n" + a,
        "2 2\n0\n99999999999\n" + a, "2 2\n0\n1000000000\n" + a, "2 2\n0\n3\n" + a + a,
        "2 2\n0\n1\n" + std::string(300, 'x') + "\n", std::string("2 2\n0\n"), std::string()}) {
    log.messages.clear();
    EXPECT_FALSE(List(text)) << text;
    EXPECT_TRUE(log.Has("IMG_AafLoad - bad list (" + dir.file("list.aaf") + ")")) << text;
  }
  EXPECT_FALSE(List("-2 2\n0\n1\n" + a));
  EXPECT_FALSE(IMG_AafLoad(dir.file("none.aaf").c_str()));
}

TEST_F(AafTest, MissingOrDamagedFramesFailTheUpdateNotTheProcess) {
  const Bytes a = Frame("a.jpg", 2, 1);
  vt::WriteFile(dir.file("bad.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0, 4, 1, 2});
  EXPECT_FALSE(List(Header(2, 1, 1) + dir.file("none.jpg") + "\n"));
  EXPECT_TRUE(log.Has("IMG_AafLoad - frame not found (" + dir.file("none.jpg") + ")"));

  vt::ImagePtr image =
      List(Header(2, 1, 3) + dir.file("a.jpg") + "\n" + dir.file("bad.jpg") + "\n" + dir.file("none.jpg") + "\n");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->update(image.get()), 1);
  EXPECT_EQ(image->update(image.get()), 0);  // damaged
  EXPECT_EQ(image->update(image.get()), 0);  // missing
  EXPECT_EQ(image->update(image.get()), 1);  // back to the first entry
  EXPECT_EQ(vt::Pixels(image.get()), a);
}

}  // namespace
