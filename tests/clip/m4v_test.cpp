// The clip tools' reader of video object layer headers on hand-made headers with the optional
// fields ffmpeg never writes (the splitter is tested on ffmpeg's streams by clppack.sh).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tools/clip/tool_m4v.h"

namespace {

// A video object layer unit: optional fields on or off, a fixed VOP rate when `increment` > 0.
std::vector<std::uint8_t> Layer(bool optional, int resolution, int increment, int timeBits, int width, int height) {
  std::vector<std::uint8_t> out = {0, 0, 1, 0xB5, 0x09, 0, 0, 1, 0x00};  // visual object, video object
  int bits = 0;
  const auto put = [&](std::uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i, ++bits) {
      if (bits % 8 == 0) out.push_back(0);
      out.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (7 - bits % 8));
    }
  };
  put(0x00000120, 32);
  put(0, 1 + 8);
  put(optional, 1);
  if (optional) put(2 << 3 | 1, 4 + 3);  // verid 2, priority 1
  put(optional ? 15 : 1, 4);
  if (optional) put(0x0C0B, 16);  // extended pixel aspect ratio
  put(optional, 1);               // vol_control_parameters
  if (optional) put(0x7, 4), put(0x7FFFFFFF, 31), put(0x7FFFFFFF, 31), put(0x1FFFF, 17);  // vbv: 79 bits
  put(0, 2);
  put(1, 1), put(resolution, 16), put(1, 1);
  put(increment > 0, 1);
  if (increment > 0) put(increment, timeBits);
  put(1, 1), put(width, 13), put(1, 1), put(height, 13), put(1, 1);
  return out;
}

TEST(M4vLayer, ReadsSizeAndFixedRateThroughTheOptionalFields) {
  TOOL_M4vLayer layer = {};
  auto full = Layer(true, 30000, 1001, 15, 320, 240);
  ASSERT_TRUE(TOOL_M4vLayerRead(full.data(), full.size(), &layer));
  EXPECT_EQ(layer.width * 1000 + layer.height, 320240);
  EXPECT_EQ(layer.timeResolution, 30000);
  EXPECT_EQ(layer.fixedIncrement, 1001);
  auto plain = Layer(false, 1, 1, 1, 720, 576);
  ASSERT_TRUE(TOOL_M4vLayerRead(plain.data(), plain.size(), &layer));
  EXPECT_EQ(layer.width * 1000 + layer.height, 720576);
  EXPECT_EQ(layer.fixedIncrement, 1);
  auto unfixed = Layer(false, 25, 0, 5, 176, 144);
  ASSERT_TRUE(TOOL_M4vLayerRead(unfixed.data(), unfixed.size(), &layer));
  EXPECT_EQ(layer.fixedIncrement, 0);
  // Cut inside the size, or no layer at all.
  unfixed.resize(unfixed.size() - 3);
  EXPECT_FALSE(TOOL_M4vLayerRead(unfixed.data(), unfixed.size(), &layer));
  EXPECT_FALSE(TOOL_M4vLayerRead(unfixed.data(), 9, &layer));
}

}  // namespace
