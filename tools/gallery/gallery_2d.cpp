// The gallery's sheets of the 2D layer: every picture, full-screen, sprite and fade draw, and
// every render-target effect and scissor band, over a test picture whose labels and big "F"
// show offset, direction, mirroring, flipping and turning at a glance.
#include <cmath>
#include <cstring>
#include <functional>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "platform/pl_platform.h"
#include "tools/gallery/gallery.h"

namespace {

constexpr std::uint8_t kRed[3] = {255, 80, 80}, kGreen[3] = {80, 255, 80}, kBlue[3] = {110, 150, 255},
                       kYellow[3] = {255, 230, 60}, kWhite[3] = {250, 250, 250};

void put(std::uint8_t* p, const std::uint8_t c[3]) { std::memcpy(p, c, 3); }

// The test picture's pixels (640x480 RGB, rows from the top): a dark gradient with a grid, the
// four corners labelled in four colours, a big white F in the middle and a bright disc.
std::vector<std::uint8_t> test_image() {
  constexpr int W = 640, H = 480;
  std::vector<std::uint8_t> rgb(std::size_t(W) * H * 3);
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) {
      std::uint8_t* p = &rgb[(std::size_t(y) * W + x) * 3];
      const std::uint8_t bg[3] = {std::uint8_t(20 + 40 * y / H), 25, std::uint8_t(110 - 60 * y / H)};
      const std::uint8_t grid[3] = {70, 70, 95};
      put(p, (x % 80 == 0 || y % 80 == 0) ? grid : bg);
      const int dx = x - 500, dy = y - 330;
      if (dx * dx + dy * dy < 30 * 30) put(p, kYellow);
    }
  GAL_Text(rgb.data(), W, H, 12, 12, "TOP LEFT", 4, kRed);
  GAL_Text(rgb.data(), W, H, W - 12 - 9 * 24 + 4, 12, "TOP RIGHT", 4, kGreen);
  GAL_Text(rgb.data(), W, H, 12, H - 40, "BOTTOM LEFT", 4, kBlue);
  GAL_Text(rgb.data(), W, H, W - 12 - 12 * 24 + 4, H - 40, "BOTTOM RIGHT", 4, kYellow);
  GAL_Text(rgb.data(), W, H, 270, 170, "F", 20, kWhite);
  return rgb;
}

GFX_Picture* picture_of(const std::vector<std::uint8_t>& rgb) {
  GFX_Material* source = GFX_MaterialNew(640, 480, IMG_RGB);
  if (!source) return nullptr;
  std::memcpy(source->image->data, rgb.data(), rgb.size());
  GFX_Picture* p = GFX_PictureFromMaterial(source);
  GFX_MaterialDelete(source);
  return p;
}

// Six vertical colour bars to blend over.
GFX_Picture* bars_picture() {
  static const std::uint8_t bars[6][3] = {{200, 40, 40}, {200, 200, 40}, {40, 200, 40},
                                          {40, 200, 200}, {40, 40, 200}, {200, 200, 200}};
  std::vector<std::uint8_t> rgb(640 * 480 * 3);
  for (int y = 0; y < 480; y++)
    for (int x = 0; x < 640; x++) put(&rgb[(std::size_t(y) * 640 + x) * 3], bars[x * 6 / 640]);
  return picture_of(rgb);
}

// A clip texture: 512x512 RGBX with the test picture at half size in its 320x240 frame area,
// magenta stripes right of it and cyan stripes below it.
GFX_Material* clip_material(const std::vector<std::uint8_t>& image) {
  GFX_Material* m = GFX_MaterialNew(512, 512, IMG_RGBX);
  if (!m) return nullptr;
  for (int y = 0; y < 512; y++)
    for (int x = 0; x < 512; x++) {
      std::uint8_t* p = m->image->data + (std::size_t(y) * 512 + x) * 4;
      const std::uint8_t magenta[3] = {std::uint8_t((x + y) % 32 < 16 ? 230 : 120), 30, 200};
      const std::uint8_t cyan[3] = {30, std::uint8_t((x + y) % 32 < 16 ? 220 : 110), 220};
      if (y >= 240) put(p, cyan);
      else if (x >= 320) put(p, magenta);
      else put(p, &image[(std::size_t(2 * y) * 640 + 2 * x) * 3]);
    }
  GFX_MaterialUpload(m);
  return m;
}

// A sprite texture: an F in an orange frame on black (black adds nothing). Its first row in
// memory is at the sprite's bottom edge.
GFX_Material* sprite_material() {
  std::vector<std::uint8_t> rgb(64 * 64 * 3);
  const std::uint8_t orange[3] = {255, 140, 20};
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++)
      if (x < 3 || y < 3 || x > 60 || y > 60) put(&rgb[(std::size_t(y) * 64 + x) * 3], orange);
  GAL_Text(rgb.data(), 64, 64, 17, 11, "F", 6, kWhite);
  GFX_Material* m = GFX_MaterialNew(64, 64, IMG_RGB);
  if (!m) return nullptr;
  std::memcpy(m->image->data, rgb.data(), rgb.size());
  GFX_MaterialUpload(m);
  return m;
}

