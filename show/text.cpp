// The font: cutting glyph pictures out of a sheet by its transparent columns, the fixed
// character map, and the faded text draws.
#include "show/text.h"

#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"

namespace {

// The glyphs after the letters and digits, in their order on the sheet.
constexpr char kPunctuation[] = ",.;:-'!&/()?+*\"#";

bool column_visible(const IMG_Image* sheet, int x) {
  const std::size_t stride = std::size_t(sheet->width) * 4;
  for (int y = 0; y < sheet->height; y++)
    if (sheet->data[std::size_t(y) * stride + std::size_t(x) * 4 + 3]) return true;
  return false;
}

// A picture of the sheet's columns [start, end) with one transparent column on each side.
GFX_Picture* cut_glyph(const IMG_Image* sheet, int start, int end) {
  const int width = end - start + 2, height = sheet->height;
  GFX_Material* m = GFX_MaterialNew(width, height, IMG_RGBA);
  if (!m) return nullptr;
  const std::size_t run = std::size_t(end - start) * 4;
  for (int y = 0; y < height; y++)
    std::memcpy(m->image->data + (std::size_t(y) * width + 1) * 4,
                sheet->data + (std::size_t(y) * sheet->width + start) * 4, run);
  GFX_Picture* p = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return p;
}

// The blank: white with alpha 0, so that a filtered neighbour never darkens.
GFX_Picture* blank_glyph(int height) {
  GFX_Material* m = GFX_MaterialNew(TEXT_BLANK_WIDTH, height, IMG_RGBA);
  if (!m) return nullptr;
  for (std::size_t i = 0; i < std::size_t(TEXT_BLANK_WIDTH) * height; i++) std::memset(m->image->data + 4 * i, 255, 3);
  GFX_Picture* p = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return p;
}

// Glyphs left to right: each run of columns holding a visible pixel becomes one glyph. A run
// that reaches the right edge keeps its last column and ends the scan.
void cut_glyphs(TEXT_Font* font, const IMG_Image* sheet) {
  const int W = sheet->width;
  int c = 0;
  while (c < W) {
    int start = c;
    while (start < W && !column_visible(sheet, start)) start++;
    if (start >= W) return;
    if (font->count >= TEXT_MAX_GLYPHS) {
      KR_Error("TEXT_FontCreate - more than %d glyphs, the rest ignored", TEXT_MAX_GLYPHS - 1);
      return;
    }
    int end = start + 1;
    while (end < W && column_visible(sheet, end)) end++;
    GFX_Picture* glyph = cut_glyph(sheet, start, end);
    if (!glyph) {
      KR_Error("TEXT_FontCreate - cannot make glyph %d", font->count);
      return;
    }
    font->glyphs[font->count++] = glyph;
    c = end;
  }
}

void fill_map(TEXT_Font* font) {
  for (std::int32_t& g : font->map) g = 0;
  int glyph = 1;
  for (char c = 'a'; c <= 'z'; c++) font->map[std::uint8_t(c)] = glyph++;
  for (char c = '1'; c <= '9'; c++) font->map[std::uint8_t(c)] = glyph++;
  font->map[std::uint8_t('0')] = glyph++;
  for (const char* c = kPunctuation; *c; c++) font->map[std::uint8_t(*c)] = glyph++;
}

// The combined sheet, or null when the images are missing or do not match.
IMG_Image* load_sheet(const char* colourFile, const char* alphaFile) {
  GFX_Material* colour = GFX_MaterialCreate(colourFile);
  GFX_Material* alpha = GFX_MaterialCreate(alphaFile);
  IMG_Image* sheet = nullptr;
  if (colour && alpha && colour->image && alpha->image) sheet = IMG_ImageCombineAlpha(colour->image, alpha->image);
  // The combined image is kept apart from the materials: either may be the shared default
  // material, whose image must stay as it is.
  GFX_MaterialDelete(alpha);
  GFX_MaterialDelete(colour);
  return sheet;
}

// Opacity factor at the glyph's left edge x.
float edge_fade(float x) {
  if (x < 80.0f) return x / 80.0f;
  if (x > 550.0f) return 1.0f - (x - 550.0f) / 80.0f;
  return 1.0f;
}

GFX_Picture* glyph_of(const TEXT_Font* font, char c) {
  int g = font->map[std::uint8_t(c)];
  // A sheet with fewer glyphs than the map names leaves the rest blank.
  if (g <= 0 || g >= font->count) g = 0;
  return font->glyphs[g];
}

void draw_text(const char* text, float x, float y, TEXT_Font* font, float opacity, const float* zoom) {
  if (!text || !font) return;
  for (const char* c = text; *c; c++) {
    GFX_Picture* glyph = glyph_of(font, *c);
    const float f = edge_fade(x);
    if (f > 0.0f) {
      const float sx = x * 2.0f / 640.0f, sy = -y * 2.0f / 480.0f;
      if (zoom) GFX_PictureDrawAlphaScaled(sx, sy, glyph, opacity * f, *zoom);
      else GFX_PictureDrawAlpha(sx, sy, glyph, opacity * f);
    }
    x += float(glyph->width);
    if (x > 640.0f) return;
  }
}

}  // namespace

TEXT_Font* TEXT_FontCreate(const char* colourFile, const char* alphaFile) {
  IMG_Image* sheet = load_sheet(colourFile, alphaFile);
  if (!sheet) {
    KR_Error("TEXT_FontCreate - cannot combine %s with %s", colourFile ? colourFile : "(null)",
             alphaFile ? alphaFile : "(null)");
    return nullptr;
  }
  TEXT_Font* font = TEXT_FontFromSheet(sheet);
  IMG_ImageDelete(sheet);
  return font;
}

TEXT_Font* TEXT_FontFromSheet(const IMG_Image* sheet) {
  if (!sheet || !sheet->data || sheet->format != IMG_RGBA) {
    KR_Error("TEXT_FontFromSheet - no RGBA sheet");
    return nullptr;
  }
  auto* font = static_cast<TEXT_Font*>(KR_Malloc(sizeof(TEXT_Font), "font create"));
  if (!font) return nullptr;
  std::memset(font, 0, sizeof *font);
  font->count = 1;
  cut_glyphs(font, sheet);
  font->glyphs[0] = blank_glyph(sheet->height);
  if (!font->glyphs[0]) {
    KR_Error("TEXT_FontCreate - cannot make the blank glyph");
    TEXT_FontDelete(font);
    return nullptr;
  }
  fill_map(font);
  return font;
}

int TEXT_FontDelete(TEXT_Font* font) {
  if (!font) return 0;
  for (int i = 0; i < font->count; i++)
    if (font->glyphs[i]) GFX_PictureDelete(font->glyphs[i]);
  KR_Free(font);
  return 1;
}

void TEXT_DrawFaded(const char* text, float x, float y, TEXT_Font* font, float opacity) {
  draw_text(text, x, y, font, opacity, nullptr);
}

void TEXT_DrawFadedZoomed(const char* text, float x, float y, TEXT_Font* font, float opacity, float zoom) {
  draw_text(text, x, y, font, opacity, &zoom);
}
