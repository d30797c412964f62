// OpenGL debug mode: every error the OpenGL implementation meets is reported on standard error
// with the driver function that was running and where the show was, and counted. A KHR_debug
// callback on a synchronous debug output does it where the implementation offers one (the
// message arrives inside the call that caused it); elsewhere glGetError is asked after each
// driver function. Driver functions name themselves with GFX_OGL_ENTRY() on their first line.
#pragma once

#include "gfx/gfx_ogl_profile.h"

struct GFX_OglDebugState {
  int mode;            // 0 off, 1 KHR_debug callback, 2 glGetError after each driver function
  int errors;          // errors (and high-severity messages) counted since the mode was started
  int primitive;       // between glBegin and glEnd, where glGetError would itself be an error
  const char* entry;   // the driver function running, null outside them
  // Writes where the show is ("section 3 at 41.20 s") for a report; null: nothing.
  void (*where)(char* text, int size);
};

extern GFX_OglDebugState GFX_oglDebug;

// Starts the mode on the current context: `wanted` 0 stops it, 1 uses KHR_debug where offered
// and glGetError elsewhere, 2 glGetError alone. Returns the mode in force. The error count
// carries on across starts.
int GFX_OglDebugStart(int wanted);
// Errors counted so far.
int GFX_OglDebugErrors(void);
// Reports and counts one error: `what` describes it, the running driver function and the
// show's place are added.
void GFX_OglDebugReport(const char* what);
// Asks glGetError for every error pending and reports each (outside glBegin/glEnd).
void GFX_OglDebugPoll(void);

// Marks a driver function for its length; in the glGetError mode, checks for errors as it ends;
// in the pass profile, an outermost one may end the kind of work running.
struct GFX_OglEntry {
  const char* previous;
  explicit GFX_OglEntry(const char* name) : previous(GFX_oglDebug.entry) {
    GFX_oglDebug.entry = name;
    if (GFX_oglProfile.on && !previous) GFX_OglProfileEnter(name);
  }
  ~GFX_OglEntry() {
    if (GFX_oglDebug.mode == 2) GFX_OglDebugPoll();
    GFX_oglDebug.entry = previous;
  }
  GFX_OglEntry(const GFX_OglEntry&) = delete;
  GFX_OglEntry& operator=(const GFX_OglEntry&) = delete;
};
#define GFX_OGL_ENTRY() const GFX_OglEntry gfx_ogl_entry_(__func__)
