// The clip renderers. Every moving part turns a whole number of times over a clip's length,
// so the last frame leads into the first.
#include "tools/mkcontent/mkc_clips.h"

#include <cmath>

#include "tools/mkcontent/mkc_draw.h"

using namespace mkc_palette;

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTau = 6.2831853f;
constexpr float W = float(MKC_CLIP_WIDTH), H = float(MKC_CLIP_HEIGHT);

float fract(float v) { return v - std::floor(v); }
float wrap(float v, float period) { return v - std::floor(v / period) * period; }
std::uint32_t hash(int i, std::uint32_t seed) {
  std::uint32_t h = std::uint32_t(i) * 0x9E3779B1u ^ seed * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 13;
  return h;
}
float hashf(int i, std::uint32_t seed) { return float(hash(i, seed) >> 8) / 16777216.0f; }

// --- steps2: a glowing ball hopping up an endless staircase, one step a beat.
void render_steps(MKC_Canvas& c, int i, int frames) {
  const float t = float(i) / MKC_CLIP_RATE, loop = float(frames) / MKC_CLIP_RATE;
  const float beat = t / 0.5f, dx = 48.0f, dy = 30.0f;
  const float camX = beat * dx, camY = beat * dy;  // world units: y up
  const float ox = 120.0f, oy = 165.0f;            // screen position of the camera point
  // Background: violet haze, slow diagonal beams and far lights drifting at a quarter speed.
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    MKC_Colour k = MKC_Mix(kNight, kPlum, MKC_Clamp(y / H * 0.8f + 0.1f));
    float beam = std::pow(0.5f + 0.5f * std::sin((x + y * 0.6f) * 0.03f + t * kTau / loop * 2.0f), 12.0f) * 0.12f;
    MKC_Put(p, {k.r + beam * 0.8f, k.g + beam * 0.5f, k.b + beam});
  });
  for (int s = 0; s < 24; s++) {
    // Half the staircase's speed: 480 and 300 pixels a loop, the wrap widths.
    float px = wrap(hashf(s, 1) * 480.0f - camX * 0.5f, 480.0f) - 80.0f;
    float py = wrap(hashf(s, 2) * 300.0f + camY * 0.5f, 300.0f) - 30.0f;
    MKC_Glow(c, px, py, 1.5f + 2.0f * hashf(s, 3), MKC_Mix(kAmber, kIce, hashf(s, 4)), 0.5f);
  }
  // The staircase: for every column the step under it, its top lip and its riser.
  for (int x = 0; x < MKC_CLIP_WIDTH; x++) {
    float wx = float(x) + 0.5f - ox + camX;
    int k = int(std::floor(wx / dx + 0.5f));
    float top = oy - (float(k) * dy - camY);
    float local = wx - (float(k) - 0.5f) * dx;  // 0 at the step's left edge
    for (int y = std::max(0, int(top)); y < MKC_CLIP_HEIGHT; y++) {
      float d = float(y) + 0.5f - top;
      float lip = MKC_Smooth(6.0f, 0.0f, d);
      float riser = MKC_Smooth(3.0f, 0.0f, local) * MKC_Smooth(dy + 6.0f, dy, d);
      MKC_Colour body = MKC_Mix(MKC_Mix(kViolet, kIndigo, 0.5f), kInk, MKC_Clamp(d / 140.0f));
      MKC_Colour k2 = MKC_Mix(body, MKC_Mix(kRose, kCream, 0.3f), lip * 0.9f);
      k2 = MKC_Mix(k2, kAmber, riser * 0.5f);
      float cover = MKC_Clamp(d + 0.5f);
      MKC_BlendPixel(c.at(x, y), k2, cover, MKC_OVER);
    }
  }
  // The ball: from step n to n + 1 in a hop each beat; a ripple where it lands.
  float f = fract(beat);
  float n = std::floor(beat);
  float bx = (n + f) * dx, by = (n + f) * dy + 12.0f + 46.0f * 4.0f * f * (1.0f - f);
  float sx = ox + bx - camX, sy = oy - (by - camY);
  float landX = ox + n * dx - camX, landY = oy - (n * dy - camY);
  MKC_Ring(c, landX, landY, 6.0f + f * 60.0f, 2.0f, kAmber, (1.0f - f) * 0.6f, MKC_ADD, 1.0f);
  MKC_Glow(c, sx, sy, 30.0f, kRose, 0.35f);
  MKC_FillCircle(c, sx, sy, 11.0f, kCream);
  MKC_FillCircle(c, sx - 3.0f, sy - 3.0f, 5.0f, kWhite, 0.8f, MKC_OVER, 2.0f);
  MKC_Glow(c, sx, sy, 13.0f, kAmber, 0.5f);
}

