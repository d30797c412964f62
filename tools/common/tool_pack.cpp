// Packed-file writer and whole-file helpers for the tools.
#include "tools/common/tool_pack.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "base/kr_file.h"

std::vector<std::uint8_t> TOOL_Pack(const std::vector<std::uint8_t>& data) {
  uLongf bound = compressBound(uLong(data.size()));
  std::vector<std::uint8_t> out(KR_PACK_HEADER + bound);
  std::memcpy(out.data(), KR_PACK_BANNER, 31);  // the banner's own terminator is the zero byte
  std::uint32_t n = std::uint32_t(data.size());
  for (int i = 0; i < 4; i++) out[31 + i] = std::uint8_t(n >> (8 * i));
  compress2(out.data() + KR_PACK_HEADER, &bound, data.data(), uLong(data.size()), Z_BEST_COMPRESSION);
  out.resize(KR_PACK_HEADER + bound);
  return out;
}

bool TOOL_ReadFile(const std::string& path, std::vector<std::uint8_t>& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  std::uint8_t buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool TOOL_WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  // An empty vector's data() may be null, which fwrite must not be given.
  bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}
