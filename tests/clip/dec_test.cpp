// The clip decoder through DEC_Control: set-up figures, post-processing levels, crafted
// bitstreams (uniform intra pictures, far-reaching vectors, truncated VOPs, refused headers),
// the render flag, the deblocking modes on crafted planes, and the exit statuses.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "clip/dec.h"
#include "clip/dec_dsp.h"
#include "clip/dec_state.h"

namespace {

// Writes bits most significant first.
struct BitWriter {
  std::vector<uint8_t> bytes;
  int used = 8;
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (used == 8) bytes.push_back(0), used = 0;
      if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> used);
      ++used;
    }
  }
  void Put(const char* bits) {
    for (const char* c = bits; *c; ++c)
      if (*c != ' ') Put(static_cast<uint32_t>(*c - '0'), 1);
  }
  // Stuffing to the next byte boundary: a 0, then ones.
  void Stuff() {
    Put(0, 1);
    while (used != 8) Put(1, 1);
  }
};

struct VolOptions {
  int width = 32, height = 16;
  int controlParameters = 0, interlaced = 0, quantType = 0, complexityDisable = 1;
  int dataPartitioned = 0, scalability = 0;
};

void WriteVol(BitWriter* w, const VolOptions& o) {
  w->Put(0x00000120, 32);
  w->Put(0, 1);
  w->Put(1, 8);
  w->Put(0, 1);
  w->Put(1, 4);
  w->Put(static_cast<uint32_t>(o.controlParameters), 1);
  if (o.controlParameters) w->Put("01 1 0");  // 4:2:0, low delay, no VBV parameters
  w->Put(0, 2);
  w->Put(1, 1);
  w->Put(25, 16);
  w->Put(1, 1);
  w->Put(0, 1);
  w->Put(1, 1);
  w->Put(static_cast<uint32_t>(o.width), 13);
  w->Put(1, 1);
  w->Put(static_cast<uint32_t>(o.height), 13);
  w->Put(1, 1);
  w->Put(static_cast<uint32_t>(o.interlaced), 1);
  w->Put("1 0 0");  // obmc_disable, sprite_enable, not_8_bit
  w->Put(static_cast<uint32_t>(o.quantType), 1);
  w->Put(static_cast<uint32_t>(o.complexityDisable), 1);
  w->Put(1, 1);  // resync_marker_disable
  w->Put(static_cast<uint32_t>(o.dataPartitioned), 1);
  w->Put(static_cast<uint32_t>(o.scalability), 1);
  w->Stuff();
}

void WriteVopHeader(BitWriter* w, int type, int quant, int fcode) {
  w->Put(0x000001B6, 32);
  w->Put(static_cast<uint32_t>(type), 2);
  w->Put("0 1 00000 1 1");  // modulo_time_base, marker, increment, marker, vop_coded
  if (type == 1) w->Put(0, 1);  // rounding
  w->Put(0, 3);
  w->Put(static_cast<uint32_t>(quant), 5);
  if (type == 1) w->Put(static_cast<uint32_t>(fcode), 3);
}

// DC size codes by size, luma and chroma.
const char* const kLumaSize[] = {"011", "11", "10", "010", "001", "0001", "00001", "000001", "0000001"};
const char* const kChromaSize[] = {"11", "10", "01", "001", "0001", "00001", "000001", "0000001", "00000001"};

void WriteDc(BitWriter* w, int diff, bool luma) {
  int size = 0;
  while ((1 << size) <= (diff < 0 ? -diff : diff)) ++size;
  w->Put((luma ? kLumaSize : kChromaSize)[size]);
  if (size) w->Put(static_cast<uint32_t>(diff > 0 ? diff : diff + (1 << size) - 1), size);
}

