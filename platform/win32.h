// The small Windows-shaped surface the show is written against: window class and window,
// message queue, cursor, message boxes, display modes, the multimedia timer, dynamic loading
// and the WGL context calls. Implemented on SDL2 by the platform library; only the names,
// types and constants the system uses are here.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uint8_t BYTE;
typedef long LONG;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::intptr_t INT_PTR;

typedef struct PL_Window* HWND;
typedef struct PL_Dc* HDC;
typedef struct PL_GlContext* HGLRC;
typedef struct PL_Module* HMODULE;
typedef void* HINSTANCE;
typedef void* HICON;
typedef void* HCURSOR;
typedef void* HBRUSH;
typedef void* HMENU;
typedef void* HGDIOBJ;
typedef void (*FARPROC)(void);
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Window messages.
#define WM_DESTROY 0x0002
#define WM_SETFOCUS 0x0007
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SETCURSOR 0x0020
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_MOUSEMOVE 0x0200
#define WM_USER 0x0400

// Virtual keys.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28

// Window styles.
#define WS_POPUP 0x80000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CAPTION 0x00C00000u
#define WS_SYSMENU 0x00080000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_VSCROLL 0x00200000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define GWL_STYLE (-16)
#define CW_USEDEFAULT ((int)0x80000000)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_SHOWWINDOW 0x0040

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define BLACK_BRUSH 4
#define IDC_ARROW ((const char*)32512)

// Message boxes.
#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define IDOK 1

// Dialogs and their controls.
#define MAKEINTRESOURCEA(id) ((const char*)(std::uintptr_t)(WORD)(id))
#define MAKEWPARAM(low, high) ((WPARAM)(((DWORD)(WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))
#define IDCANCEL 2
#define BN_CLICKED 0
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define CBN_SELCHANGE 1
#define CB_ERR (-1)
#define CB_OKAY 0
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E

// Display modes.
#define ENUM_CURRENT_SETTINGS ((DWORD)-1)
#define DM_BITSPERPEL 0x00040000u
#define DM_PELSWIDTH 0x00080000u
#define DM_PELSHEIGHT 0x00100000u
#define CDS_FULLSCREEN 0x00000004u
#define DISP_CHANGE_SUCCESSFUL 0
#define DISP_CHANGE_FAILED (-1)
#define DISP_CHANGE_BADMODE (-2)

// Multimedia timer.
#define TIMERR_NOERROR 0

// Pixel formats.
#define PFD_DOUBLEBUFFER 0x00000001u
#define PFD_DRAW_TO_WINDOW 0x00000004u
#define PFD_SUPPORT_OPENGL 0x00000020u
#define PFD_TYPE_RGBA 0
#define PFD_MAIN_PLANE 0

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
};

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
};

struct RECT {
  LONG left, top, right, bottom;
};

// Only the fields the system fills or reads.
struct DEVMODEA {
  WORD dmSize;
  DWORD dmFields;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFrequency;
};

struct PIXELFORMATDESCRIPTOR {
  WORD nSize;
  WORD nVersion;
  DWORD dwFlags;
  BYTE iPixelType;
  BYTE cColorBits;
  BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
  BYTE cAlphaBits, cAlphaShift;
  BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
  BYTE cDepthBits;
  BYTE cStencilBits;
  BYTE cAuxBuffers;
  BYTE iLayerType;
  BYTE bReserved;
  DWORD dwLayerMask, dwVisibleMask, dwDamageMask;
};

#define LOWORD(l) ((WORD)(((std::uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((std::uintptr_t)(l)) >> 16) & 0xffff))

// Window class and window.
WORD RegisterClassA(const WNDCLASSA* wc);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
BOOL DestroyWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);
HWND SetFocus(HWND window);
LONG GetWindowLongA(HWND window, int index);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL IsWindow(HWND window);
HGDIOBJ GetStockObject(int object);
HINSTANCE GetModuleHandleA(const char* name);

// Message queue.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exitCode);

// Modal dialogs from a dialog resource (see platform/pl_dialog.h for the templates).
INT_PTR DialogBoxParamA(HINSTANCE instance, const char* templateName, HWND owner, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

// Cursor.
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
HCURSOR SetCursor(HCURSOR cursor);

// Message boxes: shown by SDL where a display exists, always echoed on standard error.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// Display modes.
BOOL EnumDisplaySettingsA(const char* device, DWORD modeIndex, DEVMODEA* mode);
LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);

// Multimedia timer: milliseconds, 32 bits, wrapping.
DWORD timeGetTime(void);
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);
void Sleep(DWORD milliseconds);

// Dynamic loading: "name.dll" means "name.so" in the executable's folder.
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// Device context, pixel format and the OpenGL context.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SwapBuffers(HDC dc);
HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC context);
BOOL wglDeleteContext(HGLRC context);
FARPROC wglGetProcAddress(const char* name);
