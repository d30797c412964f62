// krtool image: loads a picture the way the show does and writes it as PPM, PAM, TGA or JPEG.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <strings.h>
#include <vector>

#include "gfx/img_image.h"
#include "tools/common/tool_pack.h"
#include "tools/krtool/krtool.h"

namespace {

enum class Kind { Unknown, Ppm, Pam, Tga, Jpg };

Kind kind_of(const char* path) {
  const char* dot = std::strrchr(path, '.');
  if (!dot) return Kind::Unknown;
  if (strcasecmp(dot, ".ppm") == 0) return Kind::Ppm;
  if (strcasecmp(dot, ".pam") == 0) return Kind::Pam;
  if (strcasecmp(dot, ".tga") == 0) return Kind::Tga;
  if (strcasecmp(dot, ".jpg") == 0 || strcasecmp(dot, ".jpeg") == 0) return Kind::Jpg;
  return Kind::Unknown;
}

struct ImageHolder {
  IMG_Image* image = nullptr;
  ~ImageHolder() { IMG_ImageDelete(image); }
};

// PPM (binary RGB) or PAM: RGB_ALPHA for an image with alpha, RGB otherwise.
std::vector<std::uint8_t> netpbm(const IMG_Image* image, bool pam) {
  const int in_bytes = IMG_BytesPerPixel(image->format);
  const int out_bytes = pam && image->format == IMG_RGBA ? 4 : 3;
  std::string header;
  if (pam)
    header = "P7\nWIDTH " + std::to_string(image->width) + "\nHEIGHT " + std::to_string(image->height) +
             "\nDEPTH " + std::to_string(out_bytes) + "\nMAXVAL 255\nTUPLTYPE " +
             (out_bytes == 4 ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
  else
    header = "P6\n" + std::to_string(image->width) + " " + std::to_string(image->height) + "\n255\n";
  std::vector<std::uint8_t> out(header.begin(), header.end());
  const std::size_t pixels = std::size_t(image->width) * std::size_t(image->height);
  out.reserve(out.size() + pixels * std::size_t(out_bytes));
  for (std::size_t i = 0; i < pixels; i++) {
    const std::uint8_t* p = image->data + i * std::size_t(in_bytes);
    out.insert(out.end(), p, p + out_bytes);
  }
  return out;
}

// The writers take 24-bit images only; a fourth byte is dropped.
IMG_Image* to_rgb(const IMG_Image* image) {
  IMG_Image* rgb = IMG_ImageCreate(image->width, image->height, IMG_RGB, 0);
  if (!rgb) return nullptr;
  const std::size_t pixels = std::size_t(image->width) * std::size_t(image->height);
  for (std::size_t i = 0; i < pixels; i++) std::memcpy(rgb->data + 3 * i, image->data + 4 * i, 3);
  return rgb;
}

}  // namespace

int KRT_Image(int argc, char** argv) {
  if (argc != 2) return KRT_Fail("usage: krtool image IN OUT   (IN .tga/.jpg/.aaf, OUT .ppm/.pam/.tga/.jpg)");
  const char* in = argv[0];
  const char* out = argv[1];
  const Kind kind = kind_of(out);
  if (kind == Kind::Unknown) return KRT_Fail("%s: the output name must end in .ppm, .pam, .tga or .jpg", out);

  ImageHolder loaded;
  loaded.image = IMG_ImageLoad(in);
  if (!loaded.image)
    return KRT_Fail("cannot load %s (missing, damaged or unsupported; the name must end in .tga, .jpg or .aaf)", in);
  if (loaded.image->animated) {
    if (!loaded.image->update(loaded.image)) return KRT_Fail("cannot decode the first frame of %s", in);
    // A list's frames are held as b, g, r; the files written here are in true colour.
    const std::size_t pixels = std::size_t(loaded.image->width) * std::size_t(loaded.image->height);
    for (std::size_t i = 0; i < pixels; i++) std::swap(loaded.image->data[3 * i], loaded.image->data[3 * i + 2]);
  }

  if (kind == Kind::Ppm || kind == Kind::Pam) {
    if (!TOOL_WriteFile(out, netpbm(loaded.image, kind == Kind::Pam))) return KRT_Fail("cannot write %s", out);
    return 0;
  }
  ImageHolder rgb;
  const IMG_Image* source = loaded.image;
  if (loaded.image->format != IMG_RGB) {
    std::fprintf(stderr, "krtool: %s has 4 bytes a pixel; writing its colour only\n", in);
    rgb.image = to_rgb(loaded.image);
    if (!rgb.image) return KRT_Fail("out of memory converting %s", in);
    source = rgb.image;
  }
  const int ok = kind == Kind::Tga ? IMG_TgaSave(out, source) : IMG_JpgSave(out, source);
  if (!ok) return KRT_Fail("cannot write %s", out);
  return 0;
}
