// Watching what reaches the graphics driver: a null driver for tests without a display, and a
// log that wraps the current driver's state and drawing slots, records each call and passes
// it on.
#pragma once

#include <string>
#include <vector>

struct KR_MeshPoly;

namespace vt {

// Selects, once per process, a driver whose slots do nothing (8 stencil bits), with a
// 640x480 mode and the 90-degree perspective; false when another driver is already current.
bool NullDriverSelect();

// While alive, the current driver's enable, disable, set, clear_stencil, draw_poly, begin_quads,
// quad_vertices and end_prim calls are recorded as "enable 6", "set 6 5 128" (the int32
// reference of stencil kinds), "set 3 3 0.5" (the float of blend kinds 3 and 4), "set 1 2",
// "clear_stencil 129", "draw_poly", "quad_vertices" ...; the drawn and emitted polygons are kept.
struct DriverLog {
  DriverLog();
  ~DriverLog();
  DriverLog(const DriverLog&) = delete;
  DriverLog& operator=(const DriverLog&) = delete;
  // Calls that start with `prefix`.
  int Count(const std::string& prefix) const;
  void Clear();
  std::vector<std::string> calls;
  std::vector<KR_MeshPoly*> drawn;
  std::vector<KR_MeshPoly*> quads;
};

}  // namespace vt
