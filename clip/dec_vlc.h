// Variable-length code tables of MPEG-4 Visual simple profile, as lookup tables built once
// from the code lists: two-level tables indexed by the next bits of the stream.
#pragma once

#include <cstdint>

// One lookup entry: symbol in the low 16 bits, code length in bits 16..23 (0: no code).
// Root entries whose codes are longer than the root bits point at a sub-table instead.
struct DEC_Vlc {
  uint32_t entries[6144];
  int rootBits;
  int subBits;
};

inline constexpr uint32_t kVlcSubFlag = 1u << 31;
inline int DEC_VlcSymbol(uint32_t e) { return static_cast<int16_t>(e & 0xffff); }
inline int DEC_VlcLength(uint32_t e) { return static_cast<int>((e >> 16) & 0xff); }

// Symbols of the coefficient tables: level | run << 5 | last << 11; the escape code has its own.
inline constexpr int kTcoefEscape = 0x7fff;
inline int DEC_TcoefLevel(int s) { return s & 31; }
inline int DEC_TcoefRun(int s) { return (s >> 5) & 63; }
inline int DEC_TcoefLast(int s) { return (s >> 11) & 1; }

// The shape of the coefficient tables: root entries for the first 10 bits, sub-tables for the
// 2 more of the longest (12-bit) codes.
inline constexpr int kTcoefRootBits = 10;
inline constexpr int kTcoefSubBits = 2;

// The stuffing code of the mcbpc tables; other symbols are macroblock type * 4 + cbpc.
inline constexpr int kMcbpcStuffing = 0xff;

struct DEC_VlcTables {
  DEC_Vlc mcbpcIntra;
  DEC_Vlc mcbpcInter;
  DEC_Vlc cbpy;       // symbol: cbpy as coded for intra macroblocks
  DEC_Vlc dcLuma;     // symbol: dct_dc_size
  DEC_Vlc dcChroma;
  DEC_Vlc motion;     // symbol: |motion_code| 0..32, the sign follows the code for non-zero
  DEC_Vlc tcoef[2];   // [0] inter, [1] intra; sign bit follows the code
  // Escape limits derived from the coefficient tables: the largest level for (last, run) and
  // the largest run for (last, level); [intra][last][...].
  uint8_t maxLevel[2][2][64];
  uint8_t maxRun[2][2][32];
};

// The tables, built when the module is loaded.
extern const DEC_VlcTables DEC_tables;
inline const DEC_VlcTables& DEC_Tables(void) { return DEC_tables; }

// Scan orders as natural positions (row * 8 + column): zigzag, alternate horizontal, alternate
// vertical.
extern const uint8_t kDecScan[3][64];
