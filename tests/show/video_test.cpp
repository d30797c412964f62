// Clip playback into textures under Xvfb: players bound to the two library copies, the red/blue
// swap done once per picture, uploads only of new pictures, the overlay blend, the inverted
// upload, and players whose library or clip is missing.
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

// The material's whole 512 x 512 texture as RGBA, row 0 first.
Bytes Texture(const GFX_Material* m) {
  GFX_OglBindRaw(m->texture);
  Bytes out(512 * 512 * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

// The clip's part of a texture, RGBA rows of the clip's width.
Bytes ClipArea(const Bytes& texture) {
  Bytes out;
  for (int y = 0; y < kH; ++y)
    out.insert(out.end(), texture.begin() + y * 512 * 4, texture.begin() + (y * 512 + kW) * 4);
  return out;
}

// A decoder picture as the texture holds it: red and blue exchanged, and no alpha in a
// format-2 texture (the fourth byte reads back as 255).
Bytes Swapped(const Bytes& bgr0) {
  Bytes out(bgr0.size());
  for (std::size_t i = 0; i < bgr0.size(); i += 4) {
    out[i] = bgr0[i + 2];
    out[i + 1] = bgr0[i + 1];
    out[i + 2] = bgr0[i];
    out[i + 3] = 255;
  }
  return out;
}

class VideoPlayback : public vt::GlTest {
 protected:
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    PL_TimerSetManual(1, 100000);
    for (GFX_Material*& m : clips_) {
      m = GFX_MaterialNew(512, 512, IMG_RGBX);
      ASSERT_NE(m, nullptr);
      ASSERT_EQ(GFX_MaterialUpload(m), 1);
    }
    vt::ClipLibrary reference("clpdll2.dll");
    frames_ = vt::ClipPictures(reference, clip_, 11);
    ASSERT_EQ(frames_.size(), 11u);
  }
  void TearDown() override {
    VIDEO_Shutdown();
    VIDEO_overlay1 = VIDEO_overlay2 = nullptr;
    for (IMG_Image* image : images_) IMG_ImageDelete(image);
    for (GFX_Material* m : clips_) {
      if (!m) continue;
      GFX_MaterialUnbind(m);
      GFX_MaterialDelete(m);
    }
    PL_TimerSetManual(0, 0);
  }
  // Player 1 on the fixture clip, started now.
  VIDEO_Player* Started(const std::string& path) {
    VIDEO_player1 = VIDEO_StreamLoad(path.c_str(), "clpdll.dll");
    if (VIDEO_player1) VIDEO_StreamStart(VIDEO_player1);
    return VIDEO_player1;
  }
  // Player 1 on the fixture clip, started and its first picture shown in clip material 200.
  VIDEO_Player* Showing() {
    VIDEO_Player* p = Started(clip_);
    if (p) VIDEO_TextureShow(p, clips_[0]);
    return p;
  }
  // Every operation on a player without a clip does nothing: the texture stays as it was.
  void ExpectIdle(VIDEO_Player* p) {
    const Bytes before = Texture(clips_[0]);
    VIDEO_StreamStart(p);
    EXPECT_EQ(VIDEO_FrameFetch(p), 0);
    VIDEO_FrameOverlay(p);
    VIDEO_TextureUpdate(p, clips_[0]);
    EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 0);
    EXPECT_EQ(VIDEO_TextureInvert(p, clips_[0]), 0);
    EXPECT_TRUE(Texture(clips_[0]) == before);
  }
  IMG_Image* Image(int width, int height) {
    images_.push_back(IMG_ImageCreate(width, height, IMG_RGBA, 0));
    return images_.back();
  }
  const std::string clip_ = vt::ClipFixture("testsrc_64x48.clp");
  GFX_Material* clips_[3] = {};
  std::vector<IMG_Image*> images_;
  std::vector<Bytes> frames_;  // frames 0..9 and 0 again, as the decoder gives them
};

TEST_F(VideoPlayback, FirstPictureIsSwappedAndUploadedIntoTheCorner) {
  VIDEO_Player* p = Started(clip_);
  ASSERT_NE(p, nullptr);
  ASSERT_NE(p->stream, nullptr);
  EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 1);
  const Bytes t = Texture(clips_[0]);
  EXPECT_EQ(ClipArea(t), Swapped(frames_[0]));
  EXPECT_EQ(p->shownFrame, 0);
  // Outside the clip the texture keeps its blank image (no alpha: 255).
  EXPECT_EQ(t[(kW + 1) * 4], 0);
  EXPECT_EQ(t[(kH * 512 + 3) * 4 + 1], 0);
  EXPECT_EQ(t[(511 * 512 + 511) * 4 + 3], 255);
}

