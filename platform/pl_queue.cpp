// Window classes, the window list and the message queue, whatever toolkit shows the windows:
// posted messages and the quit message keep their Windows order, input from the toolkit
// becomes the window messages the system's window procedure expects, and DefWindowProc does
// what the system relies on (closing a window destroys it, destroying posts nothing by itself).
#include <cstring>
#include <deque>
#include <strings.h>
#include <vector>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

namespace {

struct WindowClass {
  std::string name;
  WNDCLASSA wc;
};

std::vector<WindowClass> g_classes;
std::vector<PL_Window*> g_windows;
std::deque<MSG> g_posted;  // PostMessage queue, served before input
std::deque<MSG> g_input;   // translated toolkit events
int g_quitPosted = 0;
int g_quitCode = 0;
char g_arrowCursor;  // LoadCursorA hands out its address

}  // namespace

const WNDCLASSA* pl_class_find(const char* name) {
  for (const WindowClass& c : g_classes)
    if (name && strcasecmp(c.name.c_str(), name) == 0) return &c.wc;
  return nullptr;
}

void pl_window_add(PL_Window* w) { g_windows.push_back(w); }
int pl_window_count(void) { return int(g_windows.size()); }
PL_Window* pl_window_at(int index) { return g_windows[std::size_t(index)]; }

void pl_window_forget_all(void) {
  for (PL_Window* w : g_windows) delete w;
  g_windows.clear();
}

void pl_queue_input(HWND w, UINT message, WPARAM wp, LPARAM lp, DWORD time) {
  g_input.push_back(MSG{w, message, wp, lp, time});
}

WORD RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName) return 0;
  if (pl_class_find(wc->lpszClassName)) return 0;  // already registered
  g_classes.push_back(WindowClass{wc->lpszClassName, *wc});
  return WORD(g_classes.size());
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
  pl_window_hide(w);
  w->visible = 0;
  return TRUE;
}

BOOL UpdateWindow(HWND w) { return IsWindow(w); }

LONG GetWindowLongA(HWND w, int index) {
  if (!IsWindow(w) || index != GWL_STYLE) return 0;
  return LONG(w->style);
}

// Windows are sized by their client area here, so no frame needs adding.
BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL) { return rect != nullptr; }

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
  pl_events_drain();
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

// The arrow cursor's address, for SetCursor's answer.
HCURSOR pl_arrow_cursor(void) { return &g_arrowCursor; }
