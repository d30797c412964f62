// The pack's five video clips: 320 x 240 frames at 25 per second, rendered procedurally, each
// looping without a visible seam (the clip library wraps to the first frame).
#pragma once

#include <string>
#include <vector>

#include "tools/mkcontent/mkc_raster.h"

constexpr int MKC_CLIP_WIDTH = 320;
constexpr int MKC_CLIP_HEIGHT = 240;
constexpr int MKC_CLIP_RATE = 25;

struct MKC_ClipEntry {
  std::string name;  // file name without extension, in data/video
  int frames;
  // Renders frame i (0 <= i < frames) into a 320 x 240 canvas.
  void (*render)(MKC_Canvas& frame, int i, int frames);
};

std::vector<MKC_ClipEntry> MKC_ClipEntries(void);
