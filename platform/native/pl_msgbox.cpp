// Message boxes: always echoed on standard error; answered by a handler a test installed, or
// shown by the owning dialog's toolkit, by GTK, or, where GTK cannot open the display, by SDL.
#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <cstdio>

namespace {
PL_MessageBoxHandler g_handler = nullptr;

// The X window behind an SDL window, or 0 (no window, or not on X11).
unsigned long x11_window_of(SDL_Window* window) {
  if (!window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return static_cast<unsigned long>(info.info.x11.window);
}
}  // namespace

PL_MessageBoxHandler PL_MessageBoxSetHandler(PL_MessageBoxHandler handler) {
  PL_MessageBoxHandler previous = g_handler;
  g_handler = handler;
  return previous;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  if (!text) text = "";
  if (!caption) caption = "Error";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  if (g_handler) return g_handler(text, caption);
  if (owner && owner->dialog && pl_dialog_message_box(owner, text, caption)) return IDOK;
  const int error = (type & MB_ICONERROR) != 0;
  SDL_Window* parent = nullptr;
  if (pl_video_start()) parent = (owner && IsWindow(owner)) ? owner->sdl : nullptr;
  // GTK draws the box in this process. SDL's X11 box is drawn by a forked child, and a child
  // forked while another thread (the software renderer's, the sound output's) holds an
  // allocator lock can hang on its first allocation: glibc's malloc guards against that,
  // the sanitizers' allocator does not.
  if (pl_gtk_message_box(text, caption, error, x11_window_of(parent))) return IDOK;
  if (pl_video_start()) {
    Uint32 flags = error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, caption, text, parent);
  }
  return IDOK;
}
