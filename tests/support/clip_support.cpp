// Clip-library helpers for the tests.
#include "tests/support/clip_support.h"

#include "platform/pl_platform.h"

namespace vt {

template <typename F>
void Fetch(HMODULE module, const char* name, F* out) {
  *out = module ? reinterpret_cast<F>(GetProcAddress(module, name)) : nullptr;
}

ClipLibrary::ClipLibrary(const char* name) : module(LoadLibraryA(name)) {
  Fetch(module, "newstream", &newStream);
  Fetch(module, "startstream", &startStream);
  Fetch(module, "updatestream", &updateStream);
  Fetch(module, "deletestream", &deleteStream);
}

ClipLibrary::~ClipLibrary() {
  if (module) FreeLibrary(module);
}

std::string ClipFixture(const char* name) { return std::string(VELMAR_CLIP_FIXTURES) + "/" + name; }

std::vector<std::vector<std::uint8_t>> ClipPictures(const ClipLibrary& library, const std::string& path, int count) {
  std::vector<std::vector<std::uint8_t>> pictures;
  ClpStream* s = library.Bound() ? library.newStream(path.c_str()) : nullptr;
  if (!s) return pictures;
  const int manual = PL_TimerIsManual();
  const DWORD before = timeGetTime();
  PL_TimerSetManual(1, 1000);
  for (int k = 0; k < count; ++k, PL_TimerAdvance(s->framePeriod)) {
    k ? library.updateStream(s) : library.startStream(s);
    pictures.emplace_back(s->picture, s->picture + static_cast<std::size_t>(s->pixelCount) * 4);
  }
  library.deleteStream(s);
  PL_TimerSetManual(manual, before);
  return pictures;
}

}  // namespace vt
