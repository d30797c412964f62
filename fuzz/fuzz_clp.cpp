// libFuzzer target: arbitrary CLP files through newstream, startstream and updatestream, with
// the clock driven by the input. Layout: one byte whose low five bits give the number of
// updates n, then n clock steps of one byte each (milliseconds, low six bits), then the file.
#include <algorithm>
#include <cstdint>

#include "clip/clp.h"
#include "fuzz/fuzz_file.h"
#include "platform/pl_platform.h"

namespace {
volatile std::uint8_t g_sink;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t steps = std::min<std::size_t>(data[0] & 31, size - 1);
  const std::uint8_t* step = data + 1;
  const char* path = FUZZ_WriteInput(data + 1 + steps, size - 1 - steps, ".clp");
  // Just before the 32-bit clock wraps, so that the wrap is crossed as well.
  PL_TimerSetManual(1, 0xFFFFFF00u);
  ClpStream* s = newstream(path);
  if (!s) return 0;
  startstream(s);
  for (std::size_t k = 0; k < steps; ++k) {
    PL_TimerAdvance(step[k] & 63);
    updatestream(s);
    // The executable reads the whole picture after every update.
    g_sink = g_sink + s->picture[0] + s->picture[static_cast<std::size_t>(s->pixelCount) * 4 - 1];
  }
  deletestream(s);
  return 0;
}
