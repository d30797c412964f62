// Frames of the show's opening (sections 1 to 4, which the timeline draws itself), rendered
// under Xvfb from a generated pack with the clock driven by hand, read back after each swap
// and written as PNG files into timeline_frames/ of the folder the test starts in, for
// looking at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"
#include "gfx/img_png.h"
#include "platform/pl_platform.h"
#include "shell/music.h"
#include "show/demo.h"
#include "show/demo_content.h"
#include "show/demo_sections.h"
#include "show/video.h"
#include "tests/support/content_pack.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_util.h"

namespace {

namespace fs = std::filesystem;

struct Shot {
  float time;
  int section = 0;  // current when taken
  std::vector<std::uint8_t> rgb;  // rows from the top; empty until taken
};
std::vector<Shot> g_shots;

// Takes the frame that ended at a shot's time and moves the clock 40 ms; Escape after the last
// shot. (Larger steps would shift the sections measured from their own start.)
void Step() {
  const float t = MUSIC_GetTime();
  Shot* next = nullptr;
  for (Shot& s : g_shots) {
    if (s.rgb.empty() && t >= s.time - 0.001f && t < s.time + 0.039f) s.rgb = vt::GlReadRgb(), s.section = DEMO_SectionCurrent();
    if (!next && s.time > t + 0.001f) next = &s;
  }
  if (!next) {
    APP_WindowProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    return;
  }
  PL_TimerAdvance(40);
}

double Mean(const std::vector<std::uint8_t>& rgb) {
  double sum = 0;
  for (std::uint8_t v : rgb) sum += v;
  return rgb.empty() ? 0 : sum / double(rgb.size());
}

class TimelineFrames : public vt::GlTest {};

TEST_F(TimelineFrames, OpeningSectionsDrawTheStepsClipUnderTheirVeils) {
  if (IsSkipped()) return;
  const fs::path out = fs::current_path() / "timeline_frames";
  ASSERT_FALSE(vt::ContentPack().empty());
  vt::ChangeDir cd(vt::ContentPack());
  PL_TimerSetManual(1, 0);
  DEMO_LoadContent(1);
  g_shots.clear();
  for (float t : {0.1f, 2.0f, 3.5f, 4.2f, 5.7f})
    g_shots.push_back({t, 0, {}});
  APP_IsRunning(1);
  GFX_FrameObserverAdd(Step);
  EXPECT_EQ(DEMO_RunShow(), 1);
  GFX_FrameObserverRemove(Step);
  PL_TimerSetManual(0, 0);

  fs::create_directories(out);
  for (const Shot& s : g_shots) {
    ASSERT_FALSE(s.rgb.empty()) << s.time;
    char name[32];
    std::snprintf(name, sizeof name, "t%06.2f_s%02d.png", double(s.time), s.section);
    IMG_PngWrite((out / name).c_str(), s.rgb.data(), vt::kGlWidth, vt::kGlHeight);
  }
  // The show opens under a full black veil, which has lifted from the steps clip by 2 s.
  EXPECT_LT(Mean(g_shots[0].rgb), 2.0);
  EXPECT_GT(Mean(g_shots[1].rgb), 20.0);
}

}  // namespace
