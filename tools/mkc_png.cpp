// PNG writing: signature, IHDR, one IDAT with filter byte 0 on every row, IEND.
#include "tools/mkc_png.h"

#include <zlib.h>

#include "tools/tool_pack.h"

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 3; i >= 0; i--) out.push_back(std::uint8_t(v >> (8 * i)));
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  put32(out, std::uint32_t(data.size()));
  std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
  put32(out, std::uint32_t(crc));
}

}  // namespace

bool MKC_PngWrite(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  if (width <= 0 || height <= 0 || rgb.size() != std::size_t(width) * height * 3) return false;
  std::vector<std::uint8_t> raw;
  raw.reserve((std::size_t(width) * 3 + 1) * height);
  for (int y = 0; y < height; y++) {
    raw.push_back(0);
    auto row = rgb.begin() + std::ptrdiff_t(std::size_t(y) * width * 3);
    raw.insert(raw.end(), row, row + width * 3);
  }
  uLongf bound = compressBound(uLong(raw.size()));
  std::vector<std::uint8_t> packed(bound);
  if (compress2(packed.data(), &bound, raw.data(), uLong(raw.size()), 6) != Z_OK) return false;
  packed.resize(bound);

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  put32(ihdr, std::uint32_t(width));
  put32(ihdr, std::uint32_t(height));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  chunk(out, "IHDR", ihdr);
  chunk(out, "IDAT", packed);
  chunk(out, "IEND", {});
  return TOOL_WriteFile(path, out);
}
