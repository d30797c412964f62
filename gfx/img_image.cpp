// The image record: create, delete, flip, and the alpha combination of a colour and a mask.
#include "gfx/img_image.h"

#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"

int IMG_BytesPerPixel(int format) {
  switch (format) {
    case IMG_RGB: return 3;
    case IMG_RGBX:
    case IMG_RGBA: return 4;
    default: return 0;
  }
}

namespace {
#ifdef VELMAR_FUZZ_BUILD
// Fuzzed headers ask for any size; a small bound keeps the fuzzers fast and inside their memory.
constexpr std::int64_t kMaxImageBytes = 1 << 20;
#else
constexpr std::int64_t kMaxImageBytes = 0x7FFFFFFF;
#endif
}  // namespace

IMG_Image* IMG_ImageCreate(std::int32_t width, std::int32_t height, std::int32_t format, std::int32_t) {
  std::int32_t bpp = IMG_BytesPerPixel(format);
  // Sizes come from files; refuse what would overflow the 32-bit allocation size.
  if (width < 0 || height < 0 || bpp == 0 || std::int64_t(width) * height * bpp > kMaxImageBytes) {
    KR_Error("IMG_ImageCreate - bad size (%d x %d, format %d)", width, height, format);
    return nullptr;
  }
  auto* m = static_cast<IMG_Image*>(KR_Malloc(sizeof(IMG_Image), "IMG_ImageCreate - m"));
  if (!m) return nullptr;
  std::int32_t bytes = width * height * bpp;
  m->data = static_cast<std::uint8_t*>(KR_Malloc(bytes, "IMG_ImageCreate - m->data"));
  if (!m->data) {
    KR_Free(m);
    return nullptr;
  }
  std::memset(m->data, 0, std::size_t(bytes));
  m->width = width;
  m->height = height;
  m->format = format;
  m->animated = 0;
  m->state = nullptr;
  m->update = nullptr;
  m->release = nullptr;
  return m;
}

int IMG_ImageDelete(IMG_Image* image) {
  if (!image) return 0;
  if (image->data) KR_Free(image->data);
  if (image->release) image->release(image);
  KR_Free(image);
  return 1;
}

int IMG_ImageFlipLines(IMG_Image* image) {
  if (!image) return 0;
  std::int32_t stride = image->width * IMG_BytesPerPixel(image->format);
  auto* temp = static_cast<std::uint8_t*>(KR_Malloc(stride, "IMG_ImageFlipLines - temp"));
  if (!temp) return 0;
  for (std::int32_t i = 0; i < image->height / 2; i++) {
    std::uint8_t* a = image->data + std::int64_t(i) * stride;
    std::uint8_t* b = image->data + std::int64_t(image->height - 1 - i) * stride;
    std::memcpy(temp, a, std::size_t(stride));
    std::memcpy(a, b, std::size_t(stride));
    std::memcpy(b, temp, std::size_t(stride));
  }
  KR_Free(temp);
  return 1;
}

IMG_Image* IMG_ImageCombineAlpha(const IMG_Image* colour, const IMG_Image* mask) {
  if (!colour || !mask || colour->format != IMG_RGB || mask->format != IMG_RGB || colour->width != mask->width ||
      colour->height != mask->height)
    return nullptr;
  IMG_Image* out = IMG_ImageCreate(colour->width, colour->height, IMG_RGBA, 0);
  if (!out) return nullptr;
  std::int64_t n = std::int64_t(colour->width) * colour->height;
  for (std::int64_t i = 0; i < n; i++) {
    const std::uint8_t* c = colour->data + 3 * i;
    const std::uint8_t* k = mask->data + 3 * i;
    std::uint8_t* o = out->data + 4 * i;
    o[0] = c[0];
    o[1] = c[1];
    o[2] = c[2];
    o[3] = std::uint8_t((k[0] + k[1] + k[2]) / 3);
  }
  return out;
}
