// The macroblock layer: macroblock headers, motion vectors and their prediction, intra DC and
// AC prediction, coefficient decoding with the three escape modes, inverse quantisation,
// motion compensation and reconstruction into the current frame store.
#include <cstdlib>
#include <cstring>

#include "clip/dec_state.h"

namespace {

int DcScaler(int q, bool luma) {
  if (q <= 4) return 8;
  if (luma) return q <= 8 ? 2 * q : (q <= 24 ? q + 8 : 2 * q - 16);
  return q <= 24 ? (q + 13) / 2 : q - 6;
}

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Division rounded to the nearest integer, halves away from zero.
inline int RoundDiv(int a, int b) { return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b); }

// The second (H.263) inverse quantisation of a non-zero level, saturated to 12 bits.
inline int Dequantise(int level, int q) {
  const int add = (q & 1) ? q : q - 1;
  const int sign = level >> 31;
  return Clamp(2 * q * level + ((add ^ sign) - sign), -2048, 2047);
}

// The zigzag scan as positions in the transposed blocks the inverse DCTs take.
struct TransposedZigzag {
  uint8_t pos[64];
  TransposedZigzag() {
    for (int i = 0; i < 64; ++i) pos[i] = static_cast<uint8_t>(DEC_Transposed(kDecScan[0][i]));
  }
};
const TransposedZigzag kZigzagTransposed;

// The coefficient tables' entry for the code at the top of `bits`, with the table shape fixed.
inline uint32_t TcoefLookup(const DEC_Vlc& vlc, uint64_t bits) {
  uint32_t e = vlc.entries[bits >> (64 - kTcoefRootBits)];
  if (e & kVlcSubFlag) e = vlc.entries[(e & 0xffff) + ((bits << kTcoefRootBits) >> (64 - kTcoefSubBits))];
  return e;
}

// Decodes the transform coefficients of one block from scan index `start`, calling
// put(natural position, level) for each. An unknown code or a run past the block ends it.
// Codes are taken from the top of a 64-bit window of the stream, which is read again from the
// payload only when fewer than 30 of its bits (the longest code with its escape) are left.
template <int Intra, typename Put>
inline void DecodeCoefficients(DEC_Bits* reader, int start, const uint8_t* scan, Put put) {
  const DEC_VlcTables& t = DEC_Tables();
  const DEC_Vlc& vlc = t.tcoef[Intra];
  // The reader's position is kept in a register while blocks are written, and stored on return.
  DEC_Bits local = *reader;
  uint64_t w = DEC_BitsWindow(&local);
  int used = 0, valid = 64 - static_cast<int>(local.pos & 7);
  struct WriteBack {
    DEC_Bits* to;
    const DEC_Bits* from;
    const int* used;
    ~WriteBack() { *to = *from, to->pos += *used; }
  } writeBack{reader, &local, &used};
  for (int i = start;;) {
    if (valid - used < 30) {
      local.pos += used;
      used = 0;
      w = DEC_BitsWindow(&local);
      valid = 64 - static_cast<int>(local.pos & 7);
    }
    uint32_t e = TcoefLookup(vlc, w);
    int length = DEC_VlcLength(e);
    if (!length) return;
    int sym = DEC_VlcSymbol(e);
    int level, run, last;
    if (sym != kTcoefEscape) {
      level = DEC_TcoefLevel(sym);
      run = DEC_TcoefRun(sym);
      last = DEC_TcoefLast(sym);
      if ((w << length) >> 63) level = -level;
      w <<= length + 1;
      used += length + 1;
    } else {
      const uint32_t mode = static_cast<uint32_t>((w << 7) >> 62);
      if (mode == 3) {  // fixed-length: last, run, marker, 12-bit level, marker
        const uint32_t v = static_cast<uint32_t>((w << 9) >> (64 - 21));
        last = static_cast<int>(v >> 20);
        run = static_cast<int>((v >> 14) & 63);
        level = static_cast<int>((v >> 1) & 0xfff);
        if (level >= 2048) level -= 4096;
        if (level == 0) return;
        w <<= 30;
        used += 30;
      } else {
        const int skip = 7 + (mode >> 1 ? 2 : 1);
        e = TcoefLookup(vlc, w << skip);
        length = DEC_VlcLength(e);
        sym = DEC_VlcSymbol(e);
        if (!length || sym == kTcoefEscape) return;
        level = DEC_TcoefLevel(sym);
        run = DEC_TcoefRun(sym);
        last = DEC_TcoefLast(sym);
        if (mode >> 1)
          run += t.maxRun[Intra][last][level] + 1;  // second mode: the run is extended
        else
          level += t.maxLevel[Intra][last][run];  // first mode: the level is extended
        if ((w << (skip + length)) >> 63) level = -level;
        w <<= skip + length + 1;
        used += skip + length + 1;
      }
    }
    i += run;
    if (i > 63) return;
    put(scan[i], level);
    if (last) return;
    ++i;
  }
}

