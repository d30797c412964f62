// The render queue: scene polygons are queued as they are visited and drawn in one flush,
// untextured first, then opaque ones grouped by material, then blended ones sorted by depth.
// The queue owns no memory between flushes; its lists thread through the polygons' and
// materials' own link fields.
#pragma once

struct KR_MeshPoly;

// Queues a polygon by its material of the current texture layer (which must not change before
// the flush). A polygon is queued at most once per flush. Always 1.
int GFX_QueuePolygon(KR_MeshPoly* poly);

// Draws and empties the queue, then advances the queue stamp. Blended polygons end with depth
// writes on, blending on and per-vertex colours; an empty queue changes no render state.
// Always 1.
int GFX_FlushRenderQue(void);
