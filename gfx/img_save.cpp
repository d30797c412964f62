// The checks made before an image file is written.
#include "gfx/img_save.h"

#include "base/kr_error.h"
#include "platform/pl_platform.h"

std::FILE* IMG_SaveOpen(const char* function, const char* name, const IMG_Image* image, int min_side, int max_side) {
  if (!image) {
    KR_Error("%s - no image (%s)", function, name);
    return nullptr;
  }
  if (image->format != IMG_RGB) {
    KR_Error("%s - unable to convert to 24bit (%s)", function, name);
    return nullptr;
  }
  if (image->width < min_side || image->height < min_side || image->width > max_side || image->height > max_side) {
    KR_Error("%s - bad image size (%d x %d) (%s)", function, image->width, image->height, name);
    return nullptr;
  }
  std::FILE* f = PL_Fopen(name, "wb");
  if (!f) KR_Error("%s - failed to open output file (%s)", function, name);
  return f;
}
