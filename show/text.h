// Text from one font sheet: glyphs cut out of a row of glyphs separated by transparent columns,
// each a picture drawn on the 640x480 virtual screen, with a fade at the screen's left and
// right edges.
#pragma once

#include <cstdint>

struct GFX_Picture;
struct IMG_Image;

// Glyph 0 is the 20-pixel blank every unknown character draws as.
constexpr int TEXT_MAX_GLYPHS = 256;
constexpr int TEXT_BLANK_WIDTH = 20;

struct TEXT_Font {
  std::int32_t map[256];  // glyph index by the character's byte value; 0 the blank
  std::int32_t count;     // glyphs cut from the sheet plus the blank
  GFX_Picture* glyphs[TEXT_MAX_GLYPHS];  // a glyph's picture width is its advance
};

// Cuts the glyphs out of a sheet whose colours come from one image file and whose alpha from
// the grey of another, both the same size. Characters map as: a-z to glyphs 1-26, 1-9 to
// 27-35, 0 to 36, and , . ; : - ' ! & / ( ) ? + * " # to 37-52; everything else to the blank.
// A character whose glyph the sheet does not hold also draws as the blank. Null (with a
// report) when the two images cannot be combined.
TEXT_Font* TEXT_FontCreate(const char* colourFile, const char* alphaFile);
// The same from a sheet already combined (RGBA, alpha from the grey file); the sheet is not
// kept. Null (with a report) for a missing or non-RGBA sheet.
TEXT_Font* TEXT_FontFromSheet(const IMG_Image* sheet);
// Frees the font with its pictures (tools and tests; the show keeps its font).
int TEXT_FontDelete(TEXT_Font* font);

// Draws the text with its first glyph's top-left corner at pixel (x, y). Each glyph's opacity
// is scaled by x / 80 left of x = 80 and by 1 - (x - 550) / 80 right of x = 550; glyphs that
// come out fully faded are skipped, and drawing stops once x passes 640.
void TEXT_DrawFaded(const char* text, float x, float y, TEXT_Font* font, float opacity);
// The same with every glyph scaled by zoom about the screen centre; the advance stays the
// unzoomed width.
void TEXT_DrawFadedZoomed(const char* text, float x, float y, TEXT_Font* font, float opacity, float zoom);
