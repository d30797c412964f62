// A hidden-border window with the OpenGL driver selected on it and a mode set, for the tools
// and tests that draw through the graphics layer without the show's shell.
#pragma once

// Opens the window (class and title named after `name`), selects driver 3 on it and sets a
// width x height mode with 24-bit colour and depth and 8 stencil bits. 0 without a display or
// when any step fails.
int TOOL_GlWindowOpen(const char* name, int width, int height);
