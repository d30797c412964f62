// Choosing the image reader by the file name.
#include <cctype>
#include <cstring>

#include "base/kr_error.h"
#include "gfx/img_image.h"

// All readers see the upper-cased name; the path resolver matches it case-insensitively. A
// TGA that cannot be loaded falls back to the JPEG of the same name.
IMG_Image* IMG_ImageLoad(const char* name) {
  char buffer[260];
  if (!name) return nullptr;
  if (std::strlen(name) >= sizeof buffer) {
    KR_Error("IMG_ImageLoad - name too long (%s)", name);
    return nullptr;
  }
  std::size_t i = 0;
  for (; name[i]; i++) buffer[i] = char(std::toupper(static_cast<unsigned char>(name[i])));
  buffer[i] = 0;

  if (char* tga = std::strstr(buffer, ".TGA")) {
    if (IMG_Image* image = IMG_TgaLoad(buffer)) return image;
    std::memcpy(tga, ".JPG", 5);
  }
  if (std::strstr(buffer, ".JPG")) return IMG_JpgLoad(buffer);
  if (std::strstr(buffer, ".AAF")) return IMG_AafLoad(buffer);
  return nullptr;
}
