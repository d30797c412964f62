// The window in the browser: the page's canvas. Window calls size the canvas's drawing buffer
// (the page scales it into the window, 4:3 with black bars), keys pressed on the page become
// key-down messages for the live window, and control goes back to the page at every frame and,
// in a show that draws offscreen or runs ahead to a later start, every tenth of a second, which
// is when its input arrives.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"
#include "platform/web/pl_web.h"

namespace {

constexpr const char* kCanvas = "#canvas";
constexpr double kBreathMs = 100.0;
double g_lastYield = 0.0;
double g_frameStart = -1.0;  // the timer when the last frame was handed over; -1: a manual one
int g_listening = 0;
int g_cursorShown = 1;

// The live window with a procedure: where the page's keys go.
PL_Window* key_window() {
  for (int i = pl_window_count() - 1; i >= 0; i--) {
    PL_Window* w = pl_window_at(i);
    if (!w->destroyed && w->proc) return w;
  }
  return nullptr;
}

WPARAM vk_from(const EmscriptenKeyboardEvent* e) {
  // The DOM's key codes are the Windows virtual keys for every key the show reads.
  if (e->keyCode == 13 || e->keyCode == 27 || e->keyCode == 32) return WPARAM(e->keyCode);
  if ((e->keyCode >= 'A' && e->keyCode <= 'Z') || (e->keyCode >= '0' && e->keyCode <= '9')) return WPARAM(e->keyCode);
  if (e->keyCode >= 8 && e->keyCode <= 40) return WPARAM(e->keyCode);
  return 0xFF;
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* e, void*) {
  PL_Window* w = key_window();
  if (!w) return EM_FALSE;
  const WPARAM vk = vk_from(e);
  LPARAM lp = 1;
  if (type == EMSCRIPTEN_EVENT_KEYUP) lp |= LPARAM(3) << 30;
  else if (e->repeat) lp |= LPARAM(1) << 30;
  pl_queue_input(w, type == EMSCRIPTEN_EVENT_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, lp, timeGetTime());
  // The show's own keys do nothing else on the page (no scrolling on Space).
  return vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE ? EM_TRUE : EM_FALSE;
}

void listen() {
  if (g_listening) return;
  g_listening = 1;
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_key);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_key);
}

// The page hears of each frame with the show's clock (the timer the music clock counts), so
// that a test can hold that clock to the page's own, and with the time the frame was drawn for
// where the platform knows it: a manual timer's value (a run ahead's frames), else the timer
// when the frame before was handed over (about when the show read its clock for this one); -1
// for the first frame after a run ahead, drawn at the moment the run reached.
EM_ASYNC_JS(void, wait_for_frame, (int vsync, double timerMs, double startMs), {
  if (Module['velmarOnFrame']) Module['velmarOnFrame'](timerMs, startMs);
  await new Promise(resolve => {
    if (vsync) requestAnimationFrame(() => resolve());
    else setTimeout(resolve, 0);
  });
});

// The page hears of each breath with the manual timer (a show running ahead to its start, or
// a render), or -1 where the timer is the real one, so that it can show how far the run is.
EM_JS(void, report_breath, (double manualMs), {
  if (Module['velmarOnBreath']) Module['velmarOnBreath'](manualMs);
});

EM_JS(void, set_cursor_shown, (int shown), {
  const c = Module['canvas'];
  if (c) c.style.cursor = shown ? 'auto' : 'none';
});

}  // namespace

void pl_web_present(int vsync) {
  const int manual = PL_TimerIsManual();
  wait_for_frame(vsync, double(timeGetTime()), manual ? double(timeGetTime()) : g_frameStart);
  g_frameStart = manual ? -1.0 : double(timeGetTime());
  g_lastYield = emscripten_get_now();
}

void pl_web_breathe(void) {
  if (emscripten_get_now() - g_lastYield < kBreathMs) return;
  report_breath(PL_TimerIsManual() ? double(timeGetTime()) : -1.0);
  emscripten_sleep(0);
  g_lastYield = emscripten_get_now();
}

void pl_events_drain(void) { pl_web_breathe(); }

int pl_video_start(void) { return 1; }
int PL_HasDisplay(void) { return 1; }

void pl_window_hide(PL_Window*) {}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, void*) {
  const WNDCLASSA* c = pl_class_find(className);
  if (!c) return nullptr;
  listen();
  auto* w = new PL_Window{};
  w->proc = c->lpfnWndProc;
  w->style = style;
  w->title = title ? title : "";
  w->x = x;
  w->y = y;
  w->width = width;
  w->height = height;
  w->dc.window = w;
  pl_window_add(w);
  if (width > 0 && height > 0) emscripten_set_canvas_element_size(kCanvas, width, height);
  if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
  return w;
}

BOOL ShowWindow(HWND w, int command) {
  if (!IsWindow(w)) return FALSE;
  BOOL was = w->visible;
  w->visible = command != SW_HIDE;
  return was;
}

HWND SetFocus(HWND w) {
  if (w && w->dialog) return pl_dialog_set_focus(w);
  return IsWindow(w) ? w : nullptr;
}

BOOL SetWindowPos(HWND w, HWND, int x, int y, int cx, int cy, UINT flags) {
  if (!IsWindow(w)) return FALSE;
  if (!(flags & SWP_NOMOVE)) w->x = x, w->y = y;
  if (!(flags & SWP_NOSIZE) && cx > 0 && cy > 0) {
    w->width = cx;
    w->height = cy;
    emscripten_set_canvas_element_size(kCanvas, cx, cy);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(w, SW_SHOW);
  return TRUE;
}

BOOL GetClientRect(HWND w, RECT* rect) {
  if (!IsWindow(w) || !rect) return FALSE;
  int cw = 0, ch = 0;
  emscripten_get_canvas_element_size(kCanvas, &cw, &ch);
  *rect = RECT{0, 0, cw, ch};
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = g_cursorShown ? pl_arrow_cursor() : nullptr;
  g_cursorShown = cursor != nullptr;
  set_cursor_shown(g_cursorShown);
  return previous;
}