void cell(GAL_Page& page, const char* caption, const std::function<void()>& draw) {
  GAL_Begin();
  draw();
  GAL_Capture(page, caption);
}

// Renders the picture into the 256x256 viewport and captures it; the full viewport is back.
void capture(GFX_Picture* picture) {
  GFX_TargetBegin();
  GFX_BeginFrame();
  GFX_PictureDraw(0, 0, picture);
  GFX_TargetCapture();
}

}  // namespace

void GAL_Sheet2d(GAL_Page& page) {
  const std::vector<std::uint8_t> image = test_image();
  GFX_Picture* pic = picture_of(image);
  GFX_Picture* bars = bars_picture();
  GFX_Material* clip = clip_material(image);
  GFX_Material* spr = sprite_material();
  if (!pic || !bars || !clip || !spr) return;
  auto over_bars = [bars](const std::function<void()>& draw) {
    return [bars, draw] {
      GFX_PictureDraw(0, 0, bars);
      draw();
    };
  };

  cell(page, "PictureDraw (0, 0)", [&] { GFX_PictureDraw(0, 0, pic); });
  cell(page, "PictureDraw (0.5, -0.25)", [&] { GFX_PictureDraw(0.5f, -0.25f, pic); });
  cell(page, "PictureDrawAlpha 0.5", over_bars([&] { GFX_PictureDrawAlpha(0, 0, pic, 0.5f); }));
  cell(page, "PictureDrawAdd", over_bars([&] { GFX_PictureDrawAdd(0, 0, pic); }));
  cell(page, "PictureDrawAddBright 0.4", over_bars([&] { GFX_PictureDrawAddBright(0, 0, pic, 0.4f); }));
  cell(page, "PictureDrawMul", over_bars([&] { GFX_PictureDrawMul(0, 0, pic); }));
  cell(page, "PictureDrawMulScaled x0.6", over_bars([&] { GFX_PictureDrawMulScaled(0, 0, pic, 0.6f); }));
  cell(page, "AlphaScaled 0.8, x0.5", over_bars([&] { GFX_PictureDrawAlphaScaled(0, 0, pic, 0.8f, 0.5f); }));
  cell(page, "AlphaRotated .8 x.6 +.5rad",
       over_bars([&] { GFX_PictureDrawAlphaRotated(0, 0, pic, 0.8f, 0.6f, 0.5f); }));
  cell(page, "AlphaScaled x3 (reveal)", [&] { GFX_PictureDrawAlphaScaled(0, 0, pic, 1.0f, 3.0f); });

  cell(page, "ScreenDraw (frame area)", [&] { GFX_ScreenDraw(clip); });
  cell(page, "ScreenDrawMirrored", [&] { GFX_ScreenDrawMirrored(clip); });
  cell(page, "ScreenDrawAlpha 0.5", over_bars([&] { GFX_ScreenDrawAlpha(clip, 0.5f); }));
  cell(page, "ScreenDrawAlphaFull 0.8", over_bars([&] { GFX_ScreenDrawAlphaFull(clip, 0.8f); }));
  cell(page, "ScreenDrawAdd 0.6", over_bars([&] { GFX_ScreenDrawAdd(clip, 0.6f); }));
  cell(page, "ScreenDrawAddFull 0.6", over_bars([&] { GFX_ScreenDrawAddFull(clip, 0.6f); }));
  cell(page, "ScreenDrawAlphaMirrored .5", over_bars([&] { GFX_ScreenDrawAlphaMirrored(clip, 0.5f); }));
  cell(page, "ScreenDrawMulFlipped", over_bars([&] { GFX_ScreenDrawMulFlipped(clip); }));

  // Sprites: centre at (x - 1, y + 1); left 0 rad, middle +0.5 (counter-clockwise), right -0.5.
  // The sprite's top edge shows the texture's last row, so the F stands on its head.
  auto three = [&](const std::function<void(float x, float y, float s, float angle)>& sprite) {
    return over_bars([sprite] {
      sprite(0.45f, -0.9f, 0.3f, 0.0f);
      sprite(1.0f, -1.0f, 0.4f, 0.5f);
      sprite(1.55f, -1.1f, 0.3f, -0.5f);
    });
  };
  cell(page, "SpriteAdd 0, +.5, -.5 rad", three([&](float x, float y, float s, float a) {
         GFX_SpriteDrawAdd(x, y, s, a, spr);
       }));
  cell(page, "SpriteAddBright 0.5", three([&](float x, float y, float s, float a) {
         GFX_SpriteDrawAddBright(x, y, s, a, 0.5f, spr);
       }));
  cell(page, "SpriteAlpha 0.6", three([&](float x, float y, float s, float a) {
         GFX_SpriteDrawAlpha(x, y, 0.6f, s, a, spr);
       }));
  cell(page, "SpriteMul", three([&](float x, float y, float s, float a) { GFX_SpriteDrawMul(x, y, s, a, spr); }));
  cell(page, "SpriteAdd (1, -1, 1, 0)", [&] { GFX_SpriteDrawAdd(1, -1, 1, 0, spr); });

  cell(page, "ScreenFade 0.5 black", [&] {
    GFX_PictureDraw(0, 0, pic);
    GFX_ScreenFade(0.5f, 1, nullptr);
  });
  cell(page, "ScreenFade 0.5 white", [&] {
    GFX_PictureDraw(0, 0, pic);
    GFX_ScreenFade(0.5f, 2, nullptr);
  });
  cell(page, "ScreenFade 0.5 (1, 0.3, 0)", [&] {
    GFX_PictureDraw(0, 0, pic);
    const float orange[3] = {1.0f, 0.3f, 0.0f};
    GFX_ScreenFade(0.5f, 3, orange);
  });

  GFX_PictureDelete(pic);
  GFX_PictureDelete(bars);
  GAL_Release(clip);
  GAL_Release(spr);
}

