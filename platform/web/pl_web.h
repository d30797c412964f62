// What the browser build's platform files ask of each other: the OpenGL layer on WebGL 2
// (pl_gl_es.h) and the hand-back of control to the page, which draws the canvas and delivers
// input only while the show waits.
#pragma once

#include "platform/pl_gl_es.h"
#include "platform/win32.h"

// Hands control to the page until its next animation frame (vsync 1) or at once (0).
void pl_web_present(int vsync);
// Hands control to the page briefly when it has not had it for a while, so that a show that
// draws nothing on screen (a render) keeps the page alive.
void pl_web_breathe(void);