// --- scroll: a sine scroller over copper bars and a three-layer starfield.
struct ScrollText {
  MKC_Mask strip;
  float period = 0.0f;
};

const ScrollText& scroll_text() {
  static const ScrollText text = [] {
    ScrollText s;
    s.period = 1920.0f;  // 160 pixels a second for 12 seconds
    s.strip = MKC_Mask(1920, 64);
    MKC_TextStyle st{38, 5.0f, 6.0f};
    const char* phrase = "velmar  *  a kvt production  *  hello everyone  *  ";
    float w = MKC_TextWidth(phrase, st);
    int copies = std::max(1, int(s.period / w));
    for (int k = 0; k < copies; k++)
      MKC_TextDraw(s.strip, phrase, float(k) * s.period / float(copies), 50.0f, st, s.period);
    return s;
  }();
  return text;
}

void render_scroll(MKC_Canvas& c, int i, int frames) {
  const float t = float(i) / MKC_CLIP_RATE, loop = float(frames) / MKC_CLIP_RATE;
  const float phase = t / loop;  // 0..1 over the clip
  MKC_ShadeAll(c, [&](float, float y, float* p) { MKC_Put(p, MKC_Mix(kInk, kNight, y / H)); });
  for (int layer = 1; layer <= 3; layer++)
    for (int s = 0; s < 30; s++) {
      float x = wrap(hashf(s, 10u + layer) * W - phase * W * float(layer), W);
      float y = 34.0f + hashf(s, 20u + layer) * 172.0f;
      MKC_Glow(c, x, y, 0.5f + 0.35f * float(layer), kIce, 0.3f + 0.2f * float(layer));
    }
  const MKC_Colour bars[3] = {kRose, kTeal, kAmber};
  for (int b = 0; b < 3; b++) {
    float yc = 120.0f + 62.0f * std::sin(kTau * (phase * float(b + 2) + float(b) * 0.3f));
    MKC_Shade(c, 0, yc - 10, W, yc + 10, [&](float, float y, float* p) {
      float d = std::fabs(y - yc) / 9.0f;
      MKC_BlendPixel(p, MKC_Mix(kWhite, bars[b], MKC_Clamp(d)), std::max(0.0f, 1.0f - d * d) * 0.85f, MKC_OVER);
    });
  }
  const ScrollText& st = scroll_text();
  for (int x = 0; x < MKC_CLIP_WIDTH; x++) {
    float sxp = wrap(float(x) + st.period * phase, st.period);
    int sx = int(sxp);
    float wave = 20.0f * std::sin(kTau * (float(x) / 260.0f + phase * 6.0f));
    float top = 88.0f + wave - 32.0f;
    for (int sy = 0; sy < st.strip.height; sy++) {
      float a = st.strip.at(sx, sy);
      if (a <= 0.0f) continue;
      float y = top + float(sy);
      MKC_Colour k = MKC_Mix(kCream, kCoral, float(sy) / 56.0f);
      int iy = int(y);
      if (iy + 4 >= 0 && iy + 4 < MKC_CLIP_HEIGHT && x + 4 < MKC_CLIP_WIDTH)
        MKC_BlendPixel(c.at(x + 4, iy + 4), kInk, a * 0.7f, MKC_OVER);
      if (iy >= 0 && iy < MKC_CLIP_HEIGHT) MKC_BlendPixel(c.at(x, iy), k, a, MKC_OVER);
      // A faint mirror below, broken by ripples.
      int ry = int(2.0f * 172.0f - y + 2.0f * std::sin(y * 0.8f + phase * kTau * 8.0f));
      if (ry >= 150 && ry < MKC_CLIP_HEIGHT) MKC_BlendPixel(c.at(x, ry), MKC_Scale(k, 0.6f), a * 0.25f, MKC_OVER);
    }
  }
}

