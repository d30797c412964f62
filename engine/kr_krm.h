// KRM scene files: materials, lights, cameras and meshes (skinned meshes and smoothing groups
// included), plain or packed.
#pragma once

#include "engine/kr_scene.h"

constexpr unsigned KR_KRM_MAGIC = 0xBABE;
constexpr unsigned KR_KRM_MATERIALS = 0x1000;
constexpr unsigned KR_KRM_LIGHTS = 0x2000;
constexpr unsigned KR_KRM_CAMERAS = 0x3000;
constexpr unsigned KR_KRM_MESHES = 0x4000;

// Mesh flags.
constexpr int KR_KRM_SKINNED = 0x01;
constexpr int KR_KRM_SMOOTHING = 0x02;
constexpr int KR_KRM_SHADOWS = 0x04;
constexpr int KR_KRM_LIGHTMAPPED = 0x08;
constexpr int KR_KRM_STATIC = 0x10;

// Light flags.
constexpr int KR_KRM_LIGHT_RANGE = 0x01;
constexpr int KR_KRM_LIGHT_STATIC = 0x04;

// Loads a scene; named after `sceneName`, else the file name. Textures are looked up in
// `textureDir` (may be null). Null when the file cannot be opened or is not a KRM file; a chunk
// that fails ends loading and the scene as loaded so far is returned.
KR_Scene* KR_ImpLoadKrm(const char* fileName, const char* textureDir, const char* sceneName);
