// The 2D layer: pictures drawn at an offset, faded, added, multiplied, scaled or rotated;
// full-screen quads of a material; rotated sprites; colour fades; the 256x256 render target
// with its captures and its translucent multi-pass effects; and scissor bands.
//
// Everything draws in the screen projection (x from -1 at the left to 1 at the right, y from 1
// at the top to -1 at the bottom) and leaves depth test, depth writes, the perspective
// projection and (except where noted) modulation switched on again. Culling stays off.
#pragma once

struct GFX_Material;
struct GFX_Picture;

// Picture draws: every picture vertex is moved by (x, y) in screen units and drawn with the
// current texture layer, which must be 0 (the tiles are the polygons' layer-0 materials). All
// but GFX_PictureDraw end with the texture replacing the colour, not modulating it.
int GFX_PictureDraw(float x, float y, GFX_Picture* picture);
// Alpha blended with alpha clamped to 0..1.
int GFX_PictureDrawAlpha(float x, float y, GFX_Picture* picture, float alpha);
int GFX_PictureDrawAdd(float x, float y, GFX_Picture* picture);
// Added in colour (b, b, b).
int GFX_PictureDrawAddBright(float x, float y, GFX_Picture* picture, float b);
// The frame multiplied by the picture.
int GFX_PictureDrawMul(float x, float y, GFX_Picture* picture);
// Scaled by s about the screen centre after the offset.
int GFX_PictureDrawMulScaled(float x, float y, GFX_Picture* picture, float s);
int GFX_PictureDrawAlphaScaled(float x, float y, GFX_Picture* picture, float alpha, float s);
// Scaled, then turned counter-clockwise by angle radians about the screen centre.
int GFX_PictureDrawAlphaRotated(float x, float y, GFX_Picture* picture, float alpha, float s, float angle);

// Full-screen draws of a material. The video ones show the top-left 0.625 x 0.46875 of the
// texture (the frame area of a clip texture); the Full ones the whole texture. The material may
// be null: the quad is then drawn with whatever texture is bound (the render target under
// GFX_TargetLock). Alpha and brightness are clamped to 0..1.
int GFX_ScreenDraw(GFX_Material* material);
// Left and right exchanged.
int GFX_ScreenDrawMirrored(GFX_Material* material);
int GFX_ScreenDrawAlpha(GFX_Material* material, float alpha);
int GFX_ScreenDrawAlphaFull(GFX_Material* material, float alpha);
int GFX_ScreenDrawAdd(GFX_Material* material, float b);
int GFX_ScreenDrawAddFull(GFX_Material* material, float b);
int GFX_ScreenDrawAlphaMirrored(GFX_Material* material, float alpha);
// The whole texture upside down, multiplied into the frame.
int GFX_ScreenDrawMulFlipped(GFX_Material* material);

// Sprites: a textured square of half-size s (screen units) turned counter-clockwise by angle
// radians, centred at (x - 1, y + 1), i.e. at (x, y) measured from the screen's top-left
// corner; (1, -1) is the screen centre.
int GFX_SpriteDrawAdd(float x, float y, float s, float angle, GFX_Material* material);
int GFX_SpriteDrawAddBright(float x, float y, float s, float angle, float b, GFX_Material* material);
int GFX_SpriteDrawAlpha(float x, float y, float alpha, float s, float angle, GFX_Material* material);
int GFX_SpriteDrawMul(float x, float y, float s, float angle, GFX_Material* material);

// An untextured full-screen quad blended with alpha: black for mode 1, white for mode 2, the
// r, g, b of colour otherwise. Texturing stays off afterwards.
int GFX_ScreenFade(float alpha, int mode, const float* colour);

// Whether a pass in the screen projection (no depth or stencil writes, the texture modulated by
// the constant colour r, g, b, a) with blend kind `blendKind` can change a pixel of the frame.
// 0 only where it cannot, on any OpenGL: zero area; kind 1 (added) with all of the colour 0;
// kinds 3 and 4 (weighted by the source alpha) with alpha 0. Such passes still set their
// states, and draw nothing.
int GFX_PassChanges(int blendKind, const float colour[4], float area);

// The render target: a 256x256 texture of the OpenGL driver. GFX_TargetBegin narrows the
// viewport to the bottom-left 256x256 pixels; GFX_TargetCapture copies them into the target and
// restores the full viewport.
int GFX_TargetBegin(void);
int GFX_TargetCapture(void);
// While locked, drawing that binds its own material keeps the render target bound instead.
int GFX_TargetLock(void);
int GFX_TargetUnlock(void);
// The captured image over the whole screen, replacing the colour.
int GFX_TargetDraw(void);
// 20 translucent passes, each sampling the image a little further zoomed in (amount 0..1).
int GFX_TargetZoomBlur(float amount);
// GFX_TargetZoomBlur (1).
int GFX_TargetPulse(void);
// 20 passes whose right edge (left edge) moves in by up to a third of the image times amount.
int GFX_TargetStretchLeft(float amount);
int GFX_TargetStretchRight(float amount);
// 20 passes, each further inset by zoom / 90 and the quad turned a further spin / 20 radians.
int GFX_TargetZoomSpin(float zoom, float spin);
// 20 passes of opacity alpha, each sampling a square scaled by zoom (40 - i) / 40 and turned
// a further spin / 20 radians about the image centre.
int GFX_TargetSpinZoom(float zoom, float spin, float alpha);
// The image added at 0.4 in a rectangle of half-size (sx, sy) centred at (x - 1, y + 1).
int GFX_TargetDrawRect(float x, float y, float sx, float sy);
// Feedback: 15 passes drawn into the 256x256 viewport, each captured again, then the result
// drawn over the screen. The zoom passes shrink towards the centre, the smear passes move only
// the left edge; both breathe with the millisecond clock.
int GFX_TargetFeedbackZoom(void);
int GFX_TargetFeedbackSmear(void);

// Scissor bands in rows of the 480-row virtual screen, scaled to the mode size. Each switches
// the scissor test on except GFX_ScissorOff.
// Hides the top n rows (n clamped to 0..480).
int GFX_ScissorCutTop(int n);
// Keeps only the top n rows.
int GFX_ScissorTopRows(int n);
int GFX_ScissorBottomHalf(void);
int GFX_ScissorTopHalf(void);
// A rectangle of the 640x480 virtual screen with a top-left origin.
int GFX_ScissorRect(int x, int y, int w, int h);
int GFX_ScissorOff(void);
