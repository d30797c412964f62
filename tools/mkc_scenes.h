// The pack's scene files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkc_geometry.h"

struct MKC_SceneEntry {
  std::string path;  // relative to the data folder
  bool packed;       // stored in the engine's packed layout
  MKC_SceneDesc (*build)(void);
};

std::vector<MKC_SceneEntry> MKC_SceneEntries(void);

MKC_SceneDesc MKC_SceneFan(void);
MKC_SceneDesc MKC_SceneFjall(void);
MKC_SceneDesc MKC_SceneCylinder(void);
MKC_SceneDesc MKC_SceneSphere(void);
MKC_SceneDesc MKC_SceneMu4(void);
MKC_SceneDesc MKC_SceneWeird(void);
MKC_SceneDesc MKC_SceneBox(void);

// The scene file's bytes.
std::vector<std::uint8_t> MKC_SceneBytes(const MKC_SceneDesc& scene);

// Checks a scene before it is written: every shadow-casting mesh closed and facing outward.
// Returns an empty string when it is sound, else what is wrong.
std::string MKC_CheckScene(const MKC_SceneDesc& scene);
