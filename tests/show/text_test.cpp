// Fonts under Xvfb: glyphs cut from crafted sheets (count, advances, the one-column margins,
// a glyph at the right edge, the 255-glyph limit), the character map, and text read back from
// the frame: advances and the blank, the edge fade, zoomed glyphs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"
#include "show/text.h"
#include "tests/gfx/screen_checks.h"
#include "tests/support/test_util.h"

namespace {

constexpr int kSheetH = 16, kLead = 3, kGap = 2;
constexpr int kRow = 58;  // a frame row through text drawn at y = 50

// Glyph i's width on the main sheet; the sheet's last glyph touches its right edge.
int Width(int i) { return (i % 4) * 10 + 5; }

// White opaque glyph blocks of the given widths on black, as a 24-bit TGA in dir: the file
// serves as colours and as alpha.
std::string WriteSheet(const vt::TempDir& dir, const std::string& name, const std::vector<int>& widths, int gap) {
  int w = kLead - gap;  // the last glyph ends at the edge
  for (int gw : widths) w += gw + gap;
  IMG_Image* sheet = IMG_ImageCreate(w, kSheetH, IMG_RGB, 0);
  for (int x = kLead, i = 0; i < int(widths.size()); x += widths[i] + gap, i++)
    for (int y = 0; y < kSheetH; y++) std::memset(sheet->data + (std::size_t(y) * w + x) * 3, 255, widths[i] * 3);
  const std::string file = dir.file(name + ".tga");
  EXPECT_EQ(IMG_TgaSave(file.c_str(), sheet), 1);
  IMG_ImageDelete(sheet);
  return file;
}

TEXT_Font* Font(const std::string& sheet) { return TEXT_FontCreate(sheet.c_str(), sheet.c_str()); }

struct Span {
  int start, length, level;
};
// Runs of non-black pixels along a frame row (level: the red channel in the run's middle).
std::vector<Span> Spans(int y) {
  const std::vector<std::uint8_t> f = vt::GlReadRgb();
  std::vector<Span> runs;
  for (int x = 0; x < vt::kGlWidth; x++) {
    if (f[(std::size_t(y) * vt::kGlWidth + x) * 3] < 4) continue;
    int end = x;
    while (end < vt::kGlWidth && f[(std::size_t(y) * vt::kGlWidth + end) * 3] >= 4) end++;
    runs.push_back({x, end - x, f[(std::size_t(y) * vt::kGlWidth + (x + end) / 2) * 3]});
    x = end;
  }
  return runs;
}

class Text : public vt::GlTest {
 protected:
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    std::vector<int> widths;
    for (int i = 1; i <= 52; i++) widths.push_back(Width(i));
    font_ = Font(WriteSheet(dir_, "main", widths, kGap));
    ASSERT_NE(font_, nullptr);
    vt::ClearTo(vt::kBlack);
  }
  void TearDown() override { TEXT_FontDelete(font_); }
  vt::TempDir dir_;
  TEXT_Font* font_ = nullptr;
};

TEST_F(Text, GlyphsAreCutByTransparentColumnsWithAOneColumnMargin) {
  ASSERT_EQ(font_->count, 53);
  EXPECT_EQ(font_->glyphs[0]->width, TEXT_BLANK_WIDTH);
  for (int i = 1; i <= 52; i++) EXPECT_EQ(font_->glyphs[i]->width, Width(i) + 2) << "glyph " << i;
  EXPECT_EQ(font_->glyphs[52]->height, kSheetH);
  // Drawn at x = 100, each glyph's first and last picture columns are transparent: the
  // block starts one pixel in and is exactly as wide as on the sheet. The last glyph touched
  // the sheet's right edge and kept all its columns.
  TEXT_DrawFaded("a#", 100, 50, font_, 1.0f);
  const std::vector<Span> runs = Spans(kRow);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].start, 101);
  EXPECT_EQ(runs[0].length, Width(1));
  EXPECT_EQ(runs[1].start, 100 + Width(1) + 2 + 1);
  EXPECT_EQ(runs[1].length, Width(52));
}

TEST_F(Text, CharacterMapIsFixed) {
  const std::pair<char, int> cases[] = {{'a', 1},  {'z', 26}, {'1', 27}, {'9', 35}, {'0', 36}, {',', 37},
                                        {'.', 38}, {'-', 41}, {'\'', 42}, {'/', 45}, {'?', 48}, {'"', 51},
                                        {'#', 52}, {' ', 0},  {'A', 0},  {'_', 0},  {'\n', 0}, {char(200), 0}};
  for (auto [c, glyph] : cases) EXPECT_EQ(font_->map[std::uint8_t(c)], glyph) << "character " << int(c);
}