// An intra macroblock without AC coefficients whose DC steps by the given differences (in
// units of 8 at quantiser 4): luma blocks after the first predict from it and get 0.
void WriteIntraDcMacroblock(BitWriter* w, int luma, int cb, int cr) {
  w->Put("1 0 0011");  // mcbpc intra cbpc 0, ac_pred 0, cbpy 0
  WriteDc(w, luma, true);
  for (int k = 0; k < 3; ++k) WriteDc(w, 0, true);
  WriteDc(w, cb, false);
  WriteDc(w, cr, false);
}

// A 32 x 16 I-VOP: left macroblock luma a, chroma ca; right macroblock luma b, chroma cb.
std::vector<uint8_t> TwoToneIntra(int a, int b, int ca, int cb, bool withVol = true) {
  BitWriter w;
  if (withVol) WriteVol(&w, VolOptions{});
  WriteVopHeader(&w, 0, 4, 1);
  WriteIntraDcMacroblock(&w, a - 128, ca - 128, ca - 128);
  WriteIntraDcMacroblock(&w, b - a, cb - ca, cb - ca);
  w.Stuff();
  return w.bytes;
}

struct Decoder {
  explicit Decoder(int w = 32, int h = 16, int type = DEC_OUT_PLANAR) : width(w), height(h) {
    DEC_Params p = {w, h, 0, type};
    EXPECT_EQ(0, DEC_Control(nullptr, DEC_OP_INITIALISE, &p, nullptr));
    picture.assign(static_cast<std::size_t>(w) * h * 4, 0xEE);
  }
  ~Decoder() { DEC_Control(nullptr, DEC_OP_RELEASE, nullptr, nullptr); }
  int Decode(const std::vector<uint8_t>& bits, int render = 1) {
    DEC_Frame f = {picture.data(), bits.data(), static_cast<int32_t>(bits.size()), render};
    return DEC_Control(nullptr, DEC_OP_DECODE, &f, nullptr);
  }
  uint8_t Y(int x, int y) const { return picture[y * width + x]; }
  uint8_t Cb(int x, int y) const {  // planar output: Y, then the second chroma plane, then the first
    return picture[width * height + width * height / 4 + y * (width / 2) + x];
  }
  int width, height;
  std::vector<uint8_t> picture;
};

TEST(ClipDecoder, SetUpFigures) {
  Decoder d(320, 240);
  EXPECT_EQ(20, DEC_state.mbWidth);
  EXPECT_EQ(15, DEC_state.mbHeight);
  EXPECT_EQ(384, DEC_state.yStride);
  // The luma store (384 x 304) comes first; the first chroma plane's origin sits 16 rows and
  // 16 columns into its own border after it.
  EXPECT_EQ(384 * 304, DEC_state.frames[0].u - DEC_state.frames[0].memory - (16 * 192 + 16));
  EXPECT_EQ(DEC_state.frames[0].memory + 32 * 384 + 32, DEC_state.frames[0].y);
}

TEST(ClipDecoder, InitialiseRefusesSizesOutsideTheLimits) {
  for (auto size : {std::pair{736, 576}, {720, 592}, {0, 16}, {24, 16}, {16, -16}}) {
    DEC_Params p = {size.first, size.second, 32, 0};
    EXPECT_EQ(DEC_RESULT_REFUSED, DEC_Control(nullptr, DEC_OP_INITIALISE, &p, nullptr));
  }
  Decoder biggest(720, 576);
  EXPECT_EQ(45, DEC_state.mbWidth);
}

TEST(ClipDecoder, PostProcessingLevels) {
  Decoder d;
  DEC_PostLevel level = {100};
  EXPECT_EQ(0, DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr));
  EXPECT_EQ(15, DEC_state.postPasses);
  for (int bad : {101, -1}) {
    level.level = bad;
    EXPECT_EQ(2, DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr));
    EXPECT_EQ(15, DEC_state.postPasses) << "unchanged";
  }
  const int expected[][2] = {{1, 1}, {9, 1}, {10, 3}, {29, 3}, {30, 7}, {39, 7}, {40, 15}};
  for (const auto& e : expected) {
    level.level = e[0];
    EXPECT_EQ(0, DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr));
    EXPECT_EQ(1, DEC_state.postOn);
    EXPECT_EQ(e[1], DEC_state.postPasses) << "level " << e[0];
  }
  level.level = 0;
  EXPECT_EQ(0, DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr));
  EXPECT_EQ(0, DEC_state.postOn);
}

