// The do-nothing driver and the driver call log.
#include "tests/support/driver_log.h"

#include <cstdint>
#include <cstdio>

#include "gfx/gfx_driver.h"

namespace vt {

namespace {

DriverLog* g_log = nullptr;
GFX_Driver g_saved;  // the current driver's slots while a log is alive

void note(const std::string& call) {
  if (g_log) g_log->calls.push_back(call);
}

int keep(std::vector<KR_MeshPoly*> DriverLog::*list, const char* call, KR_MeshPoly* p) {
  note(call);
  if (g_log) (g_log->*list).push_back(p);
  return 1;
}

GFX_Driver MakeNullDriver() {
  GFX_Driver d{};
  d.attach = [](HWND) { return 1; };
  d.enable = d.disable = [](int) { return 1; };
  d.set = [](int, int, const void*) { return 1; };
  d.set_mode = [](int, int, int, int, int, int) { return 1; };
  d.perspective = [](float, float, float) { return 1; };
  d.draw_poly = [](KR_MeshPoly* p) { return keep(&DriverLog::drawn, "draw_poly", p); };
  d.quad_vertices = [](KR_MeshPoly* p) { return keep(&DriverLog::quads, "quad_vertices", p); };
  d.begin_quads = d.end_prim = [] { return 1; };
  d.tex_create = d.tex_delete = d.tex_upload = d.tex_bind = [](GFX_Material*) { return 1; };
  d.max_texture_size = [] { return 2048; };
  d.stencil_bits = [] { return 8; };
  d.clear_stencil = [](int) { return 1; };
  return d;
}

GFX_Driver g_null = MakeNullDriver();

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

}  // namespace

bool NullDriverSelect() {
  if (GFX_DriverCurrent() == &g_null) return true;
  if (GFX_DriverCurrent() || !GFX_DriverSelect(&g_null, reinterpret_cast<HWND>(&g_null))) return false;
  GFX_SetMode(640, 480, 24, 24, 8, 0);
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  return true;
}

DriverLog::DriverLog() {
  GFX_Driver* d = GFX_DriverCurrent();
  g_saved = *d;
  g_log = this;
  d->enable = [](int c) { return note("enable " + std::to_string(c)), g_saved.enable(c); };
  d->disable = [](int c) { return note("disable " + std::to_string(c)), g_saved.disable(c); };
  d->set = [](int t, int k, const void* p) { return note(set_text(t, k, p)), g_saved.set(t, k, p); };
  d->clear_stencil = [](int v) { return note("clear_stencil " + std::to_string(v)), g_saved.clear_stencil(v); };
}

DriverLog::~DriverLog() {
  GFX_Driver* d = GFX_DriverCurrent();
  d->enable = g_saved.enable;
  d->disable = g_saved.disable;
  d->set = g_saved.set;
  d->clear_stencil = g_saved.clear_stencil;
  g_log = nullptr;
}

int DriverLog::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& c : calls) n += c.compare(0, prefix.size(), prefix) == 0;
  return n;
}

}  // namespace vt
