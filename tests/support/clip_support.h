// Clip-library helpers for the tests: one copy of the library bound by name as the show binds
// it, the fixture clips, and the pictures of a clip decoded through a copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clip/clp.h"
#include "platform/win32.h"

namespace vt {

// LoadLibraryA of "clpdll.dll" or "clpdll2.dll" and its four exports; freed with the record.
struct ClipLibrary {
  HMODULE module;
  CLP_NewStreamFunc newStream = nullptr;
  CLP_StartStreamFunc startStream = nullptr;
  CLP_UpdateStreamFunc updateStream = nullptr;
  CLP_DeleteStreamFunc deleteStream = nullptr;
  explicit ClipLibrary(const char* name);
  ~ClipLibrary();
  ClipLibrary(const ClipLibrary&) = delete;
  ClipLibrary& operator=(const ClipLibrary&) = delete;
  bool Bound() const { return newStream && startStream && updateStream && deleteStream; }
};

// tests/clip/fixtures: testsrc_64x48.clp (10 frames at 25 a second), mandel_96x64.clp (14 at 30).
std::string ClipFixture(const char* name);

// The pictures (blue, green, red, 0; bottom row first) of the first `count` frames the clip
// shows, wrapping at its end, updated one frame period apart on the manual clock.
std::vector<std::vector<std::uint8_t>> ClipPictures(const ClipLibrary& library, const std::string& path, int count);

}  // namespace vt
