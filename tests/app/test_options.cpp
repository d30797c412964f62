// The command line: every flag lands in its settings field, bad input is refused with the
// usage and status 2, and a render gets its defaults.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/app_options.h"

namespace {

int parse(std::vector<const char*> args, APP_Options& o, std::string& message) {
  args.insert(args.begin(), "velmar");
  return APP_OptionsParse(int(args.size()), args.data(), o, message);
}

APP_Settings settings_for(std::vector<const char*> args) {
  APP_Options o;
  std::string message;
  EXPECT_EQ(parse(args, o, message), APP_OPTIONS_RUN) << message;
  APP_Settings s = APP_SETTINGS_DEFAULT;
  APP_OptionsApply(o, s);
  return s;
}

struct FlagCase {
  std::vector<const char*> args;
  std::int32_t APP_Settings::*field;
  std::int32_t expected;
};

TEST(Options, EachFlagSetsItsSettingsField) {
  const std::vector<FlagCase> cases = {
      {{"--no-dialog", "--windowed"}, &APP_Settings::fullscreen, 0},
      {{"--no-dialog", "--fullscreen"}, &APP_Settings::fullscreen, 1},
      {{"--no-dialog", "--desktop"}, &APP_Settings::useDesktop, 1},
      {{"--no-dialog", "--no-sound"}, &APP_Settings::outputRow, 2},
      {{"--no-dialog", "--no-shadows"}, &APP_Settings::dynamicShadows, 0},
      {{"--no-dialog", "--vsync", "off"}, &APP_Settings::vsync, 0},
      {{"--no-dialog", "--vsync", "on"}, &APP_Settings::vsync, 1},
      {{"--no-dialog", "--size", "1920x1080"}, &APP_Settings::width, 1920},
      {{"--no-dialog", "--size", "1920x1080"}, &APP_Settings::height, 1080},
      {{"--stretch"}, &APP_Settings::stretch, 1},
      {{"--render", "x.y4m"}, &APP_Settings::outputRow, 2},
      {{"--render", "x.y4m"}, &APP_Settings::fullscreen, 0},
      {{"--render", "x.y4m"}, &APP_Settings::width, 1440},
      {{"--render", "x.y4m", "--size", "160x120"}, &APP_Settings::height, 120},
      {{"--render", "x.y4m", "--size", "160x120", "--supersample", "3"}, &APP_Settings::width, 480},
  };
  for (const FlagCase& c : cases) EXPECT_EQ(settings_for(c.args).*c.field, c.expected) << c.args.back();
}

TEST(Options, NoFlagsKeepTheDialogAndItsDefaults) {
  APP_Options o;
  std::string message;
  ASSERT_EQ(parse({}, o, message), APP_OPTIONS_RUN);
  EXPECT_EQ(o.noDialog, 0);
  APP_Settings s = APP_SETTINGS_DEFAULT;
  APP_OptionsApply(o, s);
  EXPECT_EQ(0, std::memcmp(&s, &APP_SETTINGS_DEFAULT, sizeof s));
}

TEST(Options, ValuesOfTheClockDataAndRender) {
  APP_Options o;
  std::string message;
  ASSERT_EQ(parse({"--no-dialog", "--start", "42.5", "--data", "/tmp/d", "--stats"}, o, message), APP_OPTIONS_RUN);
  EXPECT_FLOAT_EQ(o.start, 42.5f);
  EXPECT_EQ(o.dataDir, "/tmp/d");
  EXPECT_EQ(o.stats, 1);
  ASSERT_EQ(parse({"--render", "a.mkv", "--fps", "25", "--from", "17.5", "--to", "20", "--", "-b:v", "1M"}, o, message),
            APP_OPTIONS_RUN);
  EXPECT_EQ(o.render, "a.mkv");
  EXPECT_DOUBLE_EQ(o.fps, 25.0);
  EXPECT_DOUBLE_EQ(o.from, 17.5);
  EXPECT_DOUBLE_EQ(o.to, 20.0);
  EXPECT_EQ(o.ffmpegArgs, (std::vector<std::string>{"-b:v", "1M"}));
  ASSERT_EQ(parse({"--render", "frames/", "--size", "641x481"}, o, message), APP_OPTIONS_RUN) << "PNG takes any size";
  ASSERT_EQ(parse({"--render", "a.mkv", "--lossless", "--size", "641x481"}, o, message), APP_OPTIONS_RUN) << message;
  EXPECT_EQ(o.lossless, 1);
  ASSERT_EQ(parse({"--render", "p.mkv", "--piece", "2/3"}, o, message), APP_OPTIONS_RUN) << message;
  EXPECT_EQ(o.pieceIndex * 10 + o.pieceCount + 100 * o.lossless, 123) << "a piece is lossless";
  ASSERT_EQ(parse({"--join", "a.mkv", "p1.mkv", "p2.mkv", "--data", "d"}, o, message), APP_OPTIONS_RUN) << message;
  EXPECT_EQ(o.pieces, (std::vector<std::string>{"p1.mkv", "p2.mkv"}));
  ASSERT_EQ(parse({"--render", "frames/", "--stills", "40,80.5"}, o, message), APP_OPTIONS_RUN);
  EXPECT_EQ(o.stills, (std::vector<double>{40.0, 80.5}));
  ASSERT_EQ(parse({"--render", "a.y4m"}, o, message), APP_OPTIONS_RUN);
  EXPECT_DOUBLE_EQ(o.fps, 60.0);
  EXPECT_DOUBLE_EQ(o.to, 312.0);
}

TEST(Options, BadInputIsRefusedWithItsNameAndTheUsage) {
  const std::vector<std::pair<std::vector<const char*>, const char*>> cases = {
      {{"--bogus"}, "--bogus"},
      {{"--no-dialog", "--size", "800"}, "--size"},
      {{"--no-dialog", "--size", "0x600"}, "--size"},
      {{"--no-dialog", "--size", "800x600junk"}, "--size"},
      {{"--no-dialog", "--vsync", "maybe"}, "--vsync"},
      {{"--no-dialog", "--vsync"}, "--vsync"},
      {{"--gl", "vulkan"}, "--gl"},
      {{"--start", "-3"}, "--start"},
      {{"--start", "1e999"}, "--start"},
      {{"--render", "a.y4m", "--fps", "0"}, "--fps"},
      {{"--render", "a.y4m", "--from", "20", "--to", "10"}, "--from"},
      {{"--render", "a.y4m", "--windowed"}, "--windowed"},
      {{"--size", "800x600"}, "--no-dialog"},
      {{"--fps", "30"}, "--render"},
      {{"--", "x"}, "--render"},
      {{"--no-dialog", "--windowed", "--desktop"}, "--desktop"},
      {{"--render", "a.y4m", "--stills", "4"}, "--stills"},
      {{"--render", "frames/", "--stills", "4,x"}, "--stills"},
      {{"--render", "frames/", "--stills", "400"}, "--stills"},
      {{"--stills", "4"}, "--render"},
      {{"--render", "a.mkv", "--size", "641x480"}, "use 640x480 or 642x480"},
      {{"--render", "a.y4m", "--size", "640x481"}, "use 640x480 or 640x482"},
      {{"--render", "show"}, "chooses no kind"},
      {{"--render", "show.xyz"}, "chooses no kind"},
      {{"--no-dialog", "--desktop", "--size", "800x600"}, "--desktop"},
      {{"--no-dialog", "--windowed", "--size", "20000x600"}, "at most 16384x16384"},
      {{"--frame-numbers", "1,313"}, "--frame-numbers"},
      {{"--render", "a.y4m", "--lossless"}, "--lossless does not go with a .y4m"},
      {{"--render", "a.mp4", "--lossless"}, "--lossless needs an .mkv"},
      {{"--lossless"}, "need --render"},
      {{"--render", "a.mkv", "--supersample", "5"}, "--supersample"},
      {{"--render", "a.mkv", "--supersample", "2.5"}, "--supersample"},
      {{"--supersample", "2"}, "need --render"},
      {{"--render", "a.mkv", "--jobs", "0"}, "--jobs"},
      {{"--render", "a.mkv", "--jobs", "65"}, "--jobs"},
      {{"--render", "a.mkv", "--from", "10", "--to", "10.05", "--jobs", "4"}, "more pieces than the 3 frames"},
      {{"--render", "a.mkv", "--piece", "3/2"}, "piece 3 is past the 2 pieces"},
      {{"--render", "a.mkv", "--piece", "0/2"}, "--piece"},
      {{"--render", "a.y4m", "--piece", "1/2"}, "--piece writes a lossless .mkv"},
      {{"--render", "a.mkv", "--piece", "1/2", "--jobs", "2"}, "--jobs does not go with --piece"},
      {{"--render", "f/", "--jobs", "2", "--stills", "4"}, "--stills does not go with --jobs"},
      {{"--join", "a.mkv"}, "no pieces"},
      {{"--join", "a.mkv", "p1.mkv", "--fps", "30"}, "from the pieces"},
      {{"--join", "a.y4m", "p1.mkv", "--lossless"}, "--lossless does not go with a .y4m"},
      {{"--frame-numbers", "1", "--render", "a.y4m"}, "--render does not go with --frame-numbers"},
  };
  for (const auto& [args, named] : cases) {
    APP_Options o;
    std::string message;
    EXPECT_EQ(parse(args, o, message), APP_OPTIONS_BAD) << args.back();
    const std::string first = message.substr(0, message.find('\n'));
    EXPECT_NE(first.find(named), std::string::npos) << first;
    EXPECT_NE(message.find("usage: velmar"), std::string::npos);
  }
}

TEST(Options, HelpAndVersionEndAtOnce) {
  APP_Options o;
  std::string message;
  EXPECT_EQ(parse({"--help"}, o, message), APP_OPTIONS_DONE);
  EXPECT_NE(message.find("--render OUT"), std::string::npos);
  EXPECT_EQ(parse({"--version"}, o, message), APP_OPTIONS_DONE);
  EXPECT_EQ(message.rfind("velmar ", 0), 0u);
}

// The frame a render shows for a music time, times on and just off the grid among them.
TEST(Options, FrameNumbersAreTheFirstFramesAtOrAfterTheTimes) {
  struct Case {
    const char* times;
    const char* fps;  // null: the default
    const char* frames;
  };
  const std::vector<Case> cases = {
      {"0,0.1,0.3,2.3,0.15,40.04", "10", "0\n1\n3\n23\n2\n401\n"},
      {"0.3333333333333333,0.333333,0.34,8.3", "30", "10\n10\n11\n249\n"},
      {"0.28", "25", "7\n"},
      {"312,1", nullptr, "18720\n60\n"},
      {"312", "10", "3120\n"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> args = {"--frame-numbers", c.times};
    if (c.fps) args.insert(args.end(), {"--fps", c.fps});
    APP_Options o;
    std::string message;
    EXPECT_EQ(parse(args, o, message), APP_OPTIONS_DONE) << c.times;
    EXPECT_EQ(message, c.frames) << c.times;
  }
}

}  // namespace
