// krtool pack / unpack.
#include <vector>

#include "base/kr_file.h"
#include "tools/common/tool_pack.h"
#include "tools/krtool/krtool.h"

int KRT_Pack(int argc, char** argv) {
  if (argc != 2) return KRT_Fail("usage: krtool pack IN OUT");
  std::vector<std::uint8_t> data;
  if (!TOOL_ReadFile(argv[0], data)) return KRT_Fail("cannot read %s", argv[0]);
  if (data.size() > 0x7FFFFFFFu) return KRT_Fail("%s is too large to pack", argv[0]);
  if (!TOOL_WriteFile(argv[1], TOOL_Pack(data))) return KRT_Fail("cannot write %s", argv[1]);
  return 0;
}

// Reads through the engine's own reader, so what comes out is what every loader sees.
int KRT_Unpack(int argc, char** argv) {
  if (argc != 2) return KRT_Fail("usage: krtool unpack IN OUT");
  KR_File* f = KR_Fopen(argv[0], "rb");
  if (!f) return KRT_Fail("cannot open %s (missing, or a damaged packed file)", argv[0]);
  std::vector<std::uint8_t> data;
  std::uint8_t buf[65536];
  std::int32_t n;
  while ((n = KR_Fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  KR_Fclose(f);
  if (!TOOL_WriteFile(argv[1], data)) return KRT_Fail("cannot write %s", argv[1]);
  return 0;
}