// The predictors around block n of the macroblock at (mbx, mby). A neighbour that is not
// intra in this VOP, or lies in an earlier video packet or outside the VOP, predicts DC 1024
// and AC 0.
struct Neighbours {
  const DEC_BlockPred* left;
  const DEC_BlockPred* upLeft;
  const DEC_BlockPred* above;
};

Neighbours BlockNeighbours(int mbx, int mby, int n) {
  static const DEC_BlockPred kOutside = {1024, {}, {}};
  DEC_State& s = DEC_state;
  DEC_BlockPred(*p)[kDecMbCols][6] = s.pred;
  const int r = mby + 1, c = mbx + 1;
  const int index = mby * s.mbWidth + mbx;
  const uint32_t now = s.vopCount;
  const bool leftIn = index - 1 >= s.packetStart && s.intraStamp[r][c - 1] == now;
  const bool aboveIn = index - s.mbWidth >= s.packetStart && s.intraStamp[r - 1][c] == now;
  const bool upLeftIn = index - s.mbWidth - 1 >= s.packetStart && s.intraStamp[r - 1][c - 1] == now;
  if (n >= 4)
    return {leftIn ? &p[r][c - 1][n] : &kOutside, upLeftIn ? &p[r - 1][c - 1][n] : &kOutside,
            aboveIn ? &p[r - 1][c][n] : &kOutside};
  const int bx = n & 1, by = n >> 1;
  Neighbours nb;
  nb.left = bx ? &p[r][c][n - 1] : (leftIn ? &p[r][c - 1][n + 1] : &kOutside);
  nb.above = by ? &p[r][c][n - 2] : (aboveIn ? &p[r - 1][c][n + 2] : &kOutside);
  if (bx && by)
    nb.upLeft = &p[r][c][0];
  else if (bx)
    nb.upLeft = aboveIn ? &p[r - 1][c][2] : &kOutside;
  else if (by)
    nb.upLeft = leftIn ? &p[r][c - 1][1] : &kOutside;
  else
    nb.upLeft = upLeftIn ? &p[r - 1][c - 1][3] : &kOutside;
  return nb;
}

// Where block n of the macroblock at (mbx, mby) starts in the current frame, and its stride.
uint8_t* BlockDestination(int mbx, int mby, int n, std::ptrdiff_t* stride) {
  DEC_State& s = DEC_state;
  if (n < 4) {
    *stride = s.yStride;
    return s.cur->y + (mby * 16 + (n >> 1) * 8) * s.yStride + mbx * 16 + (n & 1) * 8;
  }
  *stride = s.cStride;
  return (n == 4 ? s.cur->u : s.cur->v) + mby * 8 * s.cStride + mbx * 8;
}

