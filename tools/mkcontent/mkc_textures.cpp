// The pack's textures (square, power-of-two sizes), the smoke animation sheet, the font sheet
// and the scene textures. Textures that wrap on meshes tile seamlessly.
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/mkcontent/mkc_content.h"
#include "tools/mkcontent/mkc_draw.h"

using namespace mkc_palette;

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTau = 6.2831853f;

float fract(float v) { return v - std::floor(v); }

// A periodic ramp: t wraps around 0..1 through the colours and back to the first.
MKC_Colour cycle(const std::vector<MKC_Colour>& colours, float t) {
  t = fract(t) * float(colours.size());
  int i = int(t) % int(colours.size());
  float k = t - std::floor(t);
  k = k * k * (3.0f - 2.0f * k);
  return MKC_Mix(colours[std::size_t(i)], colours[std::size_t(i + 1) % colours.size()], k);
}

MKC_Art plain(MKC_Canvas c) {
  MKC_Art a;
  a.colour = std::move(c);
  return a;
}

}  // namespace

MKC_Art MKC_TextureOrangeEnv(void) {
  // An environment map: warm sky above a dark horizon band, a low sun, reflected floor below.
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float nx = x / 128.0f - 1.0f, ny = y / 128.0f - 1.0f;
    float r = std::min(1.0f, std::hypot(nx, ny));
    float lat = ny / std::sqrt(std::max(1e-4f, 1.0f - std::min(0.999f, nx * nx)));
    MKC_Colour sky = MKC_Mix(MKC_Rgb(0xffd28a), MKC_Rgb(0xff7a1a), MKC_Clamp(lat + 1.0f));
    MKC_Colour ground = MKC_Mix(MKC_Rgb(0x5a1e0a), MKC_Rgb(0x1a0804), MKC_Clamp(lat));
    MKC_Colour k = lat < 0.05f ? sky : ground;
    k = MKC_Mix(k, MKC_Rgb(0xfff0d0), MKC_Smooth(0.08f, 0.0f, std::fabs(lat - 0.05f)) * 0.7f);
    float sun = std::exp(-std::pow(std::hypot(nx + 0.35f, ny + 0.3f) / 0.18f, 2.0f));
    k = MKC_Mix(k, kWhite, sun);
    k = MKC_Scale(k, 1.0f - 0.35f * r * r);
    MKC_Put(p, k);
  });
  return plain(std::move(c));
}

