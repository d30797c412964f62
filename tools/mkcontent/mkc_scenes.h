// The pack's scene files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkcontent/mkc_geometry.h"

struct MKC_SceneEntry {
  std::string path;  // relative to the data folder
  bool packed;       // stored in the engine's packed layout
  TOOL_KrmScene (*build)(void);
};

std::vector<MKC_SceneEntry> MKC_SceneEntries(void);

TOOL_KrmScene MKC_SceneFan(void);
TOOL_KrmScene MKC_SceneFjall(void);
TOOL_KrmScene MKC_SceneCylinder(void);
TOOL_KrmScene MKC_SceneSphere(void);
TOOL_KrmScene MKC_SceneMu4(void);
TOOL_KrmScene MKC_SceneWeird(void);
TOOL_KrmScene MKC_SceneBox(void);

// Checks a scene before it is written: every shadow-casting mesh closed and facing outward.
// Returns an empty string when it is sound, else what is wrong.
std::string MKC_CheckScene(const TOOL_KrmScene& scene);