TEST_F(Text, TwoWordsDrawTenGlyphsAndOneBlank) {
  TEXT_DrawFaded("abcde fghij", 100, 50, font_, 1.0f);
  const std::vector<Span> runs = Spans(kRow);
  ASSERT_EQ(runs.size(), 10u);
  int x = 100;
  for (int i = 0; i < 10; x += Width(i + 1) + 2, i++) {
    if (i == 5) x += TEXT_BLANK_WIDTH;
    EXPECT_TRUE(runs[i].start == x + 1 && runs[i].length == Width(i + 1) && runs[i].level >= 253) << "glyph " << i + 1;
  }
  // Nothing above or below the 16 rows of the line.
  EXPECT_TRUE(Spans(49).empty());
  EXPECT_TRUE(Spans(66).empty());
}

TEST_F(Text, EdgesFadeTheGlyphs) {
  struct Case {
    const char* text;
    float x;
    int start, level;  // the first run, -1 for none
  };
  const Case cases[] = {
      {"a", 40, 41, 128},   // 40 / 80
      {"a", 590, 591, 128},  // 1 - 40 / 80
      {"a", 630, -1, 0},     // fully faded
      {"a", 80, 81, 255},
      {"a", 550, 551, 255},
      // The first glyph at x = 0 is skipped, yet the second moves on by its width: 17 / 80.
      {"aa", 0, 18, 54},
  };
  for (const Case& c : cases) {
    vt::ClearTo(vt::kBlack);
    TEXT_DrawFaded(c.text, c.x, 50, font_, 1.0f);
    const std::vector<Span> runs = Spans(kRow);
    if (c.start < 0) {
      EXPECT_TRUE(runs.empty()) << c.x;
      continue;
    }
    ASSERT_EQ(runs.size(), 1u) << c.x;
    EXPECT_EQ(runs[0].start, c.start) << c.x;
    EXPECT_NEAR(runs[0].level, c.level, 2) << c.x;
  }
  // Opacity multiplies with the fade.
  vt::ClearTo(vt::kBlack);
  TEXT_DrawFaded("a", 40, 50, font_, 0.5f);
  EXPECT_NEAR(Spans(kRow).at(0).level, 64, 2);
}

TEST_F(Text, ZoomScalesGlyphsAboutTheCentreButNotTheAdvance) {
  // Pixel p of the virtual screen lands on 2p - 320 across and 2p - 240 down.
  TEXT_DrawFadedZoomed("ab", 300, 230, font_, 1.0f, 2.0f);
  const std::vector<Span> runs = Spans(2 * 236 - 240);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].start, 2 * 301 - 320);
  EXPECT_EQ(runs[0].length, 2 * Width(1));
  EXPECT_EQ(runs[1].start, 2 * (300 + Width(1) + 2 + 1) - 320);
  EXPECT_EQ(runs[1].length, 2 * Width(2));
}

TEST_F(Text, SmallSheetsLargeSheetsAndBadPairs) {
  // Three glyphs: 'd' has none on this sheet and draws as the blank.
  TEXT_Font* small = Font(WriteSheet(dir_, "small", {6, 7, 8}, 1));
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->count, 4);
  TEXT_DrawFaded("da", 100, 50, small, 1.0f);
  const std::vector<Span> runs = Spans(kRow);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].start, 100 + TEXT_BLANK_WIDTH + 1);
  TEXT_FontDelete(small);

  // 300 one-column glyphs: the font keeps the first 255 and says so.
  vt::ErrorLog log;
  const std::string large_sheet = WriteSheet(dir_, "large", std::vector<int>(300, 1), 1);
  TEXT_Font* large = Font(large_sheet);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->count, TEXT_MAX_GLYPHS);
  EXPECT_TRUE(log.Has("TEXT_FontCreate - more than 255 glyphs, the rest ignored"));
  TEXT_FontDelete(large);

  // Colours and alpha of different sizes cannot make a sheet; a null font draws nothing.
  const std::string other = WriteSheet(dir_, "other", {4}, 1);
  EXPECT_EQ(TEXT_FontCreate(large_sheet.c_str(), other.c_str()), nullptr);
  EXPECT_TRUE(log.Has("TEXT_FontCreate - cannot combine " + large_sheet + " with " + other));
  // Missing files fall back to the shared default material, which keeps its image.
  TEXT_Font* fallback = TEXT_FontCreate(dir_.file("none.jpg").c_str(), dir_.file("none ALPHA.jpg").c_str());
  ASSERT_NE(fallback, nullptr);
  EXPECT_EQ(fallback->count, 2);
  EXPECT_NE(GFX_MaterialDefault()->image, nullptr);
  GFX_MaterialDelete(GFX_MaterialDefault());
  TEXT_FontDelete(fallback);
  TEXT_DrawFaded("abc", 100, 50, nullptr, 1.0f);
  TEXT_DrawFaded(nullptr, 100, 50, font_, 1.0f);
}

}  // namespace
