// Clip playback into 512 x 512 format-2 materials under Xvfb: the red/blue swap done once per
// picture, uploads of new pictures only, the overlay blend, the inverted upload, both players
// at once, and players whose library or clip is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/img_image.h"
#include "platform/pl_platform.h"
#include "show/video.h"
#include "tests/support/clip_support.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_util.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kW = 64, kH = 48;  // testsrc_64x48.clp: 10 frames, 40 ms apart

// The clip's corner of a material's texture, RGBA rows from texture row 0.
Bytes Corner(const GFX_Material* m) {
  GFX_OglBindRaw(m->texture);
  Bytes all(512 * 512 * 4), out;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
  for (int y = 0; y < kH; ++y) out.insert(out.end(), all.begin() + y * 512 * 4, all.begin() + (y * 512 + kW) * 4);
  return out;
}

// A decoder picture as a format-2 texture holds it: red and blue exchanged, no alpha (255).
Bytes Swapped(const Bytes& bgr0) {
  Bytes out(bgr0.size());
  for (std::size_t i = 0; i < bgr0.size(); i += 4) out[i] = bgr0[i + 2], out[i + 1] = bgr0[i + 1], out[i + 2] = bgr0[i], out[i + 3] = 255;
  return out;
}

class VideoPlayback : public vt::GlTest {
 protected:
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    for (GFX_Material*& m : clips_) {
      m = GFX_MaterialNew(512, 512, IMG_RGBX);
      ASSERT_EQ(GFX_MaterialUpload(m), 1);
    }
    vt::ClipLibrary reference("clpdll2.dll");
    frames_ = vt::ClipPictures(reference, clip_, 11);
    ASSERT_EQ(frames_.size(), 11u);
    PL_TimerSetManual(1, 100000);
  }
  void TearDown() override {
    VIDEO_Shutdown();
    VIDEO_overlay1 = nullptr;
    for (IMG_Image* image : images_) IMG_ImageDelete(image);
    for (GFX_Material* m : clips_) GFX_MaterialUnbind(m), GFX_MaterialDelete(m);
    PL_TimerSetManual(0, 0);
  }
  // Player 1 on `path`, started, its first picture shown in clip material 200.
  VIDEO_Player* Showing(const std::string& path) {
    VIDEO_player1 = VIDEO_StreamLoad(path.c_str(), "clpdll.dll");
    VIDEO_StreamStart(VIDEO_player1);
    VIDEO_TextureShow(VIDEO_player1, clips_[0]);
    return VIDEO_player1;
  }
  IMG_Image* Image(int width, int height) { return images_.emplace_back(IMG_ImageCreate(width, height, IMG_RGBA, 0)); }
  const std::string clip_ = vt::ClipFixture("testsrc_64x48.clp");
  GFX_Material* clips_[3] = {};
  std::vector<IMG_Image*> images_;
  std::vector<Bytes> frames_;  // frames 0..9 and 0 again, as the decoder gives them
};

TEST_F(VideoPlayback, NewPicturesAreSwappedOnceAndUploadedIntoTheCorner) {
  VIDEO_Player* p = Showing(clip_);
  ASSERT_TRUE(p && p->stream);
  // The first picture of a new player is swapped too.
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[0]));
  // Within the frame period an update uploads nothing (the marked texture stays), and a show
  // uploads the same picture without swapping it back.
  const Bytes mark(kW * kH * 4, 7);
  GFX_OglTexSubUpload(clips_[0], 0, 0, kW, kH, mark.data());
  PL_TimerAdvance(39);
  VIDEO_TextureUpdate(p, clips_[0]);
  EXPECT_EQ(Corner(clips_[0])[0], 7);
  EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 1);
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[0]));
  // Frame by frame through the wrap back to frame 0.
  PL_TimerAdvance(1);
  for (int k = 1; k <= 10; ++k, PL_TimerAdvance(40)) {
    VIDEO_TextureUpdate(p, clips_[0]);
    ASSERT_EQ(Corner(clips_[0]), Swapped(frames_[k])) << "frame " << k;
  }
  EXPECT_EQ(p->shownFrame, 0);
}

TEST_F(VideoPlayback, OneFrameClipIsSwappedAfterEveryWrap) {
  // The fixture cut after its first record: every period re-renders frame 0.
  vt::TempDir dir;
  Bytes one = vt::ReadFile(clip_);
  one.resize(21 + 8 + (one[21] | one[22] << 8));
  vt::WriteFile(dir.file("one.clp"), one);
  VIDEO_Player* p = Showing(dir.file("one.clp"));
  ASSERT_TRUE(p && p->stream);
  for (int k = 0; k < 3; ++k, PL_TimerAdvance(40)) {
    EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 1);
    EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[0])) << k;
  }
}

