// The two copies of the clip library, loaded by name as the show loads them: each has its own
// decoder, two clips played at once give the pictures each gives alone, and the pictures are
// the decoder's own output for the clip's frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/pl_platform.h"
#include "tests/support/clip_support.h"
#include "tests/support/test_util.h"

namespace {

using Picture = std::vector<std::uint8_t>;

struct Shown {
  int frame;
  Picture picture;
  bool operator==(const Shown&) const = default;
};

struct Playing {
  const vt::ClipLibrary* library;
  std::string path;
};

// Plays the clips side by side for `ms` milliseconds in 7 ms steps of the manual clock,
// updating each on every step, and records every new picture each of them shows.
std::vector<std::vector<Shown>> Play(const std::vector<Playing>& clips, int ms) {
  PL_TimerSetManual(1, 20000);
  std::vector<ClpStream*> streams;
  std::vector<std::vector<Shown>> shown(clips.size());
  std::vector<std::uint32_t> seen(clips.size(), 0);
  for (const Playing& c : clips) {
    streams.push_back(c.library->newStream(c.path.c_str()));
    EXPECT_NE(streams.back(), nullptr) << c.path;
    if (!streams.back()) return {};
  }
  for (int t = 0; t <= ms; t += 7) {
    for (std::size_t i = 0; i < clips.size(); ++i) {
      ClpStream* s = streams[i];
      if (t == 0) clips[i].library->startStream(s);
      else clips[i].library->updateStream(s);
      if (s->pictureCount == seen[i]) continue;
      seen[i] = s->pictureCount;
      shown[i].push_back({s->currentFrame, Picture(s->picture, s->picture + s->pixelCount * 4)});
    }
    PL_TimerAdvance(7);
  }
  for (std::size_t i = 0; i < clips.size(); ++i) clips[i].library->deleteStream(streams[i]);
  PL_TimerSetManual(0, 0);
  return shown;
}

class ClipCopies : public ::testing::Test {
 protected:
  vt::ClipLibrary first_{"clpdll.dll"};
  vt::ClipLibrary second_{"clpdll2.dll"};
  const std::string steps_ = vt::ClipFixture("testsrc_64x48.clp");
  const std::string mandel_ = vt::ClipFixture("mandel_96x64.clp");
};

TEST_F(ClipCopies, TwoNamesAreTwoModulesWithADecoderEach) {
  ASSERT_TRUE(first_.Bound());
  ASSERT_TRUE(second_.Bound());
  EXPECT_NE(first_.module, second_.module);
  EXPECT_NE(first_.newStream, second_.newStream);

  ClpStream* a = first_.newStream(steps_.c_str());
  ASSERT_NE(a, nullptr);
  // The first copy's decoder is taken; the second copy's is not.
  EXPECT_EQ(first_.newStream(mandel_.c_str()), nullptr);
  ClpStream* b = second_.newStream(mandel_.c_str());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->width, 96);
  EXPECT_EQ(b->framePeriod, 33u);
  EXPECT_EQ(a->framePeriod, 40u);
  first_.deleteStream(a);
  second_.deleteStream(b);
  a = first_.newStream(mandel_.c_str());
  EXPECT_NE(a, nullptr);
  first_.deleteStream(a);
}

TEST_F(ClipCopies, TwoClipsAtOnceShowWhatEachShowsAlone) {
  ASSERT_TRUE(first_.Bound() && second_.Bound());
  // 1.3 s: both clips wrap at least once, the 25 fps one while the other is mid-pass.
  const int ms = 1300;
  const auto stepsAlone = Play({{&first_, steps_}}, ms);
  const auto mandelAlone = Play({{&first_, mandel_}}, ms);
  const auto together = Play({{&first_, steps_}, {&second_, mandel_}}, ms);
  ASSERT_EQ(stepsAlone.size(), 1u);
  ASSERT_EQ(together.size(), 2u);
  EXPECT_TRUE(together[0] == stepsAlone[0]);
  EXPECT_TRUE(together[1] == mandelAlone[0]);
  // The other order of copies as well.
  const auto swapped = Play({{&second_, steps_}, {&first_, mandel_}}, ms);
  ASSERT_EQ(swapped.size(), 2u);
  EXPECT_TRUE(swapped[0] == stepsAlone[0]);
  EXPECT_TRUE(swapped[1] == mandelAlone[0]);

  // The comparison has teeth: every frame was shown, the clips wrapped, and the pictures move.
  ASSERT_GE(stepsAlone[0].size(), 30u);
  std::vector<int> frames;
  for (std::size_t k = 0; k < 12; ++k) frames.push_back(stepsAlone[0][k].frame);
  EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
  EXPECT_NE(stepsAlone[0][0].picture, stepsAlone[0][1].picture);
  EXPECT_EQ(stepsAlone[0][0].picture, stepsAlone[0][10].picture);
  EXPECT_NE(mandelAlone[0][0].picture, mandelAlone[0][5].picture);
}

TEST_F(ClipCopies, PicturesAreTheDecodersOutputWithAllDeblockingPasses) {
  ASSERT_TRUE(first_.Bound());
  vt::TempDir dir;
  const std::string out = dir.file("frames.bgra");
  const std::string command = std::string(PL_ExecutableDir()) + "/clpdec --bgra --post 100 " + mandel_ + " " + out;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<std::uint8_t> decoded = vt::ReadFile(out);
  const std::size_t size = 96 * 64 * 4;
  ASSERT_EQ(decoded.size(), 14 * size);
  const auto pictures = vt::ClipPictures(first_, mandel_, 16);
  ASSERT_EQ(pictures.size(), 16u);
  for (std::size_t k = 0; k < 16; ++k) {
    const std::size_t at = (k % 14) * size;
    EXPECT_TRUE(std::equal(pictures[k].begin(), pictures[k].end(), decoded.begin() + at)) << "frame " << k;
  }
}

}  // namespace
