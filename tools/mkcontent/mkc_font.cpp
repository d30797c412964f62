// The stroke font. Glyphs are written on a grid where capitals and digits are 10 units high,
// the x-height is 7 and descenders reach -3 (y up). A glyph is strokes separated by '|'; a stroke
// is points "x,y" and arcs "a cx,cy,rx,ry,from,to" (degrees, counter-clockwise positive) that
// continue the stroke.
#include "tools/mkcontent/mkc_font.h"

#include <array>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

struct GlyphDef {
  char ch;
  const char* strokes;
};

constexpr GlyphDef kGlyphs[] = {
    {'a', "a3.5,3.5,3.5,3.5,0,360 | 7,7 7,0"},
    {'b', "0,10 0,0 | a3.5,3.5,3.5,3.5,0,360"},
    {'c', "a3.5,3.5,3.5,3.5,42,318"},
    {'d', "7,10 7,0 | a3.5,3.5,3.5,3.5,0,360"},
    {'e', "0,3.5 7,3.5 a3.5,3.5,3.5,3.5,0,318"},
    {'f', "1.8,0 1.8,8.2 a3.8,8.2,2,1.8,180,30 | 0,7 4.8,7"},
    {'g', "a3.5,3.5,3.5,3.5,0,360 | 7,7 7,-0.6 a3.5,-0.6,3.5,2.4,0,-155"},
    {'h', "0,10 0,0 | 0,3.8 a3.5,3.8,3.5,3.2,180,0 7,0"},
    {'i', "0.5,0 0.5,7 | 0.5,9.2 0.5,9.6"},
    {'j', "2.6,7 2.6,-0.8 a0.4,-0.8,2.2,2.2,0,-130 | 2.6,9.2 2.6,9.6"},
    {'k', "0,10 0,0 | 6,7 0,2.4 | 2.2,4.2 6.4,0"},
    {'l', "0.5,10 0.5,0"},
    {'m', "0,7 0,0 | 0,4.3 a2.4,4.3,2.4,2.7,180,0 4.8,0 | 4.8,4.3 a7.2,4.3,2.4,2.7,180,0 9.6,0"},
    {'n', "0,7 0,0 | 0,3.8 a3.5,3.8,3.5,3.2,180,0 7,0"},
    {'o', "a3.5,3.5,3.5,3.5,0,360"},
    {'p', "0,7 0,-3 | a3.5,3.5,3.5,3.5,0,360"},
    {'q', "7,7 7,-3 | a3.5,3.5,3.5,3.5,0,360"},
    {'r', "0,7 0,0 | 0,3.6 a3.4,3.6,3.4,3.4,180,55"},
    {'s', "a3.1,5.25,2.9,1.75,25,270 a3.1,1.75,3.2,1.75,90,-155"},
    {'t', "1.8,10 1.8,1.6 a3.6,1.6,1.8,1.6,180,300 | 0,7 4.6,7"},
    {'u', "0,7 0,3.2 a3.5,3.2,3.5,3.2,180,360 | 7,7 7,0"},
    {'v', "0,7 3.4,0 6.8,7"},
    {'w', "0,7 2.5,0 5,6 7.5,0 10,7"},
    {'x', "0,7 6.6,0 | 6.6,7 0,0"},
    {'y', "0,7 3.4,0 | 6.8,7 1.8,-3"},
    {'z', "0,7 6.4,7 0,0 6.6,0"},
    {'A', "0,0 4,10 8,0 | 1.6,4 6.4,4"},
    {'B', "0,0 0,10 3.8,10 a3.8,7.5,2.5,2.5,90,-90 0,5 | 4.2,5 a4.2,2.5,2.8,2.5,90,-90 0,0"},
    {'C', "a5,5,4.8,5,45,315"},
    {'D', "0,0 0,10 3,10 a3,5,5,5,90,-90 0,0"},
    {'E', "6.8,10 0,10 0,0 6.8,0 | 0,5 5.4,5"},
    {'F', "6.8,10 0,10 0,0 | 0,5 5.4,5"},
    {'G', "a5,5,4.8,5,45,360 5.4,5"},
    {'H', "0,0 0,10 | 7.4,0 7.4,10 | 0,5 7.4,5"},
    {'I', "0.5,0 0.5,10"},
    {'J', "5,10 5,3 a2.5,3,2.5,3,0,-180"},
    {'K', "0,0 0,10 | 7,10 0,3.4 | 2.4,5.6 7.4,0"},
    {'L', "0,10 0,0 6.4,0"},
    {'M', "0,0 0,10 4.6,1.6 9.2,10 9.2,0"},
    {'N', "0,0 0,10 7.6,0 7.6,10"},
    {'O', "a5,5,5,5,0,360"},
    {'P', "0,0 0,10 3.9,10 a3.9,7.3,2.7,2.7,90,-90 0,4.6"},
    {'Q', "a5,5,5,5,0,360 | 6.2,3 9.8,-0.8"},
    {'R', "0,0 0,10 3.9,10 a3.9,7.3,2.7,2.7,90,-90 0,4.6 | 3.4,4.6 7.2,0"},
    {'S', "a3.7,7.5,3.4,2.5,25,270 a3.7,2.5,3.7,2.5,90,-155"},
    {'T', "0,10 8,10 | 4,10 4,0"},
    {'U', "0,10 0,3.6 a3.6,3.6,3.6,3.6,180,360 7.2,10"},
    {'V', "0,10 4,0 8,10"},
    {'W', "0,10 2.8,0 5.6,8 8.4,0 11.2,10"},
    {'X', "0,10 7.4,0 | 7.4,10 0,0"},
    {'Y', "0,10 4,5 8,10 | 4,5 4,0"},
    {'Z', "0,10 7.4,10 0,0 7.6,0"},
    {'1', "0.6,8 3,10 3,0"},
    {'2', "a3.4,6.8,3.3,3.2,155,-30 0,0 7,0"},
    {'3', "a3.4,7.5,3.1,2.5,155,-90 a3.4,2.5,3.5,2.5,90,-155"},
    {'4', "5.4,0 5.4,10 0,3 7.4,3"},
    {'5', "6.5,10 1.2,10 0.6,5.4 a3.5,3.2,3.5,3.2,140,-155"},
    {'6', "5.6,10 a3.5,3.2,3.5,3.2,145,-215"},
    {'7', "0,10 7,10 2.4,0"},
    {'8', "a3.5,7.6,3,2.4,0,360 | a3.5,2.6,3.5,2.6,0,360"},
    {'9', "1.4,0 a3.5,6.8,3.5,3.2,-35,325"},
    {'0', "a3.6,5,3.6,5,0,360"},
    {',', "1.2,0.8 1.2,0 0,-2.2"},
    {'.', "0.5,0 0.5,0.3"},
    {';', "1.2,5.2 1.2,5.5 | 1.2,0.8 1.2,0 0,-2.2"},
    {':', "0.5,0 0.5,0.3 | 0.5,5.2 0.5,5.5"},
    {'-', "0,3.8 4.2,3.8"},
    {'\'', "0.8,10 0.3,7"},
    {'!', "0.5,10 0.5,3 | 0.5,0 0.5,0.3"},
    {'&', "7.6,0 1.6,6.4 a3.1,8.3,1.6,1.7,215,-35 a3.2,2.6,3.2,2.6,135,315 7,4.6"},
    {'/', "0,-1 5,10"},
    {'(', "a4.2,4,3.4,6.6,110,250"},
    {')', "a0,4,3.4,6.6,70,-70"},
    {'?', "a3.5,7.5,3.2,2.5,155,-90 3.5,3 | 3.5,0 3.5,0.3"},
    {'+', "0,4 6,4 | 3,1 3,7"},
    {'*', "2.8,9.6 2.8,4.4 | 0.5,8.3 5.1,5.7 | 0.5,5.7 5.1,8.3"},
    {'"', "0.4,10 1.4,7 | 2.4,10 3.4,7"},
    {'#', "1.6,0 2.8,10 | 4.8,0 6,10 | 0,3.3 7.2,3.3 | 0.4,6.7 7.6,6.7"},
    {'_', "0,-1.5 6.5,-1.5"},
};

