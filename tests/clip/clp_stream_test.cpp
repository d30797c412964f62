// The CLP container and the frame clock, with a recording decoder in place of the real one:
// header checks, the wrap to the first record, catch-up without conversion and the re-timing
// after a wrap, driven by the platform's manual clock.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "clip/clp.h"
#include "clip/dec.h"
#include "platform/pl_platform.h"
#include "tests/support/test_util.h"

namespace {

// What the stream asked of the decoder: each decode as payload length, render flag and id (the
// payload's first byte, which also fills a rendered picture; id 0xFF is refused).
struct Decoded {
  int length, render, id;
};
struct MockDecoder {
  bool initialised = false;
  DEC_Params params = {};
  int postLevel = -1;
  std::vector<Decoded> decoded;
} g_dec;

}  // namespace

int DEC_Control(void*, int operation, void* record, void*) {
  if (operation == DEC_OP_INITIALISE) {
    if (g_dec.initialised) return DEC_RESULT_REFUSED;
    g_dec.params = *static_cast<DEC_Params*>(record);
    return g_dec.initialised = true, 0;
  }
  if (operation == DEC_OP_RELEASE) return g_dec.initialised = false, 0;
  if (operation == DEC_OP_SET_POST) return g_dec.postLevel = static_cast<DEC_PostLevel*>(record)->level, 0;
  const auto* f = static_cast<DEC_Frame*>(record);
  const int id = f->length > 0 ? *static_cast<const std::uint8_t*>(f->bitstream) : -1;
  g_dec.decoded.push_back({f->length, f->render, id});
  if (id == 0xFF) return DEC_RESULT_REFUSED;
  if (f->render) std::memset(f->picture, id, std::size_t(g_dec.params.width) * g_dec.params.height * 4);
  return 0;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Header(int width, int height, float rate) {
  Bytes out = {'C', 'L', 'P', '1', 0xEE, 7, 0, 0, 0};
  Put32(&out, static_cast<std::uint32_t>(width));
  Put32(&out, static_cast<std::uint32_t>(height));
  std::uint32_t bits;
  std::memcpy(&bits, &rate, 4);
  Put32(&out, bits);
  return out;
}

// A record claiming `length` payload bytes, holding `bytes` of them, the first being `id`.
void Record(Bytes* out, std::int32_t length, std::uint8_t id, std::size_t bytes) {
  Put32(out, static_cast<std::uint32_t>(length));
  Put32(out, 0x55);
  out->push_back(id);
  out->insert(out->end(), bytes - 1, 0xA0);
}

// A 32 x 16 clip of `frames` records, frame k's id being k.
Bytes Clip(int frames, float rate = 25.0f) {
  Bytes out = Header(32, 16, rate);
  for (int k = 0; k < frames; ++k) Record(&out, 3 + k, static_cast<std::uint8_t>(k), 3 + k);
  return out;
}

// The ids decoded since log entry `from` with the given render flag.
std::vector<int> Ids(std::size_t from, int render) {
  std::vector<int> ids;
  for (std::size_t i = from; i < g_dec.decoded.size(); ++i)
    if (g_dec.decoded[i].render == render) ids.push_back(g_dec.decoded[i].id);
  return ids;
}

class ClpStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dec = MockDecoder();
    PL_TimerSetManual(1, 5000);
  }
  void TearDown() override {
    for (ClpStream* s : open_) deletestream(s);
    PL_TimerSetManual(0, 0);
  }
  ClpStream* Open(const Bytes& bytes) {
    vt::WriteFile(dir_.file("clip.clp"), bytes);
    ClpStream* s = newstream(dir_.file("clip.clp").c_str());
    if (s) open_.push_back(s);
    return s;
  }
  // Opened and started at the current time.
  ClpStream* Started(const Bytes& bytes) {
    ClpStream* s = Open(bytes);
    if (s) startstream(s);
    return s;
  }
  void Close(ClpStream* s) {
    std::erase(open_, s);
    deletestream(s);
  }
  vt::TempDir dir_;
  std::vector<ClpStream*> open_;
};

TEST_F(ClpStreamTest, OpenReadsTheHeaderAndSetsUpTheDecoder) {
  ClpStream* s = Open(Clip(3));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->headerWord, 7);
  EXPECT_EQ(s->width * 100 + s->height, 3216);
  EXPECT_EQ(s->pixelCount, 512);
  EXPECT_EQ(s->framePeriod, 40u);
  EXPECT_EQ(s->currentFrame, -1);
  EXPECT_EQ(g_dec.params.width * 100 + g_dec.params.height, 3216);
  EXPECT_EQ(g_dec.params.outputFormat, 32);
  EXPECT_EQ(g_dec.postLevel, 100);
  Close(s);
  EXPECT_FALSE(g_dec.initialised);
  // 30 frames a second truncate to 33 ms.
  s = Open(Clip(1, 30.0f));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->framePeriod, 33u);
}

