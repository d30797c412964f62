// The offline renderer: the virtual clock, frame read-back, stand-in frames, progress and
// Ctrl-C.
#include "app/app_render.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <vector>

#include "app/app_shell.h"
#include "app/app_video.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "platform/pl_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

// The timer's value when the music starts; any value does, the show only sees differences.
constexpr DWORD kOrigin = 1000;

struct Render {
  int open = 0, started = 0, stopped = 0, failed = 0;
  double fps = 60.0;
  long long fromMs = 0;
  long total = 0;  // frames the range holds
  long next = 0;   // the video frame the show draws now
  const void* idleCaller = nullptr;  // where the running test was last called from without a frame since
  int pending = 0;  // a frame's read-back was started and not yet written
  int width = 0, height = 0;
  std::vector<std::uint8_t> last;  // the last frame written, RGB from the top; black at first
  APP_VideoOut out;
  Clock::time_point began, lastReport;
  bool terminal = false;
};

Render g;
volatile std::sig_atomic_t g_interrupted = 0;

void on_interrupt(int) { g_interrupted = 1; }

DWORD time_of(long n) { return kOrigin + DWORD(g.fromMs + std::llround(double(n) * 1000.0 / g.fps)); }

void progress(bool final) {
  const Clock::time_point now = Clock::now();
  if (!final && now - g.lastReport < std::chrono::milliseconds(g.terminal ? 250 : 10000)) return;
  g.lastReport = now;
  const double seconds = std::chrono::duration<double>(now - g.began).count();
  const double rate = seconds > 0 ? double(g.next) / seconds : 0.0;
  const double left = rate > 0 ? double(g.total - g.next) / rate : 0.0;
  std::fprintf(stderr, "%sframe %ld/%ld  %5.1f%%  %6.1f fps  %4.0f s left%s", g.terminal ? "\r" : "", g.next,
               g.total, 100.0 * double(g.next) / double(g.total), rate, left, g.terminal && !final ? "" : "\n");
  std::fflush(stderr);
}

// Turns the read-back (RGBA, rows from the bottom) into the stand-in frame and writes it.
void write_read_back(const std::uint8_t* rgba) {
  if (rgba) {
    const std::size_t row = std::size_t(g.width) * 3;
    for (int y = 0; y < g.height; y++) {
      const std::uint8_t* src = rgba + std::size_t(g.height - 1 - y) * g.width * 4;
      std::uint8_t* dst = g.last.data() + std::size_t(y) * row;
      for (int x = 0; x < g.width; x++, src += 4, dst += 3) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
    }
  }
  if (!g.failed && !APP_VideoWrite(g.out, g.last.data())) g.failed = 1;
}

// Moves on to the next video frame; at the end of the range, or after Ctrl-C or a failed
// write, the show is told to stop.
void advance() {
  g.next++;
  PL_TimerSet(time_of(g.next));
  progress(false);
  if (!g.stopped && (g.next >= g.total || g_interrupted || g.failed)) {
    g.stopped = 1;
    APP_shell.running = 0;
  }
}

void frame_ended(void) {
  if (!g.started) return;
  g.idleCaller = nullptr;
  if (g.stopped) return;
  // The read-back of this frame starts now; the previous one's is ready.
  if (GFX_ogl.offscreen) {
    const std::uint8_t* previous = GFX_OglOffscreenRead();
    if (g.pending) write_read_back(previous);
    g.pending = 1;
  } else {
    write_read_back(nullptr);
  }
  advance();
}

// A show that sleeps (the wait before the first section) sees time move only by whole video
// frames, each shown as the last frame drawn, so the clock never runs ahead of the frame being
// made and never has to be set back.
void sleep_ended(DWORD milliseconds) {
  if (!g.started || g.stopped) {
    PL_TimerAdvance(milliseconds);
    return;
  }
  // The slot now due is shown as the last frame, then time moves to the next slot, and on
  // until the sleep is over.
  const DWORD until = timeGetTime() + milliseconds;
  do {
    if (g.pending) write_read_back(GFX_OglOffscreenFlush());
    g.pending = 0;
    write_read_back(nullptr);
    advance();
  } while (!g.stopped && time_of(g.next) < until);
  if (g.stopped) PL_TimerSet(until);
}

}  // namespace

