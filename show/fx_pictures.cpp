// The picture and text sections: the hands with smoke and the flying scroll message, the beauty
// zoom, the napscroll picture with lens sprites and smoke, and the greets; and the flying text
// block they share with the clock landscape.
#include <algorithm>
#include <cmath>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "show/demo_content.h"
#include "show/demo_helpers.h"
#include "show/fx.h"
#include "show/text.h"
#include "show/video.h"

float FX_lensScrollStart;

namespace {

// The scroll message, one sentence a line, in the font's glyphs only (lower case, digits and
// , . ; : - ' ! & / ( ) ? + * " #; anything else would draw as a blank).
constexpr char kMessage1[] =
    "velmar turns the night into moving light: every picture, every clip and every note here was made for this moment.";
constexpr char kMessage2[] =
    "greetings fly out to all who still make pixels dance, so keep the music loud, the frames quick and the smoke thick!";
constexpr char kShortLine[] = "stuvwxyz123456789";

constexpr FX_TextBlockStyle kHandsStyle = {0.2f, 0.5f, 0.3f, 140.0f, 280.0f, 510.0f};
constexpr FX_TextBlockStyle kGreetsStyle = {0.3f, 0.7f, 0.3f, 120.0f, 300.0f, 510.0f};

// The lines race across at this many pixels a second.
constexpr float kTextSpeed = 1600.0f;

// napscroll moves left at 53 pixels a second and stops after 3815 pixels.
constexpr float kLensSpeed = 53.0f;
constexpr float kLensTravel = 3815.0f;

struct Lens {
  float dx, y, size, spin;  // offset from the picture's x, offset y, half-size, turns per t
};
constexpr Lens kLenses[] = {
    {6.54375f, -0.9875f, 0.4f, 1.0f},       {7.0375f, -0.825f, 0.4f, -1.2f},
    {11.0375f, -0.35833332f, 0.4f, 1.3f},   {11.403125f, -0.43333334f, 0.4f, -1.0f},
    {4.078125f, -1.0208334f, 0.6f, 1.1f},   {8.040625f, -0.35416666f, 0.6f, -1.1f},
    {11.915625f, -0.6166667f, 0.6f, -1.1f},
};

float since(float start) { return MUSIC_GetTime() - start; }

// The picture shrinks from 301 times its size to its own while fading in over about 2.67 s.
void zoom_reveal(GFX_Picture* picture, float r) {
  const float u = std::min(r / 1.7f, 1.57f);
  GFX_PictureDrawAlphaScaled(0, 0, picture, 1.0f - std::cos(u), (1.0f - std::sin(u)) * 300.0f + 1.0f);
}

// One row: the glow pass zoomed 2 and the sharp pass, each at its own y.
void text_row(const char* text, float x, float glowY, float sharpY, const FX_TextBlockStyle* s) {
  TEXT_DrawFadedZoomed(text, x, glowY, DEMO_font, s->glowOpacity, 2.0f);
  TEXT_DrawFaded(text, x, sharpY, DEMO_font, s->sharpOpacity);
}

}  // namespace

int FX_TextBlockDraw(float r, const FX_TextBlockStyle* style) {
  if (!style) return 0;
  text_row(kMessage1, 680.0f - kTextSpeed * r, style->glowY1, 120.0f, style);
  text_row(kMessage2, kTextSpeed * r - 4200.0f, 180.0f, 180.0f, style);
  text_row(kMessage2, 680.0f - kTextSpeed * r, 240.0f, 240.0f, style);
  text_row(kMessage1, kTextSpeed * r - 4100.0f, style->glowY4, 300.0f, style);
  TEXT_DrawFadedZoomed(kShortLine, 650.0f - style->shortLineSpeed * r, 205.0f, DEMO_font, style->shortLineOpacity, 8.0f);
  return 1;
}

