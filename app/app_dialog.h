// The setup dialog: its resource, its control ids, its procedure and the driver-list filler.
#pragma once

#include "platform/win32.h"

struct PL_DlgTemplate;

inline constexpr int APP_IDD_SETUP = 101;

enum : int {
  APP_IDC_SOUND_GROUP = 1000,
  APP_IDC_SHADOWS = 1001,
  APP_IDC_MIPMAPPING = 1002,
  APP_IDC_RESOLUTION = 1003,
  APP_IDC_RESOLUTION_LABEL = 1004,
  APP_IDC_FULLSCREEN = 1005,
  APP_IDC_DESKTOP = 1006,
  APP_IDC_ABOUT = 1007,
  APP_IDC_START = 1008,
  APP_IDC_QUIT = 1009,
  APP_IDC_FRAMEBUFFER_LABEL = 1012,
  APP_IDC_OUTPUT_LABEL = 1013,
  APP_IDC_DRIVER_LABEL = 1014,
  APP_IDC_FREQUENCY_LABEL = 1015,
  APP_IDC_SOUND_EFFECTS = 1017,
  APP_IDC_DEPTH_LABEL = 1019,
  APP_IDC_FRAMEBUFFER = 1020,
  APP_IDC_DEPTH = 1021,
  APP_IDC_OUTPUT = 1022,
  APP_IDC_DRIVER = 1023,
  APP_IDC_FREQUENCY = 1024,
  APP_IDC_LOOP = 1025,
  APP_IDC_PRELOAD = 1026,
};

// Dialog resource 101.
extern const PL_DlgTemplate APP_SETUP_DIALOG;

INT_PTR APP_SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Sets the sound layer's output to the Output list's choice and lists that output's drivers,
// the first selected.
void APP_FillDriverList(HWND outputList, HWND driverList);
