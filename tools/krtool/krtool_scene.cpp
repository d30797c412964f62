// krtool krm-info / krk-info.
#include <cstdio>
#include <cstring>

#include "base/kr_file.h"
#include "engine/kr_keyframe.h"
#include "engine/kr_krk.h"
#include "engine/kr_krm.h"
#include "engine/kr_scene.h"
#include "tools/common/tool_scene_info.h"
#include "tools/krtool/krtool.h"

int KRT_KrmInfo(int argc, char** argv) {
  const char* file = nullptr;
  const char* texdir = nullptr;
  for (int i = 0; i < argc; i++) {
    if (std::strcmp(argv[i], "--texdir") == 0 && i + 1 < argc)
      texdir = argv[++i];
    else if (!file && argv[i][0] != '-')
      file = argv[i];
    else
      return KRT_Fail("usage: krtool krm-info FILE [--texdir DIR]");
  }
  if (!file) return KRT_Fail("usage: krtool krm-info FILE [--texdir DIR]");
  KR_Scene* scene = KR_ImpLoadKrm(file, texdir, nullptr);
  if (!scene) return KRT_Fail("cannot load %s", file);
  TOOL_PrintKrmInfo(stdout, scene);
  KR_SceneDelete(scene);
  return 0;
}

// The engine rejects another version without a word; say which one the file has.
int KRT_KrkInfo(int argc, char** argv) {
  if (argc != 1) return KRT_Fail("usage: krtool krk-info FILE");
  KR_KfScene* kf = KR_ImpLoadKrk(argv[0], nullptr);
  if (!kf) {
    std::uint8_t head[4] = {0, 0, 0, 0};
    KR_File* f = KR_Fopen(argv[0], "rb");
    bool versionOnly = f && KR_Fread(head, 4, 1, f) == 1 && head[0] == 0xAD && head[1] == 0xDE;
    if (f) KR_Fclose(f);
    if (versionOnly)
      return KRT_Fail("cannot load %s: version 0x%04x, expected 0x0100", argv[0], unsigned(head[2] | head[3] << 8));
    return KRT_Fail("cannot load %s", argv[0]);
  }
  TOOL_PrintKrkInfo(stdout, kf);
  KR_KfSceneDelete(kf);
  return 0;
}
