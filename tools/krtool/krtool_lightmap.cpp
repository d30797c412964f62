// krtool lightmap-bake: bakes a scene's static lights into a lightmap file.
#include <cstdio>
#include <cstring>

#include "engine/kr_krm.h"
#include "engine/kr_scene.h"
#include "engine/lm_lightmap.h"
#include "tools/krtool/krtool.h"

namespace {

int g_lastStep = -1;

// One line per light and tenth of its maps.
void show_progress(int light, float percent) {
  int step = light * 10 + int(percent / 10.0f);
  if (step == g_lastStep) return;
  g_lastStep = step;
  std::fprintf(stderr, "lightmap-bake: light %d: %3.0f%%\n", light, double(percent));
}

}  // namespace

int KRT_LightmapBake(int argc, char** argv) {
  const char* usage = "usage: krtool lightmap-bake SCENE.krm OUT [--texdir DIR]";
  const char* files[2] = {nullptr, nullptr};
  const char* texdir = nullptr;
  int nfiles = 0;
  for (int i = 0; i < argc; i++) {
    if (std::strcmp(argv[i], "--texdir") == 0 && i + 1 < argc)
      texdir = argv[++i];
    else if (nfiles < 2 && argv[i][0] != '-')
      files[nfiles++] = argv[i];
    else
      return KRT_Fail("%s", usage);
  }
  if (nfiles != 2) return KRT_Fail("%s", usage);
  KR_Scene* scene = KR_ImpLoadKrm(files[0], texdir, nullptr);
  if (!scene) return KRT_Fail("cannot load %s", files[0]);
  // The baker lights from tposition: the lights' own world positions here.
  for (int i = 0; i < scene->lightCount; i++) {
    KR_LightResetTransformation(scene->lights[i]);
    KR_LightApplyTransformation(scene->lights[i]);
  }
  LM_Scene* lm = LM_SceneCreate(scene, 1);
  int status = 1;
  if (!lm) {
    KRT_Fail("cannot build the lightmaps of %s", files[0]);
  } else {
    g_lastStep = -1;
    LM_SceneLight(lm, show_progress);
    if (!LM_SceneSave(files[1], lm, 1)) {
      KRT_Fail("cannot write %s", files[1]);
    } else {
      std::fprintf(stderr, "lightmap-bake: done\n");
      std::printf("lightmaps maps=%d file=%s\n", lm->mapCount, files[1]);
      status = 0;
    }
    LM_SceneDelete(lm);
  }
  KR_SceneDelete(scene);
  return status;
}
