// The shell: what the keys do, how the quit message ends every later frame loop, the running
// test's fade, the settings query and the display-mode rules.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/app.h"
#include "platform/pl_platform.h"
#include "tests/support/test_util.h"

namespace {

struct ShellTest : ::testing::Test {
  void SetUp() override {
    APP_shell.settings = APP_SETTINGS_DEFAULT;
    APP_shell.keypressCount = 0;
    APP_shell.running = 1;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void TearDown() override { PL_TimerSetManual(0, 0); }
};

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST_F(ShellTest, SpaceAppendsNumberedCueLinesWithTheMusicTime) {
  vt::TempDir dir;
  vt::ChangeDir cd(dir.path);
  vt::WriteFile("keypress.txt", std::string("num 7 time 1.000000\n"));  // an earlier run
  PL_TimerSetManual(1, 0);  // the music clock counts from a start at 0 here
  const DWORD times[] = {2500, 2750, 61125};
  for (DWORD t : times) {
    PL_TimerSet(t);
    APP_WindowProc(nullptr, WM_KEYDOWN, VK_SPACE, 0);
  }
  EXPECT_EQ(Lines("keypress.txt"),
            (std::vector<std::string>{"num 7 time 1.000000", "num 0 time 2.500000", "num 1 time 2.750000",
                                      "num 2 time 61.125000"}));
  EXPECT_EQ(APP_shell.keypressCount, 3);
}

TEST_F(ShellTest, EnterTogglesTheLiveShadowSettingOnly) {
  APP_shell.stencilBits = 8;
  EXPECT_EQ(APP_GetSetting(2), 1);
  EXPECT_EQ(APP_WindowProc(nullptr, WM_KEYDOWN, VK_RETURN, 0), 0);
  EXPECT_EQ(APP_GetSetting(2), 0);
  APP_WindowProc(nullptr, WM_KEYDOWN, VK_RETURN, 0);
  APP_WindowProc(nullptr, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(APP_GetSetting(2), 0);
  EXPECT_EQ(APP_shell.stencilBits, 8);  // fixed at start-up
  APP_shell.settings.dynamicShadows = 5;  // anything but 0 counts as on and toggles to 0
  APP_WindowProc(nullptr, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(APP_GetSetting(2), 0);
  EXPECT_EQ(APP_GetSetting(1), 9990);
  EXPECT_EQ(APP_GetSetting(0), -1);
  EXPECT_EQ(APP_GetSetting(3), -1);
}

TEST_F(ShellTest, EscapeEndsThisAndEveryLaterFrameLoop) {
  PostMessageA(nullptr, WM_USER + 5, 0, 0);
  EXPECT_EQ(APP_WindowProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0), 0);
  EXPECT_EQ(APP_IsRunning(0), 0);
  // The quit stays seen: nothing new arrives, yet every later loop still ends at once.
  EXPECT_EQ(APP_IsRunning(0), 0);
  EXPECT_EQ(APP_IsRunning(0), 0);
  EXPECT_EQ(APP_IsRunning(1), 1);  // only an explicit reset clears it
}

TEST_F(ShellTest, PumpStopsAtQuitAndLeavesLaterMessagesQueued) {
  PostQuitMessage(0);
  EXPECT_EQ(APP_PumpMessages(), 0);
  PostMessageA(nullptr, WM_USER + 9, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, unsigned(WM_USER + 9));
  EXPECT_EQ(APP_PumpMessages(), 1);
}

TEST_F(ShellTest, SetCursorIsHandledAndOtherKeysGoToTheDefault) {
  EXPECT_EQ(APP_WindowProc(nullptr, WM_SETCURSOR, 0, 0), 1);
  APP_shell.settings.fullscreen = 0;
  EXPECT_EQ(APP_WindowProc(nullptr, WM_SETCURSOR, 0, 0), 1);
  EXPECT_EQ(APP_WindowProc(nullptr, WM_KEYDOWN, 'A', 0), 0);
  EXPECT_EQ(APP_shell.keypressCount, 0);
}

TEST(Fade, LastPointThreePercentFadesToSilence) {
  EXPECT_EQ(APP_FadeVolume(0.5f), -1);
  EXPECT_EQ(APP_FadeVolume(0.997f), -1);  // left alone
  EXPECT_EQ(APP_FadeVolume(0.9985f), 127);
  EXPECT_EQ(APP_FadeVolume(1.0f), 0);
  EXPECT_EQ(APP_FadeVolume(0.9971f), 246);
}

struct DisplayTest : ShellTest {
  void SetUp() override {
    ShellTest::SetUp();
    if (!PL_HasDisplay()) GTEST_SKIP() << "no X display";
  }
  void TearDown() override {
    ChangeDisplaySettingsA(nullptr, 0);
    ShellTest::TearDown();
  }
};

TEST_F(DisplayTest, DesktopSettingsNeverSwitch) {
  DEVMODEA desktop{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
  APP_shell.settings.useDesktop = 1;
  APP_shell.settings.depthRow = 1;
  APP_shell.settings.dynamicShadows = 0;
  ASSERT_EQ(APP_SetDisplayMode(), 1);
  EXPECT_EQ(APP_shell.displayWidth, std::int32_t(desktop.dmPelsWidth));
  EXPECT_EQ(APP_shell.displayHeight, std::int32_t(desktop.dmPelsHeight));
  EXPECT_EQ(APP_shell.colourBits, std::int32_t(desktop.dmBitsPerPel));
  EXPECT_EQ(APP_shell.depthBits, 24);
  EXPECT_EQ(APP_shell.stencilBits, 0);
  EXPECT_EQ(PL_DisplaySwitched(nullptr), 0);
  EXPECT_EQ(APP_RestoreDisplayMode(), 1);
  EXPECT_EQ(PL_DisplaySwitched(nullptr), 0);
}

TEST_F(DisplayTest, FullscreenSwitchesToTheChosenRowAndRestores) {
  DEVMODEA desktop{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
  int row = -1;
  for (std::size_t i = 0; i < APP_RESOLUTIONS.size(); i++)
    if (DWORD(APP_RESOLUTIONS[i].value1) == desktop.dmPelsWidth && DWORD(APP_RESOLUTIONS[i].value2) == desktop.dmPelsHeight)
      row = int(i);
  if (row < 0) GTEST_SKIP() << "the X screen's size is not one of the dialog's rows";
  APP_shell.settings.resolutionRow = row;
  APP_shell.settings.framebufferRow = 2;
  ASSERT_EQ(APP_SetDisplayMode(), 1);
  EXPECT_EQ(APP_shell.colourBits, 16);
  EXPECT_EQ(APP_shell.stencilBits, 8);
  DEVMODEA got{};
  ASSERT_EQ(PL_DisplaySwitched(&got), 1);
  EXPECT_EQ(got.dmPelsWidth, desktop.dmPelsWidth);
  EXPECT_EQ(got.dmBitsPerPel, 16u);
  EXPECT_EQ(APP_RestoreDisplayMode(), 1);
  EXPECT_EQ(PL_DisplaySwitched(nullptr), 0);
}

TEST_F(DisplayTest, AModeTheScreenCannotShowFails) {
  DEVMODEA desktop{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
  APP_shell.settings.resolutionRow = desktop.dmPelsWidth == 320 ? 1 : 0;  // 320 x 240 is never offered here
  EXPECT_EQ(APP_SetDisplayMode(), 0);
  EXPECT_EQ(PL_DisplaySwitched(nullptr), 0);
  APP_shell.settings.fullscreen = 0;  // windowed: nothing to switch, so it cannot fail
  EXPECT_EQ(APP_SetDisplayMode(), 1);
  EXPECT_EQ(APP_shell.displayWidth, APP_RESOLUTIONS[std::size_t(APP_shell.settings.resolutionRow)].value1);
}

}  // namespace
