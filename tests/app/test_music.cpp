// Music playback and the music clock on the no-sound output and the controllable clock: the
// clock's figures, the played fraction, the end-of-track fade, and the failures' boxes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/pl_fsound.h"
#include "platform/pl_platform.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "tests/support/test_tone.h"
#include "tests/support/test_util.h"

namespace {

std::vector<std::string> g_boxes;
int record_box(const char* text, const char* caption) {
  g_boxes.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

// Runs in a fresh folder; `WithSoundtrack` puts a two-second tone where the show looks for
// its music (spelt in another case, as a Windows disk would allow).
struct Music : ::testing::Test {
  vt::TempDir dir;
  vt::ChangeDir cd{dir.path};
  void SetUp() override {
    g_boxes.clear();
    PL_MessageBoxSetHandler(record_box);
    APP_shell.settings = APP_SETTINGS_DEFAULT;
    APP_shell.settings.outputRow = 2;  // "No Sound"
  }
  void TearDown() override {
    MUSIC_StreamClose();
    MUSIC_Close();
    PL_MessageBoxSetHandler(nullptr);
    PL_TimerSetManual(0, 0);
  }
  void WithSoundtrack() {
    std::filesystem::create_directories(dir.path / "Data" / "Music");
    ASSERT_TRUE(vt::MakeToneMp3(dir.file("Data/Music/Soundtrack_56k.MP3"), 440.0, 2.0));
  }
};

TEST(MusicErrors, CodesHaveTheirTexts) {
  EXPECT_STREQ(MUSIC_ErrorString(0), "No errors");
  EXPECT_STREQ(MUSIC_ErrorString(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
  EXPECT_STREQ(MUSIC_ErrorString(9), "File not found");
  EXPECT_STREQ(MUSIC_ErrorString(12), "Not enough memory ");
  EXPECT_STREQ(MUSIC_ErrorString(15), "Tried to use an EAX command on a non EAX enabled channel or output.");
  EXPECT_STREQ(MUSIC_ErrorString(17), "Failed to allocate a new channel");
  for (int code : {16, 18, 1000, -1}) EXPECT_STREQ(MUSIC_ErrorString(code), "Unknown error") << code;
}

TEST(MusicFade, VolumeOverTheLastStretch) {
  EXPECT_EQ(APP_FadeVolume(0.5f), -1);
  EXPECT_EQ(APP_FadeVolume(0.997f), -1);  // left alone
  EXPECT_EQ(APP_FadeVolume(0.9985f), 127);
  EXPECT_EQ(APP_FadeVolume(1.0f), 0);
}

TEST_F(Music, ClockCountsFromTheStartOfPlayback) {
  WithSoundtrack();
  for (DWORD origin : {5000u, 0xFFFFF000u}) {  // the second start wraps the counter
    SCOPED_TRACE(origin);
    PL_TimerSetManual(1, origin);
    ASSERT_EQ(MUSIC_Init(), 1);
    PL_TimerAdvance(700);  // loading time does not count
    ASSERT_EQ(MUSIC_Play(), 1);
    EXPECT_EQ(MUSIC_GetTime(), 0.0f);
    PL_TimerAdvance(2500);
    EXPECT_FLOAT_EQ(MUSIC_GetTime(), 2.5f);
    MUSIC_StreamClose();
    MUSIC_Close();
  }
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(Music, FractionReachesOneAndTheRunningTestFadesToSilence) {
  WithSoundtrack();
  PL_TimerSetManual(1, 1000);
  ASSERT_EQ(MUSIC_Init(), 1);
  EXPECT_EQ(MUSIC_GetFraction(), 0.0f);
  ASSERT_EQ(MUSIC_Play(), 1);
  PL_TimerAdvance(1000);
  EXPECT_NEAR(MUSIC_GetFraction(), 0.5f, 0.01f);
  APP_IsRunning(0);
  EXPECT_EQ(FSOUND_GetVolume(0), 255);
  PL_TimerAdvance(1000);
  EXPECT_EQ(MUSIC_GetFraction(), 1.0f);
  APP_IsRunning(0);
  EXPECT_EQ(FSOUND_GetVolume(0), 0);
  PL_TimerAdvance(60000);
  EXPECT_EQ(MUSIC_GetFraction(), 1.0f);
}

TEST_F(Music, MissingSoundtrackIsReportedAndShutdownIsHarmless) {
  EXPECT_EQ(MUSIC_Init(), 0);
  EXPECT_EQ(g_boxes, std::vector<std::string>{"FSOUND Stream Init Failed!: File not found"});
  EXPECT_EQ(MUSIC_GetFraction(), 0.0f);
  // The library stayed initialised, so initialising again fails in the library itself.
  EXPECT_EQ(MUSIC_Init(), 0);
  EXPECT_EQ(g_boxes.back(), "FSOUND Init Failed!: Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
  EXPECT_EQ(MUSIC_StreamClose(), 1);
  EXPECT_EQ(MUSIC_Close(), 1);
  EXPECT_EQ(MUSIC_StreamClose(), 1);
  EXPECT_EQ(MUSIC_Close(), 1);
}

TEST_F(Music, FailedStartClosesTheLibrary) {
  EXPECT_EQ(MUSIC_Init(), 0);  // no soundtrack: nothing to play
  g_boxes.clear();
  EXPECT_EQ(MUSIC_Play(), 0);
  EXPECT_EQ(g_boxes, std::vector<std::string>{"das: stream play failed"});
  EXPECT_EQ(FSOUND_Stream_OpenFile("x.mp3", 41, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_EQ(MUSIC_StreamClose(), 1);
  EXPECT_EQ(MUSIC_Close(), 1);
}

}  // namespace
