// The drawing window of the tools and tests.
#include "tools/common/tool_glwindow.h"

#include "gfx/gfx_driver.h"
#include "platform/pl_platform.h"

int TOOL_GlWindowOpen(const char* name, int width, int height) {
  if (!PL_HasDisplay()) return 0;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, name, name, WS_POPUP | WS_CLIPSIBLINGS, 0, 0, width, height, nullptr, nullptr,
                                nullptr, nullptr);
  if (!window || !GFX_DriverSelect(GFX_DriverGet(3), window)) return 0;
  return GFX_SetMode(width, height, 24, 24, 8, 0) != 0;
}
