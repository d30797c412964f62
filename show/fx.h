// The effect sections of the show. Each FX_ section without arguments runs its own frame loops
// (while the running test passes and the music clock is below its end time) and returns 1;
// FX_Tunnel and the scrollers draw one frame's worth into the current frame.
#pragma once

struct GFX_Picture;

// The opening: tunnel, picture scrollers, the logo section (to 32 s).
int FX_Tunnel(float brightness);
int FX_ScrollPicture(float y, float offset, float speed, GFX_Picture* picture);
int FX_ScrollPictureBack(float y, float offset, float speed, GFX_Picture* picture, float opacity);
int FX_LogoSection(void);

// Pictures and text.
int FX_HandsSmoke(void);
int FX_BeautyZoom(void);
int FX_LensScroll(void);
int FX_GreetsText(void);
// The music time at which FX_LensScroll began its scroll; the street clips go on from it.
extern float FX_lensScrollStart;

// The flying text block: the scroll message's rows racing across, r seconds after the owning
// section began, in that section's opacities and short-line speed (pixels a second).
struct FX_TextBlockStyle {
  float glowOpacity, sharpOpacity, shortLineOpacity;
  float glowY1, glowY4;  // glow-pass y of rows 1 and 4
  float shortLineSpeed;
};
int FX_TextBlockDraw(float r, const FX_TextBlockStyle* style);

// Shadowed scenes and spheres.
int FX_MuShadows(void);
int FX_WeirdScene(void);
int FX_SphereCouple(void);
int FX_SphereClip(void);

// Boxes with the light-shaft cross, and the clock landscape.
int FX_BoxClip(void);
int FX_BoxMask(void);
int FX_ClockLandscape(void);

// The music time the couple picture began to move: FX_SphereCouple sets it, FX_SphereClip goes
// on from it.
extern float FX_coupleZoomOrigin;