// Decodes and reconstructs intra block n. Returns 0 when the DC size code is unknown.
int IntraBlock(int mbx, int mby, int n, int coded, int acPred) {
  DEC_State& s = DEC_state;
  DEC_Bits* b = &s.bits;
  const bool luma = n < 4;
  const uint32_t e = DEC_BitsVlc(b, luma ? DEC_Tables().dcLuma : DEC_Tables().dcChroma);
  if (!DEC_VlcLength(e)) return 0;
  const int size = DEC_VlcSymbol(e);
  int diff = 0;
  if (size) {
    diff = static_cast<int>(DEC_BitsRead(b, size));
    if (!(diff >> (size - 1))) diff -= (1 << size) - 1;
    if (size > 8) DEC_BitsSkip(b, 1);  // marker
  }

  const int r = mby + 1, c = mbx + 1;
  const Neighbours nb = BlockNeighbours(mbx, mby, n);
  // Gradient rule: predict from the block above when the left pair differs less.
  const bool fromAbove = std::abs(nb.left->dc - nb.upLeft->dc) < std::abs(nb.upLeft->dc - nb.above->dc);
  const int scaler = DcScaler(s.quant, luma);
  const int dc = Clamp((diff + RoundDiv(fromAbove ? nb.above->dc : nb.left->dc, scaler)) * scaler,
                       -2048, 2047);

  int qf[64] = {};
  if (coded) {
    const uint8_t* scan = kDecScan[acPred ? (fromAbove ? 1 : 2) : 0];
    DecodeCoefficients<1>(b, 1, scan, [&](int pos, int level) { qf[pos] = level; });
  }
  if (acPred) {
    // AC predictors are added as stored, whatever the neighbour's quantiser was.
    if (fromAbove)
      for (int u = 1; u < 8; ++u) qf[u] += nb.above->row[u - 1];
    else
      for (int v = 1; v < 8; ++v) qf[v * 8] += nb.left->col[v - 1];
  }
  DEC_BlockPred& self = s.pred[r][c][n];
  self.dc = static_cast<int16_t>(dc);
  for (int k = 1; k < 8; ++k) {
    self.row[k - 1] = static_cast<int16_t>(Clamp(qf[k], -2048, 2047));
    self.col[k - 1] = static_cast<int16_t>(Clamp(qf[k * 8], -2048, 2047));
  }

  std::ptrdiff_t stride;
  uint8_t* dst = BlockDestination(mbx, mby, n, &stride);
  int16_t* block = s.blocks[n];
  int positions = 0;  // or of the positions of the non-zero AC coefficients
  for (int pos = 1; pos < 64; ++pos) {
    if (!qf[pos]) continue;
    block[DEC_Transposed(pos)] = static_cast<int16_t>(Dequantise(qf[pos], s.quant));
    positions |= pos | 64;
  }
  if (!positions) {
    s.dsp->dcPut(dst, stride, DEC_IdctDcValue(dc));
  } else {
    block[0] = static_cast<int16_t>(dc);
    (positions & 0x24 ? s.dsp->idctPut : s.dsp->idctPut4)(block, dst, stride);
  }
  return 1;
}

// Decodes inter block n and adds it to the prediction already in the current frame.
void InterBlock(int mbx, int mby, int n) {
  DEC_State& s = DEC_state;
  int16_t* block = s.blocks[n];
  const int q = s.quant;
  int count = 0, positions = 0;
  // Positions arrive transposed: u * 8 + v.
  DecodeCoefficients<0>(&s.bits, 0, kZigzagTransposed.pos, [&](int pos, int level) {
    block[pos] = static_cast<int16_t>(Dequantise(level, q));
    count += pos ? 2 : 1;
    positions |= pos;
  });
  if (!count) return;
  std::ptrdiff_t stride;
  uint8_t* dst = BlockDestination(mbx, mby, n, &stride);
  if (count == 1) {
    const int value = DEC_IdctDcValue(block[0]);
    block[0] = 0;
    s.dsp->dcAdd(dst, stride, value);
  } else {
    // Coefficients only in the first four rows and columns take the shorter transform.
    (positions & 0x24 ? s.dsp->idctAdd : s.dsp->idctAdd4)(block, dst, stride);
  }
}

inline int Median(int a, int b, int c) {
  const int lo = a < b ? a : b, hi = a < b ? b : a;
  return c < lo ? lo : (c > hi ? hi : c);
}

// The predictor of luma block k's vector from its left, above and above-right candidates;
// candidates outside the VOP or in an earlier video packet are not valid.
void PredictVector(int mbx, int mby, int k, int pred[2]) {
  DEC_State& s = DEC_state;
  const int r = mby + 1, c = mbx + 1;
  struct Cand {
    int r, c, k;
    bool valid;
  } cand[3];
  const int index = mby * s.mbWidth + mbx;
  const bool left = mbx > 0 && index - 1 >= s.packetStart;
  const bool above = mby > 0 && index - s.mbWidth >= s.packetStart;
  const bool aboveRight = mby > 0 && mbx + 1 < s.mbWidth && index - s.mbWidth + 1 >= s.packetStart;
  switch (k) {
    case 0:
      cand[0] = {r, c - 1, 1, left};
      cand[1] = {r - 1, c, 2, above};
      cand[2] = {r - 1, c + 1, 2, aboveRight};
      break;
    case 1:
      cand[0] = {r, c, 0, true};
      cand[1] = {r - 1, c, 3, above};
      cand[2] = {r - 1, c + 1, 2, aboveRight};
      break;
    case 2:
      cand[0] = {r, c - 1, 3, left};
      cand[1] = {r, c, 0, true};
      cand[2] = {r, c, 1, true};
      break;
    default:
      cand[0] = {r, c, 2, true};
      cand[1] = {r, c, 0, true};
      cand[2] = {r, c, 1, true};
      break;
  }
  const int valid = cand[0].valid + cand[1].valid + cand[2].valid;
  for (int comp = 0; comp < 2; ++comp) {
    int v[3];
    for (int i = 0; i < 3; ++i) v[i] = cand[i].valid ? s.mv[cand[i].r][cand[i].c][cand[i].k][comp] : 0;
    if (valid == 1)  // two not valid: both take the third
      pred[comp] = v[0] + v[1] + v[2];
    else
      pred[comp] = Median(v[0], v[1], v[2]);
  }
}

