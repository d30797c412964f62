// The show's random generator: a 32-bit linear congruential sequence, seeded once when the
// show starts so that every run draws the same numbers.
#include "show/demo_helpers.h"

namespace {

std::uint32_t g_state = 1;

}  // namespace

void DEMO_RandSeed(std::uint32_t seed) { g_state = seed; }

int DEMO_Rand(void) {
  g_state = g_state * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
  return int((g_state >> 16) & 0x7FFFu);
}

float DEMO_RandRange(float a, float b) { return a + (float(DEMO_Rand()) / 32767.0f) * (b - a); }
