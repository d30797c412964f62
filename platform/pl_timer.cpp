// The multimedia timer: a monotonic millisecond counter kept in 32 bits (it wraps like the
// Windows one), with a manual mode in which tests set the time exactly.
#include "platform/pl_platform.h"

#include <cerrno>
#include <ctime>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {
int g_manual = 0;
DWORD g_now = 0;
DWORD g_offset = 0;  // added to the monotonic clock once a manual stretch has been resumed
PL_SleepHook g_sleepHook = nullptr;

DWORD real_ms() {
  return DWORD(PL_TimerNowNs() / 1000000);  // keep the low 32 bits: the counter wraps every 49.7 days
}
}  // namespace

DWORD timeGetTime(void) { return g_manual ? g_now : real_ms() + g_offset; }

// The counter always has millisecond resolution here.
UINT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }
UINT timeEndPeriod(UINT) { return TIMERR_NOERROR; }

void Sleep(DWORD milliseconds) {
  if (g_manual) {
    if (g_sleepHook) g_sleepHook(milliseconds);
    else g_now += milliseconds;
    return;
  }
#ifdef __EMSCRIPTEN__
  // The page goes on (draws, plays, takes keys) while the show sleeps.
  emscripten_sleep(milliseconds);
#else
  timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
#endif
}

void PL_TimerSetSleepHook(PL_SleepHook hook) { g_sleepHook = hook; }

void PL_TimerSetManual(int manual, DWORD now) {
  g_manual = manual != 0;
  g_now = now;
  g_offset = 0;
}

void PL_TimerResume(void) {
  if (!g_manual) return;
  g_offset = g_now - real_ms();
  g_manual = 0;
}

void PL_TimerSet(DWORD now) { g_now = now; }
void PL_TimerAdvance(DWORD milliseconds) { g_now += milliseconds; }
int PL_TimerIsManual(void) { return g_manual; }

long long PL_TimerNowNs(void) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000000000ll + ts.tv_nsec;
}

void PL_TimerSleepUntilNs(long long ns) {
  timespec ts{time_t(ns / 1000000000ll), long(ns % 1000000000ll)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}
