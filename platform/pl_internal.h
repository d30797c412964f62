// Records shared by the platform library's own files: the window behind an HWND, its device
// context, the GL context wrapper, and what the window and message-queue files ask of each
// other. The toolkit behind a window (SDL2 natively, the page's canvas in the browser) lives in
// the window file alone.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

struct PL_Dc {
  PL_Window* window;
  PIXELFORMATDESCRIPTOR requested;  // what ChoosePixelFormat was asked for
  int format;                       // set by SetPixelFormat; 0 before
};

struct SDL_Window;

struct PL_Window {
  SDL_Window* sdl;  // null in the browser, where the one window is the page's canvas
  WNDPROC proc;
  DWORD style;
  std::string title;
  int x, y, width, height;
  int visible;
  int destroyed;
  int hasGl;  // the SDL window was made with an OpenGL surface (a headless one: a format was set)
  int headless;  // no SDL window: its OpenGL context comes from EGL without a surface
  int glColour, glDepth, glStencil;
  PL_Dc dc;
  // Set on a dialog's handle and on its controls' handles, which have no SDL window.
  struct PL_Dialog* dialog;
  int dialogItem;  // the control's index in the dialog; -1 for the dialog itself
};

struct PL_GlContext {
  void* sdl;  // SDL_GLContext; the WebGL context handle in the browser
  PL_Window* window;
  void* egl;         // the EGL context of a headless window's context, else null
  void* eglSurface;  // its pbuffer where the driver cannot go without a surface
  struct PL_GlLayer* layer;  // an OpenGL ES context's OpenGL 1.1 layer, else null
};

// Starts SDL's video subsystem once; 0 when no display can be opened.
int pl_video_start(void);

// Finds the live window record behind an SDL window id, or null.
PL_Window* pl_window_from_id(std::uint32_t id);

// Creates (or re-creates, keeping the HWND) the SDL window with the given extra flags.
int pl_window_realise(PL_Window* w, std::uint32_t extraFlags);

// The message queue (pl_queue.cpp) and the window toolkit (pl_window*.cpp) between them.
// The registered class of that name, or null.
const WNDCLASSA* pl_class_find(const char* name);
// Makes a window known to IsWindow and the queue.
void pl_window_add(PL_Window* w);
// Queues a message from the toolkit's input (keys, mouse, close).
void pl_queue_input(HWND w, UINT message, WPARAM wparam, LPARAM lparam, DWORD time);
// The toolkit moves its pending input into the queue (called by PeekMessageA).
void pl_events_drain(void);
// A context made on a window whose pixel format was never set gets a plain one (24-bit colour
// and depth, double-buffered), as Windows gives; TRUE when the window has one now.
BOOL pl_pixel_format_ensure(HDC dc);
// The cursor LoadCursorA(IDC_ARROW) hands out.
HCURSOR pl_arrow_cursor(void);
// The toolkit hides a window that was destroyed.
void pl_window_hide(PL_Window* w);

// Applies the switched display mode (or the desktop mode) to a full-screen style window.
void pl_display_apply(PL_Window* w);

// The dialog manager's side of the window calls, for dialog and control handles.
LRESULT pl_dialog_send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
HWND pl_dialog_set_focus(HWND window);
// Shows a message box owned by a dialog in the dialog's own toolkit; 0 when it did not.
int pl_dialog_message_box(HWND owner, const char* text, const char* caption);
// Shows a modal GTK message box with one OK button, transient for the X window ownerXid where
// it is not 0; 0 when GTK cannot open the display.
int pl_gtk_message_box(const char* text, const char* caption, int error, unsigned long ownerXid);

// EGL contexts without a surface (pl_egl.cpp): made for headless windows, null on failure
// (PL_HeadlessError says why).
PL_GlContext* pl_egl_context_create(void);
BOOL pl_egl_make_current(PL_GlContext* context);
void pl_egl_context_delete(PL_GlContext* context);
void* pl_egl_proc_address(const char* name);
// Makes the OpenGL ES layer of a new OpenGL ES context, which is current, with the drawing
// buffer's size; `load` gives the context's entry points. 0 (and why on stderr) when it fails.
int pl_gl_context_layer(PL_GlContext* context, void* (*load)(const char* name), int width, int height);
// Points the program's OpenGL calls at the context just made current (null: none): its layer,
// or the system's OpenGL.
void pl_gl_context_select(PL_GlContext* context);
// Keeps the modules of the OpenGL implementation in use loaded until the process ends
// (pl_glpin.cpp); called once a context exists.
void pl_gl_modules_pin(void);

// 1 while windows are made headless (PL_SetHeadless).
int pl_headless(void);

// Every window created so far, destroyed ones included.
int pl_window_count(void);
PL_Window* pl_window_at(int index);
// Forgets every window (at exit); the toolkit releases its own part first.
void pl_window_forget_all(void);
