// The main window, its procedure and the display mode.
#include "app/app.h"
#include "base/kr_error.h"
#include "shell/music.h"

namespace {
constexpr const char* kClassName = "velmarclass";
constexpr const char* kTitle = "Velmar - a demo by KVT, 2001";
constexpr DWORD kStyleFullscreen = WS_POPUP | WS_CLIPSIBLINGS;
constexpr DWORD kStyleWindowed = WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
}  // namespace

int APP_CreateMainWindow(HINSTANCE instance, int showCommand) {
  APP_shell.instance = instance;
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = APP_WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszMenuName = kClassName;
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);

  DWORD style = APP_shell.settings.fullscreen ? kStyleFullscreen : kStyleWindowed;
  HWND w = CreateWindowExA(0, kClassName, kTitle, style, 100, 100, 380, 400, nullptr, nullptr, instance, nullptr);
  if (!w) return 0;
  APP_shell.window = w;
  ShowWindow(w, showCommand);
  UpdateWindow(w);
  SetFocus(w);
  return 1;
}

static int row_or_default(int row, int count, int fallback) { return (row >= 0 && row < count) ? row : fallback; }

int APP_SetDisplayMode(void) {
  const APP_Settings& s = APP_shell.settings;
  if (s.useDesktop) {
    DEVMODEA desktop{};
    desktop.dmSize = sizeof desktop;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop)) return 0;
    APP_shell.displayWidth = std::int32_t(desktop.dmPelsWidth);
    APP_shell.displayHeight = std::int32_t(desktop.dmPelsHeight);
    APP_shell.colourBits = std::int32_t(desktop.dmBitsPerPel);
  } else if (s.width > 0 && s.height > 0) {
    APP_shell.displayWidth = s.width;
    APP_shell.displayHeight = s.height;
    APP_shell.colourBits = APP_FRAMEBUFFERS[row_or_default(s.framebufferRow, APP_FRAMEBUFFERS.size(), 0)].value1;
  } else {
    // The dialog only ever hands out rows of its tables; a bad row still must not index past them.
    const APP_OptionRow& res = APP_RESOLUTIONS[row_or_default(s.resolutionRow, APP_RESOLUTIONS.size(), 2)];
    APP_shell.displayWidth = res.value1;
    APP_shell.displayHeight = res.value2;
    APP_shell.colourBits = APP_FRAMEBUFFERS[row_or_default(s.framebufferRow, APP_FRAMEBUFFERS.size(), 0)].value1;
  }
  APP_shell.depthBits = APP_DEPTHBUFFERS[row_or_default(s.depthRow, APP_DEPTHBUFFERS.size(), 0)].value1;
  APP_shell.stencilBits = s.dynamicShadows ? 8 : 0;

  if (s.fullscreen && !s.useDesktop) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = DWORD(APP_shell.displayWidth);
    mode.dmPelsHeight = DWORD(APP_shell.displayHeight);
    mode.dmBitsPerPel = DWORD(APP_shell.colourBits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 0;
  }
  return 1;
}

int APP_RestoreDisplayMode(void) {
  if (APP_shell.settings.fullscreen && !APP_shell.settings.useDesktop) ChangeDisplaySettingsA(nullptr, 0);
  return 1;
}

LRESULT APP_WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_SETCURSOR:
      if (APP_shell.settings.fullscreen) SetCursor(nullptr);
      return 1;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        APP_shell.settings.dynamicShadows = APP_shell.settings.dynamicShadows == 0 ? 1 : 0;
        return 0;
      }
      if (wparam == VK_ESCAPE) {
        PostQuitMessage(0);
        return 0;
      }
      if (wparam == VK_SPACE) {
        float now = MUSIC_GetTime();
        KR_LogToFile(APP_KEYPRESS_FILE, "num %d time %f\n", APP_shell.keypressCount, double(now));
        APP_shell.keypressCount++;
      }
      break;
    default: break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}
