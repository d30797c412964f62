// The whole show on the do-nothing driver under the controllable clock, 40 ms a frame, with a
// generated content pack: when each section starts, which clips are opened on which player,
// how the show ends, what Escape in the "dj" section leaves behind, and a late machine.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "gfx/gfx_driver.h"
#include "platform/pl_platform.h"
#include "shell/music.h"
#include "show/demo.h"
#include "show/demo_sections.h"
#include "show/video.h"
#include "tests/support/content_pack.h"
#include "tests/support/driver_log.h"
#include "tests/support/test_util.h"

namespace {

constexpr DWORD kStepMs = 40;
constexpr float kStep = kStepMs / 1000.0f;

// What the frame observer does besides moving the clock one step.
struct Script {
  int longFrameSection = 0;  // the first frame of this section lasts longFrameMs instead
  DWORD longFrameMs = 0;
  bool longFrameDone = false;
  int escapeSection = 0;  // Escape is pressed once this section is current and t >= escapeAt
  float escapeAt = 0.0f;
  int framesAtEscape = -1;
};
Script g_script;

void Step() {
  const int s = DEMO_SectionCurrent();
  if (s == g_script.longFrameSection && !g_script.longFrameDone) {
    g_script.longFrameDone = true;
    PL_TimerAdvance(g_script.longFrameMs);
  } else {
    PL_TimerAdvance(kStepMs);
  }
  if (g_script.escapeSection && s >= g_script.escapeSection && MUSIC_GetTime() >= g_script.escapeAt &&
      g_script.framesAtEscape < 0) {
    APP_WindowProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    g_script.framesAtEscape = GFX_FrameCount();
  }
}

struct Open {
  int section;  // current when the clip was opened
  int player;   // 1, 2, or 0 for neither
  std::string clip;
  bool operator==(const Open&) const = default;
};
std::vector<Open> g_opens;

void NoteOpen(const VIDEO_Player* player, const char* path) {
  std::string clip = path ? path : "";
  clip = clip.substr(clip.rfind('\\') + 1);
  g_opens.push_back({DEMO_SectionCurrent(), player == VIDEO_player1 ? 1 : player == VIDEO_player2 ? 2 : 0, clip});
}

// Opens the effect sections make inside their own loops; the timeline's opens are the rest.
bool EffectOpen(const Open& o) {
  static const Open kEffects[] = {{5, 1, "scroll.clp"}, {7, 1, "fa_street2.clp"}, {9, 1, "scroll.clp"},
                                  {21, 1, "scroll.clp"}, {22, 1, "scroll.clp"}};
  for (const Open& e : kEffects)
    if (o == e) return true;
  return false;
}

std::vector<Open> TimelineOpens() {
  std::vector<Open> out;
  for (const Open& o : g_opens)
    if (!EffectOpen(o)) out.push_back(o);
  return out;
}

class Show : public ::testing::Test {
 protected:
  // One content pack and one loading per test binary: content lives until the process ends.
  static void SetUpTestSuite() {
    ASSERT_TRUE(vt::NullDriverSelect());
    ASSERT_FALSE(vt::ContentPack().empty());
    cd_ = std::make_unique<vt::ChangeDir>(vt::ContentPack());
    PL_TimerSetManual(1, 0);
    DEMO_LoadContent(1);
    ASSERT_TRUE(VIDEO_player1 && VIDEO_player2);
  }
  static void TearDownTestSuite() {
    VIDEO_Shutdown();
    PL_TimerSetManual(0, 0);
    cd_.reset();
  }
  void SetUp() override {
    // The music clock starts at 0 here, with the show's start-up wait still to come.
    PL_TimerSetManual(1, 0);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    APP_IsRunning(1);
    g_script = {};
    g_opens.clear();
    VIDEO_OpenObserverSet(NoteOpen);
    GFX_FrameObserverAdd(Step);
  }
  void TearDown() override {
    GFX_FrameObserverRemove(Step);
    VIDEO_OpenObserverSet(nullptr);
  }
  static int Frames(int section) { return DEMO_SectionGet(section)->frames; }
  static inline std::unique_ptr<vt::ChangeDir> cd_;
};

TEST_F(Show, RunsEverySectionOnTimeWithItsClipsAndEndsAt312) {
  ASSERT_EQ(DEMO_RunShow(), 1);
  EXPECT_GE(MUSIC_GetTime(), 312.0f);
  EXPECT_LT(MUSIC_GetTime(), 312.0f + kStep);

  // Start times: each section begins where the one before ended. Sections measured from their
  // own start end on the first frame past their length, a step late at most each.
  struct Start {
    int section;
    float time;
    int lateSteps;
  };
  const Start starts[] = {
      {1, 0.1f, 1},           {2, 4.5f, 1},          {3, 5.5f, 1},           {4, 10.5f, 1},
      {5, 11.9f, 1},          {6, 32.0f, 1},         {7, 55.1f, 1},          {8, 75.7f, 1},
      {9, 86.3f, 1},          {10, 96.9f, 1},        {11, 115.5f, 1},        {12, 115.5f + 3.5f, 1},
      {13, 157.5f, 1},        {14, 157.5f + 3.5f, 1}, {15, 231.3f, 1},       {16, 231.3f + 4.5f, 1},
      {17, 231.3f + 5.15f, 1}, {18, 231.3f + 10.8f, 1}, {19, 245.4f, 1},     {20, 248.3f, 1},
      {21, 251.0f, 1},        {22, 272.3f, 1},       {23, 293.5f, 1},        {24, 293.5f + 3 * 2.7f, 3},
      {25, 304.5f, 1},
  };
  std::string counts;
  for (const Start& s : starts) {
    const DEMO_Section* got = DEMO_SectionGet(s.section);
    EXPECT_GT(got->frames, 0) << "section " << s.section;
    EXPECT_GE(got->start, s.time - 0.001f) << "section " << s.section;
    EXPECT_LE(got->start, s.time + s.lateSteps * kStep + 0.001f) << "section " << s.section;
    counts += " " + std::to_string(s.section) + ":" + std::to_string(got->frames);
  }
  std::printf("frames per section:%s\n", counts.c_str());

  const std::vector<Open> expected = {
      {0, 1, "steps2.clp"},     {2, 1, "steps2.clp"},     {9, 2, "dj.clp"},
      {14, 1, "steps2.clp"},    {14, 2, "fa_street2.clp"}, {16, 1, "steps2.clp"},
      {17, 2, "fa_street3.clp"}, {18, 1, "fa_street2.clp"}, {19, 1, "fa_street3.clp"},
  };
  EXPECT_EQ(TimelineOpens(), expected);
}

TEST_F(Show, EscapeInTheDjSectionDrawsNoFurtherFrameAndLeavesDjOnPlayer2) {
  g_script.escapeSection = 10;
  g_script.escapeAt = 100.0f;
  ASSERT_EQ(DEMO_RunShow(), 1);
  ASSERT_GT(g_script.framesAtEscape, 0);
  EXPECT_EQ(GFX_FrameCount(), g_script.framesAtEscape);
  EXPECT_LT(MUSIC_GetTime(), 100.0f + kStep);
  for (int s = 11; s <= DEMO_SECTION_COUNT; ++s) EXPECT_EQ(Frames(s), 0) << "section " << s;
  ASSERT_TRUE(VIDEO_player2->stream);
  EXPECT_EQ(VIDEO_player2->overlayKind, VIDEO_OVERLAY_2);  // chosen by the path "...dj.clp"
  std::string lastOnPlayer2;
  for (const Open& o : g_opens)
    if (o.player == 2) lastOnPlayer2 = o.clip;
  EXPECT_EQ(lastOnPlayer2, "dj.clp");
}

// One long frame in section 3: every loop whose end has passed draws nothing, and the first
// whose end still lies ahead starts at once.
TEST_F(Show, ALateMachineSkipsTheSectionsWhoseEndHasPassed) {
  struct Case {
    DWORD longFrameMs;
    std::vector<int> skipped;
    int startsAtOnce;
  };
  const Case cases[] = {{20000, {4}, 5}, {30000, {4, 5}, 6}};
  for (const Case& c : cases) {
    SetUp();
    g_script.longFrameSection = 3;
    g_script.longFrameMs = c.longFrameMs;
    g_script.escapeSection = c.startsAtOnce;  // the rest of the show is not needed
    ASSERT_EQ(DEMO_RunShow(), 1);
    EXPECT_EQ(Frames(3), 1) << c.longFrameMs;
    for (int s : c.skipped) EXPECT_EQ(Frames(s), 0) << "section " << s << " after " << c.longFrameMs;
    EXPECT_GT(Frames(c.startsAtOnce), 0) << c.longFrameMs;
    EXPECT_NEAR(DEMO_SectionGet(c.startsAtOnce)->start, 5.5f + c.longFrameMs / 1000.0f, 0.001f) << c.longFrameMs;
    TearDown();
  }
}

}  // namespace
