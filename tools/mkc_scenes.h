// The pack's scene files.
#pragma once

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

// Checks a scene before it is written: every shadow-casting mesh closed and facing outward.
// Returns an empty string when it is sound, else what is wrong.
std::string MKC_CheckScene(const MKC_SceneDesc& scene);
