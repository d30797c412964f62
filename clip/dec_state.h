// The decoder's module-wide state and the functions its source files share. One decoder per
// loaded copy of the library: everything lives in DEC_state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "clip/dec.h"
#include "clip/dec_bits.h"
#include "clip/dec_dsp.h"

// Borders around the picture in each frame store: 32 luma and 16 chroma samples.
inline constexpr int kDecBorder = 32;
// Per-macroblock tables have one row above and one column on each side for the neighbours.
inline constexpr int kDecMbRows = DEC_MAX_MB_Y + 1;
inline constexpr int kDecMbCols = DEC_MAX_MB_X + 2;

// Video object layer parameters.
struct DEC_Vol {
  int verid;
  int shape;  // 0 rectangular
  int timeResolution;
  int timeBits;  // bits of vop_time_increment
  int width;
  int height;
  int interlaced;
  int sprite;
  int quantPrecision;
  int bitsPerPixel;
  int quantType;
  int quarterSample;
  int complexityDisable;
};

struct DEC_FrameStore {
  uint8_t* memory;  // one block for the three planes
  uint8_t* y;       // picture origins (top-left sample)
  uint8_t* u;
  uint8_t* v;
};

enum { DEC_VOP_I = 0, DEC_VOP_P = 1 };

// Intra prediction values of one block: the dequantised DC, then the quantised first row
// (columns 1..7) and first column (rows 1..7).
struct DEC_BlockPred {
  int16_t dc;
  int16_t row[7];
  int16_t col[7];
};

struct DEC_State {
  int initialisedOnce;
  int initialised;
  DEC_Vol vol;

  int width, height;      // as initialised
  int mbWidth, mbHeight;  // macroblocks across and down
  std::ptrdiff_t yStride, cStride;
  DEC_FrameStore frames[2];
  DEC_FrameStore* cur;
  DEC_FrameStore* ref;
  uint8_t* display[3];  // post-processing planes, no border

  const DEC_Dsp* dsp;
  const DEC_Dsp* dspOverride;  // tests: use this variant at the next initialise
  int outputType;
  int postOn;
  int postPasses;  // bit 0 luma vertical edges, 1 luma horizontal, 2 chroma vertical, 3 chroma horizontal

  // The VOP being decoded.
  int codingType;
  int rounding;
  int quant;
  int fcode;
  int packetStart;  // index of the first macroblock of the current video packet
  uint32_t vopCount;  // VOPs decoded since initialise, from 1

  DEC_Bits bits;

  // Per-macroblock tables, indexed [mb_y + 1][mb_x + 1].
  uint8_t qpStore[kDecMbRows][kDecMbCols];
  int16_t mv[kDecMbRows][kDecMbCols][4][2];  // luma block vectors, half samples
  DEC_BlockPred pred[kDecMbRows][kDecMbCols][6];
  // The VOP count at which each macroblock was last coded intra: its predictors count only
  // when that is the current VOP (border entries stay 0, outside the VOP).
  uint32_t intraStamp[kDecMbRows][kDecMbCols];

  alignas(32) int16_t blocks[6][64];
  alignas(32) uint8_t scratch[64];
};

extern DEC_State DEC_state;

// Ends the process with an unsupported-feature status (in the fuzz build: returns to the
// decode call, which answers with the status).
[[noreturn]] void DEC_Exit(int status);

// Header parsing. DEC_ParseVol reads from just after the 32-bit start code. Both return 0 on
// success, DEC_RESULT_REFUSED for headers outside the supported subset, or an exit status.
int DEC_ParseVol(DEC_Bits* b, DEC_Vol* vol);
// Parses a VOP header into DEC_state; *coded is 0 for a VOP with vop_coded 0.
int DEC_ParseVop(DEC_Bits* b, int* coded);

// Decodes the macroblocks of the VOP whose header was just read.
void DEC_DecodeMacroblocks(void);
