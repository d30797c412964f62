// Windows on SDL2: SDL's events become the window messages the queue hands out (close, key
// down, set-cursor), and the window calls move, size, show and focus SDL windows.
#include <SDL2/SDL.h>

#include <cstdlib>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

namespace {

int g_videoState = 0;  // 0 not tried, 1 running, -1 failed
int g_headless = 0;
int g_cursorShown = 1;

WPARAM vk_from_key(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    default: break;
  }
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  return 0xFF;  // no virtual key of its own; still reaches the default handler
}

// At exit: the windows the system never destroys explicitly. SDL's video subsystem stays up:
// shutting it down unloads the OpenGL driver, whose own one-time allocations would then show
// up in leak reports without a name to suppress them by.
void release_all() {
  for (int i = 0; i < pl_window_count(); i++)
    if (pl_window_at(i)->sdl) SDL_DestroyWindow(pl_window_at(i)->sdl);
  pl_window_forget_all();
}

}  // namespace

// Moves everything SDL has into the input queue as window messages.
void pl_events_drain(void) {
  if (g_videoState != 1) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        PL_Window* w = pl_window_from_id(e.key.windowID);
        if (!w) break;
        LPARAM lp = 1 | (LPARAM(e.key.keysym.scancode & 0xFF) << 16);
        if (e.type == SDL_KEYUP) lp |= LPARAM(3) << 30;
        else if (e.key.repeat) lp |= LPARAM(1) << 30;
        pl_queue_input(w, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk_from_key(e.key.keysym.sym), lp,
                       e.key.timestamp);
        break;
      }
      case SDL_MOUSEMOTION: {
        PL_Window* w = pl_window_from_id(e.motion.windowID);
        if (!w) break;
        // Windows sends the set-cursor request straight to the procedure before the move.
        SendMessageA(w, WM_SETCURSOR, WPARAM(w), 1 | (LPARAM(WM_MOUSEMOVE) << 16));
        pl_queue_input(w, WM_MOUSEMOVE, 0, (e.motion.x & 0xFFFF) | (LPARAM(e.motion.y & 0xFFFF) << 16),
                       e.motion.timestamp);
        break;
      }
      case SDL_WINDOWEVENT: {
        PL_Window* w = pl_window_from_id(e.window.windowID);
        if (w && e.window.event == SDL_WINDOWEVENT_CLOSE) pl_queue_input(w, WM_CLOSE, 0, 0, e.window.timestamp);
        break;
      }
      case SDL_QUIT:
        // The last window closing, or an interrupt signal: ask every live window to close.
        for (int i = 0; i < pl_window_count(); i++) {
          PL_Window* w = pl_window_at(i);
          if (!w->destroyed && w->proc) pl_queue_input(w, WM_CLOSE, 0, 0, e.quit.timestamp);
        }
        break;
      default: break;
    }
  }
}

int pl_video_start(void) {
  if (g_videoState == 0) {
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    g_videoState = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
    if (g_videoState == 1) std::atexit(release_all);
  }
  return g_videoState == 1;
}

int PL_HasDisplay(void) { return pl_video_start(); }

void PL_SetHeadless(int headless) { g_headless = headless != 0; }
int pl_headless(void) { return g_headless; }

PL_Window* pl_window_from_id(std::uint32_t id) {
  for (int i = 0; i < pl_window_count(); i++) {
    PL_Window* w = pl_window_at(i);
    if (!w->destroyed && w->sdl && SDL_GetWindowID(w->sdl) == id) return w;
  }
  return nullptr;
}

int pl_window_realise(PL_Window* w, std::uint32_t extraFlags) {
  Uint32 flags = SDL_WINDOW_HIDDEN | extraFlags;
  if (w->style & WS_POPUP) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* s = SDL_CreateWindow(w->title.c_str(), w->x, w->y, w->width > 0 ? w->width : 1,
                                   w->height > 0 ? w->height : 1, flags);
  if (!s) return 0;
  if (w->sdl) SDL_DestroyWindow(w->sdl);
  w->sdl = s;
  w->hasGl = (extraFlags & SDL_WINDOW_OPENGL) != 0;
  pl_display_apply(w);
  if (w->visible) {
    SDL_ShowWindow(s);
    SDL_RaiseWindow(s);
  }
  return 1;
}

// The SDL window stays (hidden) until exit: a GL context made on it may still be released by
// the shutdown that follows.
void pl_window_hide(PL_Window* w) {
  if (w->sdl) SDL_HideWindow(w->sdl);
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, void*) {
  const WNDCLASSA* c = pl_class_find(className);
  if (!c || (!g_headless && !pl_video_start())) return nullptr;
  auto* w = new PL_Window{};
  w->proc = c->lpfnWndProc;
  w->style = style;
  w->title = title ? title : "";
  w->x = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : x;
  w->y = y == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : y;
  w->width = width;
  w->height = height;
  w->dc.window = w;
  w->headless = g_headless;
  if (!w->headless && !pl_window_realise(w, 0)) {
    delete w;
    return nullptr;
  }
  pl_window_add(w);
  if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
  return w;
}

BOOL ShowWindow(HWND w, int command) {
  if (!IsWindow(w)) return FALSE;
  BOOL was = w->visible;
  if (command == SW_HIDE) {
    if (w->sdl) SDL_HideWindow(w->sdl);
    w->visible = 0;
  } else {
    if (w->sdl) SDL_ShowWindow(w->sdl), SDL_RaiseWindow(w->sdl);
    w->visible = 1;
  }
  return was;
}

HWND SetFocus(HWND w) {
  if (w && w->dialog) return pl_dialog_set_focus(w);
  if (!IsWindow(w)) return nullptr;
  if (w->sdl) SDL_RaiseWindow(w->sdl), SDL_SetWindowInputFocus(w->sdl);
  return w;
}

BOOL SetWindowPos(HWND w, HWND, int x, int y, int cx, int cy, UINT flags) {
  if (!IsWindow(w)) return FALSE;
  if (!(flags & SWP_NOMOVE)) {
    w->x = x;
    w->y = y;
    if (w->sdl) SDL_SetWindowPosition(w->sdl, x, y);
  }
  if (!(flags & SWP_NOSIZE) && cx > 0 && cy > 0) {
    w->width = cx;
    w->height = cy;
    if (w->sdl) SDL_SetWindowSize(w->sdl, cx, cy);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(w, SW_SHOW);
  return TRUE;
}

BOOL GetClientRect(HWND w, RECT* rect) {
  if (!IsWindow(w) || !rect) return FALSE;
  int cw = w->width, ch = w->height;
  if (w->sdl) SDL_GetWindowSize(w->sdl, &cw, &ch);
  *rect = RECT{0, 0, cw, ch};
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = g_cursorShown ? pl_arrow_cursor() : nullptr;
  g_cursorShown = cursor != nullptr;
  if (g_videoState == 1) SDL_ShowCursor(g_cursorShown ? SDL_ENABLE : SDL_DISABLE);
  return previous;
}
