// What the platform library offers beyond its Windows stand-ins: the one path resolver every
// file open goes through, the controllable clock for tests and offline rendering, a hook
// that lets tests answer message boxes, and a few queries the tests use.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform/win32.h"

// Turns a system path ("data\\video\\DJ.CLP") into the name of an existing file where one
// matches: backslashes become slashes and each component is matched case-insensitively.
// Components with no match are kept as given, so a file can still be created. Returns 1 when
// the result fits into `out`, else 0.
int PL_ResolvePath(const char* name, char* out, std::size_t outSize);

// The folder that stands for "data" at the start of a system path ("data\\music\\x.mp3");
// null or empty restores the default, the "data" folder of the current directory. Names
// that do not start with "data\\" or "data/" are not affected.
void PL_SetDataDir(const char* dir);

// fopen through the resolver. The text flag 't' of a Windows mode string is accepted.
std::FILE* PL_Fopen(const char* name, const char* mode);

// The folder holding the running executable, without a trailing slash.
const char* PL_ExecutableDir(void);

// Controllable clock: while manual, timeGetTime returns the value set here and Sleep advances
// it instead of sleeping. The executable and both clip libraries share this clock.
void PL_TimerSetManual(int manual, DWORD now);
void PL_TimerSet(DWORD now);
void PL_TimerAdvance(DWORD milliseconds);
// Leaves manual mode with the real clock going on from the manual value, so that nothing that
// measures time across the switch (the music clock, the clip libraries) sees it jump.
void PL_TimerResume(void);
// While manual, Sleep calls this instead of advancing the clock itself (null: plain advance).
// The offline renderer moves a waiting show on frame by frame this way.
typedef void (*PL_SleepHook)(DWORD milliseconds);
void PL_TimerSetSleepHook(PL_SleepHook hook);
int PL_TimerIsManual(void);
// The real monotonic clock behind timeGetTime, in nanoseconds (timeGetTime is its milliseconds'
// low 32 bits), whatever the manual mode; and a sleep until one of its instants.
long long PL_TimerNowNs(void);
void PL_TimerSleepUntilNs(long long ns);

// A message-box handler replaces the dialog (not the standard-error echo); tests use it to see
// what the system would have shown. Null restores the default. Returns the previous handler.
typedef int (*PL_MessageBoxHandler)(const char* text, const char* caption);
PL_MessageBoxHandler PL_MessageBoxSetHandler(PL_MessageBoxHandler handler);

// 1 when an X display can be opened (SDL's video subsystem starts), else 0.
int PL_HasDisplay(void);

// From now on windows are made without any display: no X server is needed, the window is never
// shown and its OpenGL context comes from EGL without a surface (a GPU's EGL device where one
// is offered, else Mesa's software device or surfaceless platform); the program draws into
// framebuffer objects of its own. Offline renders use this.
void PL_SetHeadless(int headless);
// What a headless context was made on ("the GPU's EGL device", ...), or null before one was.
const char* PL_HeadlessDevice(void);
// Why no headless context could be made, or null.
const char* PL_HeadlessError(void);

// The mode the display was switched to with ChangeDisplaySettingsA; 0 when it is in its own
// mode. `mode` may be null.
int PL_DisplaySwitched(DEVMODEA* mode);

// The colour, depth and stencil sizes of the window's OpenGL surface as granted; 0 when the
// window has none.
int PL_GlSurfaceSizes(HWND window, int* colourBits, int* depthBits, int* stencilBits);

// OpenGL ES mode (velmar --gl es): contexts made from then on are OpenGL ES 3.0 contexts, and the
// program's OpenGL 1.1 calls go to the layer that the browser build draws with. 0: the
// system's OpenGL (a compatibility context). PL_GlEs says which was set.
void PL_SetGlEs(int es);
int PL_GlEs(void);

// OpenGL debug mode: 1 when VELMAR_GL_DEBUG is set to anything but "" or "0". Contexts made
// from then on are debug contexts, and the OpenGL driver reports every error it meets.
int PL_GlDebugWanted(void);

// Linked-in modules (the browser build, which has no files to load code from): a module
// registers its exports under its library's name, and LoadLibraryA and GetProcAddress find
// them there. Returns 1 when registered.
struct PL_ModuleExport {
  const char* name;
  FARPROC proc;
};
int PL_ModuleRegister(const char* name, const PL_ModuleExport* exports, int count);
