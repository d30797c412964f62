// gallery OUT.png [SHEET...]: draws the registered sheets through the OpenGL driver in a
// 640x480 window and writes their cells, halved and captioned, as one contact-sheet PNG.
#include "tools/gallery/gallery.h"

#include <GL/gl.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/img_png.h"
#include "tools/common/tool_glwindow.h"

// D-Bus, reached through the display library, keeps a buffer for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

// Later layers add their sheets here.
constexpr GAL_Sheet kSheets[] = {
    {"driver", "Driver: colour sources, texturing, blending, depth, stencil, culling, fog, lines", GAL_SheetDriver},
    {"materials", "Materials: default and solid colours, image formats, filtering, sub-image upload", GAL_SheetMaterials},
    {"pictures", "Pictures: 128x128 tiles on the 640x480 virtual screen", GAL_SheetPictures},
    {"2d", "2D layer: pictures, full-screen material draws, sprites, fades", GAL_Sheet2d},
    {"effects", "Render target: 256x256 capture, 20-pass effects, feedback, lock, scissor bands", GAL_SheetEffects},
    {"toolkit", "Effect toolkit: text from a font sheet, sprite cells, fountain, smoke trails, light glows", GAL_SheetToolkit},
};

constexpr int kColumns = 4;
constexpr int kCellW = GAL_WIDTH / 2, kCellH = GAL_HEIGHT / 2;
constexpr int kMargin = 10;
constexpr int kCaptionH = 22;
constexpr int kTitleH = 30;
constexpr std::uint8_t kBackground[3] = {38, 38, 44};
constexpr std::uint8_t kInk[3] = {225, 225, 225};

// A 5x7 font for captions: each glyph is seven rows of five bits, the leftmost pixel highest.
struct Glyph {
  char c;
  std::uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}}, {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}}, {'*', {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}},
    {'<', {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}}, {'>', {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}},
    {';', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08}}, {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}}, {'&', {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}}, {'"', {0x1B, 0x1B, 0x09, 0x12, 0x00, 0x00, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
};

const Glyph* find_glyph(char c) {
  c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return nullptr;
}

struct Sheet {
  int width, height;
  std::vector<std::uint8_t> rgb;
  std::uint8_t* at(int x, int y) { return &rgb[(std::size_t(y) * width + x) * 3]; }
};

void draw_text(Sheet& s, int x, int y, const std::string& text, int scale, int maxWidth) {
  GAL_Text(s.rgb.data(), s.width, s.height, x, y, text.c_str(), scale, kInk, maxWidth);
}

// The cell at half size, each output pixel the mean of a 2x2 block.
void place_cell(Sheet& s, int x0, int y0, const GAL_Cell& cell) {
  for (int y = 0; y < kCellH; y++)
    for (int x = 0; x < kCellW; x++)
      for (int k = 0; k < 3; k++) {
        const std::uint8_t* p = &cell.rgb[(std::size_t(2 * y) * GAL_WIDTH + 2 * x) * 3 + k];
        const std::size_t down = std::size_t(GAL_WIDTH) * 3;
        s.at(x0 + x, y0 + y)[k] = std::uint8_t((p[0] + p[3] + p[down] + p[down + 3] + 2) / 4);
      }
}

Sheet compose(const std::vector<GAL_Page>& pages) {
  Sheet s{};
  s.width = kMargin + kColumns * (kCellW + kMargin);
  s.height = kMargin;
  for (const GAL_Page& p : pages)
    s.height += kTitleH + int((p.cells.size() + kColumns - 1) / kColumns) * (kCellH + kCaptionH + kMargin);
  s.rgb.resize(std::size_t(s.width) * s.height * 3);
  for (std::size_t i = 0; i < s.rgb.size(); i++) s.rgb[i] = kBackground[i % 3];
  int y = kMargin;
  for (const GAL_Page& p : pages) {
    draw_text(s, kMargin, y + 10, p.title, 2, s.width - 2 * kMargin);
    y += kTitleH;
    for (std::size_t i = 0; i < p.cells.size(); i++) {
      int x = kMargin + int(i % kColumns) * (kCellW + kMargin);
      int cy = y + int(i / kColumns) * (kCellH + kCaptionH + kMargin);
      place_cell(s, x, cy, p.cells[i]);
      draw_text(s, x, cy + kCellH + 6, p.cells[i].caption, 2, kCellW);
    }
    y += int((p.cells.size() + kColumns - 1) / kColumns) * (kCellH + kCaptionH + kMargin);
  }
  return s;
}


void print_error(const char* message) { std::fprintf(stderr, "gallery: engine: %s\n", message); }

int usage() {
  std::fprintf(stderr, "usage: gallery OUT.png [SHEET...]\nsheets:\n");
  for (const GAL_Sheet& s : kSheets) std::fprintf(stderr, "  %-10s %s\n", s.name, s.title);
  return 2;
}

void fill_corners(GAL_Quad& q, float r, float g, float b, float a) {
  for (float* c : q.colour) {
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
  }
}

// The quad as a polygon on the caller's stack.
struct StackPoly {
  KR_MeshVertex vertices[4]{};
  KR_MeshPoly poly{};
  explicit StackPoly(const GAL_Quad& q) {
    const float us[4] = {0.0f, q.uMax, q.uMax, 0.0f}, vs[4] = {0.0f, 0.0f, q.vMax, q.vMax};
    poly.cornerCount = 4;
    poly.material = q.material;
    poly.lightmap = q.lightmap;
    for (int k = 0; k < 4; k++) {
      vertices[k].tposition = vertices[k].position = KR_Vector{q.x[k], q.y[k], q.z[k]};
      KR_MeshCorner& c = poly.corners[k];
      c.vertex = &vertices[k];
      std::memcpy(c.colour, q.colour[k], sizeof(c.colour));
      c.u = c.lu = us[k];
      c.v = c.lv = vs[k];
    }
  }
};

}  // namespace