struct Segment {
  float ax, ay, bx, by;
};

struct Glyph {
  bool present = false;
  std::vector<Segment> segments;
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
};

std::array<Glyph, 128> build_glyphs() {
  std::array<Glyph, 128> glyphs{};
  for (const GlyphDef& def : kGlyphs) {
    Glyph& g = glyphs[std::size_t(def.ch)];
    g.present = true;
    std::vector<std::vector<std::pair<float, float>>> strokes(1);
    std::istringstream in(def.strokes);
    std::string token;
    while (in >> token) {
      if (token == "|") {
        strokes.emplace_back();
      } else if (token[0] == 'a') {
        float v[6] = {};
        const char* s = token.c_str() + 1;
        for (float& f : v) {
          char* end = nullptr;
          f = std::strtof(s, &end);
          s = (*end == ',') ? end + 1 : end;
        }
        // Arc points every 7.5 degrees or less, both ends included.
        float span = v[5] - v[4];
        int steps = std::max(2, int(std::ceil(std::fabs(span) / 7.5f)));
        for (int i = 0; i <= steps; i++) {
          float a = (v[4] + span * float(i) / float(steps)) * 3.14159265f / 180.0f;
          strokes.back().emplace_back(v[0] + v[2] * std::cos(a), v[1] + v[3] * std::sin(a));
        }
      } else {
        float x = std::strtof(token.c_str(), nullptr);
        float y = std::strtof(token.c_str() + token.find(',') + 1, nullptr);
        strokes.back().emplace_back(x, y);
      }
    }
    bool first = true;
    for (const auto& s : strokes) {
      for (std::size_t i = 0; i < s.size(); i++) {
        if (first) {
          g.minX = g.maxX = s[i].first;
          g.minY = g.maxY = s[i].second;
          first = false;
        }
        g.minX = std::min(g.minX, s[i].first);
        g.maxX = std::max(g.maxX, s[i].first);
        g.minY = std::min(g.minY, s[i].second);
        g.maxY = std::max(g.maxY, s[i].second);
        if (i > 0) g.segments.push_back({s[i - 1].first, s[i - 1].second, s[i].first, s[i].second});
      }
      if (s.size() == 1) g.segments.push_back({s[0].first, s[0].second, s[0].first, s[0].second});
    }
  }
  return glyphs;
}

