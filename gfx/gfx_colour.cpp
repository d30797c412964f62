// Colour helpers.
#include "gfx/gfx_colour.h"

int GFX_ColourSet(float* colour, float r, float g, float b, float a) {
  colour[0] = r;
  colour[1] = g;
  colour[2] = b;
  colour[3] = a;
  return 1;
}

int GFX_ColourClamp(float* colour) {
  for (int i = 0; i < 4; i++) {
    if (colour[i] >= 1.0f) colour[i] = 1.0f;
    // Written as "not greater than 0" so that a NaN fails the test and becomes 0 too.
    if (!(colour[i] > 0.0f)) colour[i] = 0.0f;
  }
  return 1;
}

int GFX_ColourScaleBytes(std::uint8_t* dest, const std::uint8_t* src, int s) {
  for (int i = 0; i < 4; i++) dest[i] = std::uint8_t((s * src[i]) >> 8);
  return 1;
}

int GFX_ColourAddBytes(std::uint8_t* dest, const std::uint8_t* a, const std::uint8_t* b) {
  for (int i = 0; i < 4; i++) {
    int sum = a[i] + b[i];
    dest[i] = std::uint8_t(sum > 255 ? 255 : sum);
  }
  return 1;
}
