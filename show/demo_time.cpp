// Time helpers: show times written as minutes and seconds, and the clamp the fades use.
#include "show/demo_helpers.h"

float DEMO_Time(float minutes, float seconds) { return minutes * 60.0f + seconds; }

float DEMO_Clamp01(float x) {
  if (x >= 1.0f) return 1.0f;
  return x > 0.0f ? x : 0.0f;
}
