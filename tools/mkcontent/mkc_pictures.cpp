// The pack's full-screen pictures (640 x 480 unless the show needs another size), their alpha
// pictures, the clip overlays and the scrolling strips.
#include <cmath>

#include "tools/mkcontent/mkc_content.h"
#include "tools/mkcontent/mkc_draw.h"

using namespace mkc_palette;

namespace {

constexpr float kPi = 3.14159265f;

// A colour picture with an alpha picture, both w x h; the colour starts as `fill`, which is
// what shows at the soft edges of the alpha.
MKC_Art alpha_art(int w, int h, MKC_Colour fill) {
  MKC_Art a;
  a.colour = MKC_Canvas(w, h, fill);
  a.alpha = MKC_Mask(w, h);
  return a;
}

// Paints a mask into the picture in a colour ramp running from y0 (top) to y1 and raises the
// alpha to the mask.
void paint_layer(MKC_Art& a, const MKC_Mask& m, MKC_Colour top, MKC_Colour bottom, float y0, float y1,
                 float alpha = 1.0f) {
  for (int y = 0; y < a.colour.height; y++) {
    MKC_Colour k = MKC_Mix(top, bottom, MKC_Clamp((float(y) + 0.5f - y0) / (y1 - y0)));
    for (int x = 0; x < a.colour.width; x++) {
      float v = m.at(x, y);
      if (v <= 0.0f) continue;
      MKC_BlendPixel(a.colour.at(x, y), k, v, MKC_OVER);
      a.alpha.at(x, y) = std::max(a.alpha.at(x, y), v * alpha);
    }
  }
}

// Lightens the top edges and darkens the bottom edges of a mask's shapes (a soft bevel).
void bevel(MKC_Canvas& c, const MKC_Mask& m, float depth, float strength) {
  int d = int(depth);
  for (int y = 0; y < c.height; y++)
    for (int x = 0; x < c.width; x++) {
      float v = m.at(x, y);
      if (v <= 0.0f) continue;
      float up = y >= d ? m.at(x, y - d) : 0.0f;
      float down = y + d < c.height ? m.at(x, y + d) : 0.0f;
      float k = (down - up) * strength * v;
      float* p = c.at(x, y);
      for (int i = 0; i < 3; i++) p[i] = p[i] + k * (k > 0 ? 1.0f - p[i] : p[i]);
    }
}

// A big title with a glow around it: the glow painted first (its alpha `glowAlpha`), the text
// over it with a ramp from the capital height to the baseline and a soft bevel.
void glowing_title(MKC_Art& a, const char* text, const MKC_TextStyle& style, float baseline, float glowRadius,
                   float glowGain, MKC_Colour glowTop, MKC_Colour glowBottom, float glowAlpha, MKC_Colour top,
                   MKC_Colour bottom, float bevelStrength) {
  MKC_Mask m(a.colour.width, a.colour.height);
  MKC_TextDrawCentred(m, text, a.colour.width * 0.5f, baseline, style);
  MKC_Mask glow = m;
  MKC_BlurMask(glow, glowRadius);
  for (float& v : glow.a) v = MKC_Clamp(v * glowGain);
  paint_layer(a, glow, glowTop, glowBottom, baseline - style.size - 30.0f, baseline + 20.0f, glowAlpha);
  paint_layer(a, m, top, bottom, baseline - style.size, baseline);
  bevel(a.colour, m, 3, bevelStrength);
}

// The finishing touches of a full-screen picture: a small centred caption, the vignette and
// film grain.
void finish(MKC_Canvas& c, const char* caption, float baseline, MKC_Colour colour, float vignette, std::uint32_t seed) {
  if (caption) {
    MKC_Lettering cap;
    cap.style = {10, 1.3f, 6.0f};
    cap.top = cap.bottom = colour;
    MKC_DrawLettering(c, caption, c.width * 0.5f, baseline, cap, true);
  }
  MKC_Vignette(c, vignette);
  MKC_Grain(c, 0.012f, seed);
}

MKC_Canvas dusk_sky(int w, int h, float horizon) {
  MKC_Canvas c(w, h);
  MKC_GradientY(c, {{0.0f, kInk},
                    {0.35f * horizon / float(h), kNight},
                    {0.75f * horizon / float(h), kViolet},
                    {0.93f * horizon / float(h), kPlum},
                    {horizon / float(h), kCoral},
                    {1.0f, kInk}});
  return c;
}

// A standing figure seen from the side, facing +1 (right) or -1 (left), feet at y, built from
// rounded limbs blended together; `hair` gives longer hair falling to the shoulders.
void figure(MKC_Canvas& c, float x, float y, float height, float facing, bool hair, MKC_Colour colour) {
  float k = height / 100.0f;
  struct Limb {
    float ax, ay, bx, by, ra, rb;
  };
  const Limb limbs[] = {
      {1.5f, 90, 1.5f, 90, 7.2f, 7.2f},  // head
      {0.5f, 84, 0, 76, 3.2f, 3.2f},     // neck
      {0, 72, -0.5f, 50, 9.0f, 7.0f},    // torso
      {-1, 48, -2, 4, 4.6f, 3.0f},       // far leg
      {1.5f, 48, 3, 4, 4.6f, 3.0f},      // near leg
      {3, 2, 8, 1, 2.4f, 2.0f},          // foot
      {-2, 2, 3, 1, 2.4f, 2.0f},         // far foot
      {2, 71, 13, 57, 3.0f, 2.6f},       // upper arm, reaching
      {13, 57, 23, 60, 2.6f, 2.2f},      // forearm
      {-3, 71, -5, 50, 3.0f, 2.6f},      // hanging arm
      {-5, 50, -4, 38, 2.6f, 2.2f},
  };
  auto smin = [](float a, float b, float r) {
    float h = MKC_Clamp(0.5f + 0.5f * (b - a) / r);
    return b + (a - b) * h - r * h * (1.0f - h);
  };
  MKC_Shade(c, x - 30 * k, y - 100 * k, x + 30 * k, y + 2, [&](float px, float py, float* p) {
    float u = (px - x) / k * facing, v = (y - py) / k;
    float d = 1e9f;
    for (const Limb& l : limbs) {
      // Capsule with radius tapering from ra to rb.
      float dx = l.bx - l.ax, dy = l.by - l.ay, l2 = dx * dx + dy * dy;
      float h = l2 > 0 ? MKC_Clamp(((u - l.ax) * dx + (v - l.ay) * dy) / l2) : 0.0f;
      float e = std::hypot(u - l.ax - dx * h, v - l.ay - dy * h) - (l.ra + (l.rb - l.ra) * h);
      d = smin(d, e, 2.0f);
    }
    if (hair) d = smin(d, MKC_SdEllipse(u, v, -2.5f, 85, 7.0f, 10.0f), 1.5f);
    MKC_BlendPixel(p, colour, MKC_Cover(d * k), MKC_OVER);
  });
}

// A hand reaching along +x (facing 1) or -x (-1): palm, thumb and fingers, index finger
// extended towards the tip point (tx, ty).
void hand(MKC_Canvas& c, float tx, float ty, float facing, float scale, MKC_Colour fill, MKC_Colour rim) {
  auto X = [&](float u) { return tx - u * scale * facing; };
  auto Y = [&](float v) { return ty + v * scale; };
  struct Capsule {
    float ax, ay, bx, by, r;
  };
  std::vector<Capsule> parts = {
      {0, 0, 42, 6, 5.2f},        // index finger
      {38, 12, 74, 14, 6.0f},     // curled middle finger
      {40, 22, 72, 24, 6.0f},     // ring finger
      {44, 31, 70, 32, 5.4f},     // little finger
      {60, -6, 84, 10, 6.2f},     // thumb
      {70, 4, 140, 28, 18.0f},    // palm and wrist
      {130, 26, 280, 64, 14.0f},  // forearm
  };
  float minx = 1e9f, maxx = -1e9f, miny = 1e9f, maxy = -1e9f;
  for (auto& p : parts) {
    minx = std::min({minx, X(p.ax), X(p.bx)});
    maxx = std::max({maxx, X(p.ax), X(p.bx)});
    miny = std::min({miny, Y(p.ay), Y(p.by)});
    maxy = std::max({maxy, Y(p.ay), Y(p.by)});
  }
  float e = 30 * scale;
  MKC_Shade(c, minx - e, miny - e, maxx + e, maxy + e, [&](float x, float y, float* px) {
    float d = 1e9f;
    for (auto& p : parts) d = std::min(d, MKC_SdSegment(x, y, X(p.ax), Y(p.ay), X(p.bx), Y(p.by)) - p.r * scale);
    // Rim light: a thin bright band just inside the outline, then the body.
    float body = MKC_Cover(d);
    float edge = body * (1.0f - MKC_Smooth(-4.0f * scale, -0.5f, -d));
    MKC_BlendPixel(px, fill, body, MKC_OVER);
    MKC_BlendPixel(px, rim, edge * 0.9f, MKC_ADD);
    MKC_BlendPixel(px, rim, std::exp(-std::max(d, 0.0f) / (6.0f * scale)) * 0.25f * (1.0f - body), MKC_ADD);
  });
}

}  // namespace

