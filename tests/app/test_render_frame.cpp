// The renderer draws each frame at its exact music time: rendered from 17.5 s with the content
// pack, the first frame kept draws the group picture and the logo at opacity 0.5 each (on the
// do-nothing driver, whose calls are logged).
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/app_options.h"
#include "app/app_render.h"
#include "gfx/gfx_driver.h"
#include "show/demo_sections.h"
#include "tests/support/driver_log.h"

namespace {

vt::DriverLog* g_log = nullptr;
std::size_t g_frameStart = 0;
std::vector<std::string> g_firstFrame;

void frame_ended() {
  if (g_firstFrame.empty() && !APP_RenderSeeking() && DEMO_SectionCurrent() == 5)
    g_firstFrame.assign(g_log->calls.begin() + long(g_frameStart), g_log->calls.end());
  g_frameStart = g_log->calls.size();
}

TEST(RenderFrame, FromSeventeenAndAHalfShowsGroupAndLogoAtHalfOpacity) {
  const std::string data = std::string(VELMAR_BUILD_DIR) + "/data";
  if (access((data + "/music/soundtrack_56k.mp3").c_str(), R_OK) != 0) GTEST_SKIP() << "no content pack in " << data;
  ASSERT_TRUE(vt::NullDriverSelect());
  vt::DriverLog log;
  g_log = &log;
  GFX_FrameObserverAdd(frame_ended);

  APP_Options o;
  o.renderDiscard = 1;
  o.dataDir = data;
  o.width = 640, o.height = 480;
  o.fps = 20.0, o.from = 17.5, o.to = 17.55;
  EXPECT_EQ(APP_Run(o, GFX_DriverCurrent()), 0);
  GFX_FrameObserverRemove(frame_ended);

  ASSERT_FALSE(g_firstFrame.empty()) << "the logo section drew no frame";
  int half = 0;
  for (const std::string& c : g_firstFrame) half += c == "set 3 4 0.5";
  EXPECT_GE(half, 2) << "group picture and logo are not both at opacity 0.5";
}

}  // namespace
