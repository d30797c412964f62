// The offline renderer and the frame statistics. The renderer drives the platform timer by
// hand: frame n is drawn at music time from + n / fps, read back from the offscreen
// framebuffer and handed to the video output; where the show draws nothing the last frame
// stands in. The statistics time every frame end per section, live or rendered.
#pragma once

#include <string>

#include "app/app_options.h"

// Opens the output and makes the timer manual; call after the offscreen framebuffer exists.
// 0 (with a line on standard error) on failure.
int APP_RenderOpen(const APP_Options& options, int width, int height);
// The music has just started: frames count from here.
void APP_RenderStart(void);
// Called by the running test with the address it was called from: where one loop of the
// show passes again without drawing a frame, it waits for the clock, which then moves on.
void APP_RenderIdle(const void* caller);
// 1 while a render is open.
int APP_RenderActive(void);
// Finishes the output (what was rendered so far, after Ctrl-C too); 1 when it is complete.
int APP_RenderFinish(void);

// Starts timing frame ends (a frame observer).
void APP_StatsStart(void);
// The per-section lines and the total line, on standard error.
void APP_StatsPrint(void);
// For the benchmark: one line per section that drew a frame on standard output,
// "section N frames F cpu_ms_per_frame C" (processor time of the whole process).
void APP_StatsPrintCpu(void);
