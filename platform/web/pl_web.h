// What the browser build's platform files ask of each other: the OpenGL layer on WebGL 2 and
// the hand-back of control to the page, which draws the canvas and delivers input only while
// the show waits.
#pragma once

#include "platform/win32.h"

// Draws whatever immediate-mode drawing is still collected.
void pl_gl_flush(void);
// The entry points the graphics layer fetches by name (multitexture, framebuffers, buffers).
FARPROC pl_gl_proc(const char* name);
// The OpenGL layer of one WebGL context: its shaders, its vertex array and the state it
// remembers. Made with its context current, which it sets to GL's initial state; null (and
// the reason on stderr) when the shaders do not build.
struct PL_GlLayer;
PL_GlLayer* pl_gl_layer_create(void);
// The layer the GL calls go to from now on; null: none, as when no context is current.
void pl_gl_layer_select(PL_GlLayer* layer);
// Frees a layer's WebGL objects; its context is current. Collected drawing is dropped.
void pl_gl_layer_delete(PL_GlLayer* layer);
// A program of the layer's vertex attributes from two shader sources, in the current context:
// its name, or 0 (and the compiler's or linker's word on stderr) when it does not build.
unsigned pl_gl_program_build(const char* vertex, const char* fragment);

// Hands control to the page until its next animation frame (vsync 1) or at once (0).
void pl_web_present(int vsync);
// Hands control to the page briefly when it has not had it for a while, so that a show that
// draws nothing on screen (a render) keeps the page alive.
void pl_web_breathe(void);
