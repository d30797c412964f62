// The record of where the show is: which section is current and how many frames each drew.
#include "show/demo_sections.h"

#include <array>

#include "shell/music.h"

namespace {

std::array<DEMO_Section, DEMO_SECTION_COUNT + 1> g_sections;
int g_current = 0;
float g_entered = 0.0f;  // clock when the current section was entered

}  // namespace

void DEMO_SectionsReset(void) {
  for (DEMO_Section& s : g_sections) s = {-1.0f, 0};
  g_current = 0;
}

void DEMO_SectionEnter(int n) {
  if (n < 1 || n > DEMO_SECTION_COUNT) return;
  g_current = n;
  g_entered = MUSIC_GetTime();
}

int DEMO_SectionCurrent(void) { return g_current; }

void DEMO_SectionFrameEnded(void) {
  if (g_current == 0) return;
  DEMO_Section& s = g_sections[g_current];
  // A loop's first pass follows its entry at once, so the entry time is the first pass's.
  if (s.frames++ == 0) s.start = g_entered;
}

const DEMO_Section* DEMO_SectionGet(int n) {
  if (n < 1 || n > DEMO_SECTION_COUNT) return nullptr;
  return &g_sections[n];
}
