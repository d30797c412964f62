// The two copies of the clip library, loaded by name as the show loads them: each has its own
// decoder, two clips played at once give the pictures each gives alone, and those pictures are
// the decoder's own output for the clip's frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/pl_platform.h"
#include "tests/support/clip_support.h"
#include "tests/support/test_util.h"

namespace {

using Picture = std::vector<std::uint8_t>;
struct Playing {
  const vt::ClipLibrary* library;
  std::string path;
};

// Plays the clips side by side for 1.3 s in 7 ms steps of the manual clock (both wrap, at
// different moments) and records each new picture each of them shows, with its frame index.
std::vector<std::vector<std::pair<int, Picture>>> Play(const std::vector<Playing>& clips) {
  PL_TimerSetManual(1, 20000);
  std::vector<ClpStream*> streams;
  std::vector<std::vector<std::pair<int, Picture>>> shown(clips.size());
  for (const Playing& c : clips) streams.push_back(c.library->newStream(c.path.c_str()));
  const bool opened = std::find(streams.begin(), streams.end(), nullptr) == streams.end();
  for (int t = 0; opened && t <= 1300; t += 7, PL_TimerAdvance(7)) {
    for (std::size_t i = 0; i < clips.size(); ++i) {
      ClpStream* s = streams[i];
      const std::uint32_t before = s->pictureCount;
      t ? clips[i].library->updateStream(s) : clips[i].library->startStream(s);
      if (s->pictureCount != before) shown[i].emplace_back(s->currentFrame, Picture(s->picture, s->picture + s->pixelCount * 4));
    }
  }
  for (std::size_t i = 0; i < clips.size(); ++i) clips[i].library->deleteStream(streams[i]);
  PL_TimerSetManual(0, 0);
  return opened ? shown : decltype(shown)();
}

class ClipCopies : public ::testing::Test {
 protected:
  vt::ClipLibrary first_{"clpdll.dll"};
  vt::ClipLibrary second_{"clpdll2.dll"};
  const std::string steps_ = vt::ClipFixture("testsrc_64x48.clp");
  const std::string mandel_ = vt::ClipFixture("mandel_96x64.clp");
};

TEST_F(ClipCopies, TwoClipsAtOnceShowWhatEachShowsAlone) {
  ASSERT_TRUE(first_.Bound() && second_.Bound());
  EXPECT_NE(first_.module, second_.module);
  // A stream open in one copy leaves the other copy's decoder free, not its own.
  ClpStream* open = first_.newStream(steps_.c_str());
  EXPECT_EQ(first_.newStream(mandel_.c_str()), nullptr);
  first_.deleteStream(open);

  const auto steps = Play({{&first_, steps_}});
  const auto mandel = Play({{&first_, mandel_}});
  ASSERT_EQ(steps.size(), 1u);
  ASSERT_EQ(mandel.size(), 1u);
  EXPECT_TRUE(Play({{&first_, steps_}, {&second_, mandel_}}) == (std::vector{steps[0], mandel[0]}));
  EXPECT_TRUE(Play({{&second_, steps_}, {&first_, mandel_}}) == (std::vector{steps[0], mandel[0]}));
  // The comparison has teeth: every frame shown in order, a wrap, pictures that move.
  ASSERT_GE(steps[0].size(), 12u);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(steps[0][k].first, k % 10);
  EXPECT_NE(steps[0][0].second, steps[0][1].second);
  EXPECT_EQ(steps[0][0].second, steps[0][10].second);
}

TEST_F(ClipCopies, PicturesAreTheDecodersOutputWithAllDeblockingPasses) {
  vt::TempDir dir;
  const std::string out = dir.file("frames.bgra");
  const std::string command = std::string(PL_ExecutableDir()) + "/clpdec --bgra --post 100 " + mandel_ + " " + out;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<std::uint8_t> decoded = vt::ReadFile(out);
  const std::size_t size = 96 * 64 * 4;
  ASSERT_EQ(decoded.size(), 14 * size);
  const auto pictures = vt::ClipPictures(first_, mandel_, 16);
  ASSERT_EQ(pictures.size(), 16u);
  for (std::size_t k = 0; k < 16; ++k)
    EXPECT_TRUE(std::equal(pictures[k].begin(), pictures[k].end(), decoded.begin() + (k % 14) * size)) << k;
}

}  // namespace
