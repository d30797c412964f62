// Drawing helpers shared by the pack's pictures and textures.
#include "tools/mkcontent/mkc_draw.h"

MKC_Mask MKC_DrawLettering(MKC_Canvas& c, const std::string& text, float x, float baseline, const MKC_Lettering& look,
                           bool centred) {
  MKC_Mask m(c.width, c.height);
  if (centred)
    MKC_TextDrawCentred(m, text, x, baseline, look.style);
  else
    MKC_TextDraw(m, text, x, baseline, look.style);
  if (look.glowRadius > 0.0f) {
    MKC_Mask g = m;
    MKC_BlurMask(g, look.glowRadius);
    MKC_PaintMask(c, g, 0, 0, look.glow, look.glowStrength * look.opacity, MKC_ADD);
  }
  float capTop = baseline - look.style.size;
  for (int y = 0; y < c.height; y++) {
    float t = MKC_Clamp((float(y) + 0.5f - capTop) / look.style.size);
    MKC_Colour k = MKC_Mix(look.top, look.bottom, t);
    for (int xx = 0; xx < c.width; xx++) {
      float a = m.at(xx, y);
      if (a > 0.0f) MKC_BlendPixel(c.at(xx, y), k, a * look.opacity, MKC_OVER);
    }
  }
  return m;
}

void MKC_Stars(MKC_Canvas& c, float x0, float y0, float x1, float y1, int count, std::uint32_t seed, float bright) {
  MKC_Random rnd(seed);
  for (int i = 0; i < count; i++) {
    float x = rnd.range(x0, x1), y = rnd.range(y0, y1);
    float m = rnd.unit();
    float size = 0.35f + m * m * m * 1.3f;
    float b = (0.25f + 0.75f * rnd.unit()) * bright;
    MKC_Colour tint = MKC_Mix(mkc_palette::kIce, mkc_palette::kCream, rnd.unit());
    MKC_Glow(c, x, y, size, tint, b);
    if (m > 0.93f) {
      // A few bright stars get thin cross spikes.
      MKC_Line(c, x - size * 6, y, x + size * 6, y, 0.6f, tint, 0.25f * b, MKC_ADD, 0.5f);
      MKC_Line(c, x, y - size * 6, x, y + size * 6, 0.6f, tint, 0.25f * b, MKC_ADD, 0.5f);
    }
  }
}

void MKC_Windows(MKC_Canvas& c, float x0, float y0, float x1, float y1, float cell, float fill, std::uint32_t seed,
                 MKC_Colour lit, float opacity) {
  MKC_Random rnd(seed);
  for (float y = y0 + cell * 0.5f; y + cell * 0.5f <= y1; y += cell)
    for (float x = x0 + cell * 0.4f; x + cell * 0.4f <= x1; x += cell * 0.8f) {
      if (rnd.unit() > fill) continue;
      float b = 0.45f + 0.55f * rnd.unit();
      MKC_Colour k = MKC_Mix(lit, mkc_palette::kCream, rnd.unit() * 0.5f);
      MKC_FillBox(c, x - cell * 0.2f, y - cell * 0.26f, x + cell * 0.2f, y + cell * 0.26f, k, b * opacity);
    }
}

void MKC_Lamp(MKC_Canvas& c, float x, float y, float size, MKC_Colour colour, float strength) {
  MKC_Glow(c, x, y, size * 6.0f, colour, 0.35f * strength);
  MKC_Glow(c, x, y, size * 2.0f, colour, 0.8f * strength);
  MKC_Glow(c, x, y, size * 0.8f, mkc_palette::kWhite, 1.2f * strength);
  MKC_Line(c, x - size * 14, y, x + size * 14, y, size * 0.35f, colour, 0.25f * strength, MKC_ADD, size * 0.4f);
}
