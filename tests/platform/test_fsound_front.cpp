// The FSOUND front end over a fake backend that records what it is asked: a start that fails
// leaves nothing playing, a replaced stream is silenced, and a stream decoded to nothing
// playable is freed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/pl_fsound.h"
#include "platform/pl_fsound_backend.h"
#include "tests/support/test_util.h"

namespace {

// What the fake backend hands out and was asked. Streams are numbered from 1.
struct Fake {
  int rate = 44100, length = 44100;  // what the next open decodes to
  int playFails = 0;                 // starts that fail before one succeeds
  int opened = 0;
  std::vector<long> stopped, freed;
} fake;

long id_of(void* stream) { return long(reinterpret_cast<std::intptr_t>(stream)); }

const PL_SoundBackend kFakeBackend = {
    [](int, std::vector<std::string>* names) { names->assign(1, "Fake"); },
    [](int, const char*, int) { return 1; },
    [] {},
    [](std::FILE* file, void** stream, int* rate, int* length) {
      std::fclose(file);
      *stream = reinterpret_cast<void*>(std::intptr_t(++fake.opened));
      *rate = fake.rate;
      *length = fake.length;
      return int(FMOD_ERR_NONE);
    },
    [](void*, long long) { return 1; },
    [](void*, long long, int) { return fake.playFails-- > 0 ? 0 : 1; },
    [](void* stream) { fake.stopped.push_back(id_of(stream)); },
    [](void* stream) { fake.freed.push_back(id_of(stream)); },
    [](void*) { return 1000ll; },
    [](void*, int) {},
    [](PL_SoundReport* r) { *r = PL_SoundReport{}; },
};

struct FsoundFront : ::testing::Test {
  vt::TempDir dir;
  std::string file = dir.file("any.mp3");
  void SetUp() override {
    fake = Fake{};
    vt::WriteFile(file, std::string("sound"));
    PL_SoundUseBackend(&kFakeBackend);
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DEFAULT));
    ASSERT_TRUE(FSOUND_Init(44100, 1, 0));
  }
  void TearDown() override {
    FSOUND_Close();
    PL_SoundUseBackend(nullptr);
  }
  FSOUND_STREAM* Open() { return FSOUND_Stream_OpenFile(file.c_str(), 0, 0); }
};

// The one channel is free again after the failed start, and the stream can still be played.
TEST_F(FsoundFront, FailedPlayLeavesTheStreamUnplayedAndTheChannelFree) {
  FSOUND_STREAM* a = Open();
  FSOUND_STREAM* b = Open();
  ASSERT_TRUE(a && b);
  fake.playFails = 1;
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, a), -1);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_PLAY);
  EXPECT_EQ(FSOUND_Stream_GetPosition(a), 0u);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, b), 0);
  EXPECT_EQ(FSOUND_Stream_Play(0, a), 0);
}

TEST_F(FsoundFront, ReplacedStreamIsSilenced) {
  FSOUND_STREAM* a = Open();
  FSOUND_STREAM* b = Open();
  ASSERT_TRUE(a && b);
  ASSERT_EQ(FSOUND_Stream_Play(0, a), 0);
  ASSERT_EQ(FSOUND_Stream_Play(0, b), 0);
  EXPECT_EQ(fake.stopped, std::vector<long>{1});
}

TEST_F(FsoundFront, StreamDecodedToNothingPlayableIsFreed) {
  for (auto [rate, length] :
       {std::pair{0, 44100}, std::pair{-8000, 44100}, std::pair{44100, 0}, std::pair{44100, -1}}) {
    SCOPED_TRACE(testing::Message() << rate << " Hz, " << length << " frames");
    fake.rate = rate;
    fake.length = length;
    fake.freed.clear();
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
    EXPECT_EQ(fake.freed, std::vector<long>{fake.opened});
  }
}

}  // namespace
