// One line per object of a loaded scene or keyframe scene, `key=value` fields separated by
// spaces: what `krtool krm-info` and `krtool krk-info` print.
#pragma once

#include <cstdio>

struct KR_Scene;
struct KR_KfScene;

void TOOL_PrintKrmInfo(std::FILE* out, const KR_Scene* scene);
void TOOL_PrintKrkInfo(std::FILE* out, const KR_KfScene* kf);
