// The top of the program: the entry point, the main flow for a command line, the setup dialog,
// the main window and its procedure, and the display mode.
#pragma once

#include "shell/app_shell.h"

int WinMain(HINSTANCE instance, HINSTANCE previous, char* commandLine, int showCommand);

struct APP_Options;
// The main flow for a command line; `driver` null is the OpenGL driver (benchmarks pass
// another). Returns the exit status: 0, or 1 when a render failed.
int APP_Run(const APP_Options& options, GFX_Driver* driver, HINSTANCE instance = nullptr, int showCommand = SW_SHOWNORMAL);

// Shows the setup dialog and fills APP_shell.settings; 1 when the viewer pressed Start.
int APP_RunSetupDialog(HINSTANCE instance);

int APP_CreateMainWindow(HINSTANCE instance, int showCommand);
int APP_SetDisplayMode(void);
int APP_RestoreDisplayMode(void);
LRESULT APP_WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
