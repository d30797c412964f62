// The CLP container and the frame clock, with a recording decoder in place of the real one:
// header checks, the wrap to the first record, catch-up without conversion and the re-timing
// after a wrap, driven by the platform's manual clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "clip/clp.h"
#include "clip/dec.h"
#include "platform/pl_platform.h"
#include "support/test_util.h"

namespace {

// What the stream asked of the decoder. A decoded frame's picture is filled with the first
// payload byte (the frame's id); a payload starting with 0xFF is refused.
struct Decoded {
  int length;
  int render;
  int id;
};
struct MockDecoder {
  bool initialised = false;
  DEC_Params params = {};
  int postLevel = -1;
  int releases = 0;
  std::vector<Decoded> decoded;
} g_dec;

}  // namespace

int DEC_Control(void*, int operation, void* record, void*) {
  switch (operation) {
    case DEC_OP_INITIALISE:
      if (g_dec.initialised) return DEC_RESULT_REFUSED;
      g_dec.initialised = true;
      g_dec.params = *static_cast<DEC_Params*>(record);
      return 0;
    case DEC_OP_RELEASE:
      g_dec.initialised = false;
      ++g_dec.releases;
      return 0;
    case DEC_OP_SET_POST:
      g_dec.postLevel = static_cast<DEC_PostLevel*>(record)->level;
      return 0;
    default: {
      const auto* f = static_cast<DEC_Frame*>(record);
      const auto* bits = static_cast<const std::uint8_t*>(f->bitstream);
      const int id = f->length > 0 ? bits[0] : -1;
      g_dec.decoded.push_back({f->length, f->render, id});
      if (id == 0xFF) return DEC_RESULT_REFUSED;
      if (f->render)
        std::memset(f->picture, id, static_cast<std::size_t>(g_dec.params.width) * g_dec.params.height * 4);
      return 0;
    }
  }
}

namespace {

void Put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> Header(int width, int height, float rate, std::int32_t word = 7) {
  std::vector<std::uint8_t> out = {'C', 'L', 'P', '1', 0xEE};
  Put32(&out, static_cast<std::uint32_t>(word));
  Put32(&out, static_cast<std::uint32_t>(width));
  Put32(&out, static_cast<std::uint32_t>(height));
  std::uint32_t bits;
  std::memcpy(&bits, &rate, 4);
  Put32(&out, bits);
  return out;
}

void Record(std::vector<std::uint8_t>* out, std::int32_t length, std::uint8_t id, std::size_t bytes) {
  Put32(out, static_cast<std::uint32_t>(length));
  Put32(out, 0x55);
  out->push_back(id);
  out->insert(out->end(), bytes - 1, 0xA0);
}

// A 32 x 16 clip of `frames` records, frame k's payload starting with k.
std::vector<std::uint8_t> Clip(int frames, float rate = 25.0f) {
  std::vector<std::uint8_t> out = Header(32, 16, rate);
  for (int k = 0; k < frames; ++k) Record(&out, 3 + k, static_cast<std::uint8_t>(k), 3 + k);
  return out;
}

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
  ClpStream* Open(const std::vector<std::uint8_t>& bytes, const char* name = "clip.clp") {
    vt::WriteFile(dir_.file(name), bytes);
    ClpStream* s = newstream(dir_.file(name).c_str());
    if (s) open_.push_back(s);
    return s;
  }
  // Opens and starts a clip at the current time; the decode log starts empty.
  ClpStream* Started(const std::vector<std::uint8_t>& bytes) {
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
  EXPECT_EQ(s->width, 32);
  EXPECT_EQ(s->height, 16);
  EXPECT_EQ(s->frameRate, 25.0f);
  EXPECT_EQ(s->pixelCount, 512);
  EXPECT_EQ(s->framePeriod, 40u);
  EXPECT_EQ(s->currentFrame, -1);
  EXPECT_EQ(s->pictureCount, 0u);
  EXPECT_EQ(s->picture[0], 0);
  EXPECT_EQ(s->picture[512 * 4 - 1], 0);
  EXPECT_EQ(g_dec.params.width, 32);
  EXPECT_EQ(g_dec.params.height, 16);
  EXPECT_EQ(g_dec.params.outputFormat, 32);
  EXPECT_EQ(g_dec.postLevel, 100);
  EXPECT_TRUE(g_dec.decoded.empty());

  Close(s);
  EXPECT_FALSE(g_dec.initialised);
  EXPECT_EQ(g_dec.releases, 1);
  deletestream(nullptr);
  EXPECT_EQ(g_dec.releases, 1);
}

TEST_F(ClpStreamTest, FramePeriodIsTruncated) {
  const std::pair<float, unsigned> cases[] = {{25.0f, 40}, {30.0f, 33}, {29.97f, 33}, {1000.0f, 1}, {0.5f, 2000}};
  for (auto [rate, period] : cases) {
    ClpStream* s = Open(Clip(1, rate));
    ASSERT_NE(s, nullptr) << rate;
    EXPECT_EQ(s->framePeriod, period) << rate;
    Close(s);
  }
}

TEST_F(ClpStreamTest, RefusesWhatTheClockOrTheDecoderCannotTake) {
  EXPECT_EQ(newstream(dir_.file("missing.clp").c_str()), nullptr);
  EXPECT_EQ(newstream(nullptr), nullptr);
  std::vector<std::uint8_t> magic = Clip(2);
  magic[3] = '2';
  EXPECT_EQ(Open(magic), nullptr);
  std::vector<std::uint8_t> shortHeader = Header(32, 16, 25.0f);
  shortHeader.resize(20);
  EXPECT_EQ(Open(shortHeader), nullptr);
  EXPECT_EQ(Open({'C', 'L', 'P'}), nullptr);

  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    int width, height;
    float rate;
  } bad[] = {{0, 16, 25}, {-16, 16, 25},  {32, 0, 25},  {32, -32, 25}, {40, 16, 25},
             {32, 24, 25}, {736, 16, 25}, {32, 592, 25}, {32, 16, 0},  {32, 16, -25},
             {32, 16, nan}, {32, 16, inf}, {32, 16, 1001}, {32, 16, 1e-9f}};
  for (const auto& b : bad) {
    std::vector<std::uint8_t> clip = Header(b.width, b.height, b.rate);
    Record(&clip, 4, 0, 4);
    EXPECT_EQ(Open(clip), nullptr) << b.width << "x" << b.height << " at " << b.rate;
  }
  // Nothing was left set up.
  EXPECT_FALSE(g_dec.initialised);
  EXPECT_NE(Open(Header(720, 576, 25.0f)), nullptr);
}

