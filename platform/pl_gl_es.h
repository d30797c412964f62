// The layer that gives the program OpenGL 1.1 on OpenGL ES 3 (WebGL 2 in the browser, an
// OpenGL ES 3.0 context natively), as the wgl calls of each backend use it.
#pragma once

#include "platform/pl_gl.h"
#include "platform/win32.h"

// Draws whatever immediate-mode drawing is still collected.
void pl_gl_flush(void);
// The entry points the graphics layer fetches by name (multitexture, framebuffers, buffers);
// null for any other.
FARPROC pl_gl_proc(const char* name);
// The OpenGL ES layer of one context: its shaders, its vertex array and the state it
// remembers. Made with its context current, which it sets to GL's initial state, with the
// drawing buffer's size; `load` gives OpenGL ES's entry points by name (unused in the browser,
// where they are linked in). Null (and the reason on stderr) when an entry point is missing or
// the shaders do not build.
struct PL_GlLayer;
PL_GlLayer* pl_gl_layer_create(void* (*load)(const char* name), int width, int height);
// The layer the GL calls go to from now on; null: none, as when no context is current.
void pl_gl_layer_select(PL_GlLayer* layer);
// Frees a layer's OpenGL ES objects; its context is current. Collected drawing is dropped.
void pl_gl_layer_delete(PL_GlLayer* layer);
// The record of the layer's OpenGL 1.1 calls, for pl_gl_use; calls it does not stand in for go
// to load(name) as they are. Made on first use.
const PL_GlProcs* pl_gl_layer_procs(void* (*load)(const char* name));
// A program of the layer's vertex attributes from two shader sources, in the current context:
// its name, or 0 (and the compiler's or linker's word on stderr) when it does not build.
unsigned pl_gl_program_build(const char* vertex, const char* fragment);