// --- fa_street2: driving down a lit street at night.
void render_street_drive(MKC_Canvas& c, int i, int frames) {
  const float t = float(i) / MKC_CLIP_RATE, loop = float(frames) / MKC_CLIP_RATE;
  const float horizon = 104.0f, focal = 300.0f, eye = 1.3f;
  const float travel = 120.0f * t / loop;  // metres; 120 per loop, a whole number of every period
  auto building = [&](int seg, int side) {
    int s = ((seg % 6) + 6) % 6;
    return 9.0f + 16.0f * hashf(s * 2 + side, 31);
  };
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    if (y < horizon) {
      MKC_Colour sky = MKC_Mix(kInk, kPlum, MKC_Clamp(y / horizon));
      MKC_Put(p, sky);
    } else {
      float z = eye * focal / (y - horizon + 0.5f);
      float wx = (x - W * 0.5f) * z / focal;
      float road = MKC_Smooth(5.2f, 5.0f, std::fabs(wx));
      float zz = z + travel;
      float tex = MKC_Noise(wx * 2.0f, zz * 2.0f, 41, 240) * 0.05f;
      MKC_Colour k = MKC_Mix(MKC_Rgb(0x2a2438), MKC_Rgb(0x17131f), road);
      k = {k.r + tex, k.g + tex, k.b + tex};
      float dash = std::fabs(wx) < 0.13f && fract(zz / 6.0f) < 0.5f ? 1.0f : 0.0f;
      float edge = MKC_Smooth(0.15f, 0.0f, std::fabs(std::fabs(wx) - 4.8f));
      k = MKC_Mix(k, kCream, (dash + edge * 0.6f) * MKC_Smooth(80.0f, 10.0f, z));
      // Pools of lamp light on the road every 24 metres.
      float lz = wrap(zz, 24.0f) - 12.0f;
      float pool = std::exp(-(lz * lz) / 30.0f) * std::exp(-std::pow(std::fabs(wx) - 6.5f, 2.0f) / 20.0f);
      k = MKC_Mix(k, kAmber, MKC_Clamp(pool * 0.55f));
      float fog = MKC_Smooth(20.0f, 160.0f, z);
      MKC_Put(p, MKC_Mix(k, MKC_Mix(kPlum, kRose, 0.3f), fog * 0.8f));
    }
  });
  // House fronts on both sides: planes at x = +-9, windows on a 3 metre grid.
  for (int side = 0; side < 2; side++) {
    float sign = side ? 1.0f : -1.0f;
    for (int x = 0; x < MKC_CLIP_WIDTH; x++) {
      float off = (float(x) + 0.5f - W * 0.5f) * sign;
      if (off < 4.0f) continue;
      float z = 9.0f * focal / off;
      if (z > 220.0f) continue;
      float zz = z + travel;
      int seg = int(std::floor(zz / 20.0f));
      float height = building(seg, side);
      float top = horizon - (height - eye) * focal / z, ground = horizon + eye * focal / z;
      for (int y = std::max(0, int(top)); y < std::min(MKC_CLIP_HEIGHT, int(ground) + 1); y++) {
        float wy = eye + (horizon - float(y) - 0.5f) * z / focal;
        float u = wrap(zz, 3.0f), v = wrap(wy, 3.0f);
        bool window = u > 0.8f && u < 2.2f && v > 1.0f && v < 2.4f && wy > 3.0f &&
                      hashf((int(std::floor(zz / 3.0f)) % 40) * 31 + int(wy / 3.0f), 50u + side) < 0.55f;
        MKC_Colour k = window ? MKC_Mix(kAmber, kCream, hashf(int(zz) % 120, 7)) : MKC_Mix(kInk, kIndigo, 0.5f);
        float fog = MKC_Smooth(20.0f, 200.0f, z);
        float cover = MKC_Clamp(float(y) + 1.0f - top);
        MKC_BlendPixel(c.at(x, y), MKC_Mix(k, MKC_Mix(kPlum, kRose, 0.3f), fog * 0.85f), cover, MKC_OVER);
      }
    }
  }
  // Street lamps every 24 metres, nearest last.
  for (int k = 9; k >= 0; k--) {
    float z = float(k) * 24.0f + 12.0f - wrap(travel, 24.0f);
    if (z < 2.0f) continue;
    for (float sign : {-1.0f, 1.0f}) {
      float sx = W * 0.5f + sign * 6.5f * focal / z;
      float top = horizon - (6.0f - eye) * focal / z, ground = horizon + eye * focal / z;
      MKC_Colour pole = MKC_Mix(kPlum, kInk, 0.4f);
      float fade = MKC_Smooth(230.0f, 60.0f, z);
      MKC_Line(c, sx, ground, sx, top, std::max(0.8f, 20.0f / z), pole, 0.9f * fade);
      MKC_Line(c, sx, top, sx - sign * 1.2f * focal / z, top, std::max(0.6f, 14.0f / z), pole, 0.9f * fade);
      float hx = sx - sign * 1.2f * focal / z, hy = top + 60.0f / z;
      MKC_Glow(c, hx, hy, std::max(2.0f, 240.0f / z), kAmber, 0.45f * fade);
      MKC_Glow(c, hx, hy, std::max(1.0f, 50.0f / z), kCream, 1.0f * fade);
    }
  }
  // Tail lights of a car ahead.
  float bob = std::sin(kTau * t / loop * 10.0f) * 0.5f;
  float cz = 26.0f, cy = horizon + (eye - 0.8f) * focal / cz + bob;
  MKC_FillBox(c, 144, cy - 6, 176, cy + 5, MKC_Rgb(0x0c0a12), 1.0f, MKC_OVER, 2.0f);
  MKC_Glow(c, 147, cy - 2, 3.0f, MKC_Rgb(0xff3030), 1.0f);
  MKC_Glow(c, 173, cy - 2, 3.0f, MKC_Rgb(0xff3030), 1.0f);
}

