// The code lists of MPEG-4 Visual simple profile (macroblock type and coded block pattern,
// luma coded block pattern, DC sizes, motion codes, transform coefficients) and the scan
// orders, and the builder that turns each list into a lookup table.
#include "clip/dec_vlc.h"

#include <cstring>

namespace {

struct Code {
  const char* bits;  // the code, most significant bit first; spaces are ignored
  int symbol;
};

constexpr Code kMcbpcIntra[] = {
    {"1", 3 * 4 + 0},      {"001", 3 * 4 + 1},     {"010", 3 * 4 + 2},
    {"011", 3 * 4 + 3},    {"0001", 4 * 4 + 0},    {"0000 01", 4 * 4 + 1},
    {"0000 10", 4 * 4 + 2}, {"0000 11", 4 * 4 + 3}, {"0000 0000 1", kMcbpcStuffing},
};

constexpr Code kMcbpcInter[] = {
    {"1", 0 * 4 + 0},          {"0011", 0 * 4 + 1},       {"0010", 0 * 4 + 2},
    {"0001 01", 0 * 4 + 3},    {"011", 1 * 4 + 0},        {"0000 111", 1 * 4 + 1},
    {"0000 110", 1 * 4 + 2},   {"0000 0010 1", 1 * 4 + 3}, {"010", 2 * 4 + 0},
    {"0000 101", 2 * 4 + 1},   {"0000 100", 2 * 4 + 2},   {"0000 0101", 2 * 4 + 3},
    {"0001 1", 3 * 4 + 0},     {"0000 0100", 3 * 4 + 1},  {"0000 0011", 3 * 4 + 2},
    {"0000 011", 3 * 4 + 3},   {"0001 00", 4 * 4 + 0},    {"0000 0010 0", 4 * 4 + 1},
    {"0000 0001 1", 4 * 4 + 2}, {"0000 0001 0", 4 * 4 + 3}, {"0000 0000 1", kMcbpcStuffing},
};

// cbpy as it applies to intra macroblocks (inter macroblocks use 15 minus it).
constexpr Code kCbpy[] = {
    {"0011", 0},  {"0010 1", 1}, {"0010 0", 2}, {"1001", 3},    {"0001 1", 4}, {"0111", 5},
    {"0000 10", 6}, {"1011", 7}, {"0001 0", 8}, {"0000 11", 9}, {"0101", 10},  {"1010", 11},
    {"0100", 12}, {"1000", 13},  {"0110", 14},  {"11", 15},
};

constexpr Code kDcSizeLuma[] = {
    {"011", 0},         {"11", 1},           {"10", 2},           {"010", 3},
    {"001", 4},         {"0001", 5},         {"0000 1", 6},       {"0000 01", 7},
    {"0000 001", 8},    {"0000 0001", 9},    {"0000 0000 1", 10}, {"0000 0000 01", 11},
    {"0000 0000 001", 12},
};

constexpr Code kDcSizeChroma[] = {
    {"11", 0},           {"10", 1},           {"01", 2},            {"001", 3},
    {"0001", 4},         {"0000 1", 5},       {"0000 01", 6},       {"0000 001", 7},
    {"0000 0001", 8},    {"0000 0000 1", 9},  {"0000 0000 01", 10}, {"0000 0000 001", 11},
    {"0000 0000 0001", 12},
};

// Motion codes by magnitude, without the sign bit that follows every non-zero code.
constexpr Code kMotion[] = {
    {"1", 0},               {"01", 1},              {"001", 2},             {"0001", 3},
    {"0000 11", 4},         {"0000 101", 5},        {"0000 100", 6},        {"0000 011", 7},
    {"0000 0101 1", 8},     {"0000 0101 0", 9},     {"0000 0100 1", 10},    {"0000 0100 01", 11},
    {"0000 0100 00", 12},   {"0000 0011 11", 13},   {"0000 0011 10", 14},   {"0000 0011 01", 15},
    {"0000 0011 00", 16},   {"0000 0010 11", 17},   {"0000 0010 10", 18},   {"0000 0010 01", 19},
    {"0000 0010 00", 20},   {"0000 0001 11", 21},   {"0000 0001 10", 22},   {"0000 0001 01", 23},
    {"0000 0001 00", 24},   {"0000 0000 111", 25},  {"0000 0000 110", 26},  {"0000 0000 101", 27},
    {"0000 0000 100", 28},  {"0000 0000 011", 29},  {"0000 0000 010", 30},  {"0000 0000 0011", 31},
    {"0000 0000 0010", 32},
};

// Transform coefficient codes without their sign bit, with (last, run, level) of the inter
// table and of the intra table. The escape code 0000 011 is added by the builder.
struct Tcoef {
  const char* bits;
  uint8_t interLast, interRun, interLevel;
  uint8_t intraLast, intraRun, intraLevel;
};

constexpr Tcoef kTcoef[] = {
    {"10", 0, 0, 1, 0, 0, 1},
    {"1111", 0, 0, 2, 0, 0, 3},
    {"0101 01", 0, 0, 3, 0, 0, 6},
    {"0010 111", 0, 0, 4, 0, 0, 9},
    {"0001 1111", 0, 0, 5, 0, 0, 10},
    {"0001 0010 1", 0, 0, 6, 0, 0, 13},
    {"0001 0010 0", 0, 0, 7, 0, 0, 14},
    {"0000 1000 01", 0, 0, 8, 0, 0, 17},
    {"0000 1000 00", 0, 0, 9, 0, 0, 18},
    {"0000 0000 111", 0, 0, 10, 0, 0, 21},
    {"0000 0000 110", 0, 0, 11, 0, 0, 22},
    {"0000 0100 000", 0, 0, 12, 0, 0, 23},
    {"110", 0, 1, 1, 0, 0, 2},
    {"0101 00", 0, 1, 2, 0, 1, 2},
    {"0001 1110", 0, 1, 3, 0, 0, 11},
    {"0000 0011 11", 0, 1, 4, 0, 0, 19},
    {"0000 0100 001", 0, 1, 5, 0, 0, 24},
    {"0000 0101 0000", 0, 1, 6, 0, 0, 25},
    {"1110", 0, 2, 1, 0, 1, 1},
    {"0001 1101", 0, 2, 2, 0, 0, 12},
    {"0000 0011 10", 0, 2, 3, 0, 0, 20},
    {"0000 0101 0001", 0, 2, 4, 0, 0, 26},
    {"0110 1", 0, 3, 1, 0, 0, 4},
    {"0001 0001 1", 0, 3, 2, 0, 0, 15},
    {"0000 0011 01", 0, 3, 3, 0, 1, 7},
    {"0110 0", 0, 4, 1, 0, 0, 5},
    {"0001 0001 0", 0, 4, 2, 0, 4, 2},
    {"0000 0101 0010", 0, 4, 3, 0, 0, 27},
    {"0101 1", 0, 5, 1, 0, 2, 1},
    {"0000 0011 00", 0, 5, 2, 0, 2, 4},
    {"0000 0101 0011", 0, 5, 3, 0, 1, 9},
    {"0100 11", 0, 6, 1, 0, 0, 7},
    {"0000 0010 11", 0, 6, 2, 0, 3, 4},
    {"0000 0101 0100", 0, 6, 3, 0, 6, 3},
    {"0100 10", 0, 7, 1, 0, 0, 8},
    {"0000 0010 10", 0, 7, 2, 0, 4, 3},
    {"0100 01", 0, 8, 1, 0, 3, 1},
    {"0000 0010 01", 0, 8, 2, 0, 8, 2},
    {"0100 00", 0, 9, 1, 0, 4, 1},
    {"0000 0010 00", 0, 9, 2, 0, 5, 3},
    {"0010 110", 0, 10, 1, 0, 1, 3},
    {"0000 0101 0101", 0, 10, 2, 0, 1, 10},
    {"0010 101", 0, 11, 1, 0, 2, 2},
    {"0010 100", 0, 12, 1, 0, 7, 1},
    {"0001 1100", 0, 13, 1, 0, 1, 4},
    {"0001 1011", 0, 14, 1, 0, 3, 2},
    {"0001 0000 1", 0, 15, 1, 0, 0, 16},
    {"0001 0000 0", 0, 16, 1, 0, 1, 5},
    {"0000 1111 1", 0, 17, 1, 0, 1, 6},
    {"0000 1111 0", 0, 18, 1, 0, 2, 3},
    {"0000 1110 1", 0, 19, 1, 0, 3, 3},
    {"0000 1110 0", 0, 20, 1, 0, 5, 2},
    {"0000 1101 1", 0, 21, 1, 0, 6, 2},
    {"0000 1101 0", 0, 22, 1, 0, 7, 2},
    {"0000 0100 010", 0, 23, 1, 0, 1, 8},
    {"0000 0100 011", 0, 24, 1, 0, 9, 2},
    {"0000 0101 0110", 0, 25, 1, 0, 2, 5},
    {"0000 0101 0111", 0, 26, 1, 0, 7, 3},
    {"0111", 1, 0, 1, 1, 0, 1},
    {"0000 1100 1", 1, 0, 2, 0, 11, 1},
    {"0000 0000 101", 1, 0, 3, 1, 0, 6},
    {"0011 11", 1, 1, 1, 1, 1, 1},
    {"0000 0000 100", 1, 1, 2, 1, 0, 7},
    {"0011 10", 1, 2, 1, 1, 2, 1},
    {"0011 01", 1, 3, 1, 0, 5, 1},
    {"0011 00", 1, 4, 1, 1, 0, 2},
    {"0010 011", 1, 5, 1, 1, 5, 1},
    {"0010 010", 1, 6, 1, 0, 6, 1},
    {"0010 001", 1, 7, 1, 1, 3, 1},
    {"0010 000", 1, 8, 1, 1, 4, 1},
    {"0001 1010", 1, 9, 1, 1, 9, 1},
    {"0001 1001", 1, 10, 1, 0, 8, 1},
    {"0001 1000", 1, 11, 1, 0, 9, 1},
    {"0001 0111", 1, 12, 1, 0, 10, 1},
    {"0001 0110", 1, 13, 1, 1, 0, 3},
    {"0001 0101", 1, 14, 1, 1, 6, 1},
    {"0001 0100", 1, 15, 1, 1, 7, 1},
    {"0001 0011", 1, 16, 1, 1, 8, 1},
    {"0000 1100 0", 1, 17, 1, 0, 12, 1},
    {"0000 1011 1", 1, 18, 1, 1, 0, 4},
    {"0000 1011 0", 1, 19, 1, 1, 1, 2},
    {"0000 1010 1", 1, 20, 1, 1, 10, 1},
    {"0000 1010 0", 1, 21, 1, 1, 11, 1},
    {"0000 1001 1", 1, 22, 1, 1, 12, 1},
    {"0000 1001 0", 1, 23, 1, 1, 13, 1},
    {"0000 1000 1", 1, 24, 1, 1, 14, 1},
    {"0000 0001 11", 1, 25, 1, 0, 13, 1},
    {"0000 0001 10", 1, 26, 1, 1, 0, 5},
    {"0000 0001 01", 1, 27, 1, 1, 1, 3},
    {"0000 0001 00", 1, 28, 1, 1, 2, 2},
    {"0000 0100 100", 1, 29, 1, 1, 3, 2},
    {"0000 0100 101", 1, 30, 1, 1, 4, 2},
    {"0000 0100 110", 1, 31, 1, 1, 15, 1},
    {"0000 0100 111", 1, 32, 1, 1, 16, 1},
    {"0000 0101 1000", 1, 33, 1, 0, 14, 1},
    {"0000 0101 1001", 1, 34, 1, 1, 0, 8},
    {"0000 0101 1010", 1, 35, 1, 1, 5, 2},
    {"0000 0101 1011", 1, 36, 1, 1, 6, 2},
    {"0000 0101 1100", 1, 37, 1, 1, 17, 1},
    {"0000 0101 1101", 1, 38, 1, 1, 18, 1},
    {"0000 0101 1110", 1, 39, 1, 1, 19, 1},
    {"0000 0101 1111", 1, 40, 1, 1, 20, 1},
};

// Reads a code string into its value and length.
void ParseBits(const char* bits, uint32_t* value, int* length) {
  *value = 0;
  *length = 0;
  for (const char* c = bits; *c; ++c) {
    if (*c == ' ') continue;
    *value = (*value << 1) | static_cast<uint32_t>(*c - '0');
    ++*length;
  }
}

uint32_t Entry(int symbol, int length) {
  return (static_cast<uint32_t>(length) << 16) | (static_cast<uint32_t>(symbol) & 0xffff);
}

// Builds a two-level table: codes up to rootBits long fill every root entry they prefix;
// longer codes get a sub-table of subBits entries per root prefix, holding total lengths.
void Build(DEC_Vlc* vlc, int rootBits, const Code* codes, int count) {
  std::memset(vlc->entries, 0, sizeof(vlc->entries));
  vlc->rootBits = rootBits;
  int maxLength = 0;
  for (int i = 0; i < count; ++i) {
    uint32_t value;
    int length;
    ParseBits(codes[i].bits, &value, &length);
    if (length > maxLength) maxLength = length;
  }
  vlc->subBits = maxLength > rootBits ? maxLength - rootBits : 0;
  int next = 1 << rootBits;
  for (int i = 0; i < count; ++i) {
    uint32_t value;
    int length;
    ParseBits(codes[i].bits, &value, &length);
    if (length <= rootBits) {
      const int shift = rootBits - length;
      for (uint32_t k = 0; k < (1u << shift); ++k)
        vlc->entries[(value << shift) | k] = Entry(codes[i].symbol, length);
      continue;
    }
    const int extra = length - rootBits;
    const uint32_t root = value >> extra;
    if (!(vlc->entries[root] & kVlcSubFlag)) {
      vlc->entries[root] = kVlcSubFlag | static_cast<uint32_t>(next);
      next += 1 << vlc->subBits;
    }
    const uint32_t base = vlc->entries[root] & 0xffff;
    const uint32_t low = value & ((1u << extra) - 1);
    const int shift = vlc->subBits - extra;
    for (uint32_t k = 0; k < (1u << shift); ++k)
      vlc->entries[base + ((low << shift) | k)] = Entry(codes[i].symbol, length);
  }
}

template <int N>
void Build(DEC_Vlc* vlc, int rootBits, const Code (&codes)[N]) {
  Build(vlc, rootBits, codes, N);
}

void BuildTcoef(DEC_VlcTables* t) {
  constexpr int n = sizeof(kTcoef) / sizeof(kTcoef[0]);
  Code codes[n + 1];
  for (int intra = 0; intra < 2; ++intra) {
    for (int i = 0; i < n; ++i) {
      const Tcoef& c = kTcoef[i];
      const int last = intra ? c.intraLast : c.interLast;
      const int run = intra ? c.intraRun : c.interRun;
      const int level = intra ? c.intraLevel : c.interLevel;
      codes[i] = {c.bits, level | run << 5 | last << 11};
      if (level > t->maxLevel[intra][last][run]) t->maxLevel[intra][last][run] = static_cast<uint8_t>(level);
      if (run > t->maxRun[intra][last][level]) t->maxRun[intra][last][level] = static_cast<uint8_t>(run);
    }
    codes[n] = {"0000 011", kTcoefEscape};
    Build(&t->tcoef[intra], kTcoefRootBits, codes, n + 1);
  }
}

DEC_VlcTables BuildAll() {
  DEC_VlcTables t;
  std::memset(&t, 0, sizeof(t));
  Build(&t.mcbpcIntra, 9, kMcbpcIntra);
  Build(&t.mcbpcInter, 9, kMcbpcInter);
  Build(&t.cbpy, 6, kCbpy);
  Build(&t.dcLuma, 8, kDcSizeLuma);
  Build(&t.dcChroma, 8, kDcSizeChroma);
  Build(&t.motion, 8, kMotion);
  BuildTcoef(&t);
  return t;
}

}  // namespace

const DEC_VlcTables DEC_tables = BuildAll();

const uint8_t kDecScan[3][64] = {
    {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
     41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
     30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63},
    {0,  1,  2,  3,  8,  9,  16, 17, 10, 11, 4,  5,  6,  7,  15, 14, 13, 12, 19, 18, 24, 25,
     32, 33, 26, 27, 20, 21, 22, 23, 28, 29, 30, 31, 34, 35, 40, 41, 48, 49, 42, 43, 36, 37,
     38, 39, 44, 45, 46, 47, 50, 51, 56, 57, 58, 59, 52, 53, 54, 55, 60, 61, 62, 63},
    {0,  8,  16, 24, 1,  9,  2,  10, 17, 25, 32, 40, 48, 56, 57, 49, 41, 33, 26, 18, 3,  11,
     4,  12, 19, 27, 34, 42, 50, 58, 35, 43, 51, 59, 20, 28, 5,  13, 6,  14, 21, 29, 36, 44,
     52, 60, 37, 45, 53, 61, 22, 30, 7,  15, 23, 31, 38, 46, 54, 62, 39, 47, 55, 63},
};
