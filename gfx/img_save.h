// Opening an image file for writing, with the refusals both writers share.
#pragma once

#include <cstdio>

#include "gfx/img_image.h"

// Returns `name` opened "wb", or null after reporting "<function> - <note> (<name>)": no image,
// an image that is not RGB, a side outside min_side..max_side, or a file that cannot be
// created. A refused image never touches the file.
std::FILE* IMG_SaveOpen(const char* function, const char* name, const IMG_Image* image, int min_side, int max_side);
