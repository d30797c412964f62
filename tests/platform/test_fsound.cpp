// The sound layer: errors and harmless misuse, the no-sound output's real-time position on the
// controllable clock, and a tone played through SDL's disk output and found in what it wrote.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

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

// SDL's disk output writes what the device would have played: 16-bit stereo at the mix rate.
TEST_F(Fsound, ToneComesOutOfTheDiskOutput) {
  std::string raw = dir.file("out.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DEFAULT));
  ASSERT_GE(FSOUND_GetNumDrivers(), 1);
  EXPECT_STREQ(FSOUND_GetDriverName(0), "Default (disk)");
  ASSERT_TRUE(FSOUND_SetDriver(0));
  ASSERT_TRUE(FSOUND_Init(44100, 16, 0)) << FSOUND_GetError();
  FSOUND_STREAM* s = FSOUND_Stream_OpenFile(tone.c_str(), 41, 0);
  ASSERT_NE(s, nullptr);
  int length = FSOUND_Stream_GetLength(s);
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
  FSOUND_Close();
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");

  std::vector<std::uint8_t> bytes = vt::ReadFile(raw);
  std::vector<int> left;
  std::set<int> levels;
  int unequal = 0;
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
    int l = std::int16_t(bytes[i] | bytes[i + 1] << 8), r = std::int16_t(bytes[i + 2] | bytes[i + 3] << 8);
    unequal += l != r;
    left.push_back(l);
    levels.insert(l);
  }
  EXPECT_EQ(unequal, 0);           // mono
  EXPECT_LE(levels.size(), 256u);  // 8-bit samples

  // The tone: where the signal is loud, how long, and how many cycles.
  std::size_t first = left.size(), end = 0;
  for (std::size_t i = 0; i < left.size(); i++)
    if (std::abs(left[i]) > 8000) {
      first = std::min(first, i);
      end = i + 1;
    }
  ASSERT_LT(first, end);
  EXPECT_NEAR(double(end - first) / 44100.0, 1.0, 0.01);
  int crossings = 0;
  for (std::size_t i = first + 1; i < end; i++) crossings += left[i - 1] < 0 && left[i] >= 0;
  EXPECT_NEAR(crossings, 440, 3);
}

}  // namespace
