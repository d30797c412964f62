// The record of function pointers every OpenGL 1.1 call of the program goes through. The
// program calls glBegin and the rest by their names; the platform defines those names, and each
// jumps through this record to the implementation of the current context: the system's OpenGL
// library, or the layer that gives OpenGL 1.1 on OpenGL ES 3 and WebGL 2 (pl_gl_es.cpp).
#pragma once

#include <GL/gl.h>

struct PL_GlProcs {
#define PL_GL_PROC(ret, name, params, args) ret(*name) params;
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC
};

// The implementation the calls go to from now on (copied). Until the first choice they go to
// pl_gl_default's.
void pl_gl_use(const PL_GlProcs* procs);
// Fills each entry still null with load(its name), or, where that gives nothing, with a
// stand-in that says once on stderr that the call is missing here and does nothing.
void pl_gl_fill(PL_GlProcs* procs, void* (*load)(const char* name));
// The implementation for a program that made no choice: the system's OpenGL library natively,
// the layer in the browser. Each backend defines it.
const PL_GlProcs* pl_gl_default(void);
