// The null driver and the driver call log.
#include "tests/support/driver_log.h"

#include <cstdint>
#include <cstdio>

#include "gfx/gfx_driver.h"

namespace vt {

namespace {

GFX_Driver MakeNullDriver() {
  GFX_Driver d{};
  d.attach = [](HWND) { return 1; };
  d.enable = [](int) { return 1; };
  d.disable = [](int) { return 1; };
  d.set = [](int, int, const void*) { return 1; };
  d.set_mode = [](int, int, int, int, int, int) { return 1; };
  d.perspective = [](float, float, float) { return 1; };
  d.begin_frame = [] { return 1; };
  d.end_frame = [](GFX_Driver*) { return 1; };
  d.draw_poly = [](KR_MeshPoly*) { return 1; };
  d.draw_poly_lm = [](KR_MeshPoly*) { return 1; };
  d.begin_quads = [] { return 1; };
  d.quad_vertices = [](KR_MeshPoly*) { return 1; };
  d.end_prim = [] { return 1; };
  d.tex_create = [](GFX_Material*) { return 1; };
  d.tex_delete = [](GFX_Material*) { return 1; };
  d.tex_upload = [](GFX_Material*) { return 1; };
  d.tex_bind = [](GFX_Material*) { return 1; };
  d.max_texture_size = [] { return 2048; };
  d.stencil_bits = [] { return 8; };
  d.clear_stencil = [](int) { return 1; };
  return d;
}

GFX_Driver g_null = MakeNullDriver();
char g_window;

DriverLog* g_log = nullptr;
GFX_Driver g_saved;

void note(const std::string& call) { g_log->calls.push_back(call); }

int log_draw_poly(KR_MeshPoly* p) {
  note("draw_poly");
  g_log->drawn.push_back(p);
  return g_saved.draw_poly(p);
}

int log_quad_vertices(KR_MeshPoly* p) {
  note("quad_vertices");
  g_log->quads.push_back(p);
  return g_saved.quad_vertices(p);
}

// The OpenGL driver rewrites its drawing slots on state changes: take the new choice and keep
// watching it.
void rewrap() {
  GFX_Driver* d = GFX_DriverCurrent();
  if (d->draw_poly != log_draw_poly) g_saved.draw_poly = d->draw_poly;
  if (d->quad_vertices != log_quad_vertices) g_saved.quad_vertices = d->quad_vertices;
  d->draw_poly = log_draw_poly;
  d->quad_vertices = log_quad_vertices;
}

std::string set_text(int target, int kind, const void* params) {
  char text[64];
  if (params && target == GFX_SET_STENCIL && kind >= 1 && kind <= 7 && kind != 6)
    std::snprintf(text, sizeof text, "set %d %d %d", target, kind, *static_cast<const std::int32_t*>(params));
  else if (params && target == GFX_SET_BLEND && (kind == 3 || kind == 4))
    std::snprintf(text, sizeof text, "set %d %d %g", target, kind, double(*static_cast<const float*>(params)));
  else
    std::snprintf(text, sizeof text, "set %d %d", target, kind);
  return text;
}

int log_enable(int c) {
  note("enable " + std::to_string(c));
  int r = g_saved.enable(c);
  rewrap();
  return r;
}

int log_disable(int c) {
  note("disable " + std::to_string(c));
  int r = g_saved.disable(c);
  rewrap();
  return r;
}

int log_set(int t, int k, const void* p) {
  note(set_text(t, k, p));
  int r = g_saved.set(t, k, p);
  rewrap();
  return r;
}

int log_clear_stencil(int v) {
  note("clear_stencil " + std::to_string(v));
  return g_saved.clear_stencil(v);
}

int log_begin_quads() {
  note("begin_quads");
  return g_saved.begin_quads();
}

int log_end_prim() {
  note("end_prim");
  return g_saved.end_prim();
}

}  // namespace

bool NullDriverSelect() {
  if (GFX_DriverCurrent() == &g_null) return true;
  if (GFX_DriverCurrent() || !GFX_DriverSelect(&g_null, reinterpret_cast<HWND>(&g_window))) return false;
  GFX_SetMode(640, 480, 24, 24, 8, 0);
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  return true;
}

DriverLog::DriverLog() {
  GFX_Driver* d = GFX_DriverCurrent();
  g_saved = *d;
  g_log = this;
  d->enable = log_enable;
  d->disable = log_disable;
  d->set = log_set;
  d->clear_stencil = log_clear_stencil;
  d->begin_quads = log_begin_quads;
  d->end_prim = log_end_prim;
  rewrap();
}

DriverLog::~DriverLog() {
  GFX_Driver* d = GFX_DriverCurrent();
  rewrap();
  d->enable = g_saved.enable;
  d->disable = g_saved.disable;
  d->set = g_saved.set;
  d->clear_stencil = g_saved.clear_stencil;
  d->begin_quads = g_saved.begin_quads;
  d->end_prim = g_saved.end_prim;
  d->draw_poly = g_saved.draw_poly;
  d->quad_vertices = g_saved.quad_vertices;
  g_log = nullptr;
}

int DriverLog::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& c : calls) n += c.compare(0, prefix.size(), prefix) == 0;
  return n;
}

void DriverLog::Clear() {
  calls.clear();
  drawn.clear();
  quads.clear();
}

}  // namespace vt
