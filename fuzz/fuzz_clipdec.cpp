// libFuzzer target: arbitrary payloads decoded after a valid initialise.
// Input layout: one configuration byte (bits 0-1 picture size, 2-4 output type, 5-6
// post-processing level), then frames, each a 16-bit little-endian length and that many bytes
// (the last frame takes whatever remains).
#include <cstdint>
#include <cstring>
#include <vector>

#include "clip/dec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static constexpr int kSizes[4][2] = {{176, 144}, {64, 48}, {16, 16}, {352, 288}};
  static constexpr int kLevels[4] = {0, 5, 35, 100};
  const uint8_t config = data[0];
  const int w = kSizes[config & 3][0], h = kSizes[config & 3][1];
  const int type = (config >> 2) & 7;
  DEC_Params params = {w, h, 0, type ? type : DEC_OUT_BGR0};
  if (DEC_Control(nullptr, DEC_OP_INITIALISE, &params, nullptr) != 0) __builtin_trap();
  DEC_PostLevel level = {kLevels[(config >> 5) & 3]};
  DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr);

  // The picture is sized exactly for the largest output (4 bytes a pixel), so the sanitizer
  // sees any write past it.
  std::vector<uint8_t> picture(static_cast<size_t>(w) * h * 4);
  size_t pos = 1;
  while (pos < size) {
    size_t length = size - pos;
    if (length >= 2) {
      const size_t declared = data[pos] | static_cast<size_t>(data[pos + 1]) << 8;
      pos += 2;
      length = declared < size - pos ? declared : size - pos;
    } else {
      pos = size - length;
    }
    // A copy of exactly the frame's bytes, so that reading past it is caught.
    std::vector<uint8_t> frame(data + pos, data + pos + length);
    DEC_Frame f = {picture.data(), frame.data(), static_cast<int32_t>(length), 1};
    DEC_Control(nullptr, DEC_OP_DECODE, &f, nullptr);
    pos += length;
  }
  DEC_Control(nullptr, DEC_OP_RELEASE, nullptr, nullptr);
  return 0;
}
