// The setup dialog without a toolkit: the headless dialog manager plays the viewer against
// APP_SetupDialogProc and the settings record Start fills.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/app_dialog.h"
#include "platform/pl_dialog.h"
#include "platform/pl_fsound.h"
#include "platform/pl_platform.h"

namespace {

using Viewer = std::function<void(HWND)>;

void play(HWND dialog, void* user) { (*static_cast<Viewer*>(user))(dialog); }

std::vector<std::string> g_boxes;
int record_box(const char* text, const char* caption) {
  g_boxes.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

struct SetupDialog : ::testing::Test {
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);  // the default output's drivers, the same everywhere
    PL_MessageBoxSetHandler(record_box);
    g_boxes.clear();
    APP_shell.settings = APP_Settings{-9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9};
  }
  void TearDown() override {
    PL_MessageBoxSetHandler(nullptr);
    PL_DialogSetDriver(nullptr, nullptr);
  }
  // The dialog's own result (1 Start, 0 Quit or close, -1 left open).
  INT_PTR Run(Viewer viewer) {
    PL_DialogAddTemplate(APP_IDD_SETUP, &APP_SETUP_DIALOG);
    PL_DialogSetDriver(play, &viewer);
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(APP_IDD_SETUP), nullptr, APP_SetupDialogProc, 0);
  }
};

std::vector<std::string> rows_of(HWND d, int id) {
  std::vector<std::string> rows;
  for (int i = 0; const char* text = PL_DialogRowText(d, id, i); i++) rows.emplace_back(text);
  return rows;
}

std::vector<std::string> drivers_of(int output) {
  FSOUND_SetOutput(output);
  std::vector<std::string> names;
  for (int i = 0; i < FSOUND_GetNumDrivers(); i++) names.emplace_back(FSOUND_GetDriverName(i));
  return names;
}

LRESULT row(HWND d, int id) { return SendDlgItemMessageA(d, id, CB_GETCURSEL, 0, 0); }
LRESULT checked(HWND d, int id) { return SendDlgItemMessageA(d, id, BM_GETCHECK, 0, 0); }
BOOL enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)); }

TEST_F(SetupDialog, OpensWithItsDefaultsAndStartKeepsThem) {
  std::vector<std::string> defaultDrivers = drivers_of(FSOUND_OUTPUT_DEFAULT);
  ASSERT_FALSE(defaultDrivers.empty());
  EXPECT_EQ(Run([&](HWND d) {
              EXPECT_EQ(PL_DialogFocusId(d), APP_IDC_START);
              EXPECT_EQ(rows_of(d, APP_IDC_RESOLUTION).size(), 8u);
              EXPECT_EQ(rows_of(d, APP_IDC_OUTPUT), (std::vector<std::string>{"Direct Sound (version 3 or better)",
                                                                              "Windows Multimedia Waveout", "No Sound"}));
              EXPECT_EQ(rows_of(d, APP_IDC_DRIVER), defaultDrivers);
              for (int id : {APP_IDC_SOUND_EFFECTS, APP_IDC_FULLSCREEN, APP_IDC_SHADOWS, APP_IDC_PRELOAD})
                EXPECT_EQ(checked(d, id), BST_CHECKED) << id;
              for (int id : {APP_IDC_DESKTOP, APP_IDC_MIPMAPPING, APP_IDC_LOOP}) EXPECT_EQ(checked(d, id), BST_UNCHECKED) << id;
              for (int id : {APP_IDC_MIPMAPPING, APP_IDC_SOUND_EFFECTS, APP_IDC_LOOP, APP_IDC_PRELOAD})
                EXPECT_FALSE(PL_DialogClick(d, id)) << id;  // greyed: the viewer cannot change them
              EXPECT_TRUE(PL_DialogClick(d, APP_IDC_START));
            }),
            1);
  const APP_Settings& s = APP_shell.settings;
  EXPECT_EQ(APP_RESOLUTIONS[std::size_t(s.resolutionRow)].value1, 640);
  EXPECT_EQ(APP_RESOLUTIONS[std::size_t(s.resolutionRow)].value2, 480);
  EXPECT_EQ(APP_FRAMEBUFFERS[std::size_t(s.framebufferRow)].value1, 32);
  EXPECT_EQ(APP_DEPTHBUFFERS[std::size_t(s.depthRow)].value1, 32);
  EXPECT_EQ(APP_OUTPUTS[std::size_t(s.outputRow)].value1, 2);
  EXPECT_EQ(s.driverRow, 0);
  EXPECT_EQ(APP_FREQUENCIES[std::size_t(s.frequencyRow)].value1, 44100);
  EXPECT_EQ(s.fullscreen, 1);
  EXPECT_EQ(s.useDesktop, 0);
  EXPECT_EQ(s.dynamicShadows, 1);
  EXPECT_EQ(s.preload, 1);
  EXPECT_EQ(s.loop, 0);
}