MKC_Art MKC_PictureLoading(void) {
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(640, 480);
  MKC_GradientRadial(c, 320, 250, 520, {{0.0f, kIndigo}, {0.55f, kNight}, {1.0f, kInk}});
  MKC_Stars(c, 0, 0, 640, 480, 140, 11, 0.55f);
  MKC_Glow(c, 320, 225, 170, kViolet, 0.45f);
  MKC_Lettering title;
  title.style = {58, 5.0f, 12.0f};
  title.glowRadius = 9;
  title.glowStrength = 0.9f;
  MKC_DrawLettering(c, "velmar", 320, 252, title, true);
  MKC_Lettering sub;
  sub.style = {12, 1.5f, 5.0f};
  sub.top = kIce;
  sub.bottom = kTeal;
  MKC_DrawLettering(c, "a kvt production", 320, 298, sub, true);
  MKC_Line(c, 170, 292, 222, 292, 1.0f, kRose, 0.8f);
  MKC_Line(c, 418, 292, 470, 292, 1.0f, kRose, 0.8f);
  MKC_Lettering small;
  small.style = {8, 1.1f, 6.0f};
  small.top = small.bottom = MKC_Mix(kIce, kNight, 0.35f);
  MKC_DrawLettering(c, "loading", 320, 414, small, true);
  MKC_FillBox(c, 240, 426, 400, 430, kIndigo, 1.0f, MKC_OVER, 2.0f);
  MKC_FillBox(c, 240, 426, 330, 430, kAmber, 0.9f, MKC_OVER, 2.0f);
  finish(c, nullptr, 0, kCream, 0.6f, 12);
  return a;
}

MKC_Art MKC_PictureMask(void) {
  // Multiplied over the fan ring: a round iris, bright in the middle, with dark rings and a
  // fine cross, symmetric so that it reads the same upside down.
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(256, 256);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float dx = x - 128.0f, dy = y - 128.0f, r = std::hypot(dx, dy) / 128.0f;
    float v = 1.0f - MKC_Smooth(0.55f, 0.98f, r);
    float rings = 0.82f + 0.18f * std::cos(r * 38.0f);
    v *= (r > 0.25f ? rings : 1.0f);
    float cross = std::min(std::fabs(dx), std::fabs(dy));
    v *= 0.7f + 0.3f * MKC_Smooth(0.5f, 2.0f, cross);
    MKC_Colour k = MKC_Mix(kIce, kWhite, 1.0f - r);
    p[0] = k.r * v;
    p[1] = k.g * v;
    p[2] = k.b * v;
  });
  return a;
}

