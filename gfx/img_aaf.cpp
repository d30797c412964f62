// AAF image lists: a text file naming a sequence of JPEG frames that are decoded, row by row,
// into one animated image.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/img_image.h"
#include "gfx/img_jpeg.h"
#include "platform/pl_platform.h"

namespace {

constexpr int kLineSize = 256;        // lines of up to 255 characters
constexpr int kMaxEntries = 65536;    // far more frames than any list needs; bounds the name table

struct AafState {
  std::FILE* file;                    // the frame being decoded, or null
  jpeg_decompress_struct cinfo;
  IMG_JpegError error;
  bool decoding;                      // the decompressor is working on a frame
  std::int32_t index;                 // the current entry, -1 before the first
  std::int32_t count;
  char** names;                       // count lines of kLineSize bytes, as read
  JSAMPLE* row;
  std::int32_t row_size;
};

// Reads one line into `line`; false at the end of the file or for a line that does not fit.
bool read_line(std::FILE* f, char* line) {
  if (!std::fgets(line, kLineSize, f)) return false;
  return std::strchr(line, '\n') || std::feof(f);
}

// Parses `n` whitespace-separated integers from the start of `line`.
bool parse_ints(const char* line, int n, int* out) {
  for (int i = 0; i < n; i++) {
    char* end;
    errno = 0;
    long v = std::strtol(line, &end, 10);
    if (end == line || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    out[i] = int(v);
    line = end;
  }
  return true;
}

// Stops the frame being decoded and closes its file.
void drop_frame(AafState* e) {
  if (e->decoding) jpeg_abort_decompress(&e->cinfo);
  e->decoding = false;
  if (e->file) std::fclose(e->file);
  e->file = nullptr;
}

const char* current_name(const AafState* e) { return e->index >= 0 ? e->names[e->index] : ""; }

// Opens the next entry of the list and starts decoding it. libjpeg errors jump to the
// caller's setjmp, which must be armed.
int open_next_frame(AafState* e, const char* function) {
  drop_frame(e);
  e->index = (e->index + 1) % e->count;
  char path[kLineSize];
  std::strcpy(path, e->names[e->index]);
  path[std::strcspn(path, "\r\n")] = 0;
  e->file = PL_Fopen(path, "rb");
  if (!e->file) {
    KR_Error("%s - frame not found (%s)", function, path);
    return 0;
  }
  jpeg_stdio_src(&e->cinfo, e->file);
  e->decoding = true;
  jpeg_read_header(&e->cinfo, TRUE);
  jpeg_start_decompress(&e->cinfo);
  // Frames may differ in size; the row buffer grows to the widest seen.
  const std::int32_t need = std::int32_t(e->cinfo.output_width) * e->cinfo.output_components;
  if (need > e->row_size) {
    if (e->row) KR_Free(e->row);
    e->row_size = 0;
    e->row = static_cast<JSAMPLE*>(KR_Malloc(need, "IMG_JpgLoad - tempbuf"));
    if (!e->row) {
      drop_frame(e);
      return 0;
    }
    e->row_size = need;
  }
  return 1;
}

// Decodes the image's height in rows from the frames, moving on to the next frame whenever
// one runs out; decoded r, g, b are stored as b, g, r. Rows of a frame narrower than the
// image are filled with black, wider ones are cut.
int aaf_update(IMG_Image* image) {
  auto* e = static_cast<AafState*>(image->state);
  if (setjmp(e->error.jump)) {
    KR_Error("IMG_AafUpdate - %s (%s)", e->error.message, current_name(e));
    drop_frame(e);
    return 0;
  }
  const std::size_t stride = std::size_t(image->width) * 3;
  for (std::int32_t y = 0; y < image->height; y++) {
    if (!e->decoding || e->cinfo.output_scanline >= e->cinfo.output_height)
      if (!open_next_frame(e, "IMG_AafUpdate")) return 0;
    JSAMPROW rows[1] = {e->row};
    if (jpeg_read_scanlines(&e->cinfo, rows, 1) != 1) {
      drop_frame(e);
      return 0;
    }
    std::uint8_t* out = image->data + std::size_t(y) * stride;
    std::memset(out, 0, stride);
    const std::int32_t n = std::min<std::int32_t>(image->width, std::int32_t(e->cinfo.output_width));
    const int components = e->cinfo.output_components;
    for (std::int32_t x = 0; x < n; x++, out += 3) {
      const JSAMPLE* in = e->row + std::size_t(x) * std::size_t(components);
      if (components == 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      } else if (components == 1) {
        out[0] = out[1] = out[2] = in[0];
      }
    }
  }
  return 1;
}

void free_state(AafState* e) {
  drop_frame(e);
  jpeg_destroy_decompress(&e->cinfo);
  if (e->row) KR_Free(e->row);
  if (e->names) {
    for (std::int32_t i = 0; i < e->count; i++)
      if (e->names[i]) KR_Free(e->names[i]);
    KR_Free(e->names);
  }
  KR_Free(e);
}

int aaf_release(IMG_Image* image) {
  if (image->state) free_state(static_cast<AafState*>(image->state));
  image->state = nullptr;
  return 1;
}

// Creates the decoder and starts the first frame.
int start_decoder(AafState* e) {
  e->cinfo.err = IMG_JpegErrorInit(&e->error);
  if (setjmp(e->error.jump)) {
    KR_Error("IMG_AafLoad - %s (%s)", e->error.message, current_name(e));
    drop_frame(e);
    return 0;
  }
  jpeg_create_decompress(&e->cinfo);
  return open_next_frame(e, "IMG_AafLoad");
}

IMG_Image* fail(std::FILE* list, AafState* e, IMG_Image* image, const char* note, const char* name) {
  if (note) KR_Error("IMG_AafLoad - %s (%s)", note, name);
  if (list) std::fclose(list);
  if (e) free_state(e);
  if (image) IMG_ImageDelete(image);
  return nullptr;
}

}  // namespace

IMG_Image* IMG_AafLoad(const char* name) {
  if (!name) name = "";
  std::FILE* list = PL_Fopen(name, "rt");
  if (!list) {
    KR_Error("IMG_AafLoad - file not found (%s)", name);
    return nullptr;
  }
  char line[kLineSize];
  int size[2], unused, count;
  if (!read_line(list, line) || !parse_ints(line, 2, size) || !read_line(list, line) || !parse_ints(line, 1, &unused) ||
      !read_line(list, line) || !parse_ints(line, 1, &count) || count <= 0 || count > kMaxEntries)
    return fail(list, nullptr, nullptr, "bad list", name);

  auto* e = static_cast<AafState*>(KR_Malloc(sizeof(AafState), "IMG_AafLoad - e"));
  if (!e) return fail(list, nullptr, nullptr, nullptr, name);
  std::memset(static_cast<void*>(e), 0, sizeof *e);
  e->index = -1;
  e->names = static_cast<char**>(KR_Malloc(count * std::int32_t(sizeof(char*)), "IMG_AafLoad - e->images"));
  if (!e->names) return fail(list, e, nullptr, nullptr, name);
  std::memset(static_cast<void*>(e->names), 0, std::size_t(count) * sizeof(char*));
  e->count = count;
  IMG_Image* image = IMG_ImageCreate(size[0], size[1], IMG_RGB, 0);
  if (!image) return fail(list, e, nullptr, nullptr, name);
  for (std::int32_t i = 0; i < count; i++) {
    e->names[i] = static_cast<char*>(KR_Malloc(kLineSize, "IMG_AafLoad - e->images[i]"));
    if (!e->names[i]) return fail(list, e, image, nullptr, name);
    std::memset(e->names[i], 0, kLineSize);
    if (!read_line(list, e->names[i])) return fail(list, e, image, "bad list", name);
  }
  std::fclose(list);
  if (!start_decoder(e)) return fail(nullptr, e, image, nullptr, name);

  image->animated = 1;
  image->state = e;
  image->update = aaf_update;
  image->release = aaf_release;
  return image;
}
