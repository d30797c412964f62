// KRK keyframe files: named nodes with rotation and position keys, plain or packed.
#pragma once

#include "engine/kr_keyframe.h"

constexpr unsigned KR_KRK_MAGIC = 0xDEAD;
constexpr unsigned KR_KRK_VERSION = 0x0100;
constexpr unsigned KR_KRK_NODES = 0x1000;

// Node flags.
constexpr int KR_KRK_ROTATION = 0x01;
constexpr int KR_KRK_POSITION = 0x02;

// Loads a keyframe scene; named after `kfSceneName`, else the file name. Null when the file
// cannot be opened, is not a KRK file or has another version (the last silently).
KR_KfScene* KR_ImpLoadKrk(const char* fileName, const char* kfSceneName);
