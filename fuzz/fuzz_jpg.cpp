// Fuzzes the JPEG reader, plain and complemented streams (inputs starting with 56 34 12 00).
#include "fuzz/fuzz_file.h"
#include "gfx/img_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IMG_ImageDelete(IMG_JpgLoad(FUZZ_WriteInput(data, size, ".jpg")));
  return 0;
}
