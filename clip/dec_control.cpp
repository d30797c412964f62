// DEC_Control and its operations: initialise (frame stores and output), release, the choice
// of post-filters and converter, and the decoding of one coded frame up to its output.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "clip/dec_state.h"

DEC_State DEC_state;

namespace {

#ifdef VELMAR_FUZZ_BUILD
std::jmp_buf g_exitJump;
bool g_exitArmed = false;
int g_exitStatus = 0;
#endif

// The filter passes by post-processing level: luma across vertical edges from 1, luma across
// horizontal edges from 10, chroma vertical from 30, chroma horizontal from 40.
int PostPasses(int level) {
  int passes = 0;
  if (level >= 1) passes |= 1;
  if (level >= 10) passes |= 2;
  if (level >= 30) passes |= 4;
  if (level >= 40) passes |= 8;
  return passes;
}

void ChooseOutput(int type) {
  if (type >= DEC_OUT_PLANAR && type <= DEC_OUT_UYVY) DEC_state.outputType = type;
}

int Initialise(const DEC_Params* p) {
  DEC_State& s = DEC_state;
  if (s.initialised || !p) return DEC_RESULT_REFUSED;
  // Sizes are whole macroblocks inside the limits of the per-macroblock tables.
  if (p->width < 16 || p->height < 16 || p->width > DEC_MAX_WIDTH || p->height > DEC_MAX_HEIGHT ||
      p->width % 16 || p->height % 16)
    return DEC_RESULT_REFUSED;

  s.vol.quantPrecision = 5;
  s.vol.bitsPerPixel = 8;
  s.vol.quantType = 0;
  s.vol.complexityDisable = 1;
  s.vol.interlaced = 0;
  s.postOn = 0;
  s.postPasses = 0;
  if (!s.initialisedOnce) {
    // A VOP decoded before any layer header reads a 4-bit vop_time_increment.
    s.vol.timeResolution = 15;
    s.vol.timeBits = 4;
    s.initialisedOnce = 1;
  }
  s.width = p->width;
  s.height = p->height;
  s.mbWidth = p->width / 16;
  s.mbHeight = p->height / 16;
  s.yStride = p->width + 2 * kDecBorder;
  s.cStride = s.yStride / 2;

  for (auto& row : s.pred)
    for (auto& mb : row)
      for (DEC_BlockPred& b : mb) {
        b.dc = 1024;
        std::memset(b.row, 0, sizeof(b.row));
        std::memset(b.col, 0, sizeof(b.col));
      }
  std::memset(s.mv, 0, sizeof(s.mv));
  std::memset(s.intraStamp, 0, sizeof(s.intraStamp));
  s.vopCount = 0;
  std::memset(s.qpStore, 0, sizeof(s.qpStore));
  std::memset(s.blocks, 0, sizeof(s.blocks));

  const std::size_t lumaSize = static_cast<std::size_t>(s.yStride) * (s.height + 2 * kDecBorder);
  const std::size_t chromaSize = lumaSize / 4;
  const std::size_t pictureSize = static_cast<std::size_t>(s.width) * s.height;
  for (DEC_FrameStore& f : s.frames) {
    f.memory = static_cast<uint8_t*>(std::calloc(lumaSize + 2 * chromaSize, 1));
    if (!f.memory) break;
    f.y = f.memory + kDecBorder * s.yStride + kDecBorder;
    f.u = f.memory + lumaSize + (kDecBorder / 2) * s.cStride + kDecBorder / 2;
    f.v = f.u + chromaSize;
  }
  s.display[0] = static_cast<uint8_t*>(std::malloc(pictureSize * 3 / 2));
  if (!s.frames[0].memory || !s.frames[1].memory || !s.display[0]) {
    std::printf("malloc failed\n");
    std::fflush(stdout);
    // Not a success: the process ends with a failure status.
    std::exit(1);
  }
  s.display[1] = s.display[0] + pictureSize;
  s.display[2] = s.display[1] + pictureSize / 4;
  s.cur = &s.frames[0];
  s.ref = &s.frames[1];

  s.dsp = s.dspOverride ? s.dspOverride : DEC_DspBest();
  s.outputType = p->outputFormat == 16 ? DEC_OUT_RGB565
                 : p->outputFormat == 32 ? DEC_OUT_BGR0
                 : p->outputFormat ? DEC_OUT_BGR
                                   : s.outputType;
  if (!p->outputFormat) ChooseOutput(p->outputType);
  if (s.outputType < DEC_OUT_PLANAR || s.outputType > DEC_OUT_UYVY) s.outputType = DEC_OUT_BGR0;
  s.initialised = 1;
  return 0;
}

int Release() {
  DEC_State& s = DEC_state;
  for (DEC_FrameStore& f : s.frames) {
    std::free(f.memory);
    f = {};
  }
  std::free(s.display[0]);
  s.display[0] = s.display[1] = s.display[2] = nullptr;
  s.initialised = 0;
  return 0;
}

// Replicates the edge samples of one plane into its border, corners from the corner samples.
void FillBorder(uint8_t* origin, std::ptrdiff_t stride, int w, int h, int border) {
  for (int y = 0; y < h; ++y) {
    uint8_t* row = origin + y * stride;
    std::memset(row - border, row[0], border);
    std::memset(row + w, row[w - 1], border);
  }
  for (int y = 1; y <= border; ++y) {
    std::memcpy(origin - y * stride - border, origin - border, w + 2 * border);
    std::memcpy(origin + (h - 1 + y) * stride - border, origin + (h - 1) * stride - border,
                w + 2 * border);
  }
}

void FillBorders(DEC_FrameStore* f) {
  DEC_State& s = DEC_state;
  FillBorder(f->y, s.yStride, s.width, s.height, kDecBorder);
  FillBorder(f->u, s.cStride, s.width / 2, s.height / 2, kDecBorder / 2);
  FillBorder(f->v, s.cStride, s.width / 2, s.height / 2, kDecBorder / 2);
}

void CopyPlane(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int w, int h) {
  for (int y = 0; y < h; ++y) std::memcpy(dst + y * w, src + y * stride, w);
}

void Render(const DEC_FrameStore* f, uint8_t* picture) {
  DEC_State& s = DEC_state;
  const int cw = s.width / 2, ch = s.height / 2;
  DEC_Planes in = {f->y, f->u, f->v, s.yStride, s.cStride, s.width, s.height};
  if (s.postOn) {
    CopyPlane(s.display[0], f->y, s.yStride, s.width, s.height);
    CopyPlane(s.display[1], f->u, s.cStride, cw, ch);
    CopyPlane(s.display[2], f->v, s.cStride, cw, ch);
    const uint8_t* qp = &s.qpStore[1][1];
    if (s.postPasses & 1) s.dsp->deblockVertical(s.display[0], s.width, s.width, s.height, qp, kDecMbCols, 4);
    if (s.postPasses & 2) s.dsp->deblockHorizontal(s.display[0], s.width, s.width, s.height, qp, kDecMbCols, 4);
    for (int c = 1; c <= 2; ++c) {
      if (s.postPasses & 4) s.dsp->deblockVertical(s.display[c], cw, cw, ch, qp, kDecMbCols, 3);
      if (s.postPasses & 8) s.dsp->deblockHorizontal(s.display[c], cw, cw, ch, qp, kDecMbCols, 3);
    }
    in = {s.display[0], s.display[1], s.display[2], s.width, cw, s.width, s.height};
  }
  const int t = s.outputType;
  s.dsp->convert[t](picture, in, t >= DEC_OUT_BGR0 && t <= DEC_OUT_RGB565);
}

// Finds the start code of the video object layer header at the bit reader, past a video
// object start code. Returns 1 when one is there (the reader is after its 32 bits), 0 when
// the payload starts otherwise, or an exit status.
int FindVol(DEC_Bits* b) {
  if (DEC_BitsPeek(b, 27) == 0x000001 << 3) {  // video_object_start_code prefix
    DEC_BitsSkip(b, 32);
    if (DEC_BitsPeek(b, 28) != 0x0000012) return DEC_EXIT_NO_VOL;
  }
  if (DEC_BitsPeek(b, 28) != 0x0000012) return 0;
  DEC_BitsSkip(b, 32);
  return 1;
}

int Decode(const DEC_Frame* frame) {
  DEC_State& s = DEC_state;
  if (!s.initialised || !frame || (!frame->bitstream && frame->length > 0)) return DEC_RESULT_REFUSED;
  DEC_Bits* b = &s.bits;
  DEC_BitsInit(b, static_cast<const uint8_t*>(frame->bitstream), frame->length);

  const int found = FindVol(b);
  if (found > 1) DEC_Exit(found);
  if (found) {
    DEC_Vol vol = s.vol;
    const int status = DEC_ParseVol(b, &vol);
    if (status > 1) DEC_Exit(status);
    // The frame stores are sized by initialise: a layer of another size is not decoded.
    if (status || vol.width != s.width || vol.height != s.height) return DEC_RESULT_REFUSED;
    s.vol = vol;
    DEC_BitsAlign(b);
    if (DEC_BitsPeek(b, 32) == 0x000001B2) DEC_Exit(DEC_EXIT_USER_DATA);
  }

  int coded = 1;
  const int status = DEC_ParseVop(b, &coded);
  if (status > 1) DEC_Exit(status);
  if (status) return DEC_RESULT_REFUSED;
  if (!coded) {
    // Nothing coded: the picture stays the reference.
    if (frame->render && frame->picture) Render(s.ref, static_cast<uint8_t*>(frame->picture));
    return 0;
  }
  DEC_DecodeMacroblocks();
  FillBorders(s.cur);
  if (frame->render && frame->picture) Render(s.cur, static_cast<uint8_t*>(frame->picture));
  DEC_FrameStore* t = s.cur;
  s.cur = s.ref;
  s.ref = t;
  return 0;
}

}  // namespace

