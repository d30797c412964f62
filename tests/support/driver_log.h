// What reaches the graphics driver: a do-nothing driver for tests without a display, and a log
// of the state calls of the current driver (the do-nothing driver also logs what it draws).
#pragma once

#include <string>
#include <vector>

struct KR_MeshPoly;

namespace vt {

// Selects, once per process, a driver whose slots do nothing (8 stencil bits), with a 640x480
// mode and the 90-degree perspective; false when another driver is already current.
bool NullDriverSelect();

// While alive, enable, disable, set and clear_stencil calls reach the driver and are logged as
// "enable 6", "set 6 5 128" (the int32 reference of stencil kinds), "set 3 3 0.5" (the float of
// blend kinds 3 and 4), "clear_stencil 129"; the do-nothing driver adds "draw_poly" and
// "quad_vertices" and keeps the polygons.
struct DriverLog {
  DriverLog();
  ~DriverLog();
  DriverLog(const DriverLog&) = delete;
  DriverLog& operator=(const DriverLog&) = delete;
  int Count(const std::string& prefix) const;  // calls starting with `prefix`
  std::vector<std::string> calls;
  std::vector<KR_MeshPoly*> drawn, quads;
};

}  // namespace vt
