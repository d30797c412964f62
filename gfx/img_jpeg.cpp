// The JPEG plumbing shared by the JPEG reader and writer and the AAF decoder: the returning
// error manager and the complemented data source.
#include "gfx/img_jpeg.h"

#include <jerror.h>

namespace {

void error_exit(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<IMG_JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, error->message);
  std::longjmp(error->jump, 1);
}

void output_message(j_common_ptr) {}

constexpr std::size_t kInvertedBufferSize = 4096;

struct InvertedSource {
  jpeg_source_mgr pub;
  std::FILE* file;
  JOCTET* buffer;
  bool start_of_file;
};

void inverted_init(j_decompress_ptr cinfo) {
  reinterpret_cast<InvertedSource*>(cinfo->src)->start_of_file = true;
}

boolean inverted_fill(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<InvertedSource*>(cinfo->src);
  std::size_t n = std::fread(src->buffer, 1, kInvertedBufferSize, src->file);
  if (n == 0) {
    if (src->start_of_file) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A stream cut short ends in a fake end-of-image marker, so what arrived still decodes.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  } else {
    for (std::size_t i = 0; i < n; i++) src->buffer[i] = JOCTET(~src->buffer[i]);
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->start_of_file = false;
  return TRUE;
}

void inverted_skip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  while (std::size_t(count) > src->bytes_in_buffer) {
    count -= long(src->bytes_in_buffer);
    (*src->fill_input_buffer)(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= std::size_t(count);
}

void inverted_term(j_decompress_ptr) {}

}  // namespace

jpeg_error_mgr* IMG_JpegErrorInit(IMG_JpegError* error) {
  jpeg_std_error(&error->pub);
  error->pub.error_exit = error_exit;
  error->pub.output_message = output_message;
  error->message[0] = 0;
  return &error->pub;
}

void IMG_JpegInvertedSrc(j_decompress_ptr cinfo, std::FILE* file) {
  // Permanent pool memory goes with the decompression object when it is destroyed.
  auto* src = static_cast<InvertedSource*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(InvertedSource)));
  src->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInvertedBufferSize));
  src->pub.init_source = inverted_init;
  src->pub.fill_input_buffer = inverted_fill;
  src->pub.skip_input_data = inverted_skip;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = inverted_term;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  src->file = file;
  src->start_of_file = true;
  cinfo->src = &src->pub;
}
