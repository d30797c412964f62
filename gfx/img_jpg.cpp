// JPEG files: the reader (plain and complemented streams, colour and greyscale) and the
// writer at quality 100.
#include <cstdint>
#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/img_image.h"
#include "gfx/img_jpeg.h"
#include "gfx/img_save.h"
#include "platform/pl_platform.h"

namespace {

struct JpgReader {
  jpeg_decompress_struct cinfo;
  IMG_JpegError error;
  std::FILE* file;
  IMG_Image* image;
  JSAMPLE* row;
};

// Attaches the source the file asks for: complemented when it starts with the marker.
void attach_source(JpgReader* r) {
  std::uint8_t head[4];
  if (std::fread(head, 1, 4, r->file) == 4 &&
      (head[0] | head[1] << 8 | head[2] << 16 | unsigned(head[3]) << 24) == IMG_JPEG_INVERTED_MARKER) {
    int filler = std::fgetc(r->file);
    for (int i = 0; i < filler && std::fgetc(r->file) != EOF; i++) {
    }
    IMG_JpegInvertedSrc(&r->cinfo, r->file);
  } else {
    std::fseek(r->file, 0, SEEK_SET);
    jpeg_stdio_src(&r->cinfo, r->file);
  }
}

// Every libjpeg call of the reader happens here, below the setjmp: an error in the stream
// returns 0 and the caller frees what was made. Nothing here has a destructor to skip.
int decode(JpgReader* r, const char* name) {
  r->cinfo.err = IMG_JpegErrorInit(&r->error);
  if (setjmp(r->error.jump)) {
    KR_Error("IMG_JpgLoad - %s (%s)", r->error.message, name);
    return 0;
  }
  jpeg_create_decompress(&r->cinfo);
  attach_source(r);
  jpeg_read_header(&r->cinfo, TRUE);
  // The image comes before start_decompress, which may allocate a whole-image buffer for a
  // progressive stream: a size the image cannot take fails before that.
  jpeg_calc_output_dimensions(&r->cinfo);
  const std::int32_t width = std::int32_t(r->cinfo.output_width);
  const int components = r->cinfo.output_components;
  r->image = IMG_ImageCreate(width, std::int32_t(r->cinfo.output_height), IMG_RGB, 0);
  if (!r->image) return 0;
  r->row = static_cast<JSAMPLE*>(KR_Malloc(width * components, "IMG_JpgLoad - tempbuf"));
  if (!r->row) return 0;
  jpeg_start_decompress(&r->cinfo);
  while (r->cinfo.output_scanline < r->cinfo.output_height) {
    std::uint8_t* out = r->image->data + std::int64_t(r->cinfo.output_scanline) * width * 3;
    JSAMPROW rows[1] = {r->row};
    if (jpeg_read_scanlines(&r->cinfo, rows, 1) != 1) {
      KR_Error("IMG_JpgLoad - decoder returned no row (%s)", name);
      return 0;
    }
    if (components == 3) {
      std::memcpy(out, r->row, std::size_t(width) * 3);
    } else if (components == 1) {
      for (std::int32_t x = 0; x < width; x++) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = r->row[x];
    }
    // Other component counts (CMYK) leave the row black.
  }
  jpeg_finish_decompress(&r->cinfo);
  return 1;
}

struct JpgWriter {
  jpeg_compress_struct cinfo;
  IMG_JpegError error;
  std::FILE* file;
  JSAMPLE* row;
};

int encode(JpgWriter* w, const char* name, const IMG_Image* image) {
  w->cinfo.err = IMG_JpegErrorInit(&w->error);
  if (setjmp(w->error.jump)) {
    KR_Error("IMG_JpgSave - %s (%s)", w->error.message, name);
    return 0;
  }
  jpeg_create_compress(&w->cinfo);
  jpeg_stdio_dest(&w->cinfo, w->file);
  w->cinfo.image_width = JDIMENSION(image->width);
  w->cinfo.image_height = JDIMENSION(image->height);
  w->cinfo.input_components = 3;
  w->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&w->cinfo);
  jpeg_set_quality(&w->cinfo, 100, TRUE);
  const std::size_t stride = std::size_t(image->width) * 3;
  w->row = static_cast<JSAMPLE*>(KR_Malloc(std::int32_t(stride), "IMG_JpgLoad - src2"));
  if (!w->row) return 0;
  jpeg_start_compress(&w->cinfo, TRUE);
  while (w->cinfo.next_scanline < w->cinfo.image_height) {
    std::memcpy(w->row, image->data + w->cinfo.next_scanline * stride, stride);
    JSAMPROW rows[1] = {w->row};
    jpeg_write_scanlines(&w->cinfo, rows, 1);
  }
  jpeg_finish_compress(&w->cinfo);
  return 1;
}

}  // namespace

IMG_Image* IMG_JpgLoad(const char* name) {
  std::FILE* f = PL_Fopen(name, "rb");
  if (!f) return nullptr;
  JpgReader r{};
  r.file = f;
  int ok = decode(&r, name);
  jpeg_destroy_decompress(&r.cinfo);
  if (r.row) KR_Free(r.row);
  std::fclose(f);
  if (!ok && r.image) {
    IMG_ImageDelete(r.image);
    r.image = nullptr;
  }
  return r.image;
}

int IMG_JpgSave(const char* name, const IMG_Image* image) {
  if (!name) name = "";
  // JPEG frames hold at most 65500 pixels a side.
  std::FILE* f = IMG_SaveOpen("IMG_JpgSave", name, image, 1, JPEG_MAX_DIMENSION);
  if (!f) return 0;
  JpgWriter w{};
  w.file = f;
  int ok = encode(&w, name, image);
  jpeg_destroy_compress(&w.cinfo);
  if (w.row) KR_Free(w.row);
  if (std::fclose(f) != 0 && ok) {
    KR_Error("IMG_JpgSave - failed to write output file (%s)", name);
    ok = 0;
  }
  return ok;
}