TEST_F(ClpStreamTest, OneStreamPerCopyOfTheDecoder) {
  ClpStream* first = Open(Clip(2), "a.clp");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Open(Clip(2), "b.clp"), nullptr);
  // The refused stream did not release the decoder the first one uses.
  EXPECT_TRUE(g_dec.initialised);
  Close(first);
  EXPECT_NE(Open(Clip(2), "b.clp"), nullptr);
}

TEST_F(ClpStreamTest, StartShowsFrameZeroAndTheClockAdvancesByPeriods) {
  ClpStream* s = Open(Clip(10));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(startstream(s), 1);
  EXPECT_EQ(s->clockOrigin, 5000u);
  EXPECT_EQ(s->currentFrame, 0);
  EXPECT_EQ(Ids(0, 1), std::vector<int>{0});
  EXPECT_EQ(s->picture[5], 0);
  EXPECT_EQ(s->frameLength, 3);
  EXPECT_EQ(s->frameFlag, 0x55);

  PL_TimerSet(5039);
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(s->currentFrame, 0);
  EXPECT_EQ(g_dec.decoded.size(), 1u);
  PL_TimerSet(5040);
  EXPECT_EQ(updatestream(s), 1);
  EXPECT_EQ(s->currentFrame, 1);
  EXPECT_EQ(s->targetFrame, 1);
  EXPECT_EQ(s->picture[5], 1);
  EXPECT_EQ(g_dec.decoded.back().length, 4);
}

TEST_F(ClpStreamTest, CatchUpDecodesWithoutConversionAndRendersTheLast) {
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  const std::size_t mark = g_dec.decoded.size();
  PL_TimerAdvance(5 * 40);
  EXPECT_EQ(updatestream(s), 1);
  EXPECT_EQ(Ids(mark, 0), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Ids(mark, 1), std::vector<int>{5});
  EXPECT_EQ(g_dec.decoded.back().id, 5);
  EXPECT_EQ(s->currentFrame, 5);
  EXPECT_EQ(s->pictureCount, 2u);
  EXPECT_EQ(s->picture[0], 5);
  EXPECT_EQ(s->clockOrigin, 5000u);
}

TEST_F(ClpStreamTest, UpdatesWithinOnePeriodRenderOnce) {
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  PL_TimerAdvance(45);
  EXPECT_EQ(updatestream(s), 1);
  const std::size_t decodes = g_dec.decoded.size();
  PL_TimerAdvance(30);  // 75 ms: still frame 1
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(g_dec.decoded.size(), decodes);
  EXPECT_EQ(s->currentFrame, 1);
  EXPECT_EQ(s->pictureCount, 2u);
}

