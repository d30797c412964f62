// Colour helpers on four-float colours (r, g, b, a) and four-byte colours.
#pragma once

#include <cstdint>

int GFX_ColourSet(float* colour, float r, float g, float b, float a);
// Each component to 0..1; anything not greater than 0, NaN included, becomes 0.
int GFX_ColourClamp(float* colour);
// dest[i] = (s * src[i]) >> 8, s from 0 to 256.
int GFX_ColourScaleBytes(std::uint8_t* dest, const std::uint8_t* src, int s);
// dest[i] = a[i] + b[i], saturated at 255.
int GFX_ColourAddBytes(std::uint8_t* dest, const std::uint8_t* a, const std::uint8_t* b);
