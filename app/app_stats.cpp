// Frame statistics: wall-clock and processor time between consecutive frame ends, kept per
// section of the show; the music clock's origin and what the sound output did.
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/app_render.h"
#include "gfx/gfx_driver.h"
#include "platform/pl_fsound.h"
#include "platform/pl_platform.h"
#include "shell/music.h"
#include "show/demo_sections.h"

namespace {

struct Section {
  std::vector<float> wallMs;
  double cpuMs = 0.0;
  float start = -1.0f;
};

std::array<Section, DEMO_SECTION_COUNT + 1> g_sections;  // 0: before the first section
double g_lastWall = 0.0, g_lastCpu = 0.0;
// The timer and the music clock at the last frame of a late start's run-ahead.
int g_ranAhead = 0;
DWORD g_aheadTimer = 0;
float g_aheadMusic = 0.0f;

double wall_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cpu_ms() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

void frame_ended(void) {
  const double w = wall_ms(), c = cpu_ms();
  // The frames run through on the way to a later start are nobody's.
  if (APP_RenderSeeking()) {
    g_lastWall = w, g_lastCpu = c;
    g_ranAhead = 1;
    g_aheadTimer = timeGetTime();
    g_aheadMusic = MUSIC_GetTime();
    return;
  }
  const int n = DEMO_SectionCurrent();
  Section& s = g_sections[std::size_t(n >= 0 && n <= DEMO_SECTION_COUNT ? n : 0)];
  if (s.wallMs.empty()) s.start = MUSIC_GetTime();
  s.wallMs.push_back(float(w - g_lastWall));
  s.cpuMs += c - g_lastCpu;
  g_lastWall = w;
  g_lastCpu = c;
}

struct Figures {
  double mean = 0, p95 = 0, max = 0;
};

// Nearest-rank 95th percentile.
Figures figures(std::vector<float> v) {
  Figures f;
  if (v.empty()) return f;
  std::sort(v.begin(), v.end());
  double sum = 0;
  for (float x : v) sum += x;
  f.mean = sum / double(v.size());
  std::size_t rank = (v.size() * 95 + 99) / 100;
  f.p95 = v[std::max<std::size_t>(rank, 1) - 1];
  f.max = v.back();
  return f;
}

}  // namespace

void APP_StatsStart(void) {
  for (Section& s : g_sections) s = Section{};
  g_ranAhead = 0;
  g_lastWall = wall_ms();
  g_lastCpu = cpu_ms();
  GFX_FrameObserverAdd(frame_ended);
}

void APP_StatsPrint(void) {
  std::vector<float> all;
  for (int n = 1; n <= DEMO_SECTION_COUNT; n++) {
    const Section& s = g_sections[std::size_t(n)];
    if (s.wallMs.empty()) continue;
    // The section record knows when a section's first pass began; without it, its first end.
    const DEMO_Section* record = DEMO_SectionGet(n);
    const float start = record && record->frames > 0 && record->start >= 0.0f ? record->start : s.start;
    const Figures f = figures(s.wallMs);
    std::fprintf(stderr, "section %d start %.3f frames %zu mean_ms %.3f p95_ms %.3f max_ms %.3f\n", n, double(start),
                 s.wallMs.size(), f.mean, f.p95, f.max);
  }
  for (const Section& s : g_sections) all.insert(all.end(), s.wallMs.begin(), s.wallMs.end());
  const Figures f = figures(all);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(stderr, "total frames %zu mean_ms %.3f p95_ms %.3f max_ms %.3f peak_rss_mib %.1f\n", all.size(), f.mean,
               f.p95, f.max, double(usage.ru_maxrss) / 1024.0);
  // The monotonic clock's milliseconds (low 32 bits) at music time 0, so that the sound can be
  // compared with the clock from outside; taken now, as the timer may have run ahead by hand
  // before the music started (a late start).
  const DWORD origin = DWORD(PL_TimerNowNs() / 1000000) - DWORD(double(MUSIC_GetTime()) * 1000.0 + 0.5);
  std::fprintf(stderr, "music origin_ms %u\n", unsigned(origin));
  // How much further the timer (which the clips and the engine clock read) has gone than the
  // music clock since the run-ahead of a late start: 0 when both count from the music's start.
  if (g_ranAhead)
    std::fprintf(stderr, "late start timer_lead_ms %.1f\n",
                 double(DWORD(timeGetTime() - g_aheadTimer)) - double(MUSIC_GetTime() - g_aheadMusic) * 1000.0);
  PL_SoundReport r{};
  PL_SoundGetReport(&r);
  std::fprintf(stderr,
               "sound output %s rate %d latency_ms %.1f measured %d underruns %d starved %d skips %d skipped_ms %.1f drift_ppm %.1f "
               "offset_ms %.2f worst_offset_ms %.2f\n",
               r.output, r.rate, r.latencyMs, r.latencyMeasured, r.underruns, r.starved, r.skips, r.skippedMs, r.driftPpm, r.offsetMs,
               r.worstOffsetMs);
}

void APP_StatsPrintCpu(void) {
  for (int n = 0; n <= DEMO_SECTION_COUNT; n++) {
    const Section& s = g_sections[std::size_t(n)];
    if (s.wallMs.empty()) continue;
    std::printf("section %d frames %zu cpu_ms_per_frame %.3f\n", n, s.wallMs.size(), s.cpuMs / double(s.wallMs.size()));
  }
}
