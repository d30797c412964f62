// Splitting MPEG-4 Visual elementary streams at their start codes and reading the video object
// layer header's size and timing fields.
#include "tools/clip/tool_m4v.h"

#include <cstring>

namespace {

// Start code values (the byte after 00 00 01).
constexpr std::uint8_t kLastHeaderCode = 0x2F;  // 0x00-0x1F video object, 0x20-0x2F layer
constexpr std::uint8_t kVopCode = 0xB6;

// Offsets of the 00 00 01 prefixes in [begin, end).
std::vector<std::size_t> StartCodes(const std::uint8_t* begin, const std::uint8_t* end) {
  std::vector<std::size_t> starts;
  if (end - begin < 4) return starts;
  // Found by their 0x01 bytes: memchr runs through the rest quickly.
  for (const std::uint8_t* p = begin + 2; p + 1 < end;) {
    p = static_cast<const std::uint8_t*>(std::memchr(p, 1, static_cast<std::size_t>(end - 1 - p)));
    if (!p) break;
    if (!p[-1] && !p[-2]) starts.push_back(static_cast<std::size_t>(p - 2 - begin));
    ++p;
  }
  return starts;
}

// Most significant bit first; reads past the end give zeros and set `over`.
struct BitReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos = 0;
  bool over = false;

  std::uint32_t Read(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++pos) {
      const std::size_t byte = pos >> 3;
      if (byte >= size) over = true;
      const int bit = byte < size ? (data[byte] >> (7 - (pos & 7))) & 1 : 0;
      v = v << 1 | static_cast<std::uint32_t>(bit);
    }
    return v;
  }
  void Skip(int n) { Read(n); }
};

int TimeBits(int resolution) {
  int bits = 1;
  while ((1 << bits) < resolution) ++bits;
  return bits;
}

}  // namespace

void TOOL_M4vSplit(const std::vector<std::uint8_t>& raw, std::vector<std::vector<std::uint8_t>>* joined,
                   std::vector<TOOL_M4vFrame>* frames) {
  const std::vector<std::size_t> starts = StartCodes(raw.data(), raw.data() + raw.size());
  std::vector<std::uint8_t> pending;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t begin = starts[k], end = k + 1 < starts.size() ? starts[k + 1] : raw.size();
    const std::uint8_t code = raw[begin + 3];
    if (code <= kLastHeaderCode) {
      pending.insert(pending.end(), raw.begin() + begin, raw.begin() + end);
    } else if (code == kVopCode && pending.empty()) {
      frames->push_back({raw.data() + begin, end - begin});
    } else if (code == kVopCode) {
      pending.insert(pending.end(), raw.begin() + begin, raw.begin() + end);
      joined->push_back(std::move(pending));
      frames->push_back({joined->back().data(), joined->back().size()});
      pending.clear();
    }
  }
}

bool TOOL_M4vLayerRead(const std::uint8_t* data, std::size_t size, TOOL_M4vLayer* layer) {
  for (std::size_t at : StartCodes(data, data + size)) {
    if ((data[at + 3] & 0xF0) != 0x20) continue;
    BitReader b{data + at + 4, size - at - 4};
    b.Skip(1 + 8);  // random_accessible_vol, video_object_type_indication
    int verid = 1;
    if (b.Read(1)) {  // is_object_layer_identifier
      verid = static_cast<int>(b.Read(4));
      b.Skip(3);
    }
    if (b.Read(4) == 15) b.Skip(8 + 8);  // extended pixel aspect ratio
    if (b.Read(1)) {                     // vol_control_parameters
      b.Skip(2 + 1);                     // chroma_format, low_delay
      if (b.Read(1)) b.Skip(15 + 1 + 15 + 1 + 15 + 1 + 3 + 11 + 1 + 15 + 1);  // vbv_parameters
    }
    const std::uint32_t shape = b.Read(2);
    if (shape == 3 && verid != 1) b.Skip(4);  // video_object_layer_shape_extension
    b.Skip(1);
    layer->timeResolution = static_cast<int>(b.Read(16));
    b.Skip(1);
    layer->fixedIncrement = 0;
    if (b.Read(1)) layer->fixedIncrement = static_cast<int>(b.Read(TimeBits(layer->timeResolution)));
    if (shape != 0) return false;
    b.Skip(1);
    layer->width = static_cast<int>(b.Read(13));
    b.Skip(1);
    layer->height = static_cast<int>(b.Read(13));
    return !b.over;
  }
  return false;
}

int TOOL_M4vVopType(const TOOL_M4vFrame& frame) {
  for (std::size_t at : StartCodes(frame.data, frame.data + frame.length))
    if (frame.data[at + 3] == kVopCode && at + 4 < frame.length) return frame.data[at + 4] >> 6;
  return -1;
}