MKC_Art MKC_PictureVideoFrameDj(void) {
  // The "dj" clip's overlay: a rounded dark frame with corner ticks and labels.
  MKC_Art a = alpha_art(320, 240, kInk);
  MKC_Mask frame(320, 240);
  MKC_ShadeMask(frame, 0, 0, 320, 240, [&](float x, float y, float& v) {
    float sd = MKC_SdBox(x, y, 160, 120, 148, 108, 18);
    v = MKC_Smooth(-6.0f, 4.0f, sd);
  });
  paint_layer(a, frame, kInk, kNight, 0, 240, 0.92f);
  MKC_Mask lines(320, 240);
  MKC_ShadeMask(lines, 0, 0, 320, 240, [&](float x, float y, float& v) {
    float sd = std::fabs(MKC_SdBox(x, y, 160, 120, 146, 106, 16)) - 0.6f;
    v = MKC_Cover(sd) * 0.8f;
    // Corner ticks.
    for (int cx = 0; cx < 2; cx++)
      for (int cy = 0; cy < 2; cy++) {
        float tx = cx ? 296.0f : 24.0f, ty = cy ? 216.0f : 24.0f, sx = cx ? -1.0f : 1.0f, sy = cy ? -1.0f : 1.0f;
        v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, tx, ty, tx + 14 * sx, ty) - 1.0f));
        v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, tx, ty, tx, ty + 14 * sy) - 1.0f));
      }
  });
  MKC_TextStyle label{9, 1.3f, 3.0f};
  MKC_TextDraw(lines, "kvt", 44, 219, label);
  MKC_TextDraw(lines, "dj set", 276 - MKC_TextWidth("dj set", label), 219, label);
  MKC_TextDraw(lines, "live", 44, 33, label);
  paint_layer(a, lines, kCream, kAmber, 0, 240);
  // A small pulsing "on air" dot.
  MKC_Mask dot(320, 240);
  MKC_ShadeMask(dot, 260, 20, 290, 40,
                [&](float x, float y, float& v) { v = MKC_Cover(MKC_SdCircle(x, y, 272, 29, 4)); });
  paint_layer(a, dot, kCoral, kRose, 20, 40);
  return a;
}

MKC_Art MKC_PictureVideoFrameScroll(void) {
  // The scroll clip's overlay: letterbox bars with a title and thin rules.
  MKC_Art a = alpha_art(320, 240, kInk);
  MKC_Mask bars(320, 240);
  MKC_ShadeMask(bars, 0, 0, 320, 240, [&](float, float y, float& v) {
    v = std::max(MKC_Smooth(34.0f, 22.0f, y), MKC_Smooth(206.0f, 218.0f, y)) * 0.95f;
  });
  paint_layer(a, bars, kNight, kInk, 0, 240, 1.0f);
  MKC_Mask rules(320, 240);
  MKC_ShadeMask(rules, 0, 0, 320, 240, [&](float x, float y, float& v) {
    float fade = MKC_Smooth(0.0f, 40.0f, x) * MKC_Smooth(320.0f, 280.0f, x);
    v = std::max(MKC_Cover(std::fabs(y - 28.0f) - 0.5f), MKC_Cover(std::fabs(y - 212.0f) - 0.5f)) * fade * 0.8f;
  });
  MKC_TextStyle title{8, 1.2f, 5.0f};
  MKC_TextDraw(rules, "velmar", 16, 18, title);
  MKC_TextDraw(rules, "kvt", 276, 18, title);
  MKC_TextStyle foot{7, 1.0f, 4.0f};
  MKC_TextDrawCentred(rules, "scroll one", 160, 230, foot);
  paint_layer(a, rules, kIce, kTeal, 0, 240);
  return a;
}

MKC_Art MKC_PictureCouple(void) {
  MKC_Art a;
  MKC_Canvas& c = a.colour = dusk_sky(640, 480, 330);
  MKC_Stars(c, 0, 0, 640, 180, 90, 21, 0.5f);
  // A striped setting sun.
  MKC_Shade(c, 160, 100, 480, 340, [&](float x, float y, float* p) {
    float sd = MKC_SdCircle(x, y, 320, 250, 120);
    float stripe = (y > 250.0f) ? std::sin((y - 250.0f) * (0.16f + (y - 250.0f) * 0.0012f)) : 1.0f;
    float cover = MKC_Cover(sd) * (stripe > -0.2f ? 1.0f : 0.0f);
    MKC_Colour k = MKC_Mix(kAmber, kRose, MKC_Clamp((y - 130.0f) / 200.0f));
    MKC_BlendPixel(p, k, cover, MKC_OVER);
  });
  MKC_Glow(c, 320, 250, 150, kCoral, 0.35f);
  // Sea with the sun's reflection.
  MKC_Shade(c, 0, 330, 640, 480, [&](float x, float y, float* p) {
    float depth = (y - 330.0f) / 150.0f;
    MKC_Colour k = MKC_Mix(kPlum, kInk, std::sqrt(depth));
    float ripple = 0.5f + 0.5f * std::sin(y * 0.9f + std::sin(x * 0.05f) * 2.0f);
    float glint = std::exp(-std::pow((x - 320.0f) / (70.0f + depth * 90.0f), 2.0f)) * ripple * (1.0f - depth);
    p[0] = k.r + glint * kAmber.r * 0.8f;
    p[1] = k.g + glint * kAmber.g * 0.8f;
    p[2] = k.b + glint * kAmber.b * 0.8f;
  });
  MKC_Line(c, 0, 330, 640, 330, 1.0f, kAmber, 0.5f, MKC_ADD);
  // A low dune and the two figures facing each other, hands almost touching.
  MKC_Ridge(
      c, [](float x) { return 392.0f + 14.0f * std::sin(x * 0.011f) + 6.0f * std::sin(x * 0.037f); }, kInk);
  figure(c, 262, 394, 172, 1.0f, false, kInk);
  figure(c, 378, 394, 158, -1.0f, true, kInk);
  MKC_Glow(c, 320, 293, 8, kCream, 0.9f);
  finish(c, "together", 452, MKC_Mix(kCoral, kCream, 0.4f), 0.5f, 22);
  return a;
}

