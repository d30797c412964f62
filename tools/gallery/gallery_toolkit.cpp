// The gallery's sheet of the effect toolkit: text from a font sheet drawn here (sharp, with the
// zoomed glow pass, across the faded edges), the sprite sheet's cells, the particle fountain,
// both smoke trails and light glows.
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"
#include "show/demo_helpers.h"
#include "show/text.h"
#include "tools/gallery/gallery.h"

namespace {

// The sheet's order: letters, digits 1-9 and 0, then the punctuation.
constexpr char kOrder[] = "abcdefghijklmnopqrstuvwxyz1234567890,.;:-'!&/()?+*\"#";

constexpr int kScale = 3, kPad = 2, kGap = 3;
constexpr int kSheetH = 7 * kScale + 2 * kPad + 2;

// One glyph's mask (2 ink, 1 outline): the captions' font at kScale with a one-pixel outline.
struct Mask {
  int width = 5 * kScale + 2;
  std::vector<std::uint8_t> ink = std::vector<std::uint8_t>(std::size_t(width) * kSheetH);
};

Mask glyph_mask(char c) {
  Mask m;
  std::vector<std::uint8_t> rgb(std::size_t(m.width) * kSheetH * 3);
  const std::uint8_t white[3] = {255, 255, 255};
  const char text[2] = {c, 0};
  GAL_Text(rgb.data(), m.width, kSheetH, 1, kPad + 1, text, kScale, white);
  for (std::size_t i = 0; i < m.ink.size(); i++) m.ink[i] = rgb[3 * i] ? 2 : 0;
  // The outline: 1 where a neighbour is ink.
  for (int y = 1; y < kSheetH - 1; y++)
    for (int x = 1; x < m.width - 1; x++) {
      std::uint8_t& p = m.ink[std::size_t(y) * m.width + x];
      for (int d = 0; d < 9 && !p; d++)
        if (m.ink[std::size_t(y + d / 3 - 1) * m.width + x + d % 3 - 1] == 2) p = 1;
    }
  return m;
}

// Writes the font sheet as colour and alpha TGA files: warm glyphs with a dark outline, each
// glyph's columns joined by a faint thread where the letter itself has a gap, so that the
// cutter keeps it whole.
bool write_font(const std::string& colourFile, const std::string& alphaFile) {
  std::vector<Mask> masks;
  int W = kGap;
  for (const char* c = kOrder; *c; c++) {
    masks.push_back(glyph_mask(*c));
    W += masks.back().width + kGap;
  }
  IMG_Image* colour = IMG_ImageCreate(W, kSheetH, IMG_RGB, 0);
  IMG_Image* alpha = IMG_ImageCreate(W, kSheetH, IMG_RGB, 0);
  if (!colour || !alpha) return false;
  int x0 = kGap;
  for (const Mask& m : masks) {
    int first = m.width, last = -1;
    for (int x = 0; x < m.width; x++)
      for (int y = 0; y < kSheetH; y++)
        if (m.ink[std::size_t(y) * m.width + x]) first = std::min(first, x), last = std::max(last, x);
    for (int y = 0; y < kSheetH; y++)
      for (int x = 0; x < m.width; x++) {
        const std::uint8_t ink = m.ink[std::size_t(y) * m.width + x];
        const float fy = float(y) / float(kSheetH - 1);
        const std::uint8_t body[3] = {255, std::uint8_t(245 - 120 * fy), std::uint8_t(210 - 190 * fy)};
        const std::uint8_t rim[3] = {50, 25, 10};
        std::uint8_t a = ink == 2 ? 255 : ink == 1 ? 190 : 0;
        if (!a && y == kSheetH - 1 && x > first && x < last) a = 1;
        const std::size_t at = (std::size_t(y) * W + x0 + x) * 3;
        std::memcpy(colour->data + at, ink == 1 ? rim : body, 3);
        std::memset(alpha->data + at, a, 3);
      }
    x0 += m.width + kGap;
  }
  const bool ok = IMG_TgaSave(colourFile.c_str(), colour) && IMG_TgaSave(alphaFile.c_str(), alpha);
  IMG_ImageDelete(colour);
  IMG_ImageDelete(alpha);
  return ok;
}

TEXT_Font* make_font() {
  char tmpl[] = "/tmp/velmar-gallery-XXXXXX";
  if (!mkdtemp(tmpl)) return nullptr;
  const std::filesystem::path dir(tmpl);
  const std::string colour = (dir / "font.tga").string(), alpha = (dir / "font ALPHA.tga").string();
  TEXT_Font* font = write_font(colour, alpha) ? TEXT_FontCreate(colour.c_str(), alpha.c_str()) : nullptr;
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return font;
}

// A night backdrop: a blue gradient with a faint grid and a band of warm light.
GFX_Picture* backdrop() {
  GFX_Material* m = GAL_Material(640, 480, IMG_RGB, [](int x, int y, std::uint8_t* p, const void*) {
    const float fy = float(y) / 480.0f;
    p[0] = std::uint8_t(12 + 30 * fy);
    p[1] = std::uint8_t(16 + 14 * fy);
    p[2] = std::uint8_t(60 - 30 * fy);
    if (x % 64 == 0 || y % 64 == 0) p[0] += 14, p[1] += 14, p[2] += 20;
    const float band = std::exp(-std::pow((float(y) - 330.0f) / 40.0f, 2.0f));
    p[0] = std::uint8_t(std::min(255.0f, p[0] + 90 * band));
    p[1] = std::uint8_t(std::min(255.0f, p[1] + 40 * band));
  });
  GFX_Picture* p = m ? GFX_PictureFromMaterial(m) : nullptr;
  GAL_Release(m);
  return p;
}

// A soft round glow.
GFX_Material* lens_material() {
  return GAL_Material(128, 128, IMG_RGB, [](int x, int y, std::uint8_t* p, const void*) {
    const float dx = (float(x) - 63.5f) / 63.5f, dy = (float(y) - 63.5f) / 63.5f;
    const float r = std::sqrt(dx * dx + dy * dy);
    const float core = r < 1.0f ? std::pow(1.0f - r, 2.2f) : 0.0f;
    const float ring = std::exp(-std::pow((r - 0.55f) / 0.05f, 2.0f)) * 0.25f;
    const std::uint8_t v = std::uint8_t(std::min(255.0f, 255.0f * (core + ring)));
    p[0] = p[1] = p[2] = v;
  });
}

// A hash of a position into 0..1, for the smoke's grain.
float grain(int x, int y) {
  std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float(h & 0xFFFF) / 65535.0f;
}

// An 8x8 animation sheet of a smoke puff: cell f (column f mod 8, row f div 8, rows from the
// first in memory) swells and thins out as f rises.
GFX_Material* smoke_sheet() {
  return GAL_Material(512, 512, IMG_RGB, [](int x, int y, std::uint8_t* p, const void*) {
    const int f = (y / 64) * 8 + x / 64;
    const float dx = (float(x % 64) - 31.5f) / 31.5f, dy = (float(y % 64) - 31.5f) / 31.5f;
    const float r = std::sqrt(dx * dx + dy * dy) / (0.45f + 0.5f * float(f) / 63.0f);
    const float life = std::pow(1.0f - float(f) / 64.0f, 1.3f);
    const float puff = r < 1.0f ? (1.0f - r * r) * (0.6f + 0.4f * grain(x / 3, y / 3)) : 0.0f;
    const std::uint8_t v = std::uint8_t(255.0f * puff * life);
    p[0] = v, p[1] = v, p[2] = std::uint8_t(std::min(255, v + v / 8));
  });
}

// Cells numbered 0..63 on a bordered ground, to show which cell a sprite frame picks.
GFX_Material* numbered_sheet() {
  GFX_Material* m = GAL_Material(512, 512, IMG_RGB, [](int x, int y, std::uint8_t* p, const void*) {
    const bool edge = x % 64 < 2 || y % 64 < 2;
    const int f = (y / 64) * 8 + x / 64;
    p[0] = edge ? 200 : std::uint8_t(40 + 3 * f);
    p[1] = edge ? 200 : 40;
    p[2] = edge ? 200 : std::uint8_t(200 - 3 * f);
  });
  if (!m) return nullptr;
  const std::uint8_t ink[3] = {255, 255, 120};
  for (int f = 0; f < 64; f++) {
    const std::string label = std::to_string(f);
    GAL_Text(m->image->data, 512, 512, (f % 8) * 64 + 32 - 9 * int(label.size()), (f / 8) * 64 + 18, label.c_str(), 3, ink);
  }
  GFX_MaterialUpdate(m);
  return m;
}

void cell(GAL_Page& page, const char* caption, const std::function<void()>& draw) {
  GAL_Begin();
  draw();
  GAL_Capture(page, caption);
}

KR_Matrix translation(float x, float y, float z) {
  KR_Matrix m;
  KR_MatIdentity(&m);
  m.m[12] = x, m.m[13] = y, m.m[14] = z;
  return m;
}

// The show's smoke frame: turned a quarter about x, 150 units ahead.
KR_Matrix smoke_frame() {
  KR_Matrix m;
  KR_MatFromEuler(&m, -1.57f, 0.0f, 0.0f);
  m.m[14] = 150.0f;
  return m;
}

// Runs a trail for `seconds` at 60 frames a second, clearing each frame, and leaves the last.
void run_smoke(float seconds, const std::function<void(float t)>& frame) {
  DEMO_RandSeed(9990);
  DEMO_SmokeStart(0.0f);
  for (int i = 1; i <= int(seconds * 60.0f); i++) {
    GFX_BeginFrame();
    frame(float(i) / 60.0f);
  }
}

}  // namespace

