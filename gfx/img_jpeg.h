// What the JPEG reader, the JPEG writer and the AAF frame decoder share inside the image layer:
// an error manager that returns to the caller instead of ending the process, and the data
// source for complemented JPEG files.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// libjpeg reports a fatal error through error_exit; this one formats the message into
// `message` and longjmps to `jump`, which the caller has armed with setjmp before any libjpeg
// call. Warnings (a truncated stream, stray bytes) are dropped: the show reports nothing.
struct IMG_JpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

jpeg_error_mgr* IMG_JpegErrorInit(IMG_JpegError* error);

// Marks a complemented JPEG: the four bytes 56 34 12 00, then a count byte n and n filler
// bytes, then the JPEG stream with every byte complemented.
constexpr unsigned IMG_JPEG_INVERTED_MARKER = 0x00123456u;

// Attaches a source that reads `file` like jpeg_stdio_src but complements every byte.
void IMG_JpegInvertedSrc(j_decompress_ptr cinfo, std::FILE* file);
