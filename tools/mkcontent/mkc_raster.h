// A small raster library for drawing the content pack: float RGB canvases and grey masks,
// gradients, anti-aliased soft shapes from distance functions, value noise, blur and blending.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct MKC_Colour {
  float r, g, b;
};

constexpr MKC_Colour MKC_Rgb(int hex) {
  return {float((hex >> 16) & 255) / 255.0f, float((hex >> 8) & 255) / 255.0f, float(hex & 255) / 255.0f};
}
inline MKC_Colour MKC_Mix(MKC_Colour a, MKC_Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline MKC_Colour MKC_Scale(MKC_Colour a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline void MKC_Put(float* p, MKC_Colour k) {
  p[0] = k.r;
  p[1] = k.g;
  p[2] = k.b;
}

// Three floats a pixel, rows from the top; values are display values 0..1 (clamped on output).
struct MKC_Canvas {
  int width = 0, height = 0;
  std::vector<float> px;
  MKC_Canvas() = default;
  MKC_Canvas(int w, int h, MKC_Colour fill = {0, 0, 0});
  float* at(int x, int y) { return &px[(std::size_t(y) * width + x) * 3]; }
  const float* at(int x, int y) const { return &px[(std::size_t(y) * width + x) * 3]; }
};

// One float a pixel: coverage or alpha, 0..1.
struct MKC_Mask {
  int width = 0, height = 0;
  std::vector<float> a;
  MKC_Mask() = default;
  MKC_Mask(int w, int h, float fill = 0.0f) : width(w), height(h), a(std::size_t(w) * h, fill) {}
  float& at(int x, int y) { return a[std::size_t(y) * width + x]; }
  float at(int x, int y) const { return a[std::size_t(y) * width + x]; }
};

enum MKC_Blend { MKC_OVER, MKC_ADD, MKC_MULTIPLY, MKC_SCREEN };

inline float MKC_Clamp(float v, float lo = 0.0f, float hi = 1.0f) { return v < lo ? lo : (v > hi ? hi : v); }
inline float MKC_Smooth(float e0, float e1, float x) {
  float t = MKC_Clamp((x - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}
// Coverage of a pixel by the inside (sd < 0) of a distance field measured in pixels; `soft`
// widens the edge beyond one pixel.
inline float MKC_Cover(float sd, float soft = 0.0f) {
  float w = 0.5f + soft;
  return MKC_Clamp(0.5f - sd / (2.0f * w));
}

// Distance functions (negative inside), all in pixels.
inline float MKC_SdCircle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }
float MKC_SdEllipse(float x, float y, float cx, float cy, float rx, float ry);
float MKC_SdBox(float x, float y, float cx, float cy, float hw, float hh, float round = 0.0f);
float MKC_SdSegment(float x, float y, float ax, float ay, float bx, float by);
// Closed polygon of n points (x0, y0, x1, y1, ...), even-odd inside.
float MKC_SdPolygon(float x, float y, const std::vector<float>& pts);

// Blends colour c with weight w (0..1) into the pixel.
inline void MKC_BlendPixel(float* p, MKC_Colour c, float w, MKC_Blend mode) {
  if (w <= 0.0f) return;
  switch (mode) {
    case MKC_OVER:
      p[0] += (c.r - p[0]) * w;
      p[1] += (c.g - p[1]) * w;
      p[2] += (c.b - p[2]) * w;
      break;
    case MKC_ADD:
      p[0] += c.r * w;
      p[1] += c.g * w;
      p[2] += c.b * w;
      break;
    case MKC_MULTIPLY:
      p[0] *= 1.0f + (c.r - 1.0f) * w;
      p[1] *= 1.0f + (c.g - 1.0f) * w;
      p[2] *= 1.0f + (c.b - 1.0f) * w;
      break;
    case MKC_SCREEN:
      p[0] = 1.0f - (1.0f - p[0]) * (1.0f - MKC_Clamp(c.r * w));
      p[1] = 1.0f - (1.0f - p[1]) * (1.0f - MKC_Clamp(c.g * w));
      p[2] = 1.0f - (1.0f - p[2]) * (1.0f - MKC_Clamp(c.b * w));
      break;
  }
}

// Calls f(x, y, pixel) for every pixel of the box (clipped to the canvas), x and y the pixel
// centre.
template <class F>
void MKC_Shade(MKC_Canvas& c, float x0, float y0, float x1, float y1, F f) {
  int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
  int ix1 = std::min(c.width, int(std::ceil(x1)) + 1), iy1 = std::min(c.height, int(std::ceil(y1)) + 1);
  for (int y = iy0; y < iy1; y++)
    for (int x = ix0; x < ix1; x++) f(float(x) + 0.5f, float(y) + 0.5f, c.at(x, y));
}
template <class F>
void MKC_ShadeAll(MKC_Canvas& c, F f) {
  MKC_Shade(c, 0.0f, 0.0f, float(c.width), float(c.height), f);
}
template <class F>
void MKC_ShadeMask(MKC_Mask& m, float x0, float y0, float x1, float y1, F f) {
  int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
  int ix1 = std::min(m.width, int(std::ceil(x1)) + 1), iy1 = std::min(m.height, int(std::ceil(y1)) + 1);
  for (int y = iy0; y < iy1; y++)
    for (int x = ix0; x < ix1; x++) f(float(x) + 0.5f, float(y) + 0.5f, m.at(x, y));
}

// Paints colour through a mask placed at (dx, dy), weight = mask × opacity.
void MKC_PaintMask(MKC_Canvas& c, const MKC_Mask& m, int dx, int dy, MKC_Colour colour, float opacity, MKC_Blend mode);
// Max-combines a mask into another at (dx, dy), scaled.
void MKC_MaskMax(MKC_Mask& dst, const MKC_Mask& src, int dx, int dy, float scale = 1.0f);

// Common filled shapes.
void MKC_FillCircle(MKC_Canvas& c, float cx, float cy, float r, MKC_Colour colour, float opacity = 1.0f,
                    MKC_Blend mode = MKC_OVER, float soft = 0.0f);
void MKC_FillBox(MKC_Canvas& c, float x0, float y0, float x1, float y1, MKC_Colour colour, float opacity = 1.0f,
                 MKC_Blend mode = MKC_OVER, float round = 0.0f, float soft = 0.0f);
void MKC_Line(MKC_Canvas& c, float ax, float ay, float bx, float by, float width, MKC_Colour colour,
              float opacity = 1.0f, MKC_Blend mode = MKC_OVER, float soft = 0.0f);
// A gaussian-like glow: weight exp(-(d/r)^2) around the centre, additive unless told.
void MKC_Glow(MKC_Canvas& c, float cx, float cy, float r, MKC_Colour colour, float strength = 1.0f,
              MKC_Blend mode = MKC_ADD);
void MKC_Ring(MKC_Canvas& c, float cx, float cy, float r, float width, MKC_Colour colour, float opacity = 1.0f,
              MKC_Blend mode = MKC_OVER, float soft = 0.0f);

// Gradients over the whole canvas: stops (position 0..1, colour), linear along y, x or radial.
struct MKC_Stop {
  float at;
  MKC_Colour colour;
};
MKC_Colour MKC_Ramp(const std::vector<MKC_Stop>& stops, float t);
void MKC_GradientY(MKC_Canvas& c, const std::vector<MKC_Stop>& stops);
void MKC_GradientX(MKC_Canvas& c, const std::vector<MKC_Stop>& stops);
void MKC_GradientRadial(MKC_Canvas& c, float cx, float cy, float radius, const std::vector<MKC_Stop>& stops);

// Gradient noise in 0..1 with a fixed seed; a period > 0 makes it tile with that period (in
// noise cells) along both axes.
float MKC_Noise(float x, float y, std::uint32_t seed, int period = 0);
// Sum of octaves (each twice the frequency, `gain` the amplitude) scaled to 0..1.
float MKC_Fbm(float x, float y, std::uint32_t seed, int octaves, float gain = 0.5f, int period = 0);

// A small deterministic random generator (xorshift), for scattering.
struct MKC_Random {
  std::uint32_t state;
  explicit MKC_Random(std::uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  float unit() { return float(next() >> 8) / 16777216.0f; }
  float range(float a, float b) { return a + (b - a) * unit(); }
};

// Separable blur (three box passes, close to a gaussian of the given radius).
void MKC_Blur(MKC_Canvas& c, float radius, bool wrap = false);
void MKC_BlurMask(MKC_Mask& m, float radius, bool wrap = false);

// Adds a blurred copy of the canvas onto itself (a bloom), `strength` its weight.
void MKC_Bloom(MKC_Canvas& c, float radius, float strength, float threshold = 0.6f);
// Darkens the corners.
void MKC_Vignette(MKC_Canvas& c, float strength, float roundness = 1.0f);
// Adds fine deterministic grain.
void MKC_Grain(MKC_Canvas& c, float amount, std::uint32_t seed);

// Copies a canvas (or a part) into another at (dx, dy).
void MKC_Blit(MKC_Canvas& dst, const MKC_Canvas& src, int dx, int dy);
// Resamples bilinearly to a new size.
MKC_Canvas MKC_Resize(const MKC_Canvas& src, int w, int h);
// Flips the rows (top row last).
void MKC_FlipRows(MKC_Canvas& c);

// Bytes r, g, b a pixel (rounded, clamped), rows from the top.
std::vector<std::uint8_t> MKC_ToBytes(const MKC_Canvas& c);
// A grey RGB canvas from a mask (r = g = b = alpha).
MKC_Canvas MKC_MaskToCanvas(const MKC_Mask& m);