MKC_Art MKC_TexturePhong(void) {
  // A highlight for the additive environment layer: black with a soft lobe and a sharp core.
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float r = std::hypot(x - 128.0f, y - 128.0f) / 128.0f;
    float lobe = std::pow(MKC_Clamp(1.0f - r), 2.2f);
    float core = std::pow(MKC_Clamp(1.0f - r * 2.2f), 6.0f);
    MKC_Colour k = MKC_Mix(MKC_Rgb(0x6a4cc0), MKC_Rgb(0xe8dcff), lobe);
    p[0] = k.r * lobe + core;
    p[1] = k.g * lobe + core;
    p[2] = k.b * lobe + core;
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureBaby(void) {
  // The tunnel's and the blob's skin: soft pastel marbling with glowing contour lines; tiles.
  MKC_Canvas c(256, 256);
  const std::vector<MKC_Colour> colours = {kIndigo, kViolet, kRose, MKC_Rgb(0xffc9a8), kTeal, kViolet};
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float u = x / 256.0f * 4.0f, v = y / 256.0f * 4.0f;
    float w = MKC_Fbm(u + 13.0f, v + 7.0f, 81, 3, 0.5f, 4);
    float n = MKC_Fbm(u + w * 1.6f, v + w * 1.6f, 82, 4, 0.55f, 4);
    MKC_Colour k = cycle(colours, n * 2.6f + 0.15f);
    float contour = std::fabs(fract(n * 9.0f) - 0.5f);
    float line = MKC_Smooth(0.08f, 0.0f, contour);
    p[0] = k.r * 0.85f + line * 0.35f;
    p[1] = k.g * 0.85f + line * 0.3f;
    p[2] = k.b * 0.85f + line * 0.4f;
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureGradient(void) {
  // Sampled along u only (the tunnel's length); wraps around.
  MKC_Canvas c(256, 256);
  const std::vector<MKC_Colour> colours = {kInk, kIndigo, kViolet, kRose, kAmber, kRose, kViolet, kIndigo};
  MKC_ShadeAll(c, [&](float x, float, float* p) {
    MKC_Colour k = cycle(colours, x / 256.0f);
    MKC_Put(p, k);
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureClock(void) {
  // A clock face at ten past ten on a dark field; used additively and as a translucent sprite.
  const float S = 512.0f, C = 256.0f;
  MKC_Canvas c(512, 512);
  MKC_GradientRadial(c, C, C, 362, {{0.0f, MKC_Mix(kIndigo, kInk, 0.3f)}, {0.66f, kInk}, {1.0f, MKC_Rgb(0x000000)}});
  MKC_Ring(c, C, C, 236, 6, kAmber, 0.9f);
  MKC_Ring(c, C, C, 224, 1.5f, kRose, 0.8f);
  MKC_Glow(c, C, C, 240, kViolet, 0.25f);
  for (int i = 0; i < 60; i++) {
    float a = float(i) * kTau / 60.0f;
    bool hour = i % 5 == 0;
    float r0 = hour ? 188.0f : 204.0f, r1 = 216.0f;
    MKC_Line(c, C + std::sin(a) * r0, C - std::cos(a) * r0, C + std::sin(a) * r1, C - std::cos(a) * r1,
             hour ? 6.0f : 2.0f, hour ? kCream : kIce, hour ? 1.0f : 0.7f);
  }
  MKC_Mask figs(512, 512);
  MKC_TextStyle st{30, 3.6f, 2.0f};
  for (int h = 1; h <= 12; h++) {
    float a = float(h) * kTau / 12.0f;
    std::string s = std::to_string(h);
    float w = MKC_TextWidth(s, st);
    MKC_TextDraw(figs, s, C + std::sin(a) * 150.0f - w * 0.5f, C - std::cos(a) * 150.0f + 15.0f, st);
  }
  MKC_PaintMask(c, figs, 0, 0, kCream, 1.0f, MKC_OVER);
  MKC_Mask name(512, 512);
  MKC_TextDrawCentred(name, "kvt", C, C + 92, MKC_TextStyle{18, 2.2f, 8.0f});
  MKC_PaintMask(c, name, 0, 0, kRose, 0.9f, MKC_OVER);
  auto hand = [&](float turns, float len, float tail, float width, MKC_Colour k) {
    float a = turns * kTau;
    float dx = std::sin(a), dy = -std::cos(a);
    MKC_Line(c, C - dx * tail, C - dy * tail, C + dx * len, C + dy * len, width, k);
  };
  hand((10.0f + 10.0f / 60.0f) / 12.0f, 120, 22, 11, kCream);
  hand(10.0f / 60.0f, 182, 26, 7, kCream);
  hand(38.0f / 60.0f, 196, 44, 2.5f, kCoral);
  MKC_FillCircle(c, C, C, 13, kAmber);
  MKC_FillCircle(c, C, C, 5, kInk);
  MKC_Bloom(c, 6.0f, 0.6f, 0.55f);
  (void)S;
  return plain(std::move(c));
}

MKC_Art MKC_TextureLens(void) {
  // A lens flare on black for additive sprites: hot core, halo, streaks and a faint ring.
  MKC_Canvas c(256, 256);
  const float C = 128.0f;
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float dx = x - C, dy = y - C, r = std::hypot(dx, dy) / C;
    float edge = MKC_Smooth(1.0f, 0.85f, r);
    float core = std::exp(-std::pow(r / 0.08f, 2.0f)) * 1.6f;
    float halo = std::exp(-std::pow(r / 0.35f, 2.0f)) * 0.55f;
    float ring = std::exp(-std::pow((r - 0.72f) / 0.03f, 2.0f)) * 0.22f;
    float ang = std::atan2(dy, dx);
    float streak = std::pow(std::fabs(std::cos(ang * 3.0f)), 60.0f) * std::exp(-r * 3.0f) * 0.9f +
                   std::pow(std::fabs(std::cos(ang * 3.0f + 0.52f)), 120.0f) * std::exp(-r * 4.5f) * 0.5f;
    MKC_Colour warm = MKC_Mix(kAmber, kRose, MKC_Clamp(r * 1.5f));
    MKC_Colour rainbow = {0.5f + 0.5f * std::cos(ang + r * 10.0f), 0.5f + 0.5f * std::cos(ang + 2.1f + r * 10.0f),
                          0.5f + 0.5f * std::cos(ang + 4.2f + r * 10.0f)};
    p[0] = (core + halo * warm.r + streak * 0.9f + ring * rainbow.r) * edge;
    p[1] = (core + halo * warm.g + streak * 0.85f + ring * rainbow.g) * edge;
    p[2] = (core + halo * warm.b + streak * 1.0f + ring * rainbow.b) * edge;
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureSmoke(void) {
  // The 8 x 8 smoke animation sheet, frame 0 at the top left, read row by row: one billowing
  // puff of a few lumps that drift apart, swell, curl and thin out over the 64 frames. Every
  // cell fades to black at its border, so neighbouring frames never bleed into each other.
  const int cell = 64;
  MKC_Canvas c(8 * cell, 8 * cell);
  struct Lump {
    float x, y, r;
  };
  std::vector<Lump> lumps;
  MKC_Random rnd(92);
  for (int i = 0; i < 6; i++) {
    float a = rnd.range(0.0f, kTau);
    lumps.push_back({std::cos(a) * rnd.range(0.1f, 1.0f), std::sin(a) * rnd.range(0.1f, 1.0f), rnd.range(0.6f, 1.0f)});
  }
  for (int f = 0; f < 64; f++) {
    float age = float(f) / 63.0f;
    float ox = float((f % 8) * cell), oy = float((f / 8) * cell);
    float size = 0.1f + 0.15f * std::sqrt(age);
    float spread = 0.3f + 1.3f * std::sqrt(age);
    float bright = (0.55f + 0.45f * std::exp(-age * 2.0f)) * MKC_Smooth(0.0f, 0.08f, age + 0.02f) * 1.5f;
    float extent = size * (1.0f + spread);
    float curl = age * 1.8f;
    float ca = std::cos(curl), sa = std::sin(curl);
    MKC_Shade(c, ox, oy, ox + cell - 1, oy + cell - 1, [&](float x, float y, float* p) {
      float u = (x - ox) / float(cell) - 0.5f, v = (y - oy) / float(cell) - 0.5f;
      float density = 0.0f;
      for (const Lump& l : lumps) {
        float dx = u - l.x * size * spread, dy = v - l.y * size * spread;
        float r = size * l.r;
        density += std::exp(-(dx * dx + dy * dy) / (r * r));
      }
      // Wisps: the same noise field each frame, scaled with the puff and turned slowly.
      float s = 2.2f / extent;
      float nu = (u * ca - v * sa) * s, nv = (u * sa + v * ca) * s;
      float n = MKC_Fbm(nu + 10.0f, nv + 10.0f, 91, 4, 0.55f);
      float billow = MKC_Smooth(0.3f + 0.1f * age, 0.72f, n);
      float k = (1.0f - std::exp(-density * 1.2f)) * (0.2f + 0.8f * billow) * (1.0f - 0.5f * age * (1.0f - billow));
      k *= bright * MKC_Smooth(0.5f, 0.4f, std::max(std::fabs(u), std::fabs(v)));
      MKC_Colour tint = MKC_Mix(MKC_Rgb(0xfff4ec), MKC_Rgb(0xb4aad8), age);
      MKC_Put(p, MKC_Scale(tint, k));
    });
  }
  return plain(std::move(c));
}

MKC_Art MKC_TextureAbstract(void) {
  // Interfering waves in the show's colours with dark contour lines; tiles in both directions.
  MKC_Canvas c(256, 256);
  const std::vector<MKC_Colour> colours = {kIndigo, kTeal, kIce, kViolet, kRose, kAmber, kPlum};
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float u = x / 256.0f, v = y / 256.0f;
    float f = std::sin(kTau * (2.0f * u + 0.35f * std::sin(kTau * v))) +
              std::sin(kTau * (3.0f * v + 0.25f * std::sin(kTau * 2.0f * u))) + 0.6f * std::sin(kTau * (u + v) * 2.0f);
    float t = f * 0.12f + 0.5f;
    MKC_Colour k = cycle(colours, t);
    float line = MKC_Smooth(0.07f, 0.0f, std::fabs(fract(f * 2.0f) - 0.5f));
    float dots = MKC_Smooth(0.12f, 0.06f, std::hypot(fract(u * 16.0f) - 0.5f, fract(v * 16.0f) - 0.5f));
    k = MKC_Scale(k, 1.0f - 0.55f * line);
    p[0] = k.r + dots * 0.12f;
    p[1] = k.g + dots * 0.12f;
    p[2] = k.b + dots * 0.12f;
  });
  return plain(std::move(c));
}

const char MKC_FontOrder[] = "abcdefghijklmnopqrstuvwxyz1234567890,.;:-'!&/()?+*\"#";

MKC_Art MKC_FontSheet(void) {
  // One row of the 52 glyphs, 48 pixels high. JPEG coding works on 8 x 8 blocks: a block that
  // is all zero decodes to exactly zero, while a block with ink rings a little, so columns of it
  // that should be empty may come out 0 or 1 at random. Each glyph therefore owns whole 8-column
  // blocks, centred in them, with a faint floor (alpha 10 of 255 on the bottom two rows) across
  // its blocks so that none of its columns decodes to nothing; one empty block follows every
  // glyph. The font cutter then finds exactly 52 glyphs, each as wide as its blocks.
  const int H = 48;
  const float baseline = 36.0f;
  MKC_TextStyle st{24.0f, 3.4f, 0.0f};
  struct Cell {
    float start, ink;  // block start and where the ink starts
    int width;         // whole blocks
  };
  std::vector<Cell> cells;
  int x = 8;
  for (const char* p = MKC_FontOrder; *p; p++) {
    float l, r;
    MKC_GlyphExtent(*p, st, &l, &r);
    int span = (int(std::ceil(r)) + 2 + 7) / 8 * 8;
    cells.push_back({float(x), float(x) + std::floor((float(span) - r) * 0.5f), span});
    x += span + 8;
  }
  const int W = x;
  MKC_Art a;
  a.alpha = MKC_Mask(W, H);
  for (std::size_t i = 0; MKC_FontOrder[i]; i++) {
    MKC_TextDraw(a.alpha, std::string(1, MKC_FontOrder[i]), cells[i].ink, baseline, st);
    for (int cx = int(cells[i].start); cx < int(cells[i].start) + cells[i].width; cx++)
      for (int y = H - 2; y < H; y++) a.alpha.at(cx, y) = std::max(a.alpha.at(cx, y), 10.0f / 255.0f);
  }
  a.colour = MKC_Canvas(W, H);
  MKC_GradientY(a.colour, {{0.0f, kCream},
                           {(baseline - 24.0f) / H, kCream},
                           {(baseline - 6.0f) / H, kAmber},
                           {baseline / H, kCoral},
                           {1.0f, kRose}});
  // A thin light edge along the top of every stroke.
  for (int yy = 2; yy < H; yy++)
    for (int xx = 0; xx < W; xx++) {
      float edge = MKC_Clamp(a.alpha.at(xx, yy) - a.alpha.at(xx, yy - 2));
      MKC_BlendPixel(a.colour.at(xx, yy), kWhite, edge * 0.6f, MKC_OVER);
    }
  return a;
}

// Scene textures.

MKC_Art MKC_TextureFanBlade(void) {
  // Fine streaks running along the blade with a bright leading edge.
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float u = x / 256.0f, v = y / 256.0f;
    float streak = 0.6f + 0.4f * MKC_Noise(u * 64.0f, v * 2.0f, 101, 64);
    float edge = MKC_Smooth(0.7f, 1.0f, v) + 0.3f * MKC_Smooth(0.3f, 0.0f, v);
    MKC_Colour k = MKC_Mix(kIce, kWhite, edge);
    float b = (0.45f + 0.55f * edge) * streak;
    MKC_Put(p, MKC_Scale(k, b));
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureFjall(void) {
  // Contour lines of a mountain map with a dotted survey grid; tiles.
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float u = x / 256.0f * 4.0f, v = y / 256.0f * 4.0f;
    float h = MKC_Fbm(u, v, 111, 4, 0.5f, 4);
    float line = MKC_Smooth(0.1f, 0.0f, std::fabs(fract(h * 14.0f) - 0.5f) - 0.1f);
    float major = MKC_Smooth(0.06f, 0.0f, std::fabs(fract(h * 14.0f / 5.0f) - 0.5f) - 0.44f);
    float grid = MKC_Smooth(0.08f, 0.02f, std::hypot(fract(u * 4.0f) - 0.5f, fract(v * 4.0f) - 0.5f));
    MKC_Colour k = MKC_Mix(kTeal, kIce, h);
    float b = 0.18f + 0.55f * line + 0.5f * major + 0.4f * grid;
    MKC_Put(p, MKC_Scale(k, b));
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureTunnel(void) {
  // Ribbed metal rings (the show puts its own texture on the tunnel; this is the file's own).
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float rib = 0.5f + 0.5f * std::cos(y / 256.0f * kTau * 8.0f);
    float n = MKC_Fbm(x / 32.0f, y / 32.0f, 121, 3, 0.5f, 8);
    MKC_Colour k = MKC_Mix(kIndigo, kIce, rib * 0.6f + n * 0.3f);
    MKC_Put(p, k);
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureSphere(void) {
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float n = MKC_Fbm(x / 64.0f, y / 64.0f, 131, 4, 0.5f, 4);
    MKC_Colour k = MKC_Mix(kViolet, kRose, n);
    MKC_Put(p, k);
  });
  return plain(std::move(c));
}

namespace {

// A tiling surface: base colour modulated by noise, for the lit scene sets (kept bright, since
// the lighting multiplies them).
MKC_Canvas surface(std::uint32_t seed, MKC_Colour a, MKC_Colour b, float scale) {
  MKC_Canvas c(256, 256);
  int period = int(scale);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float n = MKC_Fbm(x / 256.0f * scale, y / 256.0f * scale, seed, 5, 0.55f, period);
    MKC_Colour k = MKC_Mix(a, b, n);
    MKC_Put(p, k);
  });
  return c;
}

// Darkens the joints of a grid of w x h cells (every other row shifted by half a cell when
// staggered): k goes from `low` at the joint to 1 over `width` pixels.
void darken_joints(MKC_Canvas& c, float w, float h, bool staggered, float low, float width) {
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float row = std::floor(y / h);
    float shift = staggered ? float(int(row) % 2) * 0.5f : 0.0f;
    float bx = fract(x / w + shift) * w, by = fract(y / h) * h;
    float joint = std::min({bx, w - bx, by, h - by});
    float k = low + (1.0f - low) * MKC_Smooth(0.5f, width, joint);
    p[0] *= k;
    p[1] *= k;
    p[2] *= k;
  });
}

}  // namespace

MKC_Art MKC_TextureStone(void) {
  MKC_Canvas c = surface(141, MKC_Rgb(0x8c8190), MKC_Rgb(0xe0d4c8), 8);
  darken_joints(c, 128, 64, true, 0.45f, 3.0f);  // cut stone blocks
  return plain(std::move(c));
}

MKC_Art MKC_TextureMetal(void) {
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float brush = MKC_Noise(x / 256.0f * 128.0f, y / 256.0f * 4.0f, 151, 128) * 0.25f;
    float px = fract(x / 128.0f) * 128.0f, py = fract(y / 128.0f) * 128.0f;
    float seam = std::min({px, 128.0f - px, py, 128.0f - py});
    float rivet = 0.0f;
    for (float rx : {10.0f, 118.0f})
      for (float ry : {10.0f, 118.0f}) rivet = std::max(rivet, MKC_Smooth(4.0f, 2.0f, std::hypot(px - rx, py - ry)));
    MKC_Colour k = MKC_Mix(MKC_Rgb(0x8aa0c8), MKC_Rgb(0xd8e4f4), 0.5f + brush);
    float s = (0.55f + 0.45f * MKC_Smooth(0.5f, 2.5f, seam)) * (1.0f + rivet * 0.4f);
    MKC_Put(p, MKC_Scale(k, s));
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureTiles(void) {
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float tx = fract(x / 32.0f) * 32.0f, ty = fract(y / 32.0f) * 32.0f;
    int ix = int(x / 32.0f), iy = int(y / 32.0f);
    float grout = std::min({tx, 32.0f - tx, ty, 32.0f - ty});
    bool alt = (ix + iy) % 2 == 0;
    MKC_Colour k = alt ? MKC_Rgb(0xf2e6d6) : MKC_Rgb(0x7fd0c8);
    float glaze = 0.9f + 0.1f * MKC_Noise(x / 8.0f, y / 8.0f, 161, 32);
    float g = MKC_Smooth(0.5f, 2.0f, grout);
    k = MKC_Mix(MKC_Rgb(0x3a3450), MKC_Scale(k, glaze), g);
    MKC_Put(p, k);
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureCore(void) {
  // The centre piece: warm circuitry, bright traces and pads on a dark amber ground.
  MKC_Canvas c(256, 256, MKC_Rgb(0x5a2a10));
  MKC_Random rnd(171);
  for (int i = 0; i < 70; i++) {
    float x = std::floor(rnd.range(0, 16)) * 16.0f + 8.0f, y = std::floor(rnd.range(0, 16)) * 16.0f + 8.0f;
    float len = std::floor(rnd.range(1, 6)) * 16.0f;
    bool horizontal = rnd.unit() < 0.5f;
    float x1 = horizontal ? x + len : x, y1 = horizontal ? y : y + len;
    // Drawn four times a tile apart, so traces leaving one edge come in at the other.
    for (float ox : {-256.0f, 0.0f})
      for (float oy : {-256.0f, 0.0f}) {
        MKC_Line(c, x + ox, y + oy, x1 + ox, y1 + oy, 3.0f, kAmber);
        MKC_FillCircle(c, x1 + ox, y1 + oy, 4.0f, MKC_Rgb(0xffe0a0));
      }
  }
  MKC_Canvas glow = c;
  MKC_Blur(glow, 4.0f, true);
  for (std::size_t i = 0; i < c.px.size(); i++) c.px[i] = c.px[i] * 0.8f + glow.px[i] * 0.6f;
  return plain(std::move(c));
}

MKC_Art MKC_TextureHall(void) {
  // Wall panels of the weird hall: vertical ribs in violet and rose with a lit seam.
  MKC_Canvas c = surface(181, MKC_Rgb(0x9c7ab8), MKC_Rgb(0xe6c8dc), 4);
  MKC_ShadeAll(c, [&](float x, float, float* p) {
    float rib = 0.75f + 0.25f * std::cos(x / 256.0f * kTau * 4.0f);
    float seam = MKC_Smooth(3.0f, 0.0f, std::fabs(fract(x / 64.0f) * 64.0f - 32.0f) - 28.0f);
    p[0] = p[0] * rib + seam * 0.4f;
    p[1] = p[1] * rib + seam * 0.25f;
    p[2] = p[2] * rib + seam * 0.3f;
  });
  return plain(std::move(c));
}

MKC_Art MKC_TextureBoxPanel(void) {
  MKC_Canvas c = surface(191, MKC_Rgb(0x9aa4c4), MKC_Rgb(0xdce2f0), 4);
  darken_joints(c, 64, 64, false, 0.6f, 2.5f);
  return plain(std::move(c));
}

MKC_Art MKC_TextureBoxGlow(void) {
  MKC_Canvas c(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float v = y / 256.0f;
    float strip = std::exp(-std::pow((fract(v * 2.0f) - 0.5f) / 0.08f, 2.0f));
    MKC_Colour k = MKC_Mix(MKC_Rgb(0x6a5890), MKC_Rgb(0xffd8b0), strip);
    float n = 0.9f + 0.1f * MKC_Noise(x / 16.0f, y / 16.0f, 201, 16);
    MKC_Put(p, MKC_Scale(k, n));
  });
  return plain(std::move(c));
}