// One vector component: the motion code, the residual, added to the predictor and wrapped.
int DecodeComponent(int pred, int* ok) {
  DEC_State& s = DEC_state;
  DEC_Bits* b = &s.bits;
  const uint32_t e = DEC_BitsVlc(b, DEC_Tables().motion);
  if (!DEC_VlcLength(e)) {
    *ok = 0;
    return 0;
  }
  const int code = DEC_VlcSymbol(e);
  const int rSize = s.fcode - 1, f = 1 << rSize;
  int diff = 0;
  if (code) {
    const int negative = DEC_BitsRead1(b);
    diff = code;
    if (rSize) diff = ((code - 1) << rSize) + static_cast<int>(DEC_BitsRead(b, rSize)) + 1;
    if (negative) diff = -diff;
  }
  int v = pred + diff;
  if (v < -32 * f) v += 64 * f;
  if (v > 32 * f - 1) v -= 64 * f;
  return v;
}

int DecodeVector(int mbx, int mby, int k) {
  DEC_State& s = DEC_state;
  int pred[2];
  PredictVector(mbx, mby, k, pred);
  int ok = 1;
  const int x = DecodeComponent(pred[0], &ok);
  const int y = DecodeComponent(pred[1], &ok);
  int16_t* mv = s.mv[mby + 1][mbx + 1][k];
  mv[0] = static_cast<int16_t>(x);
  mv[1] = static_cast<int16_t>(y);
  return ok;
}

// Motion-compensated prediction of a size x size block at (x, y) of one plane. Vectors that
// reach past the border are clamped into it: beyond the border every sample would be the
// edge sample, which the border already holds.
void Predict(const DEC_McFn table[4], uint8_t* dstPlane, const uint8_t* refPlane,
             std::ptrdiff_t stride, int planeW, int planeH, int border, int x, int y, int mx,
             int my, int size) {
  const int sx = Clamp(x + (mx >> 1), -border, planeW + border - size - 1);
  const int sy = Clamp(y + (my >> 1), -border, planeH + border - size - 1);
  table[(mx & 1) | ((my & 1) << 1)](dstPlane + y * stride + x, refPlane + sy * stride + sx, stride,
                                     size);
}

// Chroma vector from one luma vector: halved, quarter positions moved to the half position.
inline int ChromaFromOne(int v) { return (v >> 1) | (v & 1); }
// Chroma vector from the sum of four luma vectors.
inline int ChromaFromFour(int sum) {
  static constexpr int kRound[16] = {0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2};
  const int a = std::abs(sum);
  const int v = kRound[a & 15] + ((a >> 4) << 1);
  return sum < 0 ? -v : v;
}

void MotionCompensate(int mbx, int mby, int fourVectors) {
  DEC_State& s = DEC_state;
  const DEC_Dsp* d = s.dsp;
  const int r = s.rounding;
  const int16_t(*mv)[2] = s.mv[mby + 1][mbx + 1];
  const int x = mbx * 16, y = mby * 16;
  int cx, cy;
  if (fourVectors) {
    for (int k = 0; k < 4; ++k)
      Predict(d->put8[r], s.cur->y, s.ref->y, s.yStride, s.width, s.height, kDecBorder,
              x + (k & 1) * 8, y + (k >> 1) * 8, mv[k][0], mv[k][1], 8);
    cx = ChromaFromFour(mv[0][0] + mv[1][0] + mv[2][0] + mv[3][0]);
    cy = ChromaFromFour(mv[0][1] + mv[1][1] + mv[2][1] + mv[3][1]);
  } else {
    Predict(d->put16[r], s.cur->y, s.ref->y, s.yStride, s.width, s.height, kDecBorder, x, y,
            mv[0][0], mv[0][1], 16);
    cx = ChromaFromOne(mv[0][0]);
    cy = ChromaFromOne(mv[0][1]);
  }
  const int cw = s.width / 2, ch = s.height / 2;
  Predict(d->put8[r], s.cur->u, s.ref->u, s.cStride, cw, ch, kDecBorder / 2, x / 2, y / 2, cx, cy, 8);
  Predict(d->put8[r], s.cur->v, s.ref->v, s.cStride, cw, ch, kDecBorder / 2, x / 2, y / 2, cx, cy, 8);
}