MKC_Art MKC_PictureHands(void) {
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(640, 480);
  MKC_GradientRadial(c, 320, 230, 460, {{0.0f, kIndigo}, {0.6f, kNight}, {1.0f, kInk}});
  MKC_Stars(c, 0, 0, 640, 480, 70, 31, 0.35f);
  MKC_Glow(c, 320, 236, 110, kViolet, 0.5f);
  hand(c, 304, 232, 1.0f, 1.05f, MKC_Mix(kInk, kIndigo, 0.6f), kRose);
  hand(c, 336, 240, -1.0f, 1.0f, MKC_Mix(kInk, kIndigo, 0.6f), kTeal);
  // The spark between the fingertips.
  MKC_Glow(c, 320, 236, 26, kAmber, 0.6f);
  MKC_Glow(c, 320, 236, 6, kCream, 1.4f);
  MKC_Line(c, 290, 236, 350, 236, 1.0f, kCream, 0.7f, MKC_ADD, 1.0f);
  MKC_Line(c, 320, 206, 320, 266, 1.0f, kCream, 0.5f, MKC_ADD, 1.0f);
  finish(c, "reach", 420, kIce, 0.6f, 32);
  return a;
}

MKC_Art MKC_PictureBeauty(void) {
  // A blooming rose window: rings of petals around a glowing heart.
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(640, 480);
  MKC_GradientRadial(c, 320, 240, 420, {{0.0f, kPlum}, {0.5f, kIndigo}, {1.0f, kInk}});
  const float cx = 320, cy = 240;
  struct Ring {
    int petals;
    float radius, length, width, turn;
    MKC_Colour inner, outer;
  };
  const Ring rings[] = {
      {18, 150, 96, 34, 0.0f, kViolet, kRose},
      {14, 106, 82, 34, 0.5f, kRose, kCoral},
      {11, 68, 64, 28, 0.0f, kCoral, kAmber},
      {8, 34, 44, 20, 0.5f, kAmber, kCream},
  };
  for (const Ring& r : rings) {
    for (int i = 0; i < r.petals; i++) {
      float ang = (float(i) + r.turn) * 2.0f * kPi / float(r.petals);
      float ca = std::cos(ang), sa = std::sin(ang);
      float pcx = cx + ca * r.radius, pcy = cy + sa * r.radius;
      float e = r.length + 4;
      MKC_Shade(c, pcx - e, pcy - e, pcx + e, pcy + e, [&](float x, float y, float* p) {
        // Petal frame: u along the petal, v across.
        float dx = x - pcx, dy = y - pcy;
        float u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
        float sd = MKC_SdEllipse(u, v, 0, 0, r.length * 0.5f, r.width * 0.5f);
        float cover = MKC_Cover(sd);
        if (cover <= 0.0f) return;
        float t = MKC_Clamp(u / r.length + 0.5f);
        MKC_Colour k = MKC_Mix(r.inner, r.outer, t);
        float vein = 0.94f + 0.06f * std::cos(v * 0.7f);
        float shade = 0.55f + 0.45f * MKC_Smooth(-r.width * 0.5f, r.width * 0.2f, -std::fabs(v) + r.width * 0.1f);
        MKC_BlendPixel(p, MKC_Scale(k, vein * shade), cover * 0.92f, MKC_OVER);
        // Bright rim at the tip.
        MKC_BlendPixel(p, kCream, cover * MKC_Smooth(-2.5f, 0.0f, sd) * 0.5f * t, MKC_ADD);
      });
    }
  }
  MKC_Glow(c, cx, cy, 30, kCream, 1.0f);
  MKC_Glow(c, cx, cy, 90, kAmber, 0.3f);
  MKC_Ring(c, cx, cy, 205, 1.0f, kRose, 0.6f);
  MKC_Ring(c, cx, cy, 214, 0.6f, kRose, 0.35f);
  MKC_Stars(c, 0, 0, 640, 480, 90, 41, 0.5f);
  finish(c, nullptr, 0, kCream, 0.5f, 42);
  return a;
}

