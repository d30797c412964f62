// The KRK keyframe loader: any bytes as a keyframe file, then the nodes sampled forwards,
// backwards, past the end and before the start.
#include <cstdint>
#include <initializer_list>

#include "engine/kr_krk.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = FUZZ_WriteInput(data, size, ".krk");
  KR_KfScene* kf = KR_ImpLoadKrk(path, nullptr);
  if (!kf) return 0;
  for (float t : {0.0f, 1.5f, 7.0f, 3.0f, 1000.0f, -2.0f}) KR_KfSceneUpdate(kf, t);
  KR_KfSceneDelete(kf);
  return 0;
}