TEST_F(VideoPlayback, UploadsOnlyNewPicturesAndSwapsEachOnce) {
  VIDEO_Player* p = Showing();
  ASSERT_NE(p, nullptr);
  // Mark the texture: an update within the same frame period must not upload.
  const Bytes mark(kW * kH * 4, 7);
  GFX_OglTexSubUpload(clips_[0], 0, 0, kW, kH, mark.data());
  PL_TimerAdvance(39);
  VIDEO_TextureUpdate(p, clips_[0]);
  EXPECT_EQ(ClipArea(Texture(clips_[0]))[0], 7);
  // Shown again regardless of newness, still red/blue swapped once only.
  EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 1);
  EXPECT_EQ(ClipArea(Texture(clips_[0])), Swapped(frames_[0]));
  PL_TimerAdvance(1);
  EXPECT_EQ(VIDEO_FrameFetch(p), 1);
  EXPECT_EQ(VIDEO_FrameFetch(p), 0);
  VIDEO_TextureShow(p, clips_[1]);
  EXPECT_EQ(ClipArea(Texture(clips_[1])), Swapped(frames_[1]));
}

TEST_F(VideoPlayback, WrapBackToFrameZeroIsSwappedAndUploaded) {
  VIDEO_Player* p = Showing();
  ASSERT_NE(p, nullptr);
  for (int k = 1; k <= 10; ++k) {
    PL_TimerAdvance(40);
    VIDEO_TextureUpdate(p, clips_[0]);
    ASSERT_EQ(ClipArea(Texture(clips_[0])), Swapped(frames_[k])) << "frame " << k;
  }
  EXPECT_EQ(p->shownFrame, 0);
}

TEST_F(VideoPlayback, OverlayIsBlendedOncePerPicture) {
  // Opened under a name containing "scroll.clp": the first overlay image.
  vt::TempDir dir;
  const std::string scroll = dir.file("scroll.clp");
  std::filesystem::copy_file(clip_, scroll);
  IMG_Image* overlay = Image(kW, kH);
  const std::uint8_t alphas[] = {0, 1, 64, 128, 200, 255};
  for (int i = 0; i < kW * kH; ++i) {
    std::uint8_t* o = overlay->data + i * 4;
    o[0] = static_cast<std::uint8_t>(i * 7);
    o[1] = static_cast<std::uint8_t>(255 - i);
    o[2] = static_cast<std::uint8_t>(i * 13 + 5);
    o[3] = alphas[i % 6];
  }
  VIDEO_overlay1 = overlay;
  VIDEO_overlay2 = Image(kW, kH);  // not chosen: would blend nothing anyway (alpha 0)
  VIDEO_Player* p = Started(clip_);
  ASSERT_NE(p, nullptr);
  VIDEO_StreamOpen(p, scroll.c_str());
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_1);
  VIDEO_StreamStart(p);
  VIDEO_TextureShow(p, clips_[0]);

  Bytes expected = Swapped(frames_[0]);
  for (int i = 0; i < kW * kH; ++i) {
    const std::uint8_t* o = overlay->data + i * 4;
    for (int c = 0; c < 3; ++c) {
      const int picture = expected[i * 4 + c];
      // p + ((o - p) * a) / 256, rounded toward minus infinity.
      const int delta = (o[c] - picture) * o[3];
      const int step = delta >= 0 ? delta / 256 : -((-delta + 255) / 256);
      expected[i * 4 + c] = static_cast<std::uint8_t>(picture + step);
    }
  }
  EXPECT_EQ(ClipArea(Texture(clips_[0])), expected);
  // Shown again within the frame period: not blended a second time.
  VIDEO_TextureShow(p, clips_[0]);
  EXPECT_EQ(ClipArea(Texture(clips_[0])), expected);

  // An overlay smaller than the clip is not used.
  VIDEO_overlay1 = Image(8, 8);
  std::fill(VIDEO_overlay1->data, VIDEO_overlay1->data + 8 * 8 * 4, 0xFF);
  PL_TimerAdvance(40);
  VIDEO_TextureUpdate(p, clips_[0]);
  EXPECT_EQ(ClipArea(Texture(clips_[0])), Swapped(frames_[1]));
}

