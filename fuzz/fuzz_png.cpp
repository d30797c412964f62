// Fuzzes the PNG reader the tools and the reference-frame check use.
#include <cstddef>
#include <cstdint>

#include "tools/common/tool_png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int width = 0, height = 0;
  TOOL_PngDecode(data, size, &width, &height);
  return 0;
}