MKC_Art MKC_PictureNapscroll(void) {
  // A night coast panorama 4480 pixels wide: aurora, mountains, water and towers whose lamps
  // sit where the scroll section places its lens flares (the scroll runs 3815 pixels).
  const int W = 4480, H = 480;
  const float horizon = 352.0f;
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(W, H);
  MKC_GradientY(c,
                {{0.0f, kInk}, {0.38f, kNight}, {0.62f, kIndigo}, {0.72f, kPlum}, {horizon / H, kRose}, {1.0f, kInk}});
  // Aurora curtains: bands that wave along x, bright at the bottom edge, fading upward.
  MKC_Shade(c, 0, 0, W, horizon, [&](float x, float y, float* p) {
    for (int band = 0; band < 2; band++) {
      float base =
          150.0f + 60.0f * band + 40.0f * std::sin(x * 0.0019f + band * 2.1f) + 18.0f * std::sin(x * 0.0071f + band);
      float h = y - base;
      float curtain = h < 0 ? std::exp(h / 70.0f) : std::exp(-h / 6.0f);
      float folds = 0.55f + 0.45f * MKC_Fbm(x * 0.02f, band * 10.0f, 50u + band, 3);
      MKC_Colour k = band ? MKC_Mix(kTeal, kViolet, 0.5f) : kTeal;
      MKC_BlendPixel(p, k, curtain * folds * 0.32f, MKC_ADD);
    }
  });
  MKC_Stars(c, 0, 0, W, horizon - 40, 1400, 51, 0.8f);
  // The moon over the opening screen.
  MKC_Glow(c, 500, 110, 70, kIce, 0.22f);
  MKC_FillCircle(c, 500, 110, 34, MKC_Mix(kCream, kIce, 0.3f));
  MKC_FillCircle(c, 514, 102, 30, MKC_Mix(kNight, kIndigo, 0.5f), 0.9f, MKC_OVER, 1.0f);
  MKC_Lettering title;
  title.style = {44, 4.0f, 10.0f};
  title.glowRadius = 8;
  title.glowStrength = 0.7f;
  MKC_DrawLettering(c, "velmar", 80, 180, title);
  MKC_Lettering sub;
  sub.style = {10, 1.3f, 6.0f};
  sub.top = kIce;
  sub.bottom = kTeal;
  MKC_DrawLettering(c, "nights on the coast", 84, 214, sub);
  // Far and near mountains.
  MKC_Ridge(
      c, [&](float x) { return horizon - 16.0f - 130.0f * MKC_Smooth(0.3f, 0.78f, MKC_Fbm(x * 0.0035f, 1.0f, 52, 5)); },
      MKC_Mix(MKC_Mix(kPlum, kIndigo, 0.6f), kNight, 0.3f), 0.9f);
  MKC_Ridge(
      c, [&](float x) { return horizon - 4.0f - 60.0f * MKC_Smooth(0.35f, 0.75f, MKC_Fbm(x * 0.006f, 3.0f, 53, 5)); },
      MKC_Mix(kInk, kNight, 0.6f));
  // Towers: x, lamp y, kind (0 mast, 1 lighthouse, 2 tower block), lamp colour.
  struct Tower {
    float x, lampY;
    int kind;
    MKC_Colour lamp;
  };
  const Tower towers[] = {
      {1305, 245, 1, kAmber}, {2094, 237, 0, kRose}, {2252, 198, 2, kCoral}, {2573, 85, 0, kIce},
      {3532, 86, 2, kAmber},  {3649, 104, 0, kRose}, {3813, 148, 1, kTeal},
  };
  const MKC_Colour dark = MKC_Mix(kInk, kNight, 0.3f);
  for (const Tower& t : towers) {
    float base = horizon + 2.0f;
    if (t.kind == 0) {
      // Lattice mast with guy lines.
      float hw = 4.0f + (base - t.lampY) * 0.035f;
      MKC_Line(c, t.x - hw, base, t.x, t.lampY, 2.2f, dark);
      MKC_Line(c, t.x + hw, base, t.x, t.lampY, 2.2f, dark);
      for (float y = t.lampY + 12; y < base; y += 14) {
        float w = hw * (y - t.lampY) / (base - t.lampY);
        MKC_Line(c, t.x - w, y, t.x + w, y + 7, 1.0f, dark);
        MKC_Line(c, t.x + w, y, t.x - w, y + 7, 1.0f, dark);
      }
      MKC_Line(c, t.x, t.lampY + 20, t.x - 60, base, 0.7f, dark, 0.7f);
      MKC_Line(c, t.x, t.lampY + 20, t.x + 60, base, 0.7f, dark, 0.7f);
      for (float y = t.lampY + 40; y < base - 10; y += 50) MKC_Lamp(c, t.x, y, 1.2f, kRose, 0.5f);
    } else if (t.kind == 1) {
      // Lighthouse on a rock: tapering tower, gallery and lamp room.
      MKC_FillCircle(c, t.x, base + 10, 46, dark);
      std::vector<float> body = {t.x - 9,  t.lampY + 12, t.x + 9,  t.lampY + 12,
                                 t.x + 17, base - 20,    t.x - 17, base - 20};
      MKC_Shade(c, t.x - 20, t.lampY, t.x + 20, base, [&](float x, float y, float* p) {
        float cover = MKC_Cover(MKC_SdPolygon(x, y, body));
        bool stripe = int((y - t.lampY) / 16.0f) % 2 == 1;
        MKC_BlendPixel(p, stripe ? MKC_Mix(dark, kPlum, 0.5f) : MKC_Mix(dark, kIndigo, 0.6f), cover, MKC_OVER);
      });
      MKC_FillBox(c, t.x - 13, t.lampY + 8, t.x + 13, t.lampY + 12, dark);
      MKC_FillBox(c, t.x - 6, t.lampY - 6, t.x + 6, t.lampY + 8, MKC_Mix(t.lamp, kCream, 0.5f));
      MKC_FillBox(c, t.x - 8, t.lampY - 11, t.x + 8, t.lampY - 6, dark, 1.0f, MKC_OVER, 3.0f);
      // The beam sweeping out to sea.
      MKC_Shade(c, t.x - 420, t.lampY - 60, t.x + 420, t.lampY + 60, [&](float x, float y, float* p) {
        float dx = x - t.x, dy = y - t.lampY;
        float spread = std::fabs(dy) / (12.0f + std::fabs(dx) * 0.12f);
        float w = std::exp(-spread * spread) * std::exp(-std::fabs(dx) / 260.0f) *
                  MKC_Smooth(420.0f, 300.0f, std::fabs(dx)) * MKC_Smooth(60.0f, 40.0f, std::fabs(dy));
        MKC_BlendPixel(p, t.lamp, w * 0.35f, MKC_ADD);
      });
    } else {
      // A slim tower block with lit windows and a roof light.
      float hw = 22.0f;
      MKC_FillBox(c, t.x - hw, t.lampY + 10, t.x + hw, base, dark);
      MKC_FillBox(c, t.x - 2, t.lampY, t.x + 2, t.lampY + 12, dark);
      MKC_Windows(c, t.x - hw + 3, t.lampY + 18, t.x + hw - 3, base - 6, 9.0f, 0.55f, std::uint32_t(t.x), kAmber, 0.8f);
    }
    MKC_Lamp(c, t.x, t.lampY, 2.4f, t.lamp, 1.0f);
  }
  // A scattering of harbour lights and low houses along the shore.
  MKC_Random rnd(54);
  for (int i = 0; i < 90; i++) {
    float x = rnd.range(640, W - 60), w = rnd.range(14, 40), h = rnd.range(8, 26);
    MKC_FillBox(c, x, horizon + 2 - h, x + w, horizon + 3, dark);
    MKC_Windows(c, x + 2, horizon + 4 - h, x + w - 2, horizon, 7.0f, 0.4f, std::uint32_t(i + 100), kAmber, 0.7f);
  }
  // Water: a dimmed, rippled mirror of everything above the horizon.
  MKC_Canvas sky = c;
  for (int y = int(horizon) + 3; y < H; y++) {
    float depth = (float(y) - horizon) / (float(H) - horizon);
    for (int x = 0; x < W; x++) {
      float wob = 3.0f * std::sin(float(y) * 0.7f + float(x) * 0.013f) * (0.3f + depth);
      int sx = std::clamp(int(float(x) + wob), 0, W - 1);
      int sy = std::clamp(int(2.0f * horizon - float(y)), 0, H - 1);
      const float* s = sky.at(sx, sy);
      float k = 0.55f * (1.0f - 0.6f * depth) * (0.8f + 0.2f * std::sin(float(y) * 1.7f));
      float* p = c.at(x, y);
      p[0] = s[0] * k + kInk.r * (1 - k);
      p[1] = s[1] * k + kInk.g * (1 - k);
      p[2] = s[2] * k + kInk.b * (1 - k);
    }
  }
  MKC_Line(c, 0, horizon + 2.5f, float(W), horizon + 2.5f, 1.0f, kRose, 0.3f, MKC_ADD);
  MKC_Grain(c, 0.01f, 55);
  return a;
}

