// The content pack's raster library: shapes, gradients, noise, blur and conversions.
#include "tools/mkcontent/mkc_raster.h"

#include <cstring>

MKC_Canvas::MKC_Canvas(int w, int h, MKC_Colour fill) : width(w), height(h), px(std::size_t(w) * h * 3) {
  for (std::size_t i = 0; i < px.size(); i += 3) {
    px[i] = fill.r;
    px[i + 1] = fill.g;
    px[i + 2] = fill.b;
  }
}

float MKC_SdEllipse(float x, float y, float cx, float cy, float rx, float ry) {
  // Scaled circle distance, corrected by the local stretch: close enough for anti-aliasing.
  float dx = (x - cx) / rx, dy = (y - cy) / ry;
  float k = std::sqrt(dx * dx + dy * dy);
  if (k == 0.0f) return -std::min(rx, ry);
  float gx = dx / rx, gy = dy / ry;
  float g = std::sqrt(gx * gx + gy * gy);
  return (k - 1.0f) * k / g;
}

float MKC_SdBox(float x, float y, float cx, float cy, float hw, float hh, float round) {
  float qx = std::fabs(x - cx) - hw + round, qy = std::fabs(y - cy) - hh + round;
  float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - round;
}

float MKC_SdSegment(float x, float y, float ax, float ay, float bx, float by) {
  float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
  float l2 = dx * dx + dy * dy;
  float h = l2 > 0.0f ? MKC_Clamp((px * dx + py * dy) / l2) : 0.0f;
  return std::hypot(px - dx * h, py - dy * h);
}

float MKC_SdPolygon(float x, float y, const std::vector<float>& pts) {
  std::size_t n = pts.size() / 2;
  float best = 1e30f;
  bool inside = false;
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    float ax = pts[2 * j], ay = pts[2 * j + 1], bx = pts[2 * i], by = pts[2 * i + 1];
    best = std::min(best, MKC_SdSegment(x, y, ax, ay, bx, by));
    if ((by > y) != (ay > y) && x < (ax - bx) * (y - by) / (ay - by) + bx) inside = !inside;
  }
  return inside ? -best : best;
}

namespace {

// Calls f(source x, source y, target x, target y) where a w x h source placed at (dx, dy)
// overlaps a target of tw x th.
template <class F>
void overlap(int w, int h, int dx, int dy, int tw, int th, F f) {
  for (int y = std::max(0, -dy); y < std::min(h, th - dy); y++)
    for (int x = std::max(0, -dx); x < std::min(w, tw - dx); x++) f(x, y, x + dx, y + dy);
}

}  // namespace

void MKC_PaintMask(MKC_Canvas& c, const MKC_Mask& m, int dx, int dy, MKC_Colour colour, float opacity, MKC_Blend mode) {
  overlap(m.width, m.height, dx, dy, c.width, c.height,
          [&](int x, int y, int tx, int ty) { MKC_BlendPixel(c.at(tx, ty), colour, m.at(x, y) * opacity, mode); });
}

void MKC_MaskMax(MKC_Mask& dst, const MKC_Mask& src, int dx, int dy, float scale) {
  overlap(src.width, src.height, dx, dy, dst.width, dst.height,
          [&](int x, int y, int tx, int ty) { dst.at(tx, ty) = std::max(dst.at(tx, ty), src.at(x, y) * scale); });
}

void MKC_FillCircle(MKC_Canvas& c, float cx, float cy, float r, MKC_Colour colour, float opacity, MKC_Blend mode,
                    float soft) {
  float e = r + soft + 2.0f;
  MKC_Shade(c, cx - e, cy - e, cx + e, cy + e, [&](float x, float y, float* p) {
    MKC_BlendPixel(p, colour, MKC_Cover(MKC_SdCircle(x, y, cx, cy, r), soft) * opacity, mode);
  });
}

void MKC_FillBox(MKC_Canvas& c, float x0, float y0, float x1, float y1, MKC_Colour colour, float opacity,
                 MKC_Blend mode, float round, float soft) {
  float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f, hw = (x1 - x0) * 0.5f, hh = (y1 - y0) * 0.5f;
  float e = soft + 2.0f;
  MKC_Shade(c, x0 - e, y0 - e, x1 + e, y1 + e, [&](float x, float y, float* p) {
    MKC_BlendPixel(p, colour, MKC_Cover(MKC_SdBox(x, y, cx, cy, hw, hh, round), soft) * opacity, mode);
  });
}

void MKC_Line(MKC_Canvas& c, float ax, float ay, float bx, float by, float width, MKC_Colour colour, float opacity,
              MKC_Blend mode, float soft) {
  float e = width + soft + 2.0f;
  MKC_Shade(c, std::min(ax, bx) - e, std::min(ay, by) - e, std::max(ax, bx) + e, std::max(ay, by) + e,
            [&](float x, float y, float* p) {
              float sd = MKC_SdSegment(x, y, ax, ay, bx, by) - width * 0.5f;
              MKC_BlendPixel(p, colour, MKC_Cover(sd, soft) * opacity, mode);
            });
}

