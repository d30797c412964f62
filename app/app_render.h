// The offline renderer, the seek of a live start, and the frame statistics. The renderer drives
// the platform timer by hand: the show always runs from music time 0, frame k drawn at k / fps,
// so that a range that starts late shows exactly the frames a whole run shows there. Until
// shortly before the range the frames are not drawn at all (the show's logic runs alone);
// within it each is read back from the offscreen framebuffer and handed to the video output,
// and where the show draws nothing the last frame stands in. A live --start runs the same way
// up to its moment, then goes on in real time with its music. The statistics time every frame
// end per section, live or rendered.
#pragma once

#include <string>

#include "app/app_options.h"

// Opens the output and makes the timer manual; call after the offscreen framebuffer exists.
// 0 (with a line on standard error) on failure.
int APP_RenderOpen(const APP_Options& options, int width, int height);
// A live show that starts at `seconds`: the show runs ahead on the manual timer at `fps`
// without drawing, from music time 0, and at that moment the timer goes back to real time
// and the music starts there (MUSIC_Play). Call after the content is loaded, instead of
// MUSIC_Play.
int APP_SeekOpen(double seconds, double fps);
// The music has just started: frames count from here.
void APP_RenderStart(void);
// Called by every running test of the show; see kWaitingTests in the source.
void APP_RenderRunningTest(void);
// 1 while the frames ending now are run through before the first frame kept or shown.
int APP_RenderSeeking(void);
// Finishes the output (what was rendered so far, after Ctrl-C too). Returns the exit status:
// 0 complete, 1 failed, 130 or 143 stopped by SIGINT or SIGTERM (the work so far kept). A
// second signal ends the program at once, the unfinished output removed.
int APP_RenderFinish(void);
// After a render stopped by SIGINT or SIGTERM: ends the program by that signal, so that a
// shell or `wait` sees a program that was interrupted. Returns where no signal stopped it.
void APP_RenderEndByStopSignal(void);
// One progress line on standard error: `what` (may be empty), frames done of total, the share
// done, frames a second over `seconds` and the time left, between `start` and `end` ("\r" and
// "" to rewrite a terminal's line in place).
void APP_RenderProgressLine(const char* start, const char* what, long done, long total, double seconds,
                            const char* end);
// Refuses, with a line on standard error, a frame size the OpenGL implementation or the
// memory cannot hold. Call with the OpenGL context current.
int APP_RenderSizeFits(int width, int height);

// Starts timing frame ends (a frame observer).
void APP_StatsStart(void);
// The per-section lines and the total line, on standard error.
void APP_StatsPrint(void);
// For the benchmark: one line per section that drew a frame on standard output,
// "section N frames F cpu_ms_per_frame C" (processor time of the whole process).
void APP_StatsPrintCpu(void);
