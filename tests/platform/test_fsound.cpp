// The sound layer: errors and harmless misuse, the no-sound output's real-time position on the
// controllable clock, a stereo tone played through SDL's disk output and found in what it wrote,
// and a stream kept on the timer's schedule by an output that drifts, stalls or jumps ahead.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/native/pl_fsound_internal.h"
#include "platform/pl_fsound.h"
#include "platform/pl_platform.h"
#include "tests/support/test_tone.h"
#include "tests/support/test_util.h"

namespace {

// Every test leaves the library closed and the clock real.
struct Fsound : ::testing::Test {
  vt::TempDir dir;
  std::string tone = dir.file("tone.mp3");
  void SetUp() override { ASSERT_TRUE(vt::MakeToneMp3(tone, 440.0, 1.0)); }
  void TearDown() override {
    FSOUND_Close();
    PL_TimerSetManual(0, 0);
  }
  void InitNoSound() {
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
    ASSERT_TRUE(FSOUND_Init(44100, 16, 0));
  }
};

TEST_F(Fsound, MisuseFailsWithItsCodeAndClosingIsAlwaysHarmless) {
  FSOUND_Close();
  EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
  EXPECT_EQ(FSOUND_Stream_OpenFile(tone.c_str(), 41, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_FALSE(FSOUND_SetOutput(7));
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);

  InitNoSound();
  EXPECT_EQ(FSOUND_GetNumDrivers(), 1);
  EXPECT_STREQ(FSOUND_GetDriverName(0), "No Sound");
  EXPECT_EQ(FSOUND_GetDriverName(1), nullptr);
  EXPECT_FALSE(FSOUND_Init(44100, 16, 0));
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
  EXPECT_FALSE(FSOUND_SetOutput(FSOUND_OUTPUT_DEFAULT));
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);

  FSOUND_STREAM* s = FSOUND_Stream_OpenFile(tone.c_str(), 41, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(FSOUND_Stream_Close(s));
  EXPECT_FALSE(FSOUND_Stream_Close(s));  // already gone
  EXPECT_EQ(FSOUND_Stream_GetPosition(s), 0u);
  FSOUND_Close();
  FSOUND_Close();
}

TEST_F(Fsound, FilesThatCannotBePlayedAreTold) {
  InitNoSound();
  EXPECT_EQ(FSOUND_Stream_OpenFile(dir.file("missing.mp3").c_str(), 41, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);
  vt::WriteFile(dir.file("text.mp3"), std::string(5000, 'x'));
  vt::WriteFile(dir.file("empty.mp3"), std::string());
  for (const char* name : {"text.mp3", "empty.mp3"}) {
    EXPECT_EQ(FSOUND_Stream_OpenFile(dir.file(name).c_str(), 41, 0), nullptr) << name;
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT) << name;
  }
  EXPECT_EQ(FSOUND_Stream_OpenFile(tone.c_str(), FSOUND_8BITS | FSOUND_16BITS, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
}

TEST_F(Fsound, NoSoundPositionRunsOnTheClock) {
  InitNoSound();
  // Windows-style name, other case: the path resolver finds the file.
  std::filesystem::rename(tone, dir.file("Tone.MP3"));
  FSOUND_STREAM* s = FSOUND_Stream_OpenFile((dir.path.string() + "\\tone.mp3").c_str(), 41, 0);
  ASSERT_NE(s, nullptr);
  int length = FSOUND_Stream_GetLength(s);
  EXPECT_NEAR(length, 44100, 44100 / 100);  // one second, in sample frames

  PL_TimerSetManual(1, 0xFFFFF000u);  // the counter wraps during playback
  EXPECT_EQ(FSOUND_Stream_GetPosition(s), 0u);
  ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, s), 0);
  EXPECT_EQ(FSOUND_Stream_GetPosition(s), 0u);
  PL_TimerAdvance(250);
  EXPECT_EQ(FSOUND_Stream_GetPosition(s), 11025u);
  PL_TimerAdvance(4000);  // past the counter's wrap
  EXPECT_EQ(FSOUND_Stream_GetPosition(s), unsigned(length));
}

// Where a tone is loud in one channel of 16-bit stereo, for how long (seconds at `rate`), and
// its frequency from the upward zero crossings.
struct Tone {
  double seconds = 0, frequency = 0;
  std::size_t levels = 0;
};
Tone find_tone(const std::vector<std::uint8_t>& bytes, int channel, int rate) {
  std::vector<int> v;
  for (std::size_t i = std::size_t(channel) * 2; i + 1 < bytes.size(); i += 4) v.push_back(std::int16_t(bytes[i] | bytes[i + 1] << 8));
  std::size_t first = v.size(), end = 0;
  for (std::size_t i = 0; i < v.size(); i++)
    if (std::abs(v[i]) > 8000) first = std::min(first, i), end = i + 1;
  Tone t;
  if (first >= end) return t;
  int crossings = 0;
  std::set<int> levels;
  for (std::size_t i = first + 1; i < end; i++) crossings += v[i - 1] < 0 && v[i] >= 0, levels.insert(v[i]);
  t.seconds = double(end - first) / rate;
  t.frequency = crossings / t.seconds;
  t.levels = levels.size();
  return t;
}

// SDL's disk output writes what the device would have played: 16-bit stereo at the mix rate.
// A stereo file at 22050 Hz comes out with both its channels, at 16 bits, though the mode asks
// for 8-bit mono (as the real library, which applies those bits to raw PCM data only).
TEST_F(Fsound, StereoToneComesOutOfTheDiskOutputAtItsOwnQuality) {
  std::string stereo = dir.file("stereo.mp3");
  ASSERT_TRUE(vt::MakeToneMp3(stereo, 440.0, 1.0, 22050, 660.0));
  std::string raw = dir.file("out.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DEFAULT));
  ASSERT_GE(FSOUND_GetNumDrivers(), 1);
  EXPECT_STREQ(FSOUND_GetDriverName(0), "Default (disk)");
  ASSERT_TRUE(FSOUND_SetDriver(0));
  ASSERT_TRUE(FSOUND_Init(44100, 16, 0)) << FSOUND_GetError();
  FSOUND_STREAM* s = FSOUND_Stream_OpenFile(stereo.c_str(), 41, 0);
  ASSERT_NE(s, nullptr);
  int length = FSOUND_Stream_GetLength(s);
  EXPECT_NEAR(length, 22050, 22050 / 100);
  ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, s), 0);

  auto start = std::chrono::steady_clock::now();
  unsigned last = 0;
  while (FSOUND_Stream_GetPosition(s) < unsigned(length) && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    unsigned now = FSOUND_Stream_GetPosition(s);
    EXPECT_GE(now, last);
    last = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(FSOUND_Stream_GetPosition(s), unsigned(length));
  EXPECT_GT(seconds, 0.8);  // played in real time, not all at once
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  PL_SoundReport report{};
  PL_SoundGetReport(&report);
  EXPECT_STREQ(report.output, "sdl:disk");
  EXPECT_EQ(report.rate, 44100);
  FSOUND_Close();
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");

  // The disk output is no real-time device (it runs a little slow, and its thread may wait
  // long on a busy machine), so the sound may have been skipped forward to stay on time.
  std::vector<std::uint8_t> bytes = vt::ReadFile(raw);
  for (auto [channel, frequency] : {std::pair{0, 440.0}, std::pair{1, 660.0}}) {
    SCOPED_TRACE(channel);
    Tone t = find_tone(bytes, channel, 44100);
    EXPECT_GT(t.seconds, 0.5);
    EXPECT_LT(t.seconds, 1.01);
    EXPECT_NEAR(t.frequency, frequency, frequency / 100);
    EXPECT_GT(t.levels, 4000u);  // 16-bit samples
  }
}

// The mixer under a simulated output that asks for blocks of 1024 frames at 44100 Hz, each to
// be heard at an instant that runs as the case says. Frame n of the stream is due at
// startNs + n / 22050 s; what the mixer holds at each block's first frame is compared with that.
struct Schedule {
  const char* name;
  double devicePpm;  // how much faster the device's clock runs than the timer
  long long jumpMs;  // at 10 s, the output's next block is heard this much later (a stall)
  int skips;
  double worstMs;  // the largest distance from the schedule from 12 s on (in step: half a
                   // device frame, from where the first frame falls)
};

TEST_F(Fsound, StreamStaysOnTheTimersScheduleWhateverTheOutputDoes) {
  std::string tone = dir.file("long.mp3");
  ASSERT_TRUE(vt::MakeToneMp3(tone, 440.0, 32.0, 22050, 660.0));
  constexpr int kRate = 44100, kBlock = 1024;
  constexpr long long kStart = 1000000000000ll;
  for (const Schedule& c : {Schedule{"in step", 0, 0, 0, 0.012}, Schedule{"device 300 ppm fast", 300, 0, 0, 4.5},
                            Schedule{"device 300 ppm slow", -300, 0, 0, 4.5}, Schedule{"stalled 100 ms", 0, 100, 1, 0.5},
                            Schedule{"40 ms early", 0, -40, 0, 0.5}}) {
    SCOPED_TRACE(c.name);
    auto* s = new PL_SoundStream;
    s->file = std::fopen(tone.c_str(), "rb");
    ASSERT_EQ(PL_StreamDecodeOpen(s), FMOD_ERR_NONE);
    ASSERT_TRUE(PL_StreamMixNew(s));
    PL_StreamDecodeStart(s);
    s->startNs = kStart;
    PL_soundCounters.skips = 0;
    std::vector<float> acc(kBlock * 2);
    double heard = double(kStart) - 5e6, worst = 0.0;
    for (int block = 0; heard < kStart + 30e9; block++) {
      while (!s->decodedAll && s->written - s->read < 4096) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (heard >= kStart + 10e9 && heard < kStart + 10e9 + 1e7) heard += double(c.jumpMs) * 1e6;
      const double expect = (heard - double(kStart)) * 1e-9 * s->rate;
      if (s->mix.begun && heard > kStart + 12e9) worst = std::max(worst, std::fabs(s->mix.srcPos - expect) * 1000.0 / s->rate);
      PL_StreamMix(s, acc.data(), kBlock, std::llround(heard), kRate, 1.0f);
      heard += kBlock * 1e9 / kRate / (1.0 + c.devicePpm * 1e-6);
    }
    EXPECT_EQ(PL_soundCounters.skips, c.skips);
    EXPECT_LT(worst, c.worstMs);
    EXPECT_FALSE(s->mix.ended);
    PL_StreamFree(s);
  }
}

}  // namespace
