// The timeline: DEMO_RunShow runs the show's 25 sections against the music clock, with the clip
// steps, noted start times and one-shot flags between and inside their frame loops. Every loop
// asks the shell's running test first and the clock second; every ramp reads the clock where
// it is used.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "show/demo.h"
#include "show/demo_content.h"
#include "show/demo_helpers.h"
#include "show/demo_sections.h"
#include "show/fx.h"
#include "show/video.h"

namespace {

constexpr const char* kSteps = "data\\video\\steps2.clp";
constexpr const char* kStreet2 = "data\\video\\fa_street2.clp";
constexpr const char* kStreet3 = "data\\video\\fa_street3.clp";
constexpr const char* kDj = "data\\video\\dj.clp";

float Now() { return MUSIC_GetTime(); }

// A loop's test: the viewer has not quit and the clock is below the end time...
bool Until(float end) { return APP_IsRunning(0) && Now() < end; }
// ...or the time since `start` is below `length`.
bool For(float start, float length) { return APP_IsRunning(0) && Now() - start < length; }

// Opens a clip on a player between loops, starts it when asked and shows its first picture
// into a material when one is given. Once the viewer has quit the show only runs out its
// remaining steps, so clips are no longer opened: the players keep what they hold (player 2
// the "dj" clip after an Escape in its section) until the shell releases them.
void ClipOpen(VIDEO_Player* player, const char* path, bool start, GFX_Material* showInto = nullptr) {
  if (!APP_shell.running) return;
  VIDEO_StreamOpen(player, path);
  if (start) VIDEO_StreamStart(player);
  if (showInto) VIDEO_TextureShow(player, showInto);
}

void Veil(float alpha) { GFX_ScreenFade(DEMO_Clamp01(alpha), 1, nullptr); }

// Draws into the 256 x 256 viewport inside a fresh frame and copies it into the render target.
template <typename Draw>
void Capture(Draw draw) {
  GFX_TargetBegin();
  GFX_BeginFrame();
  draw();
  GFX_TargetCapture();
}

void Section1() {
  DEMO_SectionEnter(1);
  while (Until(4.5f)) {
    GFX_BeginFrame();
    VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    GFX_ScreenDraw(DEMO_clip200);
    if (Now() < 1.1f) Veil(1.0f - (Now() - 0.1f));
    if (Now() > 3.0f) {
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlpha(DEMO_clip201, (Now() - 3.0f) * 2.0f);
    }
    if (Now() > 4.0f) {
      Veil((Now() - 4.0f) * 2.0f);
      FX_Tunnel((Now() - 4.0f) * 2.0f);
    }
    GFX_EndFrame();
  }
}

void Section2() {
  DEMO_SectionEnter(2);
  while (Until(5.5f)) {
    GFX_BeginFrame();
    FX_Tunnel(1.0f);
    GFX_EndFrame();
  }
}

// The steps clip again from its start, fading in out of the tunnel and back into it.
void Section3() {
  ClipOpen(VIDEO_player1, kSteps, true);
  DEMO_SectionEnter(3);
  while (Until(10.5f)) {
    GFX_BeginFrame();
    VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    GFX_ScreenDraw(DEMO_clip200);
    if (Now() < 6.5f) {
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlpha(DEMO_clip201, 1.0f - (Now() - 5.5f));
    }
    if (Now() > 9.0f) {
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlpha(DEMO_clip201, Now() - 9.0f);
    }
    if (Now() < 6.0f) {
      Veil(1.0f - (Now() - 5.5f) * 2.0f);
      FX_Tunnel(1.0f - (Now() - 5.5f) * 2.0f);
    } else if (Now() > 10.0f) {
      Veil((Now() - 10.0f) * 2.0f);
      FX_Tunnel((Now() - 10.0f) * 2.0f);
      FX_ScrollPicture(184.0f, 0.0f, 70.0f, DEMO_logoBackPicture);
    }
    GFX_EndFrame();
  }
}

void Section4() {
  DEMO_SectionEnter(4);
  while (Until(11.9f)) {
    GFX_BeginFrame();
    FX_Tunnel(1.0f);
    FX_ScrollPicture(184.0f, 0.0f, 70.0f, DEMO_logoBackPicture);
    GFX_EndFrame();
  }
}

// Section 10: the "dj" clip through stretch and spin blurs, the abstract texture turning over
// it, and player 1's clip (the scroll clip of the sphere sections) inverted, fading away in the
// first half second.
void DjSection() {
  ClipOpen(VIDEO_player2, kDj, true, DEMO_clip201);
  const float T = Now();
  DEMO_SectionEnter(10);
  while (Until(DEMO_Time(1.0f, 55.5f))) {
    VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip201);
    const float r = Now() - T;  // chooses this pass's branch; the ramps read the clock anew
    if (r > 5.0f && r < 12.0f) {
      const float f = DEMO_Clamp01(Now() - (T + 11.0f));
      const float g = std::min(Now() - (T + 5.0f), 1.0f);
      Capture([] { GFX_ScreenDraw(DEMO_clip201); });
      Capture([g] { GFX_TargetStretchRight((std::cos(3.4f * Now() + 0.5f) * 0.4f + 0.6f) * g); });
      GFX_BeginFrame();
      GFX_TargetStretchLeft((std::sin(4.4f * Now()) * 0.4f + 0.6f) * g);
      if (g < 1.0f) GFX_ScreenDrawAlpha(DEMO_clip201, 1.0f - g);
      else if (f > 0.0f) GFX_ScreenDrawAlpha(DEMO_clip201, f);
    } else if (r >= 18.0f) {
      GFX_BeginFrame();
      GFX_ScreenDraw(DEMO_clip201);
    } else {
      // Up to 5 s the spin blur lies under the clip at full opacity; from 12 s it shows
      // through for five seconds before the clip returns.
      const float f = DEMO_Clamp01(Now() - (T + 17.0f));
      const float g = DEMO_Clamp01(Now() - (T + 12.0f));
      Capture([] { GFX_ScreenDraw(DEMO_clip201); });
      GFX_BeginFrame();
      GFX_TargetSpinZoom(0.99f, std::sin(Now() - (T + 12.0f)), 0.2f);
      if (g < 1.0f) GFX_ScreenDrawAlpha(DEMO_clip201, 1.0f - g);
      else if (f > 0.0f) GFX_ScreenDrawAlpha(DEMO_clip201, f);
    }
    if (r > 6.0f)
      GFX_SpriteDrawAlpha(1.0f, -1.0f, 0.3f * DEMO_Clamp01(Now() - (T + 6.0f)), 1.9f, -Now() / 3.0f,
                          DEMO_abstractTexture);
    if (r < 0.5f) {
      VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip202);
      GFX_ScreenDrawAlpha(DEMO_clip202, 1.0f - 2.0f * r);
    }
    GFX_EndFrame();
  }
}