const Glyph* glyph(char ch) {
  static const std::array<Glyph, 128> glyphs = build_glyphs();
  unsigned char c = static_cast<unsigned char>(ch);
  if (c >= 128 || !glyphs[c].present) return nullptr;
  return &glyphs[c];
}

float scale_of(const MKC_TextStyle& s) { return s.size / 10.0f; }

// Draws one glyph with its ink's left edge at pen x.
void draw_glyph(MKC_Mask& m, const Glyph& g, float penX, float baseY, const MKC_TextStyle& st) {
  float k = scale_of(st), r = st.weight * 0.5f;
  // Glyph units to pixels: x right from the ink's left edge, y down from the baseline.
  auto px = [&](float x, float y) { return penX + r + (x - g.minX) * k + y * k * st.slant; };
  auto py = [&](float y) { return baseY - y * k; };
  std::vector<Segment> segs;
  segs.reserve(g.segments.size());
  float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
  for (const Segment& s : g.segments) {
    Segment t{px(s.ax, s.ay), py(s.ay), px(s.bx, s.by), py(s.by)};
    segs.push_back(t);
    x0 = std::min({x0, t.ax, t.bx});
    x1 = std::max({x1, t.ax, t.bx});
    y0 = std::min({y0, t.ay, t.by});
    y1 = std::max({y1, t.ay, t.by});
  }
  float e = r + 2.0f;
  MKC_ShadeMask(m, x0 - e, y0 - e, x1 + e, y1 + e, [&](float x, float y, float& a) {
    float d = 1e9f;
    for (const Segment& s : segs) d = std::min(d, MKC_SdSegment(x, y, s.ax, s.ay, s.bx, s.by));
    a = std::max(a, MKC_Cover(d - r));
  });
}

}  // namespace

int MKC_FontHas(char ch) { return glyph(ch) != nullptr; }

void MKC_GlyphExtent(char ch, const MKC_TextStyle& style, float* left, float* right) {
  const Glyph* g = glyph(ch);
  float k = scale_of(style);
  *left = 0.0f;
  if (!g) {
    *right = style.space * style.size;
    return;
  }
  *right = (g->maxX - g->minX) * k + style.weight;
}

float MKC_TextWidth(const std::string& text, const MKC_TextStyle& style) {
  float x = 0.0f;
  for (std::size_t i = 0; i < text.size(); i++) {
    float l, r;
    MKC_GlyphExtent(text[i], style, &l, &r);
    x += r + (glyph(text[i]) ? style.tracking : 0.0f);
  }
  return x;
}

float MKC_TextDraw(MKC_Mask& m, const std::string& text, float x, float y, const MKC_TextStyle& style, float wrap) {
  for (char ch : text) {
    const Glyph* g = glyph(ch);
    float l, r;
    MKC_GlyphExtent(ch, style, &l, &r);
    if (g) {
      draw_glyph(m, *g, x, y, style);
      if (wrap > 0.0f) {
        draw_glyph(m, *g, x - wrap, y, style);
        draw_glyph(m, *g, x + wrap, y, style);
      }
      x += style.tracking;
    }
    x += r;
  }
  return x;
}

float MKC_TextDrawCentred(MKC_Mask& m, const std::string& text, float cx, float y, const MKC_TextStyle& style) {
  return MKC_TextDraw(m, text, cx - MKC_TextWidth(text, style) * 0.5f, y, style);
}