TEST_F(ClpStreamTest, TenFrameClipWrapsToFrameZeroAndRetimesItsClock) {
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  std::vector<int> shown = {s->currentFrame};
  for (int k = 1; k <= 10; ++k) {
    PL_TimerSet(5000 + 40 * k);
    updatestream(s);
    shown.push_back(s->currentFrame);
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}));
  EXPECT_EQ(Ids(0, 1), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}));
  EXPECT_EQ(s->clockOrigin, 5400u);
  // Frame 1 of the new pass is due one period after the wrap.
  PL_TimerSet(5439);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 0);
  PL_TimerSet(5440);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 1);
  EXPECT_EQ(s->clockOrigin, 5400u);
}

TEST_F(ClpStreamTest, FramesReadAfterAWrapWaitForTheRestartedClock) {
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  const std::size_t mark = g_dec.decoded.size();
  PL_TimerSet(5000 + 12 * 40);
  updatestream(s);
  // Frames 1..9, then 0 and 1 of the next pass decoded only, 2 rendered.
  EXPECT_EQ(Ids(mark, 0), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
  EXPECT_EQ(Ids(mark, 1), std::vector<int>{2});
  EXPECT_EQ(s->currentFrame, 2);
  EXPECT_EQ(s->clockOrigin, 5480u);
  const std::size_t after = g_dec.decoded.size();
  PL_TimerSet(5480 + 2 * 40);
  updatestream(s);
  EXPECT_EQ(g_dec.decoded.size(), after);
  PL_TimerSet(5480 + 3 * 40);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 3);
}

TEST_F(ClpStreamTest, TimerWrapAroundKeepsTheClockRunning) {
  PL_TimerSet(0xFFFFFFF0u);
  ClpStream* s = Started(Clip(10));
  ASSERT_NE(s, nullptr);
  PL_TimerSet(0xFFFFFFF0u + 80u);  // wraps to 64
  updatestream(s);
  EXPECT_EQ(s->targetFrame, 2);
  EXPECT_EQ(s->currentFrame, 2);
}

TEST_F(ClpStreamTest, RecordsThatCannotBeFramesEndThePass) {
  // 32 x 16: the payload buffer holds 1536 bytes.
  for (std::int32_t badLength : {-1, -100000, 1537, 0x7FFFFFFF}) {
    std::vector<std::uint8_t> clip = Header(32, 16, 25.0f);
    Record(&clip, 1536, 0, 1536);
    Record(&clip, 4, 1, 4);
    Record(&clip, badLength, 2, 8);
    Record(&clip, 4, 3, 4);
    ClpStream* s = Started(clip);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(g_dec.decoded.back().length, 1536);
    std::vector<int> shown;
    for (int k = 1; k <= 3; ++k) {
      PL_TimerAdvance(40);
      updatestream(s);
      shown.push_back(s->currentFrame);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 1})) << badLength;
    Close(s);
  }
}

TEST_F(ClpStreamTest, CutShortPayloadDecodesWhatIsThereThenWraps) {
  std::vector<std::uint8_t> clip = Clip(2);
  Record(&clip, 100, 2, 10);
  ClpStream* s = Started(clip);
  ASSERT_NE(s, nullptr);
  PL_TimerAdvance(80);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 2);
  EXPECT_EQ(s->frameLength, 100);
  EXPECT_EQ(g_dec.decoded.back().length, 10);
  PL_TimerAdvance(40);
  updatestream(s);
  EXPECT_EQ(s->currentFrame, 0);
  EXPECT_EQ(g_dec.decoded.back().id, 0);
}

TEST_F(ClpStreamTest, ClipWithoutAReadableRecordReadsNothing) {
  std::vector<std::uint8_t> headerOnly = Header(32, 16, 25.0f);
  std::vector<std::uint8_t> badFirst = headerOnly;
  Record(&badFirst, -8, 0, 4);
  for (const auto& clip : {headerOnly, badFirst}) {
    ClpStream* s = Open(clip);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(startstream(s), 0);
    EXPECT_EQ(s->currentFrame, -1);
    PL_TimerAdvance(400);
    EXPECT_EQ(updatestream(s), 0);
    EXPECT_EQ(s->currentFrame, -1);
    EXPECT_TRUE(g_dec.decoded.empty());
    EXPECT_EQ(s->pictureCount, 0u);
    Close(s);
  }
}

TEST_F(ClpStreamTest, RefusedFrameCountsAsReadButNotAsAPicture) {
  std::vector<std::uint8_t> clip = Header(32, 16, 25.0f);
  Record(&clip, 4, 0, 4);
  Record(&clip, 4, 0xFF, 4);
  ClpStream* s = Started(clip);
  ASSERT_NE(s, nullptr);
  PL_TimerAdvance(40);
  EXPECT_EQ(updatestream(s), 0);
  EXPECT_EQ(s->currentFrame, 1);
  EXPECT_EQ(s->pictureCount, 1u);
  EXPECT_EQ(s->picture[0], 0);
}

}  // namespace
