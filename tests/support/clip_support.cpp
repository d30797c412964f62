// Clip-library helpers for the tests.
#include "tests/support/clip_support.h"

#include "platform/pl_platform.h"

namespace vt {

ClipLibrary::ClipLibrary(const char* name) : module(LoadLibraryA(name)) {
  if (!module) return;
  newStream = reinterpret_cast<CLP_NewStreamFunc>(GetProcAddress(module, "newstream"));
  startStream = reinterpret_cast<CLP_StartStreamFunc>(GetProcAddress(module, "startstream"));
  updateStream = reinterpret_cast<CLP_UpdateStreamFunc>(GetProcAddress(module, "updatestream"));
  deleteStream = reinterpret_cast<CLP_DeleteStreamFunc>(GetProcAddress(module, "deletestream"));
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
  library.startStream(s);
  for (int k = 0; k < count; ++k) {
    if (k) {
      PL_TimerAdvance(s->framePeriod);
      library.updateStream(s);
    }
    pictures.emplace_back(s->picture, s->picture + static_cast<std::size_t>(s->pixelCount) * 4);
  }
  library.deleteStream(s);
  PL_TimerSetManual(manual, before);
  return pictures;
}

}  // namespace vt