// Sections 15 to 17: the mirrored steps clip out of the lens scroll, the first street clip
// over it, then the second. All three run from the same start c; returns the clock after them.
float StreetClips() {
  ClipOpen(VIDEO_player1, kSteps, true, DEMO_clip200);
  const float c = Now();
  ClipOpen(VIDEO_player2, kStreet2, false);
  auto r = [c] { return Now() - c; };
  bool secondStarted = false;

  DEMO_SectionEnter(15);
  while (For(c, 4.5f)) {
    GFX_BeginFrame();
    VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    GFX_ScreenDrawMirrored(DEMO_clip200);
    if (r() < 1.0f) Veil(1.0f - r());
    if (r() > 3.0f) {
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlphaMirrored(DEMO_clip201, (r() - 3.0f) * 2.0f);
    }
    if (r() > 3.5f) {
      if (!secondStarted) {
        VIDEO_StreamStart(VIDEO_player2);
        VIDEO_TextureShow(VIDEO_player2, DEMO_clip202);
        secondStarted = true;
      }
      VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip202);
      GFX_ScreenDrawAlpha(DEMO_clip202, (r() - 3.5f) * 1.0f);
    }
    if (r() < 1.0f) {
      // The napscroll picture goes on at 53 pixels a second from where the lens scroll left it.
      const float x = -(Now() - FX_lensScrollStart) * 53.0f * 2.0f / 640.0f;
      GFX_PictureDrawAlpha(x, 0.0f, DEMO_napscrollPicture, 1.0f - r());
      GFX_SpriteDrawAddBright(x + 11.915625f, -0.6166667f, 0.6f, -1.1f * Now(), 1.0f - r(), DEMO_lensTexture);
    }
    GFX_EndFrame();
  }

  // The street clip alone; the full-screen clip covers the whole frame, so none is begun.
  DEMO_SectionEnter(16);
  while (For(c, 5.15f)) {
    VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip202);
    GFX_ScreenDraw(DEMO_clip202);
    GFX_EndFrame();
  }

  ClipOpen(VIDEO_player1, kSteps, true);
  secondStarted = false;
  DEMO_SectionEnter(17);
  while (For(c, 10.8f)) {
    GFX_BeginFrame();
    VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    GFX_ScreenDrawMirrored(DEMO_clip200);
    if (r() < 6.5f) {
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlphaMirrored(DEMO_clip201, 1.0f - (r() - 5.15f));
    }
    if (r() > 8.0f) {
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlphaMirrored(DEMO_clip201, r() - 8.0f);
    }
    if (r() < 6.5f) {
      VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip202);
      GFX_ScreenDrawAlpha(DEMO_clip202, 1.0f - (r() - 5.15f) * 3.4f);
    } else if (r() > 9.4f) {
      if (!secondStarted) {
        VIDEO_StreamOpen(VIDEO_player2, kStreet3);
        VIDEO_StreamStart(VIDEO_player2);
        secondStarted = true;
      }
      VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip202);
      GFX_ScreenDrawAlpha(DEMO_clip202, (r() - 9.4f) * 1.1f);
    }
    GFX_EndFrame();
  }
  return Now();
}