TEST(ClipDecoder, ColourConversionExamples) {
  for (const DEC_Dsp* dsp : {DEC_DspPlain(), DEC_DspBest()}) {
    uint8_t y[16 * 2], u[8], v[8];
    std::memset(y, 16, 16);
    std::memset(y + 16, 235, 16);
    std::memset(u, 128, 8);
    std::memset(v, 128, 8);
    uint8_t out[16 * 2 * 4];
    dsp->convert[DEC_OUT_BGR0](out, {y, u, v, 16, 8, 16, 2}, 1);
    // Bottom-up: the first output row is the bottom picture row (Y 235, white).
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(0, std::memcmp(out + 4 * x, "\xff\xff\xff\x00", 4)) << dsp->name;
      EXPECT_EQ(0, std::memcmp(out + 64 + 4 * x, "\x00\x00\x00\x00", 4)) << dsp->name;
    }
  }
}

TEST(ClipDecoder, UniformIntraPicture) {
  Decoder d;
  ASSERT_EQ(0, d.Decode(TwoToneIntra(60, 200, 100, 150)));
  EXPECT_EQ(60, d.Y(0, 0));
  EXPECT_EQ(60, d.Y(15, 15));
  EXPECT_EQ(200, d.Y(16, 0));
  EXPECT_EQ(200, d.Y(31, 15));
  EXPECT_EQ(100, d.Cb(0, 0));
  EXPECT_EQ(150, d.Cb(8, 7));
}

TEST(ClipDecoder, LayerControlParametersAreParsed) {
  Decoder d;
  BitWriter w;
  VolOptions o;
  o.controlParameters = 1;
  WriteVol(&w, o);
  std::vector<uint8_t> bits = w.bytes;
  const std::vector<uint8_t> vop = TwoToneIntra(90, 90, 128, 128, false);
  bits.insert(bits.end(), vop.begin(), vop.end());
  ASSERT_EQ(0, d.Decode(bits));
  EXPECT_EQ(90, d.Y(20, 10));
}

TEST(ClipDecoder, RenderFlagZeroAdvancesTheReferenceOnly) {
  Decoder d;
  ASSERT_EQ(0, d.Decode(TwoToneIntra(60, 200, 100, 150)));
  const std::vector<uint8_t> shown = d.picture;
  ASSERT_EQ(0, d.Decode(TwoToneIntra(30, 40, 50, 60), 0));
  EXPECT_EQ(shown, d.picture);
  // A P-VOP of two not-coded macroblocks shows the reference: the picture decoded unseen.
  BitWriter w;
  WriteVopHeader(&w, 1, 4, 1);
  w.Put("1 1");
  w.Stuff();
  ASSERT_EQ(0, d.Decode(w.bytes));
  EXPECT_EQ(30, d.Y(3, 3));
  EXPECT_EQ(40, d.Y(30, 3));
  EXPECT_EQ(60, d.Cb(12, 2));
}