// --- fa_street3: the street passing a side window, in parallax layers.
void render_street_side(MKC_Canvas& c, int i, int frames) {
  const float t = float(i) / MKC_CLIP_RATE, loop = float(frames) / MKC_CLIP_RATE;
  const float phase = t / loop;
  MKC_GradientY(c, {{0.0f, kInk}, {0.5f, kIndigo}, {0.72f, kPlum}, {1.0f, kInk}});
  MKC_Glow(c, 250, 40, 26, kIce, 0.25f);
  MKC_FillCircle(c, 250, 40, 11, MKC_Mix(kCream, kIce, 0.4f));
  // Layers: period in pixels (shift per loop is a multiple of it), speed in periods per loop.
  struct Layer {
    float period, shift, base, low, high, width;
    MKC_Colour tone;
    float windows;
  };
  const Layer layers[3] = {{320, 320, 170, 30, 75, 26, MKC_Mix(kPlum, kNight, 0.5f), 0.12f},
                           {640, 1280, 184, 40, 100, 46, MKC_Mix(kInk, kIndigo, 0.45f), 0.25f},
                           {960, 3840, 202, 50, 125, 80, MKC_Mix(kInk, kNight, 0.2f), 0.4f}};
  for (int l = 0; l < 3; l++) {
    const Layer& L = layers[l];
    float off = phase * L.shift;
    int count = int(L.period / L.width);
    for (int x = 0; x < MKC_CLIP_WIDTH; x++) {
      float wx = wrap(float(x) + off, L.period);
      int b = int(wx / (L.period / float(count)));
      float bw = L.period / float(count);
      float inB = wx - float(b) * bw;
      float h = L.low + (L.high - L.low) * hashf(b, 60u + l);
      float top = L.base - h;
      bool gap = inB > bw - 3.0f;
      for (int y = std::max(0, int(top)); y < MKC_CLIP_HEIGHT && !gap; y++) {
        MKC_Colour k = L.tone;
        float wy = float(y) - top;
        int cx = int(inB / 7.0f), cy = int(wy / 9.0f);
        if (fract(inB / 7.0f) > 0.35f && fract(wy / 9.0f) > 0.4f && wy > 6.0f && float(y) < L.base - 4.0f &&
            hashf(b * 977 + cx * 31 + cy, 70u + l) < L.windows)
          k = MKC_Mix(kAmber, kCream, hashf(cx + cy, 80u + l) * 0.6f);
        MKC_Put(c.at(x, y), k);
      }
    }
  }
  // Street and fast streaks of lamps just outside.
  MKC_FillBox(c, 0, 200, W, H, MKC_Rgb(0x120e18));
  for (int s = 0; s < 6; s++) {
    float x = wrap(float(s) * 160.0f - phase * 7680.0f, 960.0f) - 40.0f;
    MKC_Shade(c, x - 60, 120, x + 60, 215, [&](float px, float py, float* p) {
      float w = std::exp(-std::pow((px - x) / 30.0f, 2.0f)) * std::exp(-std::pow((py - 150.0f) / 40.0f, 2.0f));
      MKC_BlendPixel(p, kAmber, w * 0.45f, MKC_ADD);
    });
    MKC_FillBox(c, x - 5, 90, x + 5, 215, MKC_Rgb(0x07060a), 0.9f, MKC_OVER, 0.0f, 4.0f);
  }
  // The window frame of the carriage.
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float sd = MKC_SdBox(x, y, W * 0.5f, H * 0.5f, 140, 100, 22);
    MKC_BlendPixel(p, MKC_Rgb(0x0b0910), MKC_Smooth(-2.0f, 1.0f, sd), MKC_OVER);
    MKC_BlendPixel(p, kRose, MKC_Smooth(2.0f, 0.0f, std::fabs(sd + 1.0f)) * 0.25f, MKC_ADD);
  });
}

