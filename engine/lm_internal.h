// Helpers shared by the lightmap sources; not part of the lightmap interface.
#pragma once

#include "engine/kr_mesh.h"

// A polygon's material slot of texture channel c (0 the material, 1 the lightmap).
inline GFX_Material*& LM_ChannelSlot(KR_MeshPoly* p, int channel) { return channel ? p->lightmap : p->material; }

// A corner's coordinate pair of texture channel c.
inline float& LM_ChannelU(KR_MeshCorner& c, int channel) { return channel ? c.lu : c.u; }
inline float& LM_ChannelV(KR_MeshCorner& c, int channel) { return channel ? c.lv : c.v; }
