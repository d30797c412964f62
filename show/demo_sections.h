// Where the show is: the timeline enters its 25 sections in order, and every frame that ends
// is counted for the section it was drawn in. Tests and the frame statistics read this record.
#pragma once

constexpr int DEMO_SECTION_COUNT = 25;

struct DEMO_Section {
  float start;  // music time of the section's first pass; -1 while it has drawn no frame
  int frames;   // frames ended while it was the current section
};

// Clears every section and makes none current.
void DEMO_SectionsReset(void);
// Makes section n (1 to 25) current; the timeline calls it right before the section's loop.
void DEMO_SectionEnter(int n);
// The current section, 0 before the first.
int DEMO_SectionCurrent(void);
// Counts an ended frame for the current section; the first one notes its start time.
void DEMO_SectionFrameEnded(void);
// Section n's record; null outside 1 to 25.
const DEMO_Section* DEMO_SectionGet(int n);