void DEC_Exit(int status) {
#ifdef VELMAR_FUZZ_BUILD
  if (g_exitArmed) {
    g_exitStatus = status;
    std::longjmp(g_exitJump, 1);
  }
#endif
  std::fflush(stdout);
  std::exit(status);
}

int DEC_Control(void* /*handle*/, int operation, void* record, void* /*second*/) {
  DEC_State& s = DEC_state;
  switch (operation) {
    case DEC_OP_INITIALISE:
      return Initialise(static_cast<const DEC_Params*>(record));
    case DEC_OP_RELEASE:
      return Release();
    case DEC_OP_SET_POST: {
      const int level = record ? static_cast<const DEC_PostLevel*>(record)->level : -1;
      if (level < 0 || level > 100) return DEC_RESULT_BAD_LEVEL;
      s.postOn = level != 0;
      s.postPasses = PostPasses(level);
      return 0;
    }
    case DEC_OP_SET_OUTPUT:
      if (record) ChooseOutput(static_cast<const DEC_Params*>(record)->outputType);
      return 0;
    default:
#ifdef VELMAR_FUZZ_BUILD
    {
      // The fuzz build answers an unsupported stream with its exit status instead of exiting.
      if (setjmp(g_exitJump)) {
        g_exitArmed = false;
        return g_exitStatus;
      }
      g_exitArmed = true;
      const int result = Decode(static_cast<const DEC_Frame*>(record));
      g_exitArmed = false;
      return result;
    }
#else
      return Decode(static_cast<const DEC_Frame*>(record));
#endif
  }
}

int DEC_StreamSize(const uint8_t* data, int length, int* width, int* height) {
  for (int i = 0; i + 4 <= length; ++i) {
    if (data[i] || data[i + 1] || data[i + 2] != 1 || (data[i + 3] & 0xF0) != 0x20) continue;
    DEC_Bits b;
    DEC_BitsInit(&b, data + i + 4, length - i - 4);
    DEC_Vol vol = {};
    // The size comes before the fields that may make the layer unsupported.
    DEC_ParseVol(&b, &vol);
    if (vol.width <= 0 || vol.height <= 0) return 0;
    *width = vol.width;
    *height = vol.height;
    return 1;
  }
  return 0;
}