// A macroblock taken unchanged from the reference (not coded, or not decodable).
void CopyMacroblock(int mbx, int mby) {
  DEC_State& s = DEC_state;
  s.qpStore[mby + 1][mbx + 1] = static_cast<uint8_t>(s.quant);
  std::memset(s.mv[mby + 1][mbx + 1], 0, sizeof(s.mv[0][0]));
  const std::ptrdiff_t y = mby * 16 * s.yStride + mbx * 16, c = mby * 8 * s.cStride + mbx * 8;
  // Most macroblocks of a still scene come here: the copies are inline, without the calls
  // (and with the pointers in locals, which the byte copies cannot be taken to change).
  const std::ptrdiff_t ys = s.yStride, cs = s.cStride;
  uint8_t *dy = s.cur->y + y, *du = s.cur->u + c, *dv = s.cur->v + c;
  const uint8_t *sy = s.ref->y + y, *su = s.ref->u + c, *sv = s.ref->v + c;
  for (int k = 0; k < 16; ++k) std::memcpy(dy + k * ys, sy + k * ys, 16);
  for (int k = 0; k < 8; ++k) {
    std::memcpy(du + k * cs, su + k * cs, 8);
    std::memcpy(dv + k * cs, sv + k * cs, 8);
  }
}

// Decodes the macroblock at (mbx, mby). Returns 1 when one was decoded, 0 for a stuffing
// code, -1 when the data cannot be a macroblock.
int Macroblock(int mbx, int mby) {
  DEC_State& s = DEC_state;
  DEC_Bits* b = &s.bits;
  const bool pVop = s.codingType == DEC_VOP_P;
  if (pVop && DEC_BitsRead1(b)) {  // not_coded
    CopyMacroblock(mbx, mby);
    return 1;
  }
  const uint32_t e = DEC_BitsVlc(b, pVop ? DEC_Tables().mcbpcInter : DEC_Tables().mcbpcIntra);
  if (!DEC_VlcLength(e)) return -1;
  const int mcbpc = DEC_VlcSymbol(e);
  if (mcbpc == kMcbpcStuffing) return 0;
  const int type = mcbpc >> 2;
  const bool intra = type >= 3;
  const int acPred = intra ? DEC_BitsRead1(b) : 0;
  const uint32_t ce = DEC_BitsVlc(b, DEC_Tables().cbpy);
  if (!DEC_VlcLength(ce)) return -1;
  const int cbpy = intra ? DEC_VlcSymbol(ce) : 15 - DEC_VlcSymbol(ce);
  const int cbp = cbpy << 2 | (mcbpc & 3);
  if (type == 1 || type == 4) {
    static constexpr int kDquant[4] = {-1, -2, 1, 2};
    s.quant = Clamp(s.quant + kDquant[DEC_BitsRead(b, 2)], 1, 31);
  }
  s.qpStore[mby + 1][mbx + 1] = static_cast<uint8_t>(s.quant);

  if (intra) {
    std::memset(s.mv[mby + 1][mbx + 1], 0, sizeof(s.mv[0][0]));
    s.intraStamp[mby + 1][mbx + 1] = s.vopCount;
    for (int n = 0; n < 6; ++n)
      if (!IntraBlock(mbx, mby, n, (cbp >> (5 - n)) & 1, acPred)) return -1;
    return 1;
  }

  int ok = 1;
  if (type == 2) {
    for (int k = 0; k < 4; ++k) ok &= DecodeVector(mbx, mby, k);
  } else {
    ok = DecodeVector(mbx, mby, 0);
    int16_t(*mv)[2] = s.mv[mby + 1][mbx + 1];
    for (int k = 1; k < 4; ++k) mv[k][0] = mv[0][0], mv[k][1] = mv[0][1];
  }
  if (!ok) return -1;
  MotionCompensate(mbx, mby, type == 2);
  for (int n = 0; n < 6; ++n)
    if ((cbp >> (5 - n)) & 1) InterBlock(mbx, mby, n);
  return 1;
}

