// In-memory images and the image files: JPEG (plain and byte-inverted), TGA and AAF lists.
#pragma once

#include <cstdint>

struct IMG_Image;
typedef int (*IMG_ImageFunc)(IMG_Image* image);

// Formats: 1 RGB (3 bytes a pixel), 2 RGBX (4 bytes, the fourth not alpha), 3 RGBA.
enum { IMG_RGB = 1, IMG_RGBX = 2, IMG_RGBA = 3 };

struct IMG_Image {
  std::int32_t width;
  std::int32_t height;
  std::int32_t format;
  std::uint8_t* data;      // rows from the top, no padding
  std::int32_t animated;   // 1 for an image fed by an AAF list
  void* state;             // the AAF decoder state
  IMG_ImageFunc update;    // decodes the next AAF frame into the image
  IMG_ImageFunc release;   // frees the AAF state when the image is deleted
};

int IMG_BytesPerPixel(int format);

IMG_Image* IMG_ImageCreate(std::int32_t width, std::int32_t height, std::int32_t format, std::int32_t reserved);
int IMG_ImageDelete(IMG_Image* image);
int IMG_ImageFlipLines(IMG_Image* image);
IMG_Image* IMG_ImageCombineAlpha(const IMG_Image* colour, const IMG_Image* mask);

// Chooses the reader by the (upper-cased) name; a TGA that cannot be loaded falls back to the
// .JPG of the same name.
IMG_Image* IMG_ImageLoad(const char* name);
// Types 1, 2, 9 and 10: 8-bit colour-mapped (map entries of 15, 16, 24 or 32 bits) and 15-,
// 16-, 24- and 32-bit true colour; 32 bits give an RGBA image, the others RGB. Other types
// give a black image of the file's size.
IMG_Image* IMG_TgaLoad(const char* name);
// Writers take RGB images only.
int IMG_TgaSave(const char* name, const IMG_Image* image);
// Plain JPEG files and the complemented form (see gfx/img_jpeg.h); greyscale loads as RGB.
IMG_Image* IMG_JpgLoad(const char* name);
int IMG_JpgSave(const char* name, const IMG_Image* image);
// The image starts black; its `update` decodes the next image's worth of rows from the frames.
IMG_Image* IMG_AafLoad(const char* name);
