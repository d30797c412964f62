// The clip library's interface, shared by the library and the executable that binds it at run
// time: the stream record of an open CLP clip and the four exported functions.
#pragma once

#include <cstdint>
#include <cstdio>

// CLP file: "CLP1", one more byte, then the header word, width, height and frame rate (float),
// all 32-bit little-endian; frame records (length, flag, payload) start at offset 21.
enum { CLP_HEADER_SIZE = 21 };

// One open clip. Created by newstream and freed by deletestream; the executable reads the
// size, the picture and the current frame, and changes the picture in place.
struct ClpStream {
  std::int32_t headerWord;    // as read from the file, not interpreted
  std::int32_t width;         // pixels, a multiple of 16
  std::int32_t height;        // pixels, a multiple of 16
  float frameRate;            // frames per second
  std::uint8_t* payload;      // width * height * 3 bytes: the coded frame being decoded
  std::int32_t frameFlag;     // of the last frame record read, not interpreted
  std::int32_t frameLength;   // payload bytes of the last frame record read
  std::int32_t pixelCount;    // width * height
  std::uint8_t* picture;      // pixelCount * 4 bytes: blue, green, red, 0; bottom row first
  std::FILE* file;
  std::uint32_t framePeriod;  // milliseconds per frame
  std::uint32_t clockOrigin;  // timeGetTime at which frame 0 of the current pass was due
  std::int32_t targetFrame;   // the frame the clock called for at the last update
  std::int32_t currentFrame;  // last frame read in the current pass; -1 before the first
  // Conversions into `picture` so far: a new value means a new picture, even where the frame
  // index is the same as before (a one-frame clip, a wrap that lands on the shown index).
  std::uint32_t pictureCount;
};

#define CLP_EXPORT __attribute__((visibility("default")))

extern "C" {
// Opens a clip and this copy's decoder; null when the file is missing, not a CLP clip, has a
// header the decoder cannot take, or this copy already has a stream open.
CLP_EXPORT ClpStream* newstream(const char* path);
// Starts the clip's clock and renders the next frame (frame 0 of a fresh stream). Returns 1
// when the decoder took the frame.
CLP_EXPORT int startstream(ClpStream* stream);
// Decodes the frames that have fallen due since the last update, converting only the last of
// them. Returns 1 when a frame was rendered.
CLP_EXPORT int updatestream(ClpStream* stream);
// Releases the decoder, the buffers, the file and the record. Null is ignored.
CLP_EXPORT void deletestream(ClpStream* stream);
}

// The exports as the executable fetches them by name.
typedef ClpStream* (*CLP_NewStreamFunc)(const char* path);
typedef int (*CLP_StartStreamFunc)(ClpStream* stream);
typedef int (*CLP_UpdateStreamFunc)(ClpStream* stream);
typedef void (*CLP_DeleteStreamFunc)(ClpStream* stream);