// Sections 18 to 20: a clip through the breathing zoom blur, all three on one phase from d.
// The blur's layers leave a tenth of what lies under them, so the frame is cleared after the
// capture: the captured corner would otherwise show through as a box at the bottom left.
void ZoomBlur(float d) {
  GFX_BeginFrame();
  GFX_TargetZoomBlur(std::sin((Now() - d) * 2.0f) * 0.45f + 0.45f);
}

void ZoomBlurClips(float d) {
  DEMO_SectionEnter(18);
  while (Until(245.4f)) {
    VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip202);
    Capture([] { GFX_ScreenDraw(DEMO_clip202); });
    ZoomBlur(d);
    GFX_EndFrame();
  }
  struct Mirrored {
    int section;
    const char* clip;
    float end;
  };
  for (const Mirrored& m : {Mirrored{19, kStreet2, 248.3f}, Mirrored{20, kStreet3, 251.0f}}) {
    ClipOpen(VIDEO_player1, m.clip, true, DEMO_clip200);
    DEMO_SectionEnter(m.section);
    while (Until(m.end)) {
      VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
      Capture([] { GFX_ScreenDrawMirrored(DEMO_clip200); });
      ZoomBlur(d);
      GFX_EndFrame();
    }
  }
}

void Section24() {
  DEMO_SectionEnter(24);
  while (Until(304.5f)) {
    GFX_BeginFrame();
    GFX_PictureDraw(0.0f, 0.0f, DEMO_greetsPicture);
    GFX_EndFrame();
  }
}

// Section 25: the greets picture swelling away behind a veil, spun, zoomed and stretched.
void Closing() {
  const float e = Now();
  DEMO_SectionEnter(25);
  while (Until(312.0f)) {
    const float m = std::min((Now() - e) / 2.0f, 1.0f);
    GFX_BeginFrame();
    GFX_TargetBegin();
    if (Now() - e < 4.5f) {
      GFX_PictureDraw(0.0f, 0.0f, DEMO_greetsPicture);
    } else {
      const float u = std::min((Now() - (e + 4.5f)) / 15.0f, 1.57f);
      GFX_PictureDrawAlphaScaled(0.0f, 0.0f, DEMO_greetsPicture, 1.0f, (1.0f - std::cos(u)) * 900.0f + 1.0f);
    }
    if (Now() - e > 6.5f) Veil(Now() - e - 6.5f);
    GFX_TargetCapture();
    GFX_TargetBegin();
    GFX_BeginFrame();
    GFX_TargetZoomSpin((std::cos(Now() / 1.3f) * 0.7f + 0.8f) * m, std::cos(Now()) * m * 2.28f);
    GFX_TargetCapture();
    GFX_BeginFrame();
    GFX_TargetStretchRight(std::cos(3.4f * Now() + 0.5f) * 0.4f + 0.6f);
    if (m < 1.0f) GFX_PictureDrawAlpha(0.0f, 0.0f, DEMO_greetsPicture, 1.0f - m);
    GFX_EndFrame();
  }
}

// An effect section that runs its own frame loops.
void Effect(int section, int (*fx)(void)) {
  DEMO_SectionEnter(section);
  fx();
}

}  // namespace

int DEMO_RunShow(void) {
  DEMO_SectionsReset();
  GFX_FrameObserverAdd(DEMO_SectionFrameEnded);
  DEMO_RandSeed(static_cast<std::uint32_t>(APP_GetSetting(1)));
  GFX_SetPerspective(150.0f, 1.0f, 6000.0f);
  // Sleep lets the clock move where it is driven by hand (the tests, the offline renderer).
  while (Now() < 0.1f) Sleep(1);
  ClipOpen(VIDEO_player1, kSteps, true);

  Section1();
  Section2();
  Section3();
  Section4();
  Effect(5, FX_LogoSection);
  Effect(6, FX_ClockLandscape);
  Effect(7, FX_MuShadows);
  Effect(8, FX_SphereCouple);
  Effect(9, FX_SphereClip);
  DjSection();
  Effect(11, FX_HandsSmoke);
  Effect(12, FX_WeirdScene);
  Effect(13, FX_BeautyZoom);
  Effect(14, FX_LensScroll);
  ZoomBlurClips(StreetClips());
  Effect(21, FX_BoxClip);
  Effect(22, FX_BoxMask);
  DEMO_SectionEnter(23);
  for (int i = 0; i < 3; ++i) FX_GreetsText();
  Section24();
  Closing();

  GFX_FrameObserverRemove(DEMO_SectionFrameEnded);
  return 1;
}
