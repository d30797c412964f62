// Fuzzes the PNG reader the tools and the reference-frame check use.
#include <cstddef>
#include <cstdint>

#include "gfx/img_png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int width = 0, height = 0;
  IMG_PngDecode(data, size, &width, &height);
  return 0;
}
