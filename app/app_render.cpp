// The offline renderer and the seek of a live start: the virtual clock, the run ahead without
// drawing, frame read-back, stand-in frames, progress, and SIGINT / SIGTERM.
#include "app/app_render.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app_jobs.h"
#include "app/app_video.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "platform/pl_platform.h"
#include "shell/app_shell.h"
#include "shell/music.h"

namespace {

using Clock = std::chrono::steady_clock;

// The timer's value when the music starts; any value does, the show only sees differences.
constexpr DWORD kOrigin = 1000;
// Frames drawn in full before the first one kept, so that whatever a frame leaves behind for
// the next (the screen effects' capture texture, the colour the last primitive set) is what a
// whole run leaves there.
constexpr long kLeadFrames = 2;
// Every loop of the show asks the running test once a pass and ends a frame in every pass it
// runs; a loop whose time is up asks once more and gives way to the next. Between two frames
// the test is therefore asked at most once for each loop the show passes through on its way
// (a few dozen where a low frame rate skips sections). Far more than that can only be a loop
// that waits for the clock without drawing: the clock then moves on by a frame, and the frame
// shown last stands in for it.
constexpr int kWaitingTests = 256;

struct Render {
  int open = 0, started = 0, stopped = 0, failed = 0;
  int live = 0;  // a live show brought to its start: no output, the music starts at `first`
  double fps = 60.0;
  long first = 0, end = 1;  // the frames kept: [first, end), counted from music time 0
  long drawFrom = 0;        // frames from here on are drawn
  long next = 0;            // the frame the show draws now
  int testsWithoutFrame = 0;
  int pending = 0;  // a frame's read-back was started and not yet taken
  int width = 0, height = 0;  // of the frames written
  int scale = 1;              // --supersample: the frames are drawn this many times larger
  std::vector<std::uint8_t> last;  // the last frame drawn, RGB from the top; black at first
  APP_VideoOut out;
  Clock::time_point began, lastReport;
  double seekSeconds = -1.0;  // how long reaching the first frame took
  bool terminal = false;
  int progressFd = -1;  // a piece of --jobs: one byte per frame written goes here
};

Render g;
volatile std::sig_atomic_t g_signal = 0;
int g_stoppedBy = 0;  // the signal that stopped the last render; 0 where none did

// The first signal asks for a clean stop, after which the program ends by that signal. A
// second one ends it at once: the unfinished output goes, and ffmpeg with it, which in its own
// process group would otherwise go on finishing a file nobody will name.
void on_signal(int signal) {
  if (!g_signal) {
    g_signal = signal;
    return;
  }
  APP_VideoAbandon(g.out);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

DWORD time_of(long k) { return kOrigin + DWORD(std::llround(double(k) * 1000.0 / g.fps)); }
double seconds_of(long k) { return MUSIC_FrameTime(k, g.fps); }

void progress(bool final) {
  const Clock::time_point now = Clock::now();
  if (!final && now - g.lastReport < std::chrono::milliseconds(g.terminal ? 250 : 10000)) return;
  g.lastReport = now;
  const double seconds = std::chrono::duration<double>(now - g.began).count();
  const char* cr = g.terminal ? "\r" : "";
  const char* nl = g.terminal && !final ? "" : "\n";
  if (g.next < g.first) {
    std::fprintf(stderr, "%sreaching %.1f s: at %5.1f s%s", cr, seconds_of(g.first), seconds_of(g.next), nl);
  } else if (!g.live) {
    APP_RenderProgressLine(cr, "", g.next - g.first, g.end - g.first, seconds - std::max(g.seekSeconds, 0.0), nl);
  }
  std::fflush(stderr);
}

// Frame k as the output gets it: the read-back (RGBA, rows from the bottom) becomes the last
// frame, which frames from the first kept on are written as. A supersampled frame is reduced
// by averaging each scale x scale block of the values as drawn (display space: see the README).
void take_frame(const std::uint8_t* rgba, long k) {
  if (rgba && g.scale == 1) {
    // Unscaled, each pixel is only moved: the rows turned over, the fourth byte dropped.
    for (int y = 0; y < g.height; y++) {
      std::uint8_t* dst = g.last.data() + std::size_t(y) * g.width * 3;
      const std::uint8_t* src = rgba + std::size_t(g.height - 1 - y) * g.width * 4;
      for (int x = 0; x < g.width; x++, dst += 3, src += 4) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
    }
  } else if (rgba) {
    const int n = g.scale, drawnHeight = g.height * n;
    const std::size_t drawnRow = std::size_t(g.width) * n * 4;
    const int half = n * n / 2;
    for (int y = 0; y < g.height; y++) {
      std::uint8_t* dst = g.last.data() + std::size_t(y) * g.width * 3;
      const std::uint8_t* top = rgba + std::size_t(drawnHeight - 1 - y * n) * drawnRow;
      for (int x = 0; x < g.width; x++, dst += 3) {
        int r = 0, gr = 0, b = 0;
        for (int dy = 0; dy < n; dy++) {
          const std::uint8_t* src = top - std::ptrdiff_t(dy) * std::ptrdiff_t(drawnRow) + std::size_t(x) * n * 4;
          for (int dx = 0; dx < n; dx++, src += 4) r += src[0], gr += src[1], b += src[2];
        }
        dst[0] = std::uint8_t((r + half) / (n * n));
        dst[1] = std::uint8_t((gr + half) / (n * n));
        dst[2] = std::uint8_t((b + half) / (n * n));
      }
    }
  }
  if (k < g.first || g.failed) return;
  if (!APP_VideoWrite(g.out, g.last.data())) g.failed = 1;
  else if (g.progressFd >= 0) (void)!::write(g.progressFd, ".", 1);
}

void flush_pending() {
  if (g.pending) take_frame(GFX_OglOffscreenFlush(), g.next - 1);
  g.pending = 0;
}

// From the first frame on, a live show goes on in real time with its music. Starting the music
// takes a while (the stream decodes ahead, the output plays out what it holds): the timer stands
// at the start until it returns and runs on from that instant, so that the clips, the engine
// clock and the music clock all count from the moment the music starts.
void hand_over_to_the_music() {
  PL_TimerSetSleepHook(nullptr);
  PL_TimerSet(time_of(g.first));
  GFX_OglSkipDrawing(0);
  g.open = 0;
  MUSIC_SetStart(float(seconds_of(g.first)));
  const int playing = MUSIC_Play();
  PL_TimerResume();
  if (!playing) APP_shell.running = 0;
}

// Moves on to the next frame; at the end of the range, or after a signal or a failed write,
// the show is told to stop.
void advance() {
  g.next++;
  g.testsWithoutFrame = 0;
  if (g.next == g.drawFrom) GFX_OglSkipDrawing(0);
  if (g.next == g.first) {
    g.seekSeconds = std::chrono::duration<double>(Clock::now() - g.began).count();
    if (g.first > 0)
      std::fprintf(stderr, "%svelmar: reached %.3f s in %.1f s\n", g.terminal ? "\r" : "", seconds_of(g.first),
                   g.seekSeconds);
    if (g.live) {
      hand_over_to_the_music();
      return;
    }
  }
  PL_TimerSet(time_of(g.next));
  progress(false);
  if (!g.stopped && (g.next >= g.end || g_signal || g.failed)) {
    g.stopped = 1;
    APP_shell.running = 0;
  }
}

// The slot now due shows the last frame drawn.
void stand_in() {
  flush_pending();
  take_frame(nullptr, g.next);
  advance();
}

void frame_ended(void) {
  if (!g.started || !g.open || g.stopped) return;
  // The read-back of this frame starts now; the previous one's is ready.
  if (g.next >= g.drawFrom && GFX_ogl.offscreen && !g.live) {
    const std::uint8_t* previous = GFX_OglOffscreenRead();
    if (g.pending) take_frame(previous, g.next - 1);
    g.pending = 1;
  } else {
    take_frame(nullptr, g.next);
  }
  advance();
}

// A show that sleeps (the wait before the first section) sees time move only by whole frames,
// each shown as the last frame drawn, so the clock never runs ahead of the frame being made
// and never has to be set back.
void sleep_ended(DWORD milliseconds) {
  if (!g.started || g.stopped) {
    PL_TimerAdvance(milliseconds);
    return;
  }
  const DWORD until = timeGetTime() + milliseconds;
  do stand_in();
  while (g.open && !g.stopped && time_of(g.next) < until);
  if (g.open && g.stopped) PL_TimerSet(until);
}

void open_common(double fps, double from, double to) {
  g = Render{};
  g_signal = 0;
  g_stoppedBy = 0;
  g.fps = fps;
  g.first = MUSIC_FrameAt(from, fps);
  g.end = std::max(MUSIC_FrameAt(to, fps), g.first + 1);
  g.drawFrom = std::max(0L, g.first - kLeadFrames);
  g.terminal = isatty(2) != 0;
  PL_TimerSetManual(1, kOrigin);
}

}  // namespace

int APP_RenderOpen(const APP_Options& o, int width, int height) {
  open_common(o.fps, o.from, o.to);
  g.scale = std::max(1, o.supersample);
  g.width = width / g.scale;
  g.height = height / g.scale;
  g.last.assign(std::size_t(g.width) * g.height * 3, 0);

  // A piece of a render: its part of the range, without sound, tagged for the join.
  if (o.pieceCount > 0) {
    APP_PieceFrames(g.first, g.end, o.pieceIndex, o.pieceCount, g.first, g.end);
    g.drawFrom = std::max(0L, g.first - kLeadFrames);
  }
  if (const char* fd = std::getenv(APP_PROGRESS_FD)) {
    g.progressFd = std::atoi(fd);
    fcntl(g.progressFd, F_SETFD, FD_CLOEXEC);  // for velmar alone, not its ffmpeg
  }

  // The sound is cut to the frames, which lie on the frame grid of the whole show.
  APP_VideoFormat format{g.width, g.height, o.fps, seconds_of(g.first), seconds_of(g.end), "", o.ffmpegArgs};
  format.lossless = o.lossless;
  char sound[4096] = "";
  if (o.pieceCount > 0)
    format.ffmpegArgs.insert(format.ffmpegArgs.begin(),
                             {"-metadata", std::string(APP_PIECE_TAG) + "=" +
                                               APP_PieceTag(o.pieceIndex, o.pieceCount, g.first, g.end, o.fps,
                                                            g.width, g.height)});
  else if (PL_ResolvePath(MUSIC_FILE, sound, sizeof sound) && access(sound, R_OK) == 0) format.soundtrack = sound;
  else if (!o.renderDiscard && APP_VideoKindOf(o.render) == APP_VIDEO_FFMPEG)
    std::fprintf(stderr, "velmar: the soundtrack %s is missing; the video will have no sound\n", sound);
  if (!APP_VideoOpen(g.out, o.renderDiscard ? std::string() : o.render, format)) {
    PL_TimerSetManual(0, 0);
    return 0;
  }
  for (double t : o.stills) {
    const long k = MUSIC_FrameAt(t, o.fps);
    if (k >= g.first && k < g.end) g.out.keep.push_back(k - g.first);
  }
  std::sort(g.out.keep.begin(), g.out.keep.end());
  g.out.keep.erase(std::unique(g.out.keep.begin(), g.out.keep.end()), g.out.keep.end());

  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  g.open = 1;
  return 1;
}

int APP_SeekOpen(double seconds, double fps) {
  open_common(fps, seconds, seconds);
  g.live = 1;
  g.open = 1;
  // Until the music starts the music clock counts from the manual timer's origin.
  MUSIC_ClockStart();
  return 1;
}

void APP_RenderStart(void) {
  if (!g.open) return;
  g.started = 1;
  g.began = g.lastReport = Clock::now();
  PL_TimerSet(time_of(0));
  GFX_FrameObserverAdd(frame_ended);
  PL_TimerSetSleepHook(sleep_ended);
  APP_SetRunningHook(APP_RenderRunningTest);
  if (g.drawFrom > 0) GFX_OglSkipDrawing(1);
  if (g.live && g.first == 0) hand_over_to_the_music();
}

void APP_RenderRunningTest(void) {
  if (!g.started || !g.open || ++g.testsWithoutFrame <= kWaitingTests) return;
  g.testsWithoutFrame = 0;
  // After the end whatever the show still waits for comes at once.
  if (g.stopped) PL_TimerSet(time_of(g.next) + 1000);
  else stand_in();
}

int APP_RenderSeeking(void) { return g.open && g.started && g.next < g.first; }

int APP_RenderFinish(void) {
  APP_SetRunningHook(nullptr);
  GFX_FrameObserverRemove(frame_ended);
  PL_TimerSetSleepHook(nullptr);
  GFX_OglSkipDrawing(0);
  if (g.live) {
    // Handed over to the music, or the viewer quit before the start was reached.
    if (g.open) PL_TimerSetManual(0, 0);
    g = Render{};
    return 0;
  }
  if (!g.open) return 0;
  if (!g.failed) flush_pending();
  if (g.next >= g.first) progress(true);
  const long total = g.end - g.first;
  int status = 0;
  if (g_signal) {
    if (!g.failed && APP_VideoClose(g.out, APP_VIDEO_PARTIAL) && g.out.frames > 0)
      std::fprintf(stderr, "velmar: stopped after %ld of %ld frames; %ld kept in %s\n", g.out.offered, total, g.out.frames,
                   g.out.kept.c_str());
    else
      std::fprintf(stderr, "velmar: stopped after %ld of %ld frames; none kept\n", g.out.offered, total);
    g_stoppedBy = int(g_signal);
    status = 128 + int(g_signal);
  } else if (!g.failed && g.out.offered >= total) {
    status = APP_VideoClose(g.out, APP_VIDEO_COMPLETE) ? 0 : 1;
  } else {
    APP_VideoClose(g.out, APP_VIDEO_DROP);
    // A show that ended before the range did (content or music missing) leaves no file that
    // looks complete.
    if (!g.failed)
      std::fprintf(stderr, "velmar: the show ended early; %ld of %ld frames made, nothing kept\n", g.out.offered,
                   total);
    status = 1;
  }
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  g.open = 0;
  PL_TimerSetManual(0, 0);
  return status;
}

void APP_RenderEndByStopSignal(void) {
  if (!g_stoppedBy) return;
  std::fflush(nullptr);
  std::signal(g_stoppedBy, SIG_DFL);
  std::raise(g_stoppedBy);
}

void APP_RenderProgressLine(const char* start, const char* what, long done, long total, double seconds,
                            const char* end) {
  const double rate = seconds > 0 ? double(done) / seconds : 0.0;
  const double left = rate > 0 ? double(total - done) / rate : 0.0;
  std::fprintf(stderr, "%s%s%sframe %ld/%ld  %5.1f%%  %6.1f fps  %4.0f s left%s", start, what, *what ? " " : "", done,
               total, 100.0 * double(done) / double(total), rate, left, end);
}

int APP_RenderSizeFits(int width, int height) {
  const int limit = GFX_OglOffscreenLimit();
  if (width > limit || height > limit) {
    std::fprintf(stderr, "velmar: frames of %dx%d are more than this OpenGL can draw into (at most %dx%d)\n", width,
                 height, limit, limit);
    return 0;
  }
  // The framebuffer (colour, depth and stencil), two read-back buffers, the frame taken from
  // them, the last frame and a 4:2:0 copy: about 25 bytes a pixel drawn (a supersampled
  // render's frames are drawn at the larger size, which this is called with).
  const double need = double(width) * double(height) * 25.0 / 1048576.0;
  double available = -1.0;
  if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::strncmp(line, "MemAvailable:", 13) == 0) available = std::atof(line + 13) / 1024.0;
    std::fclose(f);
  }
  if (available >= 0.0 && need > available) {
    std::fprintf(stderr, "velmar: frames of %dx%d need about %.0f MiB, more than the %.0f MiB of memory available\n",
                 width, height, need, available);
    return 0;
  }
  return 1;
}
