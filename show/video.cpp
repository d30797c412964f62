// Clip playback: binding the clip library at run time, fetching due pictures, the red/blue
// swap and overlay blend done in place in the library's picture, and the uploads into clip
// materials (plain and colour-inverted).
#include "show/video.h"

#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/gfx_ogl.h"
#include "gfx/img_image.h"

VIDEO_Player* VIDEO_player1 = nullptr;
VIDEO_Player* VIDEO_player2 = nullptr;
IMG_Image* VIDEO_overlay1 = nullptr;
IMG_Image* VIDEO_overlay2 = nullptr;

namespace {

// The inverted path's scratch picture: any clip that fits a 512 x 512 clip material.
constexpr int kInvertPixels = 512 * 512;
std::uint32_t g_inverted[kInvertPixels];

VIDEO_OpenObserver g_openObserver = nullptr;

void NoteOpen(const VIDEO_Player* player, const char* path) {
  if (g_openObserver) g_openObserver(player, path);
}

bool Playing(const VIDEO_Player* player) { return player && player->stream; }

// A fresh stream's pictures are all new to the player.
void ForgetPicture(VIDEO_Player* player) {
  player->shownFrame = -1;
  player->shownPicture = 0;
  player->overlaid = 0;
}

int OverlayKind(const char* path) {
  if (std::strstr(path, "scroll.clp")) return VIDEO_OVERLAY_1;
  if (std::strstr(path, "dj.clp")) return VIDEO_OVERLAY_2;
  return VIDEO_OVERLAY_NONE;
}

int Upload(const ClpStream* s, GFX_Material* material, const void* pixels) {
  // The first row of the picture (the bottom of the video) lands on texture row 0.
  return GFX_OglTexSubUpload(material, 0, 0, s->width, s->height, pixels);
}

template <typename F>
bool Fetch(HMODULE library, const char* libraryName, const char* name, F* out) {
  *out = reinterpret_cast<F>(GetProcAddress(library, name));
  if (!*out) KR_Error("VIDEO_StreamLoad - %s has no %s", libraryName, name);
  return *out != nullptr;
}

VIDEO_Player* StreamLoad(const char* path, const char* libraryName) {
  auto* p = static_cast<VIDEO_Player*>(KR_Malloc(sizeof(VIDEO_Player), "VIDEO_StreamLoad - p"));
  if (!p) return nullptr;
  std::memset(p, 0, sizeof *p);
  ForgetPicture(p);
  p->library = LoadLibraryA(libraryName);
  if (!p->library) {
    KR_Error("VIDEO_StreamLoad - cannot load %s", libraryName ? libraryName : "(null)");
    KR_Free(p);
    return nullptr;
  }
  if (!Fetch(p->library, libraryName, "newstream", &p->newStream) ||
      !Fetch(p->library, libraryName, "startstream", &p->startStream) ||
      !Fetch(p->library, libraryName, "updatestream", &p->updateStream) ||
      !Fetch(p->library, libraryName, "deletestream", &p->deleteStream)) {
    FreeLibrary(p->library);
    KR_Free(p);
    return nullptr;
  }
  p->stream = path ? p->newStream(path) : nullptr;
  return p;
}

}  // namespace

VIDEO_Player* VIDEO_StreamLoad(const char* path, const char* libraryName) {
  VIDEO_Player* p = StreamLoad(path, libraryName);
  NoteOpen(p, path);
  return p;
}

void VIDEO_OpenObserverSet(VIDEO_OpenObserver observer) { g_openObserver = observer; }

void VIDEO_StreamOpen(VIDEO_Player* player, const char* path) {
  NoteOpen(player, path);
  if (!player) return;
  // The copy's one decoder is free again only once the old stream is gone.
  player->deleteStream(player->stream);
  player->stream = path ? player->newStream(path) : nullptr;
  player->overlayKind = path ? OverlayKind(path) : VIDEO_OVERLAY_NONE;
  ForgetPicture(player);
}

void VIDEO_StreamStart(VIDEO_Player* player) {
  if (Playing(player)) player->startStream(player->stream);
}

int VIDEO_FrameFetch(VIDEO_Player* player) {
  if (!Playing(player)) return 0;
  player->updateStream(player->stream);
  const ClpStream* s = player->stream;
  // The swap is done once per picture the library converted: swapping an old picture again
  // would turn it back to blue, green, red.
  if (s->pictureCount == player->shownPicture) return 0;
  std::uint8_t* px = s->picture;
  for (std::int32_t i = 0; i < s->pixelCount; ++i, px += 4) {
    const std::uint8_t blue = px[0];
    px[0] = px[2];
    px[2] = blue;
  }
  player->shownFrame = s->currentFrame;
  player->shownPicture = s->pictureCount;
  player->overlaid = 0;
  return 1;
}

void VIDEO_FrameOverlay(VIDEO_Player* player) {
  if (!Playing(player) || player->overlaid) return;
  const IMG_Image* overlay = player->overlayKind == VIDEO_OVERLAY_1   ? VIDEO_overlay1
                             : player->overlayKind == VIDEO_OVERLAY_2 ? VIDEO_overlay2
                                                                      : nullptr;
  const ClpStream* s = player->stream;
  // The overlay must cover the clip pixel for pixel, four bytes each.
  if (!overlay || !overlay->data || IMG_BytesPerPixel(overlay->format) != 4 ||
      static_cast<std::int64_t>(overlay->width) * overlay->height < s->pixelCount)
    return;
  const std::uint8_t* o = overlay->data;
  std::uint8_t* p = s->picture;
  for (std::int32_t i = 0; i < s->pixelCount; ++i, o += 4, p += 4) {
    const int a = o[3];
    if (!a) continue;
    // Arithmetic shift: the result always lies between the picture and the overlay.
    for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(p[c] + (((o[c] - p[c]) * a) >> 8));
  }
  player->overlaid = 1;
}

void VIDEO_TextureUpdate(VIDEO_Player* player, GFX_Material* material) {
  if (!VIDEO_FrameFetch(player)) return;
  VIDEO_FrameOverlay(player);
  Upload(player->stream, material, player->stream->picture);
}

int VIDEO_TextureShow(VIDEO_Player* player, GFX_Material* material) {
  if (!Playing(player)) return 0;
  VIDEO_FrameFetch(player);
  VIDEO_FrameOverlay(player);
  return Upload(player->stream, material, player->stream->picture);
}

int VIDEO_TextureInvert(VIDEO_Player* player, GFX_Material* material) {
  if (!Playing(player)) return 0;
  const ClpStream* s = player->stream;
  if (s->pixelCount > kInvertPixels) {
    KR_Error("VIDEO_TextureInvert - clip of %d pixels is larger than %d", s->pixelCount, kInvertPixels);
    return 0;
  }
  const std::uint8_t* px = s->picture;
  for (std::int32_t i = 0; i < s->pixelCount; ++i, px += 4) {
    std::uint32_t v;
    std::memcpy(&v, px, 4);
    g_inverted[i] = ~v;
  }
  return Upload(s, material, g_inverted);
}

void VIDEO_StreamFree(VIDEO_Player* player) {
  if (!player) return;
  player->deleteStream(player->stream);
  FreeLibrary(player->library);
  KR_Free(player);
}

int VIDEO_Shutdown(void) {
  VIDEO_StreamFree(VIDEO_player1);
  VIDEO_StreamFree(VIDEO_player2);
  VIDEO_player1 = nullptr;
  VIDEO_player2 = nullptr;
  return 1;
}
