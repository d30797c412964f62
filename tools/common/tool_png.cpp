// The PNG writer: signature, IHDR, one IDAT holding the zlib stream of the rows (each led by
// filter byte 0), IEND; every chunk with its CRC-32.
#include "tools/common/tool_png.h"

#include <zlib.h>

#include <cstdio>

#include "platform/pl_platform.h"

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
  put32(out, std::uint32_t(data.size()));
  std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
  put32(out, std::uint32_t(crc));
}

}  // namespace

std::vector<std::uint8_t> TOOL_PngEncode(const std::uint8_t* rgb, int width, int height) {
  if (!rgb || width <= 0 || height <= 0 || std::int64_t(width) * height * 3 > 0x3FFFFFFF) return {};
  const std::size_t stride = std::size_t(width) * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve((stride + 1) * std::size_t(height));
  for (int y = 0; y < height; y++) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb + std::size_t(y) * stride, rgb + std::size_t(y + 1) * stride);
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) return {};
  packed.resize(packedSize);

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  put32(header, std::uint32_t(width));
  put32(header, std::uint32_t(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter method, no interlace
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", packed);
  chunk(out, "IEND", {});
  return out;
}

int TOOL_PngWrite(const char* path, const std::uint8_t* rgb, int width, int height) {
  std::vector<std::uint8_t> png = TOOL_PngEncode(rgb, width, height);
  if (png.empty()) return 0;
  std::FILE* f = PL_Fopen(path, "wb");
  if (!f) return 0;
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  ok = std::fclose(f) == 0 && ok;
  return ok ? 1 : 0;
}
