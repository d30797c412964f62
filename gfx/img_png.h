// A small PNG writer and reader (renders, tools and tests): 8-bit RGB, rows from the top,
// compressed with zlib. The reader takes what such tools write: 8-bit grey, grey with alpha, RGB
// or RGBA, not interlaced (alpha is dropped).
#pragma once

#include <cstdint>
#include <vector>

// The PNG file bytes of a width x height RGB image; empty when the sizes do not fit.
std::vector<std::uint8_t> IMG_PngEncode(const std::uint8_t* rgb, int width, int height);
// Writes the image to a file, named as given (never through the content resolver); 1 on
// success, 0 on failure.
int IMG_PngWrite(const char* path, const std::uint8_t* rgb, int width, int height);

// The RGB pixels of a PNG file's bytes, rows from the top; empty (with width and height 0) when
// the bytes are not a PNG of a kind the reader takes, or are damaged.
std::vector<std::uint8_t> IMG_PngDecode(const std::uint8_t* bytes, std::size_t size, int* width, int* height);
// Reads and decodes a PNG file; empty when it cannot be read or decoded.
std::vector<std::uint8_t> IMG_PngRead(const char* path, int* width, int* height);