int APP_RenderOpen(const APP_Options& o, int width, int height) {
  g = Render{};
  g.fps = o.fps;
  g.fromMs = std::llround(o.from * 1000.0);
  g.total = long(std::ceil((o.to - o.from) * o.fps - 1e-9));
  if (g.total < 1) g.total = 1;
  g.width = width;
  g.height = height;
  g.last.assign(std::size_t(width) * height * 3, 0);

  APP_VideoSpec format{width, height, o.fps, o.from, o.to, "", o.ffmpegArgs};
  char sound[4096] = "";
  if (PL_ResolvePath(MUSIC_FILE, sound, sizeof sound) && access(sound, R_OK) == 0) format.soundtrack = sound;
  else if (!o.renderDiscard && APP_VideoKindOf(o.render) == APP_VIDEO_FFMPEG)
    std::fprintf(stderr, "velmar: the soundtrack %s is missing; the video will have no sound\n", sound);
  if (!APP_VideoOpen(g.out, o.renderDiscard ? std::string() : o.render, format)) return 0;
  for (double t : o.stills) {
    const long n = long(std::ceil((t - o.from) * o.fps - 1e-6));
    if (n >= 0 && n < g.total) g.out.keep.push_back(n);
  }
  std::sort(g.out.keep.begin(), g.out.keep.end());
  g.out.keep.erase(std::unique(g.out.keep.begin(), g.out.keep.end()), g.out.keep.end());

  PL_TimerSetManual(1, kOrigin);
  std::signal(SIGINT, on_interrupt);
  std::signal(SIGTERM, on_interrupt);
  g.terminal = isatty(2) != 0;
  g.open = 1;
  return 1;
}

void APP_RenderStart(void) {
  if (!g.open) return;
  g.started = 1;
  g.began = g.lastReport = Clock::now();
  PL_TimerSet(time_of(0));
  GFX_FrameObserverAdd(frame_ended);
  PL_TimerSetSleepHook(sleep_ended);
}

void APP_RenderIdle(const void* caller) {
  if (!g.started) return;
  // Loops that end at once (the sections a late start skips) each call from their own place;
  // only the same loop coming round again without a frame is waiting.
  const bool waiting = caller == g.idleCaller;
  g.idleCaller = caller;
  if (!waiting) return;
  if (g.stopped) {
    // Whatever the show still waits for comes at once.
    PL_TimerSet(time_of(g.next) + 1000);
    return;
  }
  if (g.pending) write_read_back(GFX_OglOffscreenFlush());
  g.pending = 0;
  write_read_back(nullptr);  // the last frame stands in
  advance();
}

int APP_RenderActive(void) { return g.open; }

int APP_RenderFinish(void) {
  if (!g.open) return 1;
  if (g.pending && !g.failed) write_read_back(GFX_OglOffscreenFlush());
  g.pending = 0;
  GFX_FrameObserverRemove(frame_ended);
  PL_TimerSetSleepHook(nullptr);
  progress(true);
  // After Ctrl-C what was made so far is kept, and still counts as a clean end.
  const int complete = !g.failed && (g.out.offered >= g.total || g_interrupted);
  // A show that ended before the range did (content or music missing) leaves no file that
  // looks complete.
  const int kept = APP_VideoClose(g.out, complete);
  if (g_interrupted && kept) std::fprintf(stderr, "velmar: stopped; %ld frames written\n", g.out.frames);
  else if (kept && !complete)
    std::fprintf(stderr, "velmar: the show ended early; %ld of %ld frames written\n", g.out.frames, g.total);
  g.open = 0;
  PL_TimerSetManual(0, 0);
  return complete && kept;
}
