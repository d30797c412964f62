// The clock landscape's figures, for the section and its tests: the dim factor of the clock
// blur, the scroll clip's fade-out and the strength of one fjall copy.
#pragma once

// The dim factor s at music time t: 0 outside the clock blur (44 to 48 s), there rising over a
// second to 0.9, holding and falling again over the last second.
float FX_ClockDim(float t);
// Brightness the scroll clip is added at, r seconds into the section; negative once it is no
// longer drawn (from r = 1.75).
float FX_ClockClipBrightness(float r);
// Strength of copy i (0..9) of a row: faded where the eye's coordinate along the row (eye) is
// within 60 units of the copy's, faded in one after another over the first 3 s, dimmed by s.
float FX_ClockCopyStrength(float eye, int i, float r, float s);