TEST(ClipDecoder, VectorsFarBeyondTheEdgeReadReplicatedBorderSamples) {
  Decoder d;
  ASSERT_EQ(0, d.Decode(TwoToneIntra(60, 200, 100, 150)));
  // fcode 3: vectors in [-128, 127] half samples. The left macroblock moves 32 samples right
  // (+64: exactly across the border), the right one 64 samples left (its +64 difference wraps
  // the predictor +64 to -128), far past the 32-sample border.
  BitWriter w;
  WriteVopHeader(&w, 1, 4, 3);
  for (int mb = 0; mb < 2; ++mb) {
    w.Put("0 1 11");                 // coded, mcbpc inter without chroma, cbpy none coded
    w.Put("0000 0011 00 0 11");      // x: motion code 16, positive, residual 3: +64
    w.Put("1");                      // y: 0
  }
  w.Stuff();
  ASSERT_EQ(0, d.Decode(w.bytes));
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(200, d.Y(0, y));
    EXPECT_EQ(200, d.Y(15, y));
    EXPECT_EQ(60, d.Y(16, y));
    EXPECT_EQ(60, d.Y(31, y));
  }
  EXPECT_EQ(150, d.Cb(0, 0));
  EXPECT_EQ(100, d.Cb(15, 7));
}

TEST(ClipDecoder, TruncatedVopLeavesAConsistentPicture) {
  Decoder d;
  ASSERT_EQ(0, d.Decode(TwoToneIntra(60, 200, 100, 150)));
  // The next I-VOP ends inside its first macroblock: what is missing comes from the reference.
  std::vector<uint8_t> cut = TwoToneIntra(10, 20, 30, 40, false);
  cut.resize(8);
  ASSERT_EQ(0, d.Decode(cut));
  EXPECT_EQ(200, d.Y(20, 5));
  // And the stores stay usable: a full picture decodes exactly afterwards.
  ASSERT_EQ(0, d.Decode(TwoToneIntra(11, 22, 33, 44, false)));
  EXPECT_EQ(11, d.Y(0, 0));
  EXPECT_EQ(22, d.Y(31, 15));
}

TEST(ClipDecoder, RefusedFramesLeaveThePictureAlone) {
  Decoder d;
  ASSERT_EQ(0, d.Decode(TwoToneIntra(60, 200, 100, 150)));
  const std::vector<uint8_t> shown = d.picture;
  BitWriter other;
  VolOptions o;
  o.width = 48;
  WriteVol(&other, o);
  EXPECT_EQ(DEC_RESULT_REFUSED, d.Decode(other.bytes)) << "layer of another size";
  EXPECT_EQ(DEC_RESULT_REFUSED, d.Decode({0x00, 0x00, 0x01, 0xB3, 0x12})) << "no VOP";
  EXPECT_EQ(DEC_RESULT_REFUSED, d.Decode({})) << "empty";
  BitWriter bvop;
  WriteVopHeader(&bvop, 2, 4, 1);
  EXPECT_EQ(DEC_RESULT_REFUSED, d.Decode(bvop.bytes)) << "B-VOP";
  EXPECT_EQ(shown, d.picture);
}

// A layer header with one unsupported tool, followed by an I-VOP.
std::vector<uint8_t> LayerWith(VolOptions o, bool objectStart = false, bool userData = false) {
  BitWriter w;
  if (objectStart) w.Put(0x00000100, 32);
  WriteVol(&w, o);
  if (userData) w.Put(0x000001B2, 32);
  std::vector<uint8_t> bits = w.bytes;
  const std::vector<uint8_t> vop = TwoToneIntra(1, 2, 3, 4, false);
  bits.insert(bits.end(), vop.begin(), vop.end());
  return bits;
}

void DecodeOnce(const std::vector<uint8_t>& bits) {
  Decoder d;
  d.Decode(bits);
  std::exit(0);
}

