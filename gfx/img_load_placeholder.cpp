// PLACEHOLDER until the image file readers land: no file can be loaded, so materials fall back
// to solid colours and the default material.
#include "gfx/img_image.h"

IMG_Image* IMG_ImageLoad(const char*) { return nullptr; }
