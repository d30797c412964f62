// The sprite quad the sprite operations share (show/demo_sprites.cpp); not part of the
// helpers' interface.
#pragma once

#include "base/kr_math.h"

// Puts the quad's corners at centre + (-half, half), (half, half), (half, -half),
// (-half, -half) (z unchanged) and draws it with the current render state.
void DEMO_SpriteQuadDraw(const KR_Vector& centre, float half);
// The sprite layer's state: the depth test on or off as asked; modulation, the perspective
// projection and texturing on; culling and depth writes off; blending on.
void DEMO_SpriteBegin(bool depthTest);
// Blending off, depth writes on again.
void DEMO_SpriteEnd(void);
// The billboard frame of DEMO_SpriteSetFrame.
const KR_Matrix& DEMO_SpriteFrame(void);