MKC_Art MKC_PictureGreets(void) {
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(640, 480);
  MKC_GradientY(c, {{0.0f, kInk}, {0.45f, kIndigo}, {0.8f, kPlum}, {1.0f, kRose}});
  // A perspective floor grid under the list.
  MKC_Shade(c, 0, 330, 640, 480, [&](float x, float y, float* p) {
    float z = 60.0f / (y - 318.0f);
    float gx = (x - 320.0f) * z * 0.1f, gz = z * 3.0f;
    float lx = std::fabs(gx - std::round(gx)), lz = std::fabs(gz - std::round(gz));
    float line = std::max(MKC_Smooth(0.06f, 0.0f, lx), MKC_Smooth(0.08f, 0.0f, lz));
    MKC_BlendPixel(p, kRose, line * 0.5f * MKC_Smooth(335.0f, 440.0f, y), MKC_ADD);
  });
  MKC_Glow(c, 320, 330, 240, kCoral, 0.3f);
  MKC_Stars(c, 0, 0, 640, 300, 80, 61, 0.45f);
  MKC_Lettering head;
  head.style = {34, 3.4f, 9.0f};
  head.glowRadius = 7;
  head.glowStrength = 0.8f;
  MKC_DrawLettering(c, "greetings", 320, 78, head, true);
  MKC_Line(c, 120, 96, 520, 96, 1.0f, kRose, 0.8f);
  const char* left[] = {"aurora", "bitfrost", "coldline", "driftwood", "ember", "ferrum", "halcyon", "kolibri"};
  const char* right[] = {"lumen", "moonfall", "nightjar", "nordlys", "orbital", "polaris", "sundog", "tessera"};
  MKC_Lettering name;
  name.style = {15, 1.8f, 3.0f};
  name.top = kCream;
  name.bottom = kIce;
  name.glowRadius = 3;
  name.glowStrength = 0.5f;
  name.glow = kViolet;
  for (int i = 0; i < 8; i++) {
    float y = 138.0f + float(i) * 26.0f;
    MKC_DrawLettering(c, left[i], 300.0f - MKC_TextWidth(left[i], name.style), y, name, false);
    MKC_DrawLettering(c, right[i], 344, y, name, false);
    MKC_FillCircle(c, 320, y - 5, 2.0f, kAmber, 0.9f);
  }
  finish(c, "and everyone we met on the way", 370, kCream, 0.45f, 62);
  return a;
}

MKC_Art MKC_PictureLogo(void) {
  MKC_Art a = alpha_art(640, 480, kPlum);
  glowing_title(a, "velmar", MKC_TextStyle{96, 9.0f, 8.0f}, 278, 16, 1.6f, kViolet, kRose, 0.7f, kCream, kAmber, 0.6f);
  MKC_Mask sub(640, 480);
  MKC_TextStyle subStyle{14, 1.8f, 8.0f};
  MKC_TextDrawCentred(sub, "a kvt production", 320, 338, subStyle);
  float half = MKC_TextWidth("a kvt production", subStyle) * 0.5f;
  MKC_ShadeMask(sub, 0, 320, 640, 340, [&](float x, float y, float& v) {
    v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, 320 - half - 76, 333, 320 - half - 16, 333) - 0.7f));
    v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, 320 + half + 10, 333, 320 + half + 70, 333) - 0.7f));
  });
  paint_layer(a, sub, kIce, kTeal, 320, 340);
  return a;
}

MKC_Art MKC_PictureGroup(void) {
  MKC_Art a = alpha_art(640, 480, kIndigo);
  glowing_title(a, "KVT", MKC_TextStyle{120, 13.0f, 26.0f}, 290, 18, 1.5f, kTeal, kViolet, 0.65f, kWhite, kIce, 0.5f);
  MKC_Mask sub(640, 480);
  MKC_TextDrawCentred(sub, "presents", 320, 346, MKC_TextStyle{16, 2.0f, 10.0f});
  MKC_ShadeMask(sub, 0, 300, 640, 380, [&](float x, float y, float& v) {
    v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, 170, 318, 470, 318) - 0.6f));
    std::vector<float> diamond = {320, 312, 326, 318, 320, 324, 314, 318};
    v = std::max(v, MKC_Cover(MKC_SdPolygon(x, y, diamond)));
  });
  paint_layer(a, sub, kCream, kAmber, 300, 350);
  return a;
}