int FX_HandsSmoke(void) {
  const float start = MUSIC_GetTime();
  bool smokeStarted = false;
  GFX_SetPerspective(150.0f, 0.01f, 1000.0f);
  while (APP_IsRunning(0) && since(start) < 3.5f) {
    GFX_BeginFrame();
    zoom_reveal(DEMO_handsPicture, since(start));
    FX_TextBlockDraw(since(start), &kHandsStyle);
    // The "dj" clip fades out over the first second.
    if (since(start) < 1.0f) {
      VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip201);
      GFX_ScreenDrawAlpha(DEMO_clip201, 1.0f - since(start));
    }
    if (since(start) > 2.0f) {
      if (!smokeStarted) {
        DEMO_SparksReset();
        DEMO_SmokeStart(MUSIC_GetTime());
        smokeStarted = true;
      }
      GFX_SetTextureLayer(0);
      DEMO_SpriteSetMaterial(DEMO_smokeTexture);
      DEMO_SmokeAmount(0.08f);
      const KR_Vector origin = {0.0f, 0.0f, 0.0f};
      DEMO_SmokeDraw(MUSIC_GetTime(), &origin, &DEMO_smokeFrame);
    }
    GFX_EndFrame();
  }
  return 1;
}

int FX_BeautyZoom(void) {
  const float start = MUSIC_GetTime();
  while (APP_IsRunning(0) && since(start) < 3.5f) {
    const float u = std::min(since(start) / 2.2f, 1.57f);
    const float v = DEMO_Clamp01((MUSIC_GetTime() - (start + 0.5f)) / 1.5f) * 1.57f;
    GFX_BeginFrame();
    // Beauty holds for half a second, then grows to 101 times its size; napscroll shrinks in.
    GFX_PictureDrawAlphaScaled(0, 0, DEMO_beautyPicture, 1.0f, (1.0f - std::sin(1.57f - v)) * 100.0f + 1.0f);
    GFX_PictureDrawAlphaScaled(0, 0, DEMO_napscrollPicture, u / 1.57f, (1.0f - std::sin(u)) * 300.0f + 1.0f);
    GFX_EndFrame();
  }
  return 1;
}

int FX_LensScroll(void) {
  DEMO_SmokeStart(MUSIC_GetTime());
  DEMO_SpriteSetMaterial(DEMO_smokeTexture);
  DEMO_SmokeAmount(0.03f);
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  const float start = MUSIC_GetTime();
  FX_lensScrollStart = start;
  KR_Matrix smokeFrame;
  KR_MatIdentity(&smokeFrame);
  smokeFrame.m[14] = 500.0f;
  const KR_Vector smokeOrigin = {0.0f, -250.0f, 0.0f};
  while (APP_IsRunning(0) && MUSIC_GetTime() < DEMO_Time(3, 51.3f)) {
    const float p = std::min(kLensSpeed * since(start), kLensTravel);
    const float x = -2.0f * p / 640.0f;
    GFX_BeginFrame();
    if (since(start) >= 15.0f) {
      GFX_PictureDraw(x, 0, DEMO_napscrollPicture);
    } else {
      // The dense smoke is drawn small, captured, and laid over the picture as a rectangle.
      GFX_TargetBegin();
      DEMO_SmokeDrawDense(MUSIC_GetTime(), &smokeOrigin, &smokeFrame);
      GFX_TargetCapture();
      GFX_PictureDraw(x, 0, DEMO_napscrollPicture);
      GFX_TargetDrawRect(x + 2.0f, -0.22916667f, 0.6f, 0.8f);
    }
    // The lenses ride on fixed spots of the picture.
    for (const Lens& lens : kLenses)
      GFX_SpriteDrawAdd(x + lens.dx, lens.y, lens.size, lens.spin * MUSIC_GetTime(), DEMO_lensTexture);
    GFX_EndFrame();
  }
  return 1;
}

int FX_GreetsText(void) {
  const float start = MUSIC_GetTime();
  while (APP_IsRunning(0) && since(start) < 2.7f) {
    GFX_BeginFrame();
    zoom_reveal(DEMO_greetsPicture, since(start));
    FX_TextBlockDraw(since(start), &kGreetsStyle);
    GFX_EndFrame();
  }
  return 1;
}