TEST_F(ClpStreamTest, RefusesHeadersTheClockOrTheDecoderCannotTake) {
  EXPECT_EQ(newstream(dir_.file("missing.clp").c_str()), nullptr);
  Bytes magic = Clip(2);
  magic[3] = '2';
  EXPECT_EQ(Open(magic), nullptr);
  EXPECT_EQ(Open({'C', 'L', 'P', '1', 0, 1, 2}), nullptr);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    int width, height;
    float rate;
  } bad[] = {{0, 16, 25}, {-16, 16, 25}, {40, 16, 25}, {32, 24, 25}, {736, 16, 25},
             {32, 592, 25}, {32, 16, 0}, {32, 16, -25}, {32, 16, nan}, {32, 16, 1001}};
  for (const auto& b : bad) EXPECT_EQ(Open(Header(b.width, b.height, b.rate)), nullptr) << b.width << " " << b.rate;
  EXPECT_FALSE(g_dec.initialised);
  EXPECT_NE(Open(Header(720, 576, 1000.0f)), nullptr);
}

TEST_F(ClpStreamTest, StartShowsFrameZeroAndLateUpdatesCatchUpWithoutConversion) {
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->currentFrame, 0);
  EXPECT_EQ(Ids(0, 1), std::vector<int>{0});
  PL_TimerSet(5039);
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(g_dec.decoded.size(), 1u);
  // Five periods after the shown frame: four decodes, one conversion.
  PL_TimerSet(5200);
  EXPECT_EQ(updatestream(s), 1);
  EXPECT_EQ(Ids(1, 0), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Ids(1, 1), std::vector<int>{5});
  EXPECT_EQ(s->currentFrame, 5);
  EXPECT_EQ(s->picture[0], 5);
  // A second update within the same period reads nothing.
  PL_TimerSet(5239);
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(g_dec.decoded.size(), 6u);
  EXPECT_EQ(s->currentFrame, 5);
  EXPECT_EQ(s->pictureCount, 2u);
}

TEST_F(ClpStreamTest, TenFrameClipWrapsToFrameZeroAndRetimesItsClock) {
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  std::vector<int> shown;
  for (int k = 1; k <= 11; ++k) {
    PL_TimerSet(5000 + 40 * k);
    updatestream(s);
    shown.push_back(s->currentFrame);
  }
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
  EXPECT_EQ(s->clockOrigin, 5400u);
  // A wrap inside a catch-up: 12 periods late reads 1..9, 0, 1 and renders 2; the frames
  // already read wait for the clock restarted at the wrap.
  const std::size_t mark = g_dec.decoded.size();
  PL_TimerSet(5440 + 12 * 40);
  updatestream(s);
  EXPECT_EQ(Ids(mark, 0), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));
  EXPECT_EQ(s->currentFrame, 3);
  EXPECT_EQ(s->clockOrigin, 5920u);
  PL_TimerSet(5920 + 3 * 40);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 3);
  PL_TimerSet(5920 + 4 * 40);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 4);
}

TEST_F(ClpStreamTest, RecordsThatCannotBeFramesEndThePass) {
  // 32 x 16: the payload buffer holds 1536 bytes.
  for (std::int32_t badLength : {-1, 1537, 0x7FFFFFFF}) {
    Bytes clip = Header(32, 16, 25.0f);
    Record(&clip, 1536, 0, 1536);
    Record(&clip, 4, 1, 4);
    Record(&clip, badLength, 2, 8);
    ClpStream* s = Started(clip);
    ASSERT_NE(s, nullptr);
    std::vector<int> shown;
    for (int k = 1; k <= 3; ++k) {
      PL_TimerAdvance(40);
      updatestream(s);
      shown.push_back(s->currentFrame);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 1})) << badLength;
    Close(s);
  }
  // A clip without one readable record reads nothing, however late it is.
  Bytes none = Header(32, 16, 25.0f);
  Record(&none, -8, 0, 4);
  ClpStream* s = Started(none);
  ASSERT_NE(s, nullptr);
  PL_TimerAdvance(4000);
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(s->currentFrame, -1);
  EXPECT_EQ(s->pictureCount, 0u);
}

TEST_F(ClpStreamTest, CutShortOrRefusedFrames) {
  Bytes clip = Clip(1);
  Record(&clip, 4, 0xFF, 4);  // refused by the decoder
  Record(&clip, 100, 2, 10);  // cut short by the end of the file
  ClpStream* s = Started(clip);
  ASSERT_NE(s, nullptr);
  PL_TimerAdvance(40);
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(s->currentFrame, 1);
  EXPECT_EQ(s->pictureCount, 1u);
  PL_TimerAdvance(40);
  updatestream(s);
  EXPECT_EQ(g_dec.decoded.back().length, 10);
  EXPECT_EQ(s->frameLength, 100);
  PL_TimerAdvance(40);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 0);
}

}  // namespace