TEST_F(SetupDialog, StartTakesEveryChoice) {
  EXPECT_EQ(Run([](HWND d) {
              EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_RESOLUTION, 4));
              EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_FRAMEBUFFER, 2));
              EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_DEPTH, 1));
              EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_OUTPUT, 2));
              EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_FREQUENCY, 2));
              EXPECT_TRUE(PL_DialogClick(d, APP_IDC_DESKTOP));
              EXPECT_TRUE(PL_DialogClick(d, APP_IDC_SHADOWS));
              EXPECT_TRUE(PL_DialogClick(d, APP_IDC_START));
            }),
            1);
  // The fields beyond the dialog are left as they were.
  const APP_Settings expected{4, 2, 1, 2, 0, 2, 1, 1, 0, 1, 0, -9, -9, -9, -9};
  EXPECT_EQ(std::memcmp(&APP_shell.settings, &expected, sizeof expected), 0);
}

TEST_F(SetupDialog, DesktopSettingsNeedFullscreen) {
  Run([](HWND d) {
    EXPECT_TRUE(PL_DialogClick(d, APP_IDC_DESKTOP));
    EXPECT_EQ(checked(d, APP_IDC_DESKTOP), BST_CHECKED);
    EXPECT_TRUE(PL_DialogClick(d, APP_IDC_FULLSCREEN));  // off: desktop unchecked and greyed
    EXPECT_EQ(checked(d, APP_IDC_DESKTOP), BST_UNCHECKED);
    EXPECT_FALSE(enabled(d, APP_IDC_DESKTOP));
    EXPECT_FALSE(PL_DialogClick(d, APP_IDC_DESKTOP));
    EXPECT_TRUE(PL_DialogClick(d, APP_IDC_FULLSCREEN));  // on again: enabled, still unchecked
    EXPECT_TRUE(enabled(d, APP_IDC_DESKTOP));
    EXPECT_EQ(checked(d, APP_IDC_DESKTOP), BST_UNCHECKED);
    EXPECT_TRUE(PL_DialogClick(d, APP_IDC_FULLSCREEN));
    EXPECT_TRUE(PL_DialogClick(d, APP_IDC_START));
  });
  EXPECT_EQ(APP_shell.settings.fullscreen, 0);
  EXPECT_EQ(APP_shell.settings.useDesktop, 0);
}

TEST_F(SetupDialog, AnotherOutputRefillsTheDrivers) {
  std::vector<std::string> defaultDrivers = drivers_of(FSOUND_OUTPUT_DEFAULT);
  ASSERT_GE(defaultDrivers.size(), 2u);  // the dummy output: its default and its one device
  Run([&](HWND d) {
    EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_DRIVER, 1));
    EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_OUTPUT, 2));
    EXPECT_EQ(rows_of(d, APP_IDC_DRIVER), std::vector<std::string>{"No Sound"});
    EXPECT_EQ(row(d, APP_IDC_DRIVER), 0);
    EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_OUTPUT, 0));
    EXPECT_EQ(rows_of(d, APP_IDC_DRIVER), defaultDrivers);
    EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_DRIVER, 1));
    EXPECT_TRUE(PL_DialogSelect(d, APP_IDC_FREQUENCY, 1));  // other lists leave the drivers alone
    EXPECT_EQ(row(d, APP_IDC_DRIVER), 1);
    EXPECT_TRUE(PL_DialogClick(d, APP_IDC_START));
  });
  EXPECT_EQ(APP_shell.settings.outputRow, 0);
  EXPECT_EQ(APP_shell.settings.driverRow, 1);
}

TEST_F(SetupDialog, AboutQuitAndCloseLeaveTheSettings) {
  EXPECT_EQ(Run([](HWND d) {
              EXPECT_TRUE(PL_DialogClick(d, APP_IDC_ABOUT));  // its box; the dialog stays
              EXPECT_TRUE(PL_DialogClick(d, APP_IDC_QUIT));
            }),
            0);
  EXPECT_EQ(g_boxes, std::vector<std::string>{"KVT: Velmar"});
  EXPECT_EQ(Run([](HWND d) { EXPECT_TRUE(PL_DialogClose(d)); }), 0);
  EXPECT_EQ(APP_shell.settings.resolutionRow, -9);

  Viewer quit = [](HWND d) { PL_DialogClick(d, APP_IDC_QUIT); };
  PL_DialogSetDriver(play, &quit);
  EXPECT_EQ(APP_RunSetupDialog(nullptr), 0);
  Viewer start = [](HWND d) { PL_DialogClick(d, APP_IDC_START); };
  PL_DialogSetDriver(play, &start);
  EXPECT_EQ(APP_RunSetupDialog(nullptr), 1);
}

}  // namespace