void GAL_SheetEffects(GAL_Page& page) {
  GFX_Picture* pic = picture_of(test_image());
  GFX_Picture* bars = bars_picture();
  if (!pic || !bars) return;
  // Each effect cell captures the test picture first.
  auto effect = [&](const char* caption, const std::function<void()>& draw) {
    cell(page, caption, [&] {
      capture(pic);
      GFX_BeginFrame();
      draw();
    });
  };
  effect("TargetDraw (the capture)", [] { GFX_TargetDraw(); });
  effect("TargetZoomBlur 0.5", [] { GFX_TargetZoomBlur(0.5f); });
  effect("TargetPulse (zoom blur 1)", [] { GFX_TargetPulse(); });
  effect("TargetStretchLeft 1", [] { GFX_TargetStretchLeft(1.0f); });
  effect("TargetStretchRight 1", [] { GFX_TargetStretchRight(1.0f); });
  effect("TargetZoomSpin 1, 0.5", [] { GFX_TargetZoomSpin(1.0f, 0.5f); });
  effect("TargetSpinZoom .99,.5,.2", [] { GFX_TargetSpinZoom(0.99f, 0.5f, 0.2f); });
  effect("TargetDrawRect 1.5,-.5,.4", [&] {
    GFX_PictureDraw(0, 0, bars);
    GFX_TargetDrawRect(1.5f, -0.5f, 0.4f, 0.4f);
  });
  // A blur of the blur: the stretch captured again, then stretched the other way.
  effect("StretchRight, then Left", [] {
    GFX_TargetBegin();
    GFX_BeginFrame();
    GFX_TargetStretchRight(1.0f);
    GFX_TargetCapture();
    GFX_BeginFrame();
    GFX_TargetStretchLeft(1.0f);
  });

  // The feedback passes breathe with the clock: a fixed time keeps the sheet the same.
  const int manual = PL_TimerIsManual();
  const DWORD now = timeGetTime();
  PL_TimerSetManual(1, 1100);
  cell(page, "TargetFeedbackZoom", [&] {
    capture(pic);
    GFX_TargetFeedbackZoom();
  });
  cell(page, "TargetFeedbackSmear", [&] {
    capture(pic);
    GFX_TargetFeedbackSmear();
  });
  PL_TimerSetManual(manual, now);

  effect("Lock: target AddFull 0.8", [&] {
    GFX_PictureDraw(0, 0, bars);
    GFX_TargetLock();
    GFX_ScreenDrawAddFull(nullptr, 0.8f);
    GFX_TargetUnlock();
  });

  // Bars everywhere, the picture only inside the band.
  auto band = [&](const char* caption, const std::function<void()>& scissor) {
    cell(page, caption, [&] {
      GFX_PictureDraw(0, 0, bars);
      scissor();
      GFX_PictureDraw(0, 0, pic);
      GFX_ScissorOff();
    });
  };
  band("ScissorCutTop 120", [] { GFX_ScissorCutTop(120); });
  band("ScissorTopRows 120", [] { GFX_ScissorTopRows(120); });
  band("ScissorBottomHalf", [] { GFX_ScissorBottomHalf(); });
  band("ScissorTopHalf", [] { GFX_ScissorTopHalf(); });
  band("ScissorRect 100,50,200x100", [] { GFX_ScissorRect(100, 50, 200, 100); });

  GFX_PictureDelete(pic);
  GFX_PictureDelete(bars);
}
