// Helpers for the image tests: TGA headers, complemented JPEGs, Netpbm reading, RAII images.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/img_image.h"

namespace vt {

using Bytes = std::vector<std::uint8_t>;

struct ImageDeleter {
  void operator()(IMG_Image* image) const { IMG_ImageDelete(image); }
};
using ImagePtr = std::unique_ptr<IMG_Image, ImageDeleter>;

inline Bytes Pixels(const IMG_Image* image) {
  return Bytes(image->data, image->data + std::size_t(image->width) * std::size_t(image->height) *
                                              std::size_t(IMG_BytesPerPixel(image->format)));
}

// An 18-byte TGA header followed by `body`.
inline Bytes Tga(int type, int width, int height, int depth, const Bytes& body, int descriptor = 0,
                 int map_type = 0, int map_length = 0, int map_bits = 0) {
  Bytes b = {0, std::uint8_t(map_type), std::uint8_t(type), 0, 0, std::uint8_t(map_length), std::uint8_t(map_length >> 8),
             std::uint8_t(map_bits), 0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height),
             std::uint8_t(height >> 8), std::uint8_t(depth), std::uint8_t(descriptor)};
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// The complemented storage of a JPEG: marker, count byte, `filler` bytes, complemented stream.
inline Bytes Inverted(const Bytes& jpeg, int filler) {
  Bytes b = {0x56, 0x34, 0x12, 0x00, std::uint8_t(filler)};
  for (int i = 0; i < filler; i++) b.push_back(0xA5);
  for (std::uint8_t c : jpeg) b.push_back(std::uint8_t(~c));
  return b;
}

// A binary PPM (P6) or PAM (P7) file: size, channels and samples; channels 0 when unreadable.
struct Netpbm {
  int width = 0, height = 0, channels = 0;
  Bytes samples;
};
Netpbm ReadNetpbm(const std::string& path);

}  // namespace vt
