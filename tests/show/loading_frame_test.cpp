// Content loading under Xvfb with the OpenGL driver: the one frame drawn while loading shows
// the loading picture, and how long loading the default pack takes. VELMAR_PNG_DIR, when set,
// receives the frame as loading.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "gfx/img_image.h"
#include "gfx/img_png.h"
#include "show/demo.h"
#include "show/video.h"
#include "tests/support/content_pack.h"
#include "tests/support/gl_fixture.h"

namespace {

std::vector<std::uint8_t> g_frame;  // the last frame ended, RGB rows from the top
int (*g_endFrame)(GFX_Driver*) = nullptr;

// Keeps the back buffer before the driver swaps it away.
int KeepFrame(GFX_Driver* driver) {
  g_frame = vt::GlReadRgb();
  return g_endFrame(driver);
}

class LoadingFrame : public vt::GlTest {};

TEST_F(LoadingFrame, IsTheOneFrameAndShowsTheLoadingPicture) {
  if (IsSkipped()) return;
  ASSERT_FALSE(vt::ContentPack().empty());
  vt::ChangeDir cd(vt::ContentPack());
  GFX_Driver* driver = GFX_DriverCurrent();
  g_endFrame = driver->end_frame;
  driver->end_frame = KeepFrame;
  const int frames = GFX_FrameCount();
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  EXPECT_EQ(DEMO_LoadContent(1), 1);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  driver->end_frame = g_endFrame;
  const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  std::printf("content loading took %.3f s (%.3f s of processor time)\n", seconds, cpu);
  RecordProperty("load_ms", int(seconds * 1000));
  EXPECT_EQ(GFX_FrameCount(), frames + 1);

  if (const char* dir = std::getenv("VELMAR_PNG_DIR"))
    IMG_PngWrite((std::string(dir) + "/loading.png").c_str(), g_frame.data(), vt::kGlWidth, vt::kGlHeight);
  IMG_Image* picture = IMG_ImageLoad("data\\graphics\\loading.jpg");
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->width, vt::kGlWidth);
  ASSERT_EQ(picture->height, vt::kGlHeight);
  // Pixels across the screen, away from the tile seams.
  int far = 0;
  for (int y = 20; y < vt::kGlHeight; y += 97)
    for (int x = 20; x < vt::kGlWidth; x += 101)
      for (int c = 0; c < 3; c++) {
        const std::size_t i = (std::size_t(y) * vt::kGlWidth + x) * 3 + c;
        far += std::abs(int(g_frame[i]) - int(picture->data[i])) > 8;
      }
  EXPECT_EQ(far, 0);
  IMG_ImageDelete(picture);
  VIDEO_Shutdown();
}

}  // namespace