void MKC_Glow(MKC_Canvas& c, float cx, float cy, float r, MKC_Colour colour, float strength, MKC_Blend mode) {
  float e = r * 3.0f;
  MKC_Shade(c, cx - e, cy - e, cx + e, cy + e, [&](float x, float y, float* p) {
    float d = std::hypot(x - cx, y - cy) / r;
    MKC_BlendPixel(p, colour, std::exp(-d * d) * strength, mode);
  });
}

void MKC_Ring(MKC_Canvas& c, float cx, float cy, float r, float width, MKC_Colour colour, float opacity, MKC_Blend mode,
              float soft) {
  float e = r + width + soft + 2.0f;
  MKC_Shade(c, cx - e, cy - e, cx + e, cy + e, [&](float x, float y, float* p) {
    float sd = std::fabs(std::hypot(x - cx, y - cy) - r) - width * 0.5f;
    MKC_BlendPixel(p, colour, MKC_Cover(sd, soft) * opacity, mode);
  });
}

MKC_Colour MKC_Ramp(const std::vector<MKC_Stop>& stops, float t) {
  if (stops.empty()) return {0, 0, 0};
  if (t <= stops.front().at) return stops.front().colour;
  for (std::size_t i = 1; i < stops.size(); i++)
    if (t <= stops[i].at) {
      float span = stops[i].at - stops[i - 1].at;
      float k = span > 0.0f ? (t - stops[i - 1].at) / span : 1.0f;
      return MKC_Mix(stops[i - 1].colour, stops[i].colour, MKC_Smooth(0.0f, 1.0f, k));
    }
  return stops.back().colour;
}

namespace {

// Fills every pixel with the ramp's colour at t(x, y).
template <class T>
void fill_ramp(MKC_Canvas& c, const std::vector<MKC_Stop>& stops, T t) {
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    MKC_Colour k = MKC_Ramp(stops, t(x, y));
    MKC_Put(p, k);
  });
}

}  // namespace

void MKC_GradientY(MKC_Canvas& c, const std::vector<MKC_Stop>& stops) {
  fill_ramp(c, stops, [&](float, float y) { return y / float(c.height); });
}

void MKC_GradientX(MKC_Canvas& c, const std::vector<MKC_Stop>& stops) {
  fill_ramp(c, stops, [&](float x, float) { return x / float(c.width); });
}

void MKC_GradientRadial(MKC_Canvas& c, float cx, float cy, float radius, const std::vector<MKC_Stop>& stops) {
  fill_ramp(c, stops, [&](float x, float y) { return std::hypot(x - cx, y - cy) / radius; });
}

namespace {

std::uint32_t hash2(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x27d4eb2du ^ std::uint32_t(x) * 0x85ebca6bu ^ std::uint32_t(y) * 0xc2b2ae35u;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return h;
}

float lattice(int x, int y, std::uint32_t seed, int period) {
  if (period > 0) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
  }
  return float(hash2(x, y, seed) >> 8) / 16777215.0f;
}

// Box blur of radius r along a line of n values with the given stride, in place.
void box_line(float* v, int n, int stride, int r, bool wrap, std::vector<float>& tmp) {
  if (r <= 0 || n <= 1) return;
  tmp.resize(std::size_t(n));
  for (int i = 0; i < n; i++) tmp[std::size_t(i)] = v[std::size_t(i) * stride];
  auto get = [&](int i) {
    if (wrap) return tmp[std::size_t(((i % n) + n) % n)];
    return tmp[std::size_t(std::clamp(i, 0, n - 1))];
  };
  float sum = 0.0f;
  for (int i = -r; i <= r; i++) sum += get(i);
  float inv = 1.0f / float(2 * r + 1);
  for (int i = 0; i < n; i++) {
    v[std::size_t(i) * stride] = sum * inv;
    sum += get(i + r + 1) - get(i - r);
  }
}

template <class Plane>
void blur_planes(Plane plane, int count, int w, int h, float radius, bool wrap) {
  // Three box passes of radius r give a gaussian with sigma about r; radius here is sigma.
  int r = std::max(1, int(std::lround(radius * 0.9f)));
  std::vector<float> tmp;
  for (int c = 0; c < count; c++) {
    float* base = plane(c);
    int stride = count;
    for (int pass = 0; pass < 3; pass++) {
      for (int y = 0; y < h; y++) box_line(base + std::size_t(y) * w * stride, w, stride, r, wrap, tmp);
      for (int x = 0; x < w; x++) box_line(base + std::size_t(x) * stride, h, w * stride, r, wrap, tmp);
    }
  }
}

}  // namespace

