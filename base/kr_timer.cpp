// The engine clock.
#include "base/kr_timer.h"

#include "platform/win32.h"

namespace {
DWORD g_base = 0;
}

int KR_TimerInitialise(void) { return KR_TimerReset(); }

int KR_TimerReset(void) {
  g_base = timeGetTime();
  return 1;
}

// The unsigned difference stays right across a wrap of the 32-bit counter.
float KR_TimerGetMs(void) { return float(DWORD(timeGetTime() - g_base)); }

float KR_TimerGetSeconds(void) { return KR_TimerGetMs() / 1000.0f; }
