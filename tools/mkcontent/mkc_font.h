// The content pack's own stroke font: a geometric monoline face (lower case, capitals, digits
// and the punctuation the show's texts use), drawn anti-aliased into coverage masks.
#pragma once

#include <string>

#include "tools/mkcontent/mkc_raster.h"

struct MKC_TextStyle {
  float size = 20.0f;     // capital height in pixels
  float weight = 2.0f;    // stroke width in pixels
  float tracking = 0.0f;  // extra space after every glyph, pixels
  float slant = 0.0f;     // x shift per pixel of height (0.2 leans right)
  float space = 0.45f;    // advance of a blank, in capital heights
};

// 1 when the font has a glyph for the character.
int MKC_FontHas(char ch);
// Left and right extent of a glyph in pixels relative to the pen, ink only (no tracking).
void MKC_GlyphExtent(char ch, const MKC_TextStyle& style, float* left, float* right);
float MKC_TextWidth(const std::string& text, const MKC_TextStyle& style);
// Draws the text with its left edge at x and its baseline at y, max-combining coverage into the
// mask; with wrap > 0 every stroke is also drawn one wrap to the left and right, so a strip of
// that width tiles seamlessly. Returns the pen position after the text.
float MKC_TextDraw(MKC_Mask& m, const std::string& text, float x, float y, const MKC_TextStyle& style,
                   float wrap = 0.0f);
// Draws the text centred on x.
float MKC_TextDrawCentred(MKC_Mask& m, const std::string& text, float cx, float y, const MKC_TextStyle& style);
