// clpwrap: puts a raw MPEG-4 Visual stream into a CLP file for the tests (one VOP a record,
// video object and layer headers in front of the VOP that follows them, 25 frames a second).
//   clpwrap IN.m4v OUT.clp
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "clip/dec.h"

namespace {

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: clpwrap IN.m4v OUT.clp\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int w = 0, h = 0;
  if (!DEC_StreamSize(raw.data(), static_cast<int>(raw.size()), &w, &h)) {
    std::fprintf(stderr, "clpwrap: no video object layer header\n");
    return 1;
  }
  std::vector<uint8_t> out = {'C', 'L', 'P', '1', 0};
  Put32(&out, 0);
  Put32(&out, static_cast<uint32_t>(w));
  Put32(&out, static_cast<uint32_t>(h));
  const float rate = 25.0f;
  uint32_t bits;
  static_assert(sizeof(bits) == sizeof(rate));
  __builtin_memcpy(&bits, &rate, 4);
  Put32(&out, bits);
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 3 < raw.size(); ++i)
    if (raw[i] == 0 && raw[i + 1] == 0 && raw[i + 2] == 1) starts.push_back(i);
  std::vector<uint8_t> pending;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t begin = starts[k], end = k + 1 < starts.size() ? starts[k + 1] : raw.size();
    const uint8_t code = raw[begin + 3];
    if (code <= 0x2F) pending.insert(pending.end(), raw.begin() + begin, raw.begin() + end);
    if (code != 0xB6) continue;
    Put32(&out, static_cast<uint32_t>(pending.size() + end - begin));
    Put32(&out, 0);
    out.insert(out.end(), pending.begin(), pending.end());
    out.insert(out.end(), raw.begin() + begin, raw.begin() + end);
    pending.clear();
  }
  std::ofstream o(argv[2], std::ios::binary);
  o.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return o ? 0 : 1;
}