void GAL_Text(std::uint8_t* rgb, int width, int height, int x, int y, const char* text, int scale,
              const std::uint8_t ink[3], int maxWidth) {
  const int end = maxWidth < 0 ? width : x + maxWidth;
  for (const char* c = text; *c; c++) {
    if (x + 5 * scale > end) break;
    if (const Glyph* g = find_glyph(*c))
      for (int row = 0; row < 7; row++)
        for (int col = 0; col < 5; col++) {
          if (!(g->rows[row] & (0x10 >> col))) continue;
          for (int dy = 0; dy < scale; dy++)
            for (int dx = 0; dx < scale; dx++) {
              int px = x + col * scale + dx, py = y + row * scale + dy;
              if (px >= 0 && py >= 0 && px < width && py < height)
                std::memcpy(&rgb[(std::size_t(py) * width + px) * 3], ink, 3);
            }
        }
    x += 6 * scale;
  }
}

void GAL_Begin(float r, float g, float b) {
  GFX_Enable(GFX_PERSPECTIVE);
  GFX_ogl.lastFov = 0.0f;
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  GFX_Disable(GFX_STENCIL_TEST);
  GFX_Disable(GFX_FOG);
  GFX_OglDefaultState();
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  GFX_Set(GFX_SET_COLOUR, 1, white);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GFX_SetTextureLayer(0);
  glClearColor(r, g, b, 0.0f);
  GFX_ClearStencil(0);
  GFX_BeginFrame();
}

void GAL_Capture(GAL_Page& page, const char* caption) {
  GAL_Cell cell{caption, std::vector<std::uint8_t>(std::size_t(GAL_WIDTH) * GAL_HEIGHT * 3)};
  std::vector<std::uint8_t> rows(cell.rgb.size());
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, GAL_WIDTH, GAL_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  const std::size_t stride = std::size_t(GAL_WIDTH) * 3;
  for (int y = 0; y < GAL_HEIGHT; y++)
    std::memcpy(&cell.rgb[std::size_t(y) * stride], &rows[std::size_t(GAL_HEIGHT - 1 - y) * stride], stride);
  page.cells.push_back(std::move(cell));
  GFX_EndFrame();
}

GAL_Quad GAL_Rect(float left, float top, float right, float bottom, float z, float r, float g, float b, float a) {
  GAL_Quad q{{left, right, right, left}, {top, top, bottom, bottom}, {z, z, z, z}, {}};
  fill_corners(q, r, g, b, a);
  return q;
}

int GAL_Draw(const GAL_Quad& quad, int (*draw)(KR_MeshPoly* poly)) {
  StackPoly p(quad);
  return draw(&p.poly);
}

GFX_Material* GAL_Material(int width, int height, int format,
                           void (*pixel)(int x, int y, std::uint8_t* rgba, const void* user), const void* user) {
  GFX_Material* m = GFX_MaterialNew(width, height, format);
  if (!m) return nullptr;
  const int bpp = IMG_BytesPerPixel(format);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      std::uint8_t rgba[4] = {0, 0, 0, 255};
      pixel(x, y, rgba, user);
      std::memcpy(m->image->data + (std::size_t(y) * width + x) * bpp, rgba, std::size_t(bpp));
    }
  GFX_MaterialUpload(m);
  return m;
}

GFX_Material* GAL_Checker(int size, int square, const std::uint8_t a[3], const std::uint8_t b[3]) {
  struct Colours {
    int square;
    const std::uint8_t *a, *b;
  } colours{square, a, b};
  return GAL_Material(size, size, IMG_RGB, [](int x, int y, std::uint8_t* rgba, const void* user) {
    const auto* c = static_cast<const Colours*>(user);
    std::memcpy(rgba, ((x / c->square + y / c->square) & 1) ? c->b : c->a, 3);
  }, &colours);
}

void GAL_Release(GFX_Material* material) {
  if (!material) return;
  GFX_MaterialUnbind(material);
  GFX_MaterialDelete(material);
}

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return usage();
  std::vector<const GAL_Sheet*> chosen;
  for (int i = 2; i < argc; i++) {
    const GAL_Sheet* found = nullptr;
    for (const GAL_Sheet& s : kSheets)
      if (std::strcmp(s.name, argv[i]) == 0) found = &s;
    if (!found) {
      std::fprintf(stderr, "gallery: no sheet '%s'\n", argv[i]);
      return usage();
    }
    chosen.push_back(found);
  }
  if (chosen.empty())
    for (const GAL_Sheet& s : kSheets) chosen.push_back(&s);

  KR_ErrorSetSink(print_error);
  if (!KR_Initialise()) return 1;
  if (!TOOL_GlWindowOpen("velmar gallery", GAL_WIDTH, GAL_HEIGHT)) {
    std::fprintf(stderr, "gallery: no OpenGL window (is there an X display? try xvfb-run)\n");
    return 1;
  }
  std::vector<GAL_Page> pages;
  for (const GAL_Sheet* s : chosen) {
    pages.push_back(GAL_Page{s->title, {}});
    s->render(pages.back());
  }
  Sheet sheet = compose(pages);
  GFX_OglShutdown();
  if (!IMG_PngWrite(argv[1], sheet.rgb.data(), sheet.width, sheet.height)) {
    std::fprintf(stderr, "gallery: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("gallery: %s, %d x %d, %zu sheet(s)\n", argv[1], sheet.width, sheet.height, pages.size());
  return 0;
}
