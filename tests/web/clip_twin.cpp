// The two linked-in copies of the clip library in the page: two clips decoded at once, one by
// each copy, frame by frame in turn, must give the same pictures as each clip decoded alone.
// A copy that shared decoder state with the other would mix their reference frames. Prints one
// line per case and the closing count for the browser test to read.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "clip/clp.h"
#include "platform/pl_platform.h"

namespace {

struct Copy {
  CLP_NewStreamFunc open;
  CLP_StartStreamFunc start;
  CLP_UpdateStreamFunc update;
  CLP_DeleteStreamFunc close;
};

bool bind(const char* library, Copy& c) {
  HMODULE m = LoadLibraryA(library);
  c.open = reinterpret_cast<CLP_NewStreamFunc>(GetProcAddress(m, "newstream"));
  c.start = reinterpret_cast<CLP_StartStreamFunc>(GetProcAddress(m, "startstream"));
  c.update = reinterpret_cast<CLP_UpdateStreamFunc>(GetProcAddress(m, "updatestream"));
  c.close = reinterpret_cast<CLP_DeleteStreamFunc>(GetProcAddress(m, "deletestream"));
  return c.open && c.start && c.update && c.close;
}

// FNV-1a of a picture.
std::uint64_t hash(const ClpStream* s) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::int32_t i = 0; i < s->pixelCount * 4; i++) h = (h ^ s->picture[i]) * 1099511628211ull;
  return h;
}

// Decodes `frames` pictures of each clip, the clips' copies taking turns frame by frame; one
// hash list per clip. A clip with a null copy is left out.
std::vector<std::vector<std::uint64_t>> decode(const Copy* a, const char* clipA, const Copy* b, const char* clipB,
                                               int frames) {
  std::vector<std::vector<std::uint64_t>> out(2);
  ClpStream* sa = a ? a->open(clipA) : nullptr;
  ClpStream* sb = b ? b->open(clipB) : nullptr;
  if ((a && !sa) || (b && !sb)) return {};
  PL_TimerSetManual(1, 1000);
  if (sa) a->start(sa), out[0].push_back(hash(sa));
  if (sb) b->start(sb), out[1].push_back(hash(sb));
  // Both clips run at the same rate; each step is one frame period of the faster.
  const std::uint32_t period = std::min(sa ? sa->framePeriod : 1000u, sb ? sb->framePeriod : 1000u);
  for (int f = 1; f < frames; f++) {
    PL_TimerAdvance(period);
    if (sa) a->update(sa), out[0].push_back(hash(sa));
    if (sb) b->update(sb), out[1].push_back(hash(sb));
  }
  if (sa) a->close(sa);
  if (sb) b->close(sb);
  PL_TimerSetManual(0, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const char* clipA = argc > 1 ? argv[1] : "data/video/steps2.clp";
  const char* clipB = argc > 2 ? argv[2] : "data/video/dj.clp";
  const int frames = argc > 3 ? std::atoi(argv[3]) : 60;
  Copy one{}, two{};
  if (!bind("clpdll.dll", one) || !bind("clpdll2.dll", two)) {
    std::printf("clip twin: the two copies are not both there\n0 passed, 1 failed\n");
    return 1;
  }
  int passed = 0, failed = 0;
  const auto aloneA = decode(&one, clipA, nullptr, nullptr, frames);
  const auto aloneB = decode(&two, clipB, nullptr, nullptr, frames);
  const auto together = decode(&one, clipA, &two, clipB, frames);
  const auto swapped = decode(&two, clipA, &one, clipB, frames);
  // One copy for both streams: its one decoder refuses the second, so two names that led to one
  // copy would fail the cases above.
  const auto shared = decode(&one, clipA, &one, clipB, frames);
  struct Case {
    const char* name;
    bool ok;
  } cases[] = {
      {"each clip decodes alone", !aloneA.empty() && !aloneB.empty() && aloneA[0].size() == std::size_t(frames)},
      {"clip A decoded beside clip B is as alone", !together.empty() && together[0] == aloneA[0]},
      {"clip B decoded beside clip A is as alone", !together.empty() && together[1] == aloneB[0]},
      {"the copies swapped give the same pictures", !swapped.empty() && swapped == together},
      {"the clips differ, so the comparison can fail", !aloneA.empty() && !aloneB.empty() && aloneA[0] != aloneB[0]},
      {"one copy refuses a second stream", shared.empty()},
  };
  for (const Case& c : cases) {
    std::printf("clip twin: %s: %s\n", c.name, c.ok ? "ok" : "FAILED");
    (c.ok ? passed : failed)++;
  }
  std::printf("clip twin: %d frames of %s and %s\n%d passed, %d failed\n", frames, clipA, clipB, passed, failed);
  return failed ? 1 : 0;
}