void GAL_SheetToolkit(GAL_Page& page) {
  TEXT_Font* font = make_font();
  GFX_Picture* back = backdrop();
  GFX_Material* lens = lens_material();
  GFX_Material* smoke = smoke_sheet();
  GFX_Material* numbers = numbered_sheet();
  if (!font || !back || !lens || !smoke || !numbers) {
    std::fprintf(stderr, "gallery: toolkit sheet: cannot make its font or textures\n");
    return;
  }

  cell(page, "Text: sharp, opacity 1 and 0.5", [&] {
    GFX_PictureDraw(0, 0, back);
    TEXT_DrawFaded("the quick brown fox jumps", 90, 70, font, 1.0f);
    TEXT_DrawFaded("over the lazy dog.", 90, 100, font, 1.0f);
    TEXT_DrawFaded("1234567890 ,.;:-'!&/()?+*\"#", 90, 150, font, 1.0f);
    TEXT_DrawFaded("half opacity: velmar", 90, 200, font, 0.5f);
    TEXT_DrawFaded("CAPS ARE BLANK:x", 90, 250, font, 1.0f);
  });
  cell(page, "Text: glow x2 0.3, then sharp", [&] {
    GFX_PictureDraw(0, 0, back);
    const char* lines[] = {"greetings to", "all the sceners", "at the party!"};
    for (int i = 0; i < 3; i++) {
      const float y = 190.0f + 34.0f * float(i), x = 320.0f - 7.5f * float(std::strlen(lines[i]));
      TEXT_DrawFadedZoomed(lines[i], x, y, font, 0.3f, 2.0f);
      TEXT_DrawFaded(lines[i], x, y, font, 1.0f);
    }
  });
  cell(page, "Text: edge fade, x from -60", [&] {
    GFX_PictureDraw(0, 0, back);
    const char* line = "scrolling text fades in at the left and out at the right edge";
    for (int i = 0; i < 6; i++) TEXT_DrawFaded(line, -60.0f + 40.0f * float(i), 60.0f + 60.0f * float(i), font, 1.0f);
  });

  cell(page, "Sprite frames 0-63 (9: cell 1,1)", [&] {
    GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
    DEMO_SpriteSetMaterial(numbers);
    const KR_Matrix frame = translation(0, 0, 400);
    DEMO_SpriteSetFrame(&frame);
    GFX_Disable(GFX_CULL);
    GFX_Enable(GFX_BLEND);
    for (int f = 0; f < 64; f++) {
      const KR_Vector c{-245.0f + 70.0f * float(f % 8), 245.0f - 70.0f * float(f / 8), 0.0f};
      DEMO_SpriteDraw(&c, f == 9 ? 36.0f : 30.0f, 1.0f, f);
    }
    GFX_Disable(GFX_BLEND);
  });

  cell(page, "Fountain, 3 s, leaning away", [&] {
    DEMO_RandSeed(9990);
    DEMO_SpriteSetMaterial(lens);
    // The column rises along the frame's y axis, tilted away from the eye.
    KR_Matrix frame;
    KR_MatFromEuler(&frame, 0.6f, 0.0f, 0.0f);
    frame.m[13] = -280.0f, frame.m[14] = 450.0f;
    DEMO_SpriteSetFrame(&frame);
    DEMO_FountainInit(0.0f);
    for (int i = 1; i <= 180; i++) {
      GFX_BeginFrame();
      DEMO_FountainDraw(float(i) / 60.0f, 1.0f);
    }
  });
  cell(page, "Light smoke 0.08, show frame", [&] {
    GFX_SetPerspective(150.0f, 0.01f, 1000.0f);
    GFX_PictureDraw(0, 0, back);
    const KR_Matrix frame = smoke_frame();
    const KR_Vector origin{0, 0, 0};
    DEMO_SpriteSetMaterial(smoke);
    DEMO_SmokeAmount(0.08f);
    run_smoke(4.0f, [&](float t) {
      GFX_PictureDraw(0, 0, back);
      DEMO_SmokeDraw(t, &origin, &frame);
    });
  });
  cell(page, "Light smoke 0.3, side view", [&] {
    const KR_Matrix frame = translation(0, -120, 260);
    const KR_Vector origin{0, 0, 0};
    DEMO_SpriteSetMaterial(smoke);
    DEMO_SmokeAmount(0.3f);
    run_smoke(4.0f, [&](float t) { DEMO_SmokeDraw(t, &origin, &frame); });
    DEMO_SmokeAmount(0.08f);
  });
  cell(page, "Dense smoke, side view", [&] {
    const KR_Matrix frame = translation(0, 0, 500);
    const KR_Vector origin{0, -250, 0};
    DEMO_SpriteSetMaterial(smoke);
    run_smoke(4.0f, [&](float t) { DEMO_SmokeDrawDense(t, &origin, &frame); });
  });
  cell(page, "Dense smoke via target + rect", [&] {
    const KR_Matrix frame = translation(0, 0, 500);
    const KR_Vector origin{0, -250, 0};
    DEMO_SpriteSetMaterial(smoke);
    run_smoke(4.0f, [&](float t) {
      GFX_TargetBegin();
      GFX_BeginFrame();
      DEMO_SmokeDrawDense(t, &origin, &frame);
      GFX_TargetCapture();
      GFX_BeginFrame();
      GFX_PictureDraw(0, 0, back);
      GFX_TargetDrawRect(1.0f, -0.22916667f, 0.6f, 0.8f);
    });
  });
  cell(page, "Light glows, k 1 and 0.5", [&] {
    GFX_PictureDraw(0, 0, back);
    const struct {
      KR_Vector p;
      float k, colour[3];
    } glows[] = {{{-150, 60, 300}, 1.0f, {1.0f, 0.6f, 0.3f}}, {{40, -20, 200}, 1.0f, {0.4f, 0.6f, 1.0f}},
                 {{170, 90, 400}, 1.0f, {0.5f, 1.0f, 0.6f}}, {{-60, -110, 250}, 0.5f, {1.0f, 1.0f, 1.0f}}};
    for (auto& g : glows) DEMO_LightGlowDraw(&g.p, g.k, g.colour, lens);
  });

  TEXT_FontDelete(font);
  GFX_PictureDelete(back);
  GAL_Release(lens);
  GAL_Release(smoke);
  GAL_Release(numbers);
}
