// A small PNG writer for the tools: 8-bit RGB, rows from the top, compressed with zlib.
#pragma once

#include <cstdint>
#include <vector>

// The PNG file bytes of a width x height RGB image; empty when the sizes do not fit.
std::vector<std::uint8_t> TOOL_PngEncode(const std::uint8_t* rgb, int width, int height);
// Writes the image to a file; 1 on success, 0 on failure.
int TOOL_PngWrite(const char* path, const std::uint8_t* rgb, int width, int height);