TEST_F(VideoPlayback, InvertedUploadComplementsAllFourBytes) {
  VIDEO_Player* p = Showing();
  ASSERT_NE(p, nullptr);
  // An RGBA material keeps the fourth byte: the picture's 0 becomes 255.
  GFX_Material* rgba = GFX_MaterialNew(512, 512, IMG_RGBA);
  ASSERT_EQ(GFX_MaterialUpload(rgba), 1);
  EXPECT_EQ(VIDEO_TextureInvert(p, clips_[2]), 1);
  EXPECT_EQ(VIDEO_TextureInvert(p, rgba), 1);
  const Bytes shown = Swapped(frames_[0]);
  Bytes inverted(shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) inverted[i] = i % 4 == 3 ? 255 : 255 - shown[i];
  EXPECT_EQ(ClipArea(Texture(clips_[2])), inverted);
  EXPECT_EQ(ClipArea(Texture(rgba)), inverted);
  // The picture itself is left as it was.
  EXPECT_EQ(ClipArea(Texture(clips_[0])), shown);
  GFX_MaterialUnbind(rgba);
  GFX_MaterialDelete(rgba);
}

TEST_F(VideoPlayback, BothPlayersPlayAtOnceAndShutdownFreesThem) {
  VIDEO_player1 = VIDEO_StreamLoad(clip_.c_str(), "clpdll.dll");
  VIDEO_player2 = VIDEO_StreamLoad(vt::ClipFixture("mandel_96x64.clp").c_str(), "clpdll2.dll");
  ASSERT_NE(VIDEO_player1, nullptr);
  ASSERT_NE(VIDEO_player2, nullptr);
  EXPECT_NE(VIDEO_player1->library, VIDEO_player2->library);
  VIDEO_StreamStart(VIDEO_player1);
  VIDEO_StreamStart(VIDEO_player2);
  PL_TimerAdvance(80);
  VIDEO_TextureShow(VIDEO_player1, clips_[0]);
  VIDEO_TextureShow(VIDEO_player2, clips_[1]);
  EXPECT_EQ(ClipArea(Texture(clips_[0])), Swapped(frames_[2]));
  EXPECT_EQ(VIDEO_player2->stream->currentFrame, 2);
  EXPECT_EQ(VIDEO_Shutdown(), 1);
  EXPECT_EQ(VIDEO_player1, nullptr);
  EXPECT_EQ(VIDEO_player2, nullptr);
  EXPECT_EQ(VIDEO_Shutdown(), 1);
}

TEST_F(VideoPlayback, MissingLibraryOrExportGivesNoPlayer) {
  vt::ErrorLog log;
  EXPECT_EQ(VIDEO_StreamLoad(clip_.c_str(), "nosuchclip.dll"), nullptr);
  EXPECT_TRUE(log.Has("VIDEO_StreamLoad - cannot load nosuchclip.dll"));
  // A library of the build without the exports.
  EXPECT_EQ(VIDEO_StreamLoad(clip_.c_str(), "libvelmar_platform.so"), nullptr);
  EXPECT_TRUE(log.Has("VIDEO_StreamLoad - libvelmar_platform.so has no newstream"));
}

TEST_F(VideoPlayback, PlayerWithoutAClipAndNullPlayersDoNothing) {
  VIDEO_Player* p = VIDEO_StreamLoad("data\\video\\dj.clp", "clpdll.dll");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->stream, nullptr);
  VIDEO_StreamOpen(p, "data\\video\\dj.clp");
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_2);
  ExpectIdle(p);
  VIDEO_StreamOpen(p, "data\\video\\fa_street2.clp");
  EXPECT_EQ(p->overlayKind, VIDEO_OVERLAY_NONE);
  // A clip that opens after one that did not plays normally.
  VIDEO_StreamOpen(p, clip_.c_str());
  ASSERT_NE(p->stream, nullptr);
  VIDEO_StreamStart(p);
  EXPECT_EQ(VIDEO_TextureShow(p, clips_[0]), 1);
  EXPECT_EQ(ClipArea(Texture(clips_[0])), Swapped(frames_[0]));
  VIDEO_StreamFree(p);

  VIDEO_StreamOpen(nullptr, clip_.c_str());
  ExpectIdle(nullptr);
  VIDEO_StreamFree(nullptr);
}

TEST_F(VideoPlayback, ReopenedPlayerSwapsTheNewClipsFirstPicture) {
  VIDEO_Player* p = Showing();
  ASSERT_NE(p, nullptr);
  // Shown frame 0 and one picture, exactly what the new stream will have after its start.
  VIDEO_StreamOpen(p, clip_.c_str());
  VIDEO_StreamStart(p);
  VIDEO_TextureShow(p, clips_[0]);
  EXPECT_EQ(ClipArea(Texture(clips_[0])), Swapped(frames_[0]));
}

}  // namespace
