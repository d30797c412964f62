// The clip decoder's public interface: one control function driven by operation codes and
// parameter records. MPEG-4 Visual simple profile, rectangular shape, 4:2:0, decoded into
// module-wide frame stores, optionally deblocked, and converted to a packed output picture.
#pragma once

#include <cstdint>

// Operation codes of DEC_Control. Every code not listed here decodes a frame.
enum {
  DEC_OP_DECODE = 0,
  DEC_OP_INITIALISE = 0x8000,
  DEC_OP_RELEASE = 0x10000,
  DEC_OP_SET_POST = 0x20000,
  DEC_OP_SET_OUTPUT = 0x40000,
};

// Results of DEC_Control besides 0 (done).
enum {
  DEC_RESULT_REFUSED = 1,    // initialise: size outside the limits; decode: frame not decodable
  DEC_RESULT_BAD_LEVEL = 2,  // set post-processing: level outside 0..100
};

// Exit statuses for streams that use a tool the decoder does not support.
enum {
  DEC_EXIT_NO_VOL = 101,
  DEC_EXIT_DATA_PARTITIONED = 102,
  DEC_EXIT_SCALABILITY = 103,
  DEC_EXIT_USER_DATA = 104,
  DEC_EXIT_COMPLEXITY = 108,
  DEC_EXIT_INTERLACED = 109,
  DEC_EXIT_MPEG_QUANT = 110,
};

// Output types (DEC_Params.outputType, used when outputFormat is 0, and by set output).
enum {
  DEC_OUT_PLANAR = 1,  // Y plane, then the second chroma plane, then the first, top-down
  DEC_OUT_BGR0 = 2,    // 4 bytes a pixel: blue, green, red, 0; bottom-up
  DEC_OUT_BGR = 3,     // 3 bytes a pixel: blue, green, red; bottom-up
  DEC_OUT_RGB555 = 4,  // 16 bits a pixel: 0rrrrrgg gggbbbbb (little-endian word); bottom-up
  DEC_OUT_RGB565 = 5,  // 16 bits a pixel: rrrrrggg gggbbbbb (little-endian word); bottom-up
  DEC_OUT_YUYV = 6,    // packed 4:2:2: Y0, first chroma, Y1, second chroma; top-down
  DEC_OUT_UYVY = 7,    // packed 4:2:2: first chroma, Y0, second chroma, Y1; top-down
};

// Limits of the frame stores: 45 x 36 macroblocks.
enum { DEC_MAX_MB_X = 45, DEC_MAX_MB_Y = 36, DEC_MAX_WIDTH = 720, DEC_MAX_HEIGHT = 576 };

struct DEC_Params {
  int32_t width;
  int32_t height;
  int32_t outputFormat;  // 0, 16, 24 or 32
  int32_t outputType;    // 1..7, used when outputFormat is 0
};

struct DEC_Frame {
  void* picture;            // output buffer
  const void* bitstream;    // one coded frame
  int32_t length;           // bytes of bitstream
  int32_t render;           // 1 convert into picture, 0 decode only
};

struct DEC_PostLevel {
  int32_t level;  // 0..100
};

// The decoder's one entry point. The handle and the second record are not used.
int DEC_Control(void* handle, int operation, void* record, void* second);

// Reads the picture size from the first video object layer header in `data`, without touching
// the decoder. Returns 1 and sets width and height when a header was found, else 0.
int DEC_StreamSize(const uint8_t* data, int length, int* width, int* height);
