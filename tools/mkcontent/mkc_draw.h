// Drawing helpers shared by the pictures and textures of the content pack: the palette, lit
// text with glows, night skies, stars, ridges and building silhouettes.
#pragma once

#include <string>

#include "tools/mkcontent/mkc_font.h"
#include "tools/mkcontent/mkc_raster.h"

// The pack's palette: night blues and violets with warm orange and rose accents.
namespace mkc_palette {
inline constexpr MKC_Colour kInk = MKC_Rgb(0x05070f);
inline constexpr MKC_Colour kNight = MKC_Rgb(0x0a0f2e);
inline constexpr MKC_Colour kIndigo = MKC_Rgb(0x1d1550);
inline constexpr MKC_Colour kViolet = MKC_Rgb(0x4a2377);
inline constexpr MKC_Colour kPlum = MKC_Rgb(0x6e2a6a);
inline constexpr MKC_Colour kRose = MKC_Rgb(0xd9577f);
inline constexpr MKC_Colour kCoral = MKC_Rgb(0xff7a5c);
inline constexpr MKC_Colour kAmber = MKC_Rgb(0xffa845);
inline constexpr MKC_Colour kCream = MKC_Rgb(0xfff1dc);
inline constexpr MKC_Colour kTeal = MKC_Rgb(0x3cc6c0);
inline constexpr MKC_Colour kIce = MKC_Rgb(0xa9e6ff);
inline constexpr MKC_Colour kWhite = MKC_Rgb(0xffffff);
}  // namespace mkc_palette

// Text painted with a vertical colour ramp (top colour at the capital height, bottom at the
// baseline) over a soft glow. Returns the text's coverage, for alpha masks.
struct MKC_Lettering {
  MKC_TextStyle style;
  MKC_Colour top = mkc_palette::kCream;
  MKC_Colour bottom = mkc_palette::kAmber;
  MKC_Colour glow = mkc_palette::kRose;
  float glowRadius = 0.0f;  // 0: no glow
  float glowStrength = 1.0f;
  float opacity = 1.0f;
};
MKC_Mask MKC_DrawLettering(MKC_Canvas& c, const std::string& text, float x, float baseline, const MKC_Lettering& look,
                           bool centred = false);

// Scatters stars (deterministic) over a box, denser and brighter with `density` and `bright`.
void MKC_Stars(MKC_Canvas& c, float x0, float y0, float x1, float y1, int count, std::uint32_t seed,
               float bright = 1.0f);
// A ridge line silhouette filled below the height profile h(x) (pixels from the top).
template <class H>
void MKC_Ridge(MKC_Canvas& c, H h, MKC_Colour colour, float opacity = 1.0f) {
  for (int x = 0; x < c.width; x++) {
    float top = h(float(x) + 0.5f);
    for (int y = std::max(0, int(top) - 1); y < c.height; y++)
      MKC_BlendPixel(c.at(x, y), colour, MKC_Clamp(float(y) + 0.5f - top + 0.5f) * opacity, MKC_OVER);
  }
}
// A block of building windows: a lit grid inside a box, some windows dark (deterministic).
void MKC_Windows(MKC_Canvas& c, float x0, float y0, float x1, float y1, float cell, float fill, std::uint32_t seed,
                 MKC_Colour lit, float opacity = 1.0f);
// A light point with a tight core, halo and faint horizontal streak.
void MKC_Lamp(MKC_Canvas& c, float x, float y, float size, MKC_Colour colour, float strength = 1.0f);
