// The whole show under the virtual clock at 640x480 and 25 frames a second, the frames made
// and dropped: with "gl" on the OpenGL driver, with "null" on the do-nothing driver. Prints
// the processor time per frame of every section that drew one.
//   show_bench gl|null DATA_DIR [FROM TO]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/app_options.h"
#include "app/app_render.h"
#include "gfx/gfx_driver.h"
#include "tests/support/driver_log.h"

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "gl") != 0 && std::strcmp(argv[1], "null") != 0)) {
    std::fprintf(stderr, "usage: show_bench gl|null DATA_DIR [FROM TO]\n");
    return 2;
  }
  APP_Options o;
  o.renderDiscard = 1;
  o.dataDir = argv[2];
  o.width = 640, o.height = 480;
  o.fps = 25.0;
  if (argc >= 5) o.from = std::atof(argv[3]), o.to = std::atof(argv[4]);
  GFX_Driver* driver = nullptr;
  if (std::strcmp(argv[1], "null") == 0) {
    if (!vt::NullDriverSelect()) return 1;
    driver = GFX_DriverCurrent();
  }
  // Statistics are printed by the flow on standard error; the benchmark wants its own lines.
  o.stats = 0;
  APP_StatsStart();
  const int status = APP_Run(o, driver);
  APP_StatsPrintCpu();
  return status;
}