TEST(ClipDecoderDeathTest, UnsupportedToolsEndTheProcessWithTheirStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  VolOptions o;
  o.dataPartitioned = 1;
  EXPECT_EXIT(DecodeOnce(LayerWith(o)), testing::ExitedWithCode(102), "");
  o = {};
  o.scalability = 1;
  EXPECT_EXIT(DecodeOnce(LayerWith(o)), testing::ExitedWithCode(103), "");
  EXPECT_EXIT(DecodeOnce(LayerWith({}, false, true)), testing::ExitedWithCode(104), "");
  o = {};
  o.complexityDisable = 0;
  EXPECT_EXIT(DecodeOnce(LayerWith(o)), testing::ExitedWithCode(108), "");
  o = {};
  o.interlaced = 1;
  EXPECT_EXIT(DecodeOnce(LayerWith(o)), testing::ExitedWithCode(109), "");
  o = {};
  o.quantType = 1;
  EXPECT_EXIT(DecodeOnce(LayerWith(o)), testing::ExitedWithCode(110), "");
  EXPECT_EXIT(DecodeOnce({0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0xB6, 0x00}), testing::ExitedWithCode(101), "");
  // The supported layer, for contrast, decodes and returns.
  EXPECT_EXIT(DecodeOnce(LayerWith({}, true)), testing::ExitedWithCode(0), "");
}

// Deblocking one edge in the middle of a 24 x 8 plane (edges at x = 8 and 16; the step is at 16).
std::vector<uint8_t> EdgePlane(const int (&row)[8], int fill) {
  std::vector<uint8_t> p(24 * 8, static_cast<uint8_t>(fill));
  for (int y = 0; y < 8; ++y)
    for (int k = 0; k < 8; ++k) p[y * 24 + 12 + k] = static_cast<uint8_t>(row[k]);
  return p;
}

TEST(ClipDecoder, DeblockFlatMode) {
  for (const DEC_Dsp* dsp : {DEC_DspPlain(), DEC_DspBest()}) {
    std::vector<uint8_t> p(24 * 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 24; ++x) p[y * 24 + x] = x < 16 ? 100 : 102;
    const uint8_t qp[2] = {4, 4};
    dsp->deblockVertical(p.data(), 24, 24, 8, qp, 2, 4);
    const int expected[8] = {100, 100, 101, 101, 101, 102, 102, 102};
    for (int y = 0; y < 8; ++y)
      for (int k = 0; k < 8; ++k) EXPECT_EQ(expected[k], p[y * 24 + 12 + k]) << dsp->name;
  }
}

TEST(ClipDecoder, DeblockDefaultMode) {
  const int ramp[8] = {10, 20, 30, 40, 80, 90, 100, 110};
  for (const DEC_Dsp* dsp : {DEC_DspPlain(), DEC_DspBest()}) {
    for (int qpValue : {16, 10}) {
      std::vector<uint8_t> p = EdgePlane(ramp, 0);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) p[y * 24 + x] = static_cast<uint8_t>((x * 37 + y * 11) & 255);
      const uint8_t qp[2] = {static_cast<uint8_t>(qpValue), static_cast<uint8_t>(qpValue)};
      dsp->deblockVertical(p.data(), 24, 24, 8, qp, 2, 4);
      // |a0| = 80: filtered below 8 QP = 128 (d = 5), left alone at 8 QP = 80.
      const int s4 = qpValue == 16 ? 45 : 40, s5 = qpValue == 16 ? 75 : 80;
      for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(s4, p[y * 24 + 15]) << dsp->name << " qp " << qpValue;
        EXPECT_EQ(s5, p[y * 24 + 16]) << dsp->name << " qp " << qpValue;
        EXPECT_EQ(30, p[y * 24 + 14]);
        EXPECT_EQ(90, p[y * 24 + 17]);
      }
    }
  }
}

TEST(ClipDecoder, PostProcessedOutputDiffersOnlyNearEdges) {
  Decoder d(32, 16, DEC_OUT_PLANAR);
  DEC_PostLevel level = {100};
  ASSERT_EQ(0, DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr));
  ASSERT_EQ(0, d.Decode(TwoToneIntra(100, 102, 128, 128)));
  // A step of 2 at quantiser 4 is flat: smoothed across x = 16, the far columns untouched.
  EXPECT_EQ(100, d.Y(0, 5));
  EXPECT_EQ(101, d.Y(15, 5));
  EXPECT_EQ(101, d.Y(16, 5));
  EXPECT_EQ(102, d.Y(31, 5));
}

}  // namespace