MKC_Art MKC_PictureLogoBack(void) {
  // Multiplied over the tunnel: white leaves it alone, the violet edges and the outlined words
  // darken it. The strip tiles every 640 pixels.
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(640, 112, kWhite);
  MKC_ShadeAll(c, [&](float, float y, float* p) {
    float edge = std::max(MKC_Smooth(24.0f, 0.0f, y), MKC_Smooth(88.0f, 112.0f, y));
    MKC_BlendPixel(p, MKC_Rgb(0x4a3a7a), edge * 0.85f, MKC_OVER);
  });
  MKC_Mask words(640, 112);
  MKC_TextStyle style{30, 2.4f, 6.0f};
  for (int i = 0; i < 3; i++) MKC_TextDraw(words, "velmar", 24.0f + float(i) * 640.0f / 3.0f, 70, style, 640.0f);
  MKC_PaintMask(c, words, 0, 0, MKC_Rgb(0x8f77c9), 1.0f, MKC_OVER);
  for (int i = 0; i < 3; i++) {
    float cx = float(i) * 640.0f / 3.0f + 4.0f;
    for (float off : {-640.0f, 0.0f, 640.0f}) {
      std::vector<float> d = {cx + off, 48, cx + off + 7, 56, cx + off, 64, cx + off - 7, 56};
      MKC_Shade(c, cx + off - 9, 46, cx + off + 9, 66, [&](float x, float y, float* p) {
        MKC_BlendPixel(p, MKC_Rgb(0xd98aa8), MKC_Cover(MKC_SdPolygon(x, y, d)), MKC_OVER);
      });
    }
  }
  MKC_ShadeAll(c, [&](float, float y, float* p) {
    float line = std::max(MKC_Cover(std::fabs(y - 27.0f) - 0.5f), MKC_Cover(std::fabs(y - 85.0f) - 0.5f));
    MKC_BlendPixel(p, MKC_Rgb(0x6a55a8), line, MKC_OVER);
  });
  return a;
}

MKC_Art MKC_PictureGrid(void) {
  // A measuring overlay for the landscape: fine grid, major lines, corner brackets, a centre
  // reticle and small figures along the edges, all in thin cool lines on transparency.
  MKC_Art a = alpha_art(640, 480, kIce);
  MKC_Mask fine(640, 480), major(640, 480);
  MKC_ShadeMask(fine, 0, 0, 640, 480, [&](float x, float y, float& v) {
    float gx = std::fabs(std::fmod(x, 40.0f) - 20.0f), gy = std::fabs(std::fmod(y, 40.0f) - 20.0f);
    float d = std::min(20.0f - gx, 20.0f - gy);
    v = MKC_Cover(d - 0.4f) * 0.22f;
  });
  MKC_ShadeMask(major, 0, 0, 640, 480, [&](float x, float y, float& v) {
    float gx = std::fabs(std::fmod(x + 0.0f, 160.0f) - 80.0f), gy = std::fabs(std::fmod(y, 160.0f) - 80.0f);
    float d = std::min(80.0f - gx, 80.0f - gy);
    v = MKC_Cover(d - 0.6f) * 0.45f;
    // Centre reticle.
    float r = std::hypot(x - 320.0f, y - 240.0f);
    v = std::max(v, MKC_Cover(std::fabs(r - 56.0f) - 0.7f) * 0.8f);
    v = std::max(v, MKC_Cover(std::fabs(r - 64.0f) - 0.4f) *
                        (std::fmod(std::atan2(y - 240.0f, x - 320.0f) + 7.0f, 0.26f) < 0.13f ? 0.7f : 0.0f));
    // Corner brackets.
    for (int cx = 0; cx < 2; cx++)
      for (int cy = 0; cy < 2; cy++) {
        float tx = cx ? 610.0f : 30.0f, ty = cy ? 450.0f : 30.0f, sx = cx ? -1.0f : 1.0f, sy = cy ? -1.0f : 1.0f;
        v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, tx, ty, tx + 40 * sx, ty) - 1.2f));
        v = std::max(v, MKC_Cover(MKC_SdSegment(x, y, tx, ty, tx, ty + 40 * sy) - 1.2f));
      }
  });
  MKC_TextStyle figs{7, 1.0f, 2.0f};
  for (int i = 1; i < 16; i++) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", i);
    MKC_TextDraw(major, buf, float(i) * 40.0f + 3.0f, 14, figs);
  }
  for (int i = 1; i < 12; i++) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", i);
    MKC_TextDraw(major, buf, 6, float(i) * 40.0f - 3.0f, figs);
  }
  MKC_TextDraw(major, "kvt survey", 470, 466, MKC_TextStyle{8, 1.1f, 3.0f});
  paint_layer(a, fine, kIce, kTeal, 0, 480, 1.0f);
  paint_layer(a, major, kIce, kIce, 0, 480, 1.0f);
  return a;
}

MKC_Art MKC_PictureChocochip(void) {
  // The rising credits panel (540 x 720): a translucent card with the production's credits.
  const int W = 540, H = 720;
  MKC_Art a = alpha_art(W, H, kNight);
  MKC_Mask card(W, H);
  MKC_ShadeMask(card, 0, 0, W, H, [&](float x, float y, float& v) {
    v = MKC_Cover(MKC_SdBox(x, y, W * 0.5f, H * 0.5f, W * 0.5f - 40, H * 0.5f - 20, 22)) * 0.62f;
  });
  paint_layer(a, card, MKC_Mix(kNight, kIndigo, 0.6f), MKC_Mix(kInk, kPlum, 0.5f), 0, float(H), 0.62f);
  MKC_Mask rim(W, H);
  MKC_ShadeMask(rim, 0, 0, W, H, [&](float x, float y, float& v) {
    v = MKC_Cover(std::fabs(MKC_SdBox(x, y, W * 0.5f, H * 0.5f, W * 0.5f - 48, H * 0.5f - 28, 16)) - 0.6f) * 0.9f;
  });
  paint_layer(a, rim, kRose, kAmber, 0, float(H));
  struct Line {
    const char* text;
    float size, y;
    bool head;
  };
  const Line lines[] = {
      {"velmar", 40, 110, true},
      {"a kvt production", 11, 146, false},
      {"code", 14, 226, true},
      {"ravn", 18, 258, false},
      {"mika", 18, 284, false},
      {"graphics", 14, 350, true},
      {"solveig", 18, 382, false},
      {"ravn", 18, 408, false},
      {"music", 14, 474, true},
      {"tor halvard", 18, 506, false},
      {"3d and lights", 14, 572, true},
      {"elin", 18, 604, false},
      {"thank you for watching", 10, 664, false},
  };
  for (const Line& l : lines) {
    MKC_Mask m(W, H);
    MKC_TextStyle st{l.size, std::max(1.2f, l.size * 0.1f), l.head ? 6.0f : 3.0f};
    MKC_TextDrawCentred(m, l.text, W * 0.5f, l.y, st);
    if (l.head)
      paint_layer(a, m, kAmber, kCoral, l.y - l.size, l.y);
    else
      paint_layer(a, m, kCream, kIce, l.y - l.size, l.y);
  }
  return a;
}