TEST_F(VideoPlayback, OverlayIsBlendedOncePerPicture) {
  vt::TempDir dir;
  const std::string scroll = dir.file("scroll.clp");  // the first overlay's clip name
  std::filesystem::copy_file(clip_, scroll);
  IMG_Image* overlay = VIDEO_overlay1 = Image(kW, kH);
  const std::uint8_t alphas[] = {0, 1, 64, 128, 200, 255};
  for (int i = 0; i < kW * kH * 4; ++i) overlay->data[i] = i % 4 == 3 ? alphas[i / 4 % 6] : std::uint8_t(i * 7 + 5);
  VIDEO_Player* p = Showing(scroll);
  ASSERT_TRUE(p && p->stream);
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_NONE);  // chosen when a clip is re-opened
  VIDEO_StreamOpen(p, scroll.c_str());
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_1);
  VIDEO_StreamStart(p);
  VIDEO_TextureShow(p, clips_[0]);
  VIDEO_TextureShow(p, clips_[0]);
  Bytes expected = Swapped(frames_[0]);
  for (int i = 0; i < kW * kH * 4; ++i) {
    const int a = overlay->data[i / 4 * 4 + 3], d = (overlay->data[i] - expected[i]) * a;
    // p + (o - p) * a / 256, rounded toward minus infinity.
    if (i % 4 != 3) expected[i] = std::uint8_t(expected[i] + (d >= 0 ? d / 256 : -((255 - d) / 256)));
  }
  EXPECT_EQ(Corner(clips_[0]), expected);
  // An overlay with fewer pixels than the clip is not used.
  VIDEO_overlay1 = Image(8, 8);
  PL_TimerAdvance(40);
  VIDEO_TextureUpdate(p, clips_[0]);
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[1]));
}

TEST_F(VideoPlayback, InvertedUploadComplementsAllFourBytes) {
  VIDEO_Player* p = Showing(clip_);
  ASSERT_TRUE(p && p->stream);
  // An RGBA material keeps the fourth byte, where the picture's 0 becomes 255.
  GFX_Material* rgba = GFX_MaterialNew(512, 512, IMG_RGBA);
  ASSERT_EQ(GFX_MaterialUpload(rgba), 1);
  EXPECT_EQ(VIDEO_TextureInvert(p, clips_[2]), 1);
  EXPECT_EQ(VIDEO_TextureInvert(p, rgba), 1);
  Bytes inverted = Swapped(frames_[0]);
  for (std::size_t i = 0; i < inverted.size(); ++i) inverted[i] = i % 4 == 3 ? 255 : 255 - inverted[i];
  EXPECT_EQ(Corner(clips_[2]), inverted);
  EXPECT_EQ(Corner(rgba), inverted);
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[0]));
  GFX_MaterialUnbind(rgba);
  GFX_MaterialDelete(rgba);
}

TEST_F(VideoPlayback, BothPlayersAtOnceAndReopenedClipsStartSwapped) {
  VIDEO_Player* p = Showing(clip_);
  VIDEO_player2 = VIDEO_StreamLoad(vt::ClipFixture("mandel_96x64.clp").c_str(), "clpdll2.dll");
  ASSERT_TRUE(p && VIDEO_player2 && VIDEO_player2->stream);
  VIDEO_StreamStart(VIDEO_player2);
  PL_TimerAdvance(80);
  VIDEO_TextureShow(VIDEO_player2, clips_[1]);
  VIDEO_TextureShow(p, clips_[0]);
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[2]));
  EXPECT_EQ(VIDEO_player2->stream->currentFrame, 2);
  // Re-opened at shown frame 0 with one picture: what the new stream has after its start.
  PL_TimerAdvance(320);
  VIDEO_TextureShow(p, clips_[0]);
  ASSERT_EQ(p->shownFrame, 0);
  VIDEO_StreamOpen(p, clip_.c_str());
  VIDEO_StreamStart(p);
  VIDEO_TextureShow(p, clips_[0]);
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[0]));
  EXPECT_EQ(VIDEO_Shutdown(), 1);
  EXPECT_TRUE(VIDEO_player1 == nullptr && VIDEO_player2 == nullptr);
}

TEST_F(VideoPlayback, MissingLibraryOrClipIsHarmless) {
  vt::ErrorLog log;
  EXPECT_EQ(VIDEO_StreamLoad(clip_.c_str(), "nosuchclip.dll"), nullptr);
  EXPECT_EQ(VIDEO_StreamLoad(clip_.c_str(), "libvelmar_platform.so"), nullptr);  // no exports
  EXPECT_TRUE(log.Has("VIDEO_StreamLoad - cannot load nosuchclip.dll"));
  EXPECT_TRUE(log.Has("VIDEO_StreamLoad - libvelmar_platform.so has no newstream"));
  // A player whose clip did not open, and no player at all: nothing happens.
  VIDEO_Player* p = VIDEO_player1 = VIDEO_StreamLoad("data\\video\\dj.clp", "clpdll.dll");
  ASSERT_TRUE(p && !p->stream);
  VIDEO_StreamOpen(p, "data\\video\\dj.clp");
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_2);
  for (VIDEO_Player* idle : {p, static_cast<VIDEO_Player*>(nullptr)}) {
    VIDEO_StreamOpen(idle, "data\\video\\fa_street2.clp");
    VIDEO_StreamStart(idle);
    VIDEO_TextureUpdate(idle, clips_[0]);
    EXPECT_EQ(VIDEO_FrameFetch(idle) + VIDEO_TextureShow(idle, clips_[0]) + VIDEO_TextureInvert(idle, clips_[0]), 0);
  }
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_NONE);
  EXPECT_EQ(Corner(clips_[0]), Swapped(Bytes(kW * kH * 4, 0)));  // still blank
  // A clip that opens later plays normally.
  VIDEO_StreamOpen(p, clip_.c_str());
  VIDEO_StreamStart(p);
  EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 1);
  EXPECT_EQ(Corner(clips_[0]), Swapped(frames_[0]));
}

}  // namespace