float MKC_Noise(float x, float y, std::uint32_t seed, int period) {
  // Gradient noise with a quintic fade: smoother than interpolated values, without the lattice
  // squares value noise shows.
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  float fx = x - float(ix), fy = y - float(iy);
  auto grad = [&](int gx, int gy, float dx, float dy) {
    float a = lattice(gx, gy, seed, period) * 6.2831853f;
    return std::cos(a) * dx + std::sin(a) * dy;
  };
  float sx = fx * fx * fx * (fx * (fx * 6.0f - 15.0f) + 10.0f), sy = fy * fy * fy * (fy * (fy * 6.0f - 15.0f) + 10.0f);
  float a = grad(ix, iy, fx, fy), b = grad(ix + 1, iy, fx - 1.0f, fy);
  float c = grad(ix, iy + 1, fx, fy - 1.0f), d = grad(ix + 1, iy + 1, fx - 1.0f, fy - 1.0f);
  float v = (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
  return MKC_Clamp(0.5f + v * 0.75f);
}

float MKC_Fbm(float x, float y, std::uint32_t seed, int octaves, float gain, int period) {
  float sum = 0.0f, amp = 1.0f, norm = 0.0f;
  for (int o = 0; o < octaves; o++) {
    sum += MKC_Noise(x, y, seed + std::uint32_t(o) * 101u, period) * amp;
    norm += amp;
    amp *= gain;
    x *= 2.0f;
    y *= 2.0f;
    if (period > 0) period *= 2;
  }
  return sum / norm;
}

void MKC_Blur(MKC_Canvas& c, float radius, bool wrap) {
  blur_planes([&](int ch) { return c.px.data() + ch; }, 3, c.width, c.height, radius, wrap);
}

void MKC_BlurMask(MKC_Mask& m, float radius, bool wrap) {
  blur_planes([&](int) { return m.a.data(); }, 1, m.width, m.height, radius, wrap);
}

void MKC_Bloom(MKC_Canvas& c, float radius, float strength, float threshold) {
  MKC_Canvas bright = c;
  for (float& v : bright.px) v = std::max(0.0f, v - threshold) / (1.0f - threshold);
  MKC_Blur(bright, radius);
  for (std::size_t i = 0; i < c.px.size(); i++) c.px[i] += bright.px[i] * strength;
}

void MKC_Vignette(MKC_Canvas& c, float strength, float roundness) {
  float cx = c.width * 0.5f, cy = c.height * 0.5f;
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float dx = (x - cx) / cx, dy = (y - cy) / cy * roundness;
    float k = 1.0f - strength * MKC_Smooth(0.3f, 1.5f, std::sqrt(dx * dx + dy * dy));
    p[0] *= k;
    p[1] *= k;
    p[2] *= k;
  });
}

void MKC_Grain(MKC_Canvas& c, float amount, std::uint32_t seed) {
  MKC_Random rnd(seed);
  for (std::size_t i = 0; i < c.px.size(); i += 3) {
    float g = (rnd.unit() - 0.5f) * amount;
    c.px[i] += g;
    c.px[i + 1] += g;
    c.px[i + 2] += g;
  }
}

void MKC_Blit(MKC_Canvas& dst, const MKC_Canvas& src, int dx, int dy) {
  overlap(src.width, src.height, dx, dy, dst.width, dst.height,
          [&](int x, int y, int tx, int ty) { std::memcpy(dst.at(tx, ty), src.at(x, y), 3 * sizeof(float)); });
}

MKC_Canvas MKC_Resize(const MKC_Canvas& src, int w, int h) {
  MKC_Canvas out(w, h);
  for (int y = 0; y < h; y++) {
    float sy = MKC_Clamp((float(y) + 0.5f) * float(src.height) / float(h) - 0.5f, 0.0f, float(src.height - 1));
    int y0 = int(sy), y1 = std::min(y0 + 1, src.height - 1);
    float fy = sy - float(y0);
    for (int x = 0; x < w; x++) {
      float sx = MKC_Clamp((float(x) + 0.5f) * float(src.width) / float(w) - 0.5f, 0.0f, float(src.width - 1));
      int x0 = int(sx), x1 = std::min(x0 + 1, src.width - 1);
      float fx = sx - float(x0);
      for (int k = 0; k < 3; k++) {
        float a = src.at(x0, y0)[k] + (src.at(x1, y0)[k] - src.at(x0, y0)[k]) * fx;
        float b = src.at(x0, y1)[k] + (src.at(x1, y1)[k] - src.at(x0, y1)[k]) * fx;
        out.at(x, y)[k] = a + (b - a) * fy;
      }
    }
  }
  return out;
}

void MKC_FlipRows(MKC_Canvas& c) {
  std::size_t row = std::size_t(c.width) * 3;
  for (int y = 0; y < c.height / 2; y++)
    std::swap_ranges(c.px.begin() + std::ptrdiff_t(row * y), c.px.begin() + std::ptrdiff_t(row * (y + 1)),
                     c.px.begin() + std::ptrdiff_t(row * (c.height - 1 - y)));
}

std::vector<std::uint8_t> MKC_ToBytes(const MKC_Canvas& c) {
  std::vector<std::uint8_t> out(c.px.size());
  for (std::size_t i = 0; i < c.px.size(); i++) out[i] = std::uint8_t(MKC_Clamp(c.px[i]) * 255.0f + 0.5f);
  return out;
}

MKC_Canvas MKC_MaskToCanvas(const MKC_Mask& m) {
  MKC_Canvas c(m.width, m.height);
  for (std::size_t i = 0; i < m.a.size(); i++) c.px[3 * i] = c.px[3 * i + 1] = c.px[3 * i + 2] = m.a[i];
  return c;
}
