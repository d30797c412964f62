// MPEG-4 Visual elementary streams for the clip tools: splitting a stream into coded frames as
// the clip library takes them, and the fields of a video object layer header the tools need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One coded frame: a VOP, with the video object and layer headers that came before it.
struct TOOL_M4vFrame {
  const std::uint8_t* data;
  std::size_t length;
};

// Splits `raw` at its start codes. Each VOP becomes a frame: a range of `raw` itself or, when
// video object or video object layer headers precede it, a copy of those headers followed by
// the VOP, kept in `joined` (its buffers stay put as it grows). Visual object sequence, visual
// object, group of VOP and user data units, and anything before the first start code, are
// dropped.
void TOOL_M4vSplit(const std::vector<std::uint8_t>& raw, std::vector<std::vector<std::uint8_t>>* joined,
                   std::vector<TOOL_M4vFrame>* frames);

struct TOOL_M4vLayer {
  int width;
  int height;
  int timeResolution;  // vop_time_increment_resolution: ticks a second
  int fixedIncrement;  // fixed_vop_time_increment; 0 when the layer has no fixed VOP rate
};

// Reads the first video object layer header in `data`. False when there is none, or it is
// cut short or not rectangular.
bool TOOL_M4vLayerRead(const std::uint8_t* data, std::size_t size, TOOL_M4vLayer* layer);

// The vop_coding_type of the frame's VOP (0 intra, 1 predicted, ...); -1 without a VOP.
int TOOL_M4vVopType(const TOOL_M4vFrame& frame);
