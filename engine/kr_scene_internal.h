// Helpers shared by the scene sources; not part of the scene interface.
#pragma once

#include "engine/kr_scene.h"

// Releases (GFX_MaterialDelete) the scene's materials, lightmaps and retired materials.
void KR_SceneReleaseMaterials(KR_Scene* s);
// Keeps the materials of the current list alive in the retired list before a new list
// replaces it; 0 when there is no room.
int KR_SceneRetireMaterials(KR_Scene* s);