// True when the VOP's data ends here: the bits up to the byte boundary are stuffing (a 0 and
// then ones; when aligned, a whole stuffing byte 0x7F may stand there), and after them the
// payload ends or the next 23 bits are all zero, as in a following start code. Bits past the
// payload are not taken for zeros here: the last macroblocks may sit in its last bytes.
bool AtVopEnd(const DEC_Bits* b) {
  DEC_Bits probe = *b;
  const int k = static_cast<int>((8 - (probe.pos & 7)) & 7);
  if (k) {
    if (DEC_BitsPeek(&probe, k) != (1u << (k - 1)) - 1) return false;
    DEC_BitsSkip(&probe, k);
  } else if (DEC_BitsLeft(&probe) >= 8 && DEC_BitsPeek(&probe, 8) == 0x7F) {
    DEC_BitsSkip(&probe, 8);
  }
  const int64_t left = DEC_BitsLeft(&probe);
  if (left <= 0) return true;
  return DEC_BitsPeek(&probe, left < 23 ? static_cast<int>(left) : 23) == 0;
}

int ResyncZeros() {
  DEC_State& s = DEC_state;
  return s.codingType == DEC_VOP_P ? 16 + s.fcode - 1 : 16;
}

// True when a video packet starts here: stuffing up to the byte boundary (a 0 and then ones,
// a whole 0x7F byte when aligned) followed by a resync marker.
bool AtResync(const DEC_Bits* b) {
  const int k = 8 - static_cast<int>(b->pos & 7);
  if (DEC_BitsPeek(b, k) != (1u << (k - 1)) - 1) return false;
  DEC_Bits probe = *b;
  DEC_BitsSkip(&probe, k);
  const int zeros = ResyncZeros();
  return DEC_BitsPeek(&probe, zeros + 1) == 1;
}

int CountBits(int n) {
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

// Reads a video packet header (the reader at its stuffing). Returns the number of its first
// macroblock, or -1 when the header is not usable.
int VideoPacket(int total) {
  DEC_State& s = DEC_state;
  DEC_Bits* b = &s.bits;
  DEC_BitsSkip(b, 8 - static_cast<int>(b->pos & 7));
  DEC_BitsSkip(b, ResyncZeros() + 1);
  const int first = static_cast<int>(DEC_BitsRead(b, CountBits(total)));
  const int quant = static_cast<int>(DEC_BitsRead(b, s.vol.quantPrecision));
  if (DEC_BitsRead1(b)) {  // header_extension_code: the VOP's timing and coding type again
    for (int n = 0; DEC_BitsRead1(b); ++n)
      if (n > 64) return -1;
    DEC_BitsSkip(b, 1 + s.vol.timeBits + 1);
    if (static_cast<int>(DEC_BitsRead(b, 2)) != s.codingType) return -1;
    DEC_BitsSkip(b, 3);  // intra_dc_vlc_thr
    if (s.codingType == DEC_VOP_P) DEC_BitsSkip(b, 3);  // vop_fcode_forward
  }
  if (quant < 1 || quant > 31 || first >= total || DEC_BitsOver(b)) return -1;
  s.quant = quant;
  return first;
}

}  // namespace

void DEC_DecodeMacroblocks(void) {
  DEC_State& s = DEC_state;
  const int total = s.mbWidth * s.mbHeight;
  int pos = 0;
  s.packetStart = 0;
  if (++s.vopCount == 0) {  // after 2^32 VOPs: start the stamps afresh
    std::memset(s.intraStamp, 0, sizeof(s.intraStamp));
    s.vopCount = 1;
  }
  for (int n = 0; n < total && pos < total; ++n) {
    if (pos > 0 && AtResync(&s.bits)) {
      const int first = VideoPacket(total);
      if (first < pos) break;
      // Macroblocks a lost packet would have held come from the reference.
      for (; pos < first; ++pos) CopyMacroblock(pos % s.mbWidth, pos / s.mbWidth);
      s.packetStart = pos;
    }
    if (AtVopEnd(&s.bits) || DEC_BitsOver(&s.bits)) break;
    const int mbx = pos % s.mbWidth, mby = pos / s.mbWidth;
    const int done = Macroblock(mbx, mby);
    // Corrupt or truncated data: this macroblock and the rest come from the reference.
    if (done < 0 || DEC_BitsOver(&s.bits)) break;
    pos += done;
  }
  for (; pos < total; ++pos) CopyMacroblock(pos % s.mbWidth, pos / s.mbWidth);
}
