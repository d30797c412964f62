// The packed-file reader: any bytes, opened "rb", read every way a loader reads.
#include <cstdint>

#include "base/kr_file.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  KR_File* f = KR_Fopen(FUZZ_WriteInput(data, size, ".bin"), "rb");
  if (!f) return 0;
  char name[KR_STRING_SIZE];
  std::uint8_t block[64];
  while (KR_FreadString(name, f)) {
  }
  KR_Fseek(f, 3, 0);
  while (KR_Fread(block, 7, 9, f) > 0) {
  }
  KR_Fseek(f, -5, 2);
  while (KR_Fgetc(f) != -1) {
  }
  KR_Fseek(f, -1000, 1);
  KR_Fread(block, 4, 4, f);
  KR_Feof(f);
  KR_Ftell(f);
  KR_Fclose(f);
  return 0;
}
