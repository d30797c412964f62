// The clip tools' elementary-stream splitter and layer-header reader on hand-made streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tool_m4v.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes fields most significant bit first.
struct BitWriter {
  Bytes bytes;
  int bits = 0;
  BitWriter& Put(std::uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i, ++bits) {
      if (bits % 8 == 0) bytes.push_back(0);
      bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (7 - bits % 8));
    }
    return *this;
  }
};

struct LayerFields {
  int verid = 0;  // 0: no object layer identifier
  bool extendedAspect = false;
  bool control = false;
  bool vbv = false;
  int resolution = 25;
  int fixedIncrement = 0;  // 0: no fixed rate
  int timeBits = 5;
  int shape = 0;
  int width = 176, height = 144;
};

// A video object layer unit, start code included.
Bytes Layer(const LayerFields& f) {
  BitWriter b;
  b.Put(0x00000120, 32).Put(0, 1).Put(1, 8);
  b.Put(f.verid != 0, 1);
  if (f.verid) b.Put(f.verid, 4).Put(1, 3);
  b.Put(f.extendedAspect ? 15 : 1, 4);
  if (f.extendedAspect) b.Put(12, 8).Put(11, 8);
  b.Put(f.control, 1);
  if (f.control) {
    b.Put(1, 2).Put(1, 1).Put(f.vbv, 1);
    if (f.vbv) b.Put(0x7FFF, 15).Put(1, 1).Put(0x7FFF, 15).Put(1, 1).Put(0x7FFF, 15).Put(1, 1).Put(7, 3).Put(0x7FF, 11).Put(1, 1).Put(0x7FFF, 15).Put(1, 1);
  }
  b.Put(f.shape, 2);
  if (f.shape == 3 && f.verid != 1) b.Put(0, 4);
  b.Put(1, 1).Put(f.resolution, 16).Put(1, 1);
  b.Put(f.fixedIncrement != 0, 1);
  if (f.fixedIncrement) b.Put(f.fixedIncrement, f.timeBits);
  b.Put(1, 1).Put(f.width, 13).Put(1, 1).Put(f.height, 13).Put(1, 1);
  b.Put(0, 1).Put(1, 1).Put(0, 1).Put(0, 1).Put(0, 1).Put(1, 1).Put(1, 1).Put(0, 1).Put(0, 1);
  return b.bytes;
}

Bytes Unit(std::uint8_t code, std::initializer_list<std::uint8_t> body) {
  Bytes u = {0, 0, 1, code};
  for (std::uint8_t b : body) u.push_back(b);
  return u;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(M4vLayer, ReadsSizeAndFixedRateThroughTheOptionalFields) {
  const LayerFields cases[] = {
      {},
      {.verid = 2, .extendedAspect = true, .resolution = 30000, .fixedIncrement = 1001, .timeBits = 15, .width = 320, .height = 240},
      {.control = true, .vbv = true, .resolution = 30, .fixedIncrement = 1, .timeBits = 5, .width = 720, .height = 576},
      {.control = true, .resolution = 1, .fixedIncrement = 1, .timeBits = 1, .width = 16, .height = 16},
  };
  for (const LayerFields& f : cases) {
    const Bytes stream = Join({Unit(0xB0, {1}), Unit(0x00, {}), Layer(f)});
    TOOL_M4vLayer layer = {};
    ASSERT_TRUE(TOOL_M4vLayerRead(stream.data(), stream.size(), &layer)) << f.width;
    EXPECT_EQ(layer.width, f.width);
    EXPECT_EQ(layer.height, f.height);
    EXPECT_EQ(layer.timeResolution, f.resolution);
    EXPECT_EQ(layer.fixedIncrement, f.fixedIncrement);
  }
}

TEST(M4vLayer, RefusesMissingCutShortAndShapedLayers) {
  TOOL_M4vLayer layer = {};
  const Bytes noLayer = Join({Unit(0x00, {}), Unit(0xB6, {0x10, 0x20})});
  EXPECT_FALSE(TOOL_M4vLayerRead(noLayer.data(), noLayer.size(), &layer));
  Bytes cut = Layer({});
  cut.resize(9);
  EXPECT_FALSE(TOOL_M4vLayerRead(cut.data(), cut.size(), &layer));
  const Bytes binary = Layer({.shape = 2});
  EXPECT_FALSE(TOOL_M4vLayerRead(binary.data(), binary.size(), &layer));
  EXPECT_FALSE(TOOL_M4vLayerRead(nullptr, 0, &layer));
}

TEST(M4vSplit, OneFramePerVopWithTheHeadersInFront) {
  const Bytes vo = Unit(0x00, {});
  const Bytes vol = Layer({});
  const Bytes vop0 = Unit(0xB6, {0x10, 0x55});  // intra
  const Bytes vop1 = Unit(0xB6, {0x50, 0x66, 0x77});  // predicted
  const Bytes vop2 = Unit(0xB6, {0x51});
  const Bytes stream = Join({{0xAA, 0xBB}, Unit(0xB0, {0xF5}), Unit(0xB5, {0x09}), vo, vol, Unit(0xB2, {'x', 'y'}),
                             Unit(0xB3, {0, 0, 0}), vop0, vop1, Unit(0xB3, {1, 2, 3}), vol, vop2, Unit(0xB1, {})});
  std::vector<std::vector<std::uint8_t>> joined;
  std::vector<TOOL_M4vFrame> frames;
  TOOL_M4vSplit(stream, &joined, &frames);
  ASSERT_EQ(frames.size(), 3u);
  const auto bytes = [&](std::size_t k) { return Bytes(frames[k].data, frames[k].data + frames[k].length); };
  EXPECT_EQ(bytes(0), Join({vo, vol, vop0}));
  EXPECT_EQ(bytes(1), vop1);
  EXPECT_EQ(bytes(2), Join({vol, vop2}));
  // A VOP without headers in front is a range of the input itself.
  EXPECT_GE(frames[1].data, stream.data());
  EXPECT_LT(frames[1].data, stream.data() + stream.size());
  EXPECT_EQ(TOOL_M4vVopType(frames[0]), 0);
  EXPECT_EQ(TOOL_M4vVopType(frames[1]), 1);
  EXPECT_EQ(TOOL_M4vVopType({vo.data(), vo.size()}), -1);

  joined.clear();
  frames.clear();
  TOOL_M4vSplit({}, &joined, &frames);
  TOOL_M4vSplit({0, 0, 1}, &joined, &frames);
  TOOL_M4vSplit(Join({vo, vol}), &joined, &frames);
  EXPECT_TRUE(frames.empty());
}

}  // namespace
