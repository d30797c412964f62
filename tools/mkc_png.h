// A minimal PNG writer (8-bit RGB, one zlib stream) for contact sheets and previews.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes width x height pixels of r, g, b bytes (rows from the top); false when it cannot.
bool MKC_PngWrite(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);