MKC_Art MKC_PictureBarBack(void) {
  // The bar behind the two text strips (drawn at half opacity; the strips run at 42 and 58).
  MKC_Art a;
  MKC_Canvas& c = a.colour = MKC_Canvas(640, 104);
  MKC_ShadeAll(c, [&](float x, float y, float* p) {
    float band = MKC_Smooth(22.0f, 34.0f, y) * MKC_Smooth(90.0f, 80.0f, y);
    MKC_Colour k = MKC_Mix(kInk, MKC_Mix(kIndigo, kPlum, 0.5f + 0.5f * std::sin(x * 0.01f)), band);
    MKC_Put(p, k);
    float rule = std::max(MKC_Cover(std::fabs(y - 36.0f) - 0.6f), MKC_Cover(std::fabs(y - 79.0f) - 0.6f));
    MKC_BlendPixel(p, kRose, rule, MKC_OVER);
  });
  return a;
}

namespace {

MKC_Art bar_text(const char* text, float size, MKC_Colour top, MKC_Colour bottom) {
  // A 640 x 16 strip whose text tiles every 640 pixels.
  MKC_Art a = alpha_art(640, 16, bottom);
  MKC_Mask m(640, 16);
  MKC_TextStyle st{size, 1.4f, 2.0f};
  float w = MKC_TextWidth(text, st);
  int copies = std::max(1, int(640.0f / w));
  float step = 640.0f / float(copies);
  for (int i = 0; i < copies; i++) MKC_TextDraw(m, text, float(i) * step + 4.0f, 13.0f, st, 640.0f);
  paint_layer(a, m, top, bottom, 13.0f - size, 13.0f);
  return a;
}

}  // namespace

MKC_Art MKC_PictureBarText1(void) { return bar_text("velmar  *  a kvt production  *  ", 10, kCream, kAmber); }

MKC_Art MKC_PictureBarText2(void) {
  return bar_text("lights  -  shadows  -  fog  -  smoke  -  music  -  ", 9, kIce, kTeal);
}

MKC_Art MKC_PictureSociety(void) {
  // A city skyline at dusk under a large moon: towers, lit windows, cranes and a bridge.
  MKC_Art a;
  MKC_Canvas& c = a.colour = dusk_sky(640, 480, 380);
  MKC_Stars(c, 0, 0, 640, 220, 110, 71, 0.55f);
  MKC_Glow(c, 470, 120, 90, kCoral, 0.25f);
  MKC_FillCircle(c, 470, 120, 46, MKC_Mix(kCream, kAmber, 0.35f));
  MKC_Glow(c, 470, 120, 50, kCream, 0.25f);
  MKC_Random rnd(72);
  const MKC_Colour farTone = MKC_Mix(kPlum, kNight, 0.55f), nearTone = MKC_Mix(kInk, kNight, 0.4f);
  for (int layer = 0; layer < 2; layer++) {
    MKC_Colour tone = layer ? nearTone : farTone;
    float x = -10.0f;
    while (x < 650.0f) {
      float w = rnd.range(26, 64), h = layer ? rnd.range(70, 230) : rnd.range(110, 260);
      float top = 400.0f - h;
      MKC_FillBox(c, x, top, x + w, 420, tone);
      if (rnd.unit() < 0.35f) MKC_FillBox(c, x + w * 0.4f, top - 18, x + w * 0.6f, top, tone);
      if (rnd.unit() < 0.25f) {
        MKC_Line(c, x + w * 0.5f, top - 18, x + w * 0.5f, top - 48, 1.2f, tone);
        MKC_Lamp(c, x + w * 0.5f, top - 48, 1.0f, kRose, 0.7f);
      }
      MKC_Windows(c, x + 3, top + 6, x + w - 3, 396, layer ? 10.0f : 8.0f, layer ? 0.45f : 0.3f, rnd.next(),
                  layer ? kAmber : kCoral, layer ? 0.85f : 0.45f);
      x += w + rnd.range(2, 12);
    }
  }
  // A crane against the sky.
  MKC_Line(c, 96, 400, 96, 150, 3, nearTone);
  MKC_Line(c, 60, 156, 230, 156, 3, nearTone);
  MKC_Line(c, 96, 150, 180, 156, 1, nearTone);
  MKC_Line(c, 200, 156, 200, 220, 0.8f, nearTone);
  MKC_Lamp(c, 230, 156, 1.0f, kRose, 0.8f);
  // Street level and the bridge lights.
  MKC_FillBox(c, 0, 400, 640, 480, MKC_Mix(kInk, kNight, 0.2f));
  for (int i = 0; i < 24; i++) MKC_Lamp(c, 14.0f + float(i) * 27.0f, 404, 1.1f, kAmber, 0.8f);
  MKC_Shade(c, 0, 408, 640, 480, [&](float x, float y, float* p) {
    float streak =
        std::exp(-std::pow(std::fmod(x + 7.0f, 27.0f) - 7.0f, 2.0f) / 4.0f) * std::exp(-(y - 408.0f) / 30.0f);
    MKC_BlendPixel(p, kAmber, streak * 0.25f, MKC_ADD);
  });
  finish(c, "society", 456, MKC_Mix(kCream, kRose, 0.3f), 0.45f, 73);
  return a;
}
