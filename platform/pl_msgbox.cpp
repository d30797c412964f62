// Message boxes: always echoed on standard error, shown by SDL where a display exists, or
// answered by a handler a test installed.
#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

#include <cstdio>

namespace {
PL_MessageBoxHandler g_handler = nullptr;
}

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
  if (!pl_video_start()) return IDOK;
  Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  SDL_Window* parent = (owner && IsWindow(owner)) ? owner->sdl : nullptr;
  SDL_ShowSimpleMessageBox(flags, caption, text, parent);
  return IDOK;
}
