// Fuzzes the TGA reader.
#include "fuzz/fuzz_file.h"
#include "gfx/img_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IMG_ImageDelete(IMG_TgaLoad(FUZZ_WriteInput(data, size, ".tga")));
  return 0;
}
