// Window classes, windows and the message queue on SDL2: SDL's events become the window
// messages the system's window procedure expects (close, key down, set-cursor), posted
// messages and the quit message keep their Windows order, and DefWindowProc does what the
// system relies on (closing a window destroys it, destroying posts nothing by itself).
#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

struct WindowClass {
  std::string name;
  WNDCLASSA wc;
};

std::vector<WindowClass> g_classes;
std::vector<PL_Window*> g_windows;
std::deque<MSG> g_posted;  // PostMessage queue, served before input
std::deque<MSG> g_input;   // translated SDL events
int g_quitPosted = 0;
int g_quitCode = 0;
int g_videoState = 0;  // 0 not tried, 1 running, -1 failed
int g_headless = 0;
int g_cursorShown = 1;
char g_arrowCursor;  // LoadCursorA hands out its address

const WindowClass* find_class(const char* name) {
  for (const WindowClass& c : g_classes)
    if (name && SDL_strcasecmp(c.name.c_str(), name) == 0) return &c;
  return nullptr;
}

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

void queue_input(HWND w, UINT message, WPARAM wp, LPARAM lp, Uint32 time) {
  MSG m{w, message, wp, lp, time};
  g_input.push_back(m);
}

// Moves everything SDL has into the input queue as window messages.
void drain_sdl_events() {
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
        queue_input(w, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk_from_key(e.key.keysym.sym),
                    lp, e.key.timestamp);
        break;
      }
      case SDL_MOUSEMOTION: {
        PL_Window* w = pl_window_from_id(e.motion.windowID);
        if (!w) break;
        // Windows sends the set-cursor request straight to the procedure before the move.
        SendMessageA(w, WM_SETCURSOR, WPARAM(w), 1 | (LPARAM(WM_MOUSEMOVE) << 16));
        queue_input(w, WM_MOUSEMOVE, 0, (e.motion.x & 0xFFFF) | (LPARAM(e.motion.y & 0xFFFF) << 16),
                    e.motion.timestamp);
        break;
      }
      case SDL_WINDOWEVENT: {
        PL_Window* w = pl_window_from_id(e.window.windowID);
        if (w && e.window.event == SDL_WINDOWEVENT_CLOSE)
          queue_input(w, WM_CLOSE, 0, 0, e.window.timestamp);
        break;
      }
      case SDL_QUIT:
        // The last window closing, or an interrupt signal: ask every live window to close.
        for (PL_Window* w : g_windows)
          if (!w->destroyed && w->proc) queue_input(w, WM_CLOSE, 0, 0, e.quit.timestamp);
        break;
      default: break;
    }
  }
}

// At exit: the windows the system never destroys explicitly. SDL's video subsystem stays up:
// shutting it down unloads the OpenGL driver, whose own one-time allocations would then show
// up in leak reports without a name to suppress them by.
void release_all() {
  for (PL_Window* w : g_windows) {
    if (w->sdl) SDL_DestroyWindow(w->sdl);
    delete w;
  }
  g_windows.clear();
}

}  // namespace

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

PL_Window* pl_window_from_id(Uint32 id) {
  for (PL_Window* w : g_windows)
    if (!w->destroyed && w->sdl && SDL_GetWindowID(w->sdl) == id) return w;
  return nullptr;
}

int pl_window_count(void) { return int(g_windows.size()); }
PL_Window* pl_window_at(int index) { return g_windows[std::size_t(index)]; }

int pl_window_realise(PL_Window* w, Uint32 extraFlags) {
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

WORD RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName) return 0;
  for (WindowClass& c : g_classes)
    if (SDL_strcasecmp(c.name.c_str(), wc->lpszClassName) == 0) return 0;  // already registered
  g_classes.push_back(WindowClass{wc->lpszClassName, *wc});
  return WORD(g_classes.size());
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, void*) {
  const WindowClass* c = find_class(className);
  if (!c || (!g_headless && !pl_video_start())) return nullptr;
  auto* w = new PL_Window{};
  w->proc = c->wc.lpfnWndProc;
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
  g_windows.push_back(w);
  if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
  return w;
}

BOOL IsWindow(HWND w) {
  for (PL_Window* x : g_windows)
    if (x == w) return !w->destroyed;
  return FALSE;
}

BOOL DestroyWindow(HWND w) {
  if (!IsWindow(w)) return FALSE;
  w->destroyed = 1;
  if (w->proc) w->proc(w, WM_DESTROY, 0, 0);
  // The SDL window stays (hidden) until exit: a GL context made on it may still be released
  // by the shutdown that follows.
  if (w->sdl) SDL_HideWindow(w->sdl);
  w->visible = 0;
  return TRUE;
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

BOOL UpdateWindow(HWND w) { return IsWindow(w); }

HWND SetFocus(HWND w) {
  if (w && w->dialog) return pl_dialog_set_focus(w);
  if (!IsWindow(w)) return nullptr;
  if (w->sdl) SDL_RaiseWindow(w->sdl), SDL_SetWindowInputFocus(w->sdl);
  return w;
}

LONG GetWindowLongA(HWND w, int index) {
  if (!IsWindow(w) || index != GWL_STYLE) return 0;
  return LONG(w->style);
}

// SDL sizes windows by their client area, so no frame needs adding.
BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL) { return rect != nullptr; }

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

HGDIOBJ GetStockObject(int object) {
  static int stock[8];
  return (object >= 0 && object < 8) ? &stock[object] : nullptr;
}

HINSTANCE GetModuleHandleA(const char*) {
  static char self;
  return &self;
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT remove) {
  if (!msg) return FALSE;
  drain_sdl_events();
  std::deque<MSG>* q = !g_posted.empty() ? &g_posted : !g_input.empty() ? &g_input : nullptr;
  if (q) {
    *msg = q->front();
    if (remove & PM_REMOVE) q->pop_front();
    return TRUE;
  }
  if (g_quitPosted) {
    *msg = MSG{nullptr, WM_QUIT, WPARAM(g_quitCode), 0, 0};
    if (remove & PM_REMOVE) g_quitPosted = 0;
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG* msg) { return msg && msg->message == WM_KEYDOWN; }

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd || !IsWindow(msg->hwnd) || !msg->hwnd->proc) return 0;
  return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND w, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(w);
  return 0;
}

LRESULT SendMessageA(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  if (w && w->dialog) return pl_dialog_send(w, message, wp, lp);
  if (!IsWindow(w) || !w->proc) return 0;
  return w->proc(w, message, wp, lp);
}

BOOL PostMessageA(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  g_posted.push_back(MSG{w, message, wp, lp, timeGetTime()});
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  g_quitPosted = 1;
  g_quitCode = exitCode;
}

HCURSOR LoadCursorA(HINSTANCE, const char* name) {
  return name == IDC_ARROW ? &g_arrowCursor : nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = g_cursorShown ? &g_arrowCursor : nullptr;
  g_cursorShown = cursor != nullptr;
  if (g_videoState == 1) SDL_ShowCursor(g_cursorShown ? SDL_ENABLE : SDL_DISABLE);
  return previous;
}