// --- dj: a record spinning at 33 turns a minute, lights and level meters on the beat.
void render_dj(MKC_Canvas& c, int i, int frames) {
  const float t = float(i) / MKC_CLIP_RATE, loop = float(frames) / MKC_CLIP_RATE;
  const float turn = kTau * 11.0f * t / loop;  // 11 turns in 20 seconds
  const float beat = t / 0.5f, fb = fract(beat);
  const float cx = 140.0f, cy = 122.0f, R = 96.0f;
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    MKC_Colour k = MKC_Mix(kNight, kPlum, MKC_Clamp((x + y) / (W + H)));
    float sd = MKC_SdBox(x, y, 160, 120, 150, 108, 14);
    k = MKC_Mix(k, MKC_Rgb(0x1c1a26), MKC_Smooth(1.0f, -1.0f, sd));
    float r = std::hypot(x - cx, y - cy);
    if (r < R + 6.0f) {
      float a = std::atan2(y - cy, x - cx);
      float platter = MKC_Smooth(R + 6.0f, R + 5.0f, r);
      k = MKC_Mix(k, MKC_Rgb(0x44404e), platter);
      if (r < R) {
        float groove = 0.06f + 0.03f * std::sin(r * 2.1f) + 0.02f * std::sin(r * 0.37f);
        float sheen = std::pow(std::fabs(std::cos(a - 0.8f)), 10.0f) * 0.3f * MKC_Smooth(30.0f, 60.0f, r);
        MKC_Colour rec = {groove + sheen * 0.9f, groove + sheen * 0.85f, groove + sheen};
        if (r < 34.0f) {
          // The turning label: two colours split by a wavy line, and a bright marker.
          float la = a - turn;
          bool half = std::sin(la + 0.6f * std::sin(r * 0.2f)) > 0.0f;
          rec = half ? MKC_Mix(kRose, kCoral, r / 34.0f) : MKC_Mix(kAmber, kCream, r / 60.0f);
          if (r < 3.0f) rec = MKC_Rgb(0xd0d0d8);
        }
        float marker = std::exp(-std::pow(wrap(a - turn + kPi, kTau) - kPi, 2.0f) * 300.0f) *
                       MKC_Smooth(60.0f, 64.0f, r) * MKC_Smooth(90.0f, 86.0f, r);
        rec = MKC_Mix(rec, kWhite, marker * 0.7f);
        k = MKC_Mix(k, rec, MKC_Smooth(R, R - 1.0f, r));
      }
    }
    MKC_Put(p, k);
  });
  // "kvt" on the label, turning with it.
  MKC_Mask label(MKC_CLIP_WIDTH, MKC_CLIP_HEIGHT);
  MKC_Mask word(60, 24);
  MKC_TextDrawCentred(word, "kvt", 30, 17, MKC_TextStyle{11, 2.0f, 3.0f});
  float ca = std::cos(turn), sa = std::sin(turn);
  MKC_ShadeMask(label, cx - 30, cy - 30, cx + 30, cy + 30, [&](float x, float y, float& v) {
    float dx = x - cx, dy = y - cy;
    float u = dx * ca + dy * sa + 30.0f, w = -dx * sa + dy * ca + 12.0f;
    int iu = int(u), iw = int(w);
    if (iu >= 0 && iu < 60 && iw >= 0 && iw < 24) v = word.at(iu, iw);
  });
  MKC_PaintMask(c, label, 0, 0, kInk, 0.9f, MKC_OVER);
  // Tone arm from its pivot to the groove.
  MKC_FillCircle(c, 268, 44, 12, MKC_Rgb(0x55525e));
  MKC_Line(c, 268, 44, 250, 150, 5, MKC_Rgb(0xb8b4c4));
  MKC_Line(c, 250, 150, 226, 168, 5, MKC_Rgb(0xb8b4c4));
  MKC_FillBox(c, 216, 162, 232, 176, MKC_Rgb(0x2a2832), 1.0f, MKC_OVER, 2.0f);
  // Level meters and a pitch fader on the right; the meters kick on every beat.
  for (int m = 0; m < 2; m++) {
    int b = int(beat) % 40;
    float level = (0.55f + 0.4f * hashf(b * 2 + m, 90)) * (0.35f + 0.65f * std::exp(-fb * 4.0f));
    for (int seg = 0; seg < 14; seg++) {
      float y = 200.0f - float(seg) * 11.0f;
      bool on = float(seg) / 14.0f < level;
      MKC_Colour k = seg > 11 ? kCoral : (seg > 8 ? kAmber : kTeal);
      MKC_FillBox(c, 276.0f + float(m) * 14.0f, y - 8, 286.0f + float(m) * 14.0f, y, on ? k : MKC_Rgb(0x24222c), 1.0f,
                  MKC_OVER, 1.5f);
    }
  }
  // Coloured lights sweeping the room on the beat.
  float flash = std::exp(-fb * 5.0f);
  const MKC_Colour lights[4] = {kRose, kTeal, kAmber, kViolet};
  MKC_Glow(c, 40.0f + 240.0f * (0.5f + 0.5f * std::sin(kTau * t / loop * 5.0f)), 18, 50, lights[int(beat) % 4],
           0.35f * flash);
}

}  // namespace

std::vector<MKC_ClipEntry> MKC_ClipEntries(void) {
  return {
      {"steps2", 250, render_steps},           {"scroll", 300, render_scroll}, {"fa_street2", 200, render_street_drive},
      {"fa_street3", 200, render_street_side}, {"dj", 500, render_dj},
  };
}
