// Clip playback in the executable: players bound to the two copies of the clip library, the
// red/blue swap and overlay blend of each new picture, and its upload into a clip material.
#pragma once

#include <cstdint>

#include "clip/clp.h"
#include "platform/win32.h"

struct GFX_Material;
struct IMG_Image;

// Overlay kinds, chosen from the clip's path on each re-open.
enum {
  VIDEO_OVERLAY_NONE = 0,
  VIDEO_OVERLAY_1 = 1,  // path contains "scroll.clp"
  VIDEO_OVERLAY_2 = 2,  // path contains "dj.clp"
};

// One bound copy of the clip library and the clip open in it.
struct VIDEO_Player {
  ClpStream* stream;  // null while no clip could be opened
  HMODULE library;
  CLP_NewStreamFunc newStream;
  CLP_DeleteStreamFunc deleteStream;
  CLP_UpdateStreamFunc updateStream;
  CLP_StartStreamFunc startStream;
  std::int32_t shownFrame;   // the stream's current frame at the last swap; -1 before the first
  std::int32_t overlayKind;
  std::uint32_t shownPicture;  // the stream's picture count at the last swap
  std::int32_t overlaid;       // the overlay is blended into the current picture
};

// The show's two players (content loading binds them to "clpdll.dll" and "clpdll2.dll") and
// the two overlay images (red, green, blue, alpha; at least the clip's pixel count, laid out
// with the clip's width), which content loading sets. Null where absent.
extern VIDEO_Player* VIDEO_player1;
extern VIDEO_Player* VIDEO_player2;
extern IMG_Image* VIDEO_overlay1;
extern IMG_Image* VIDEO_overlay2;

// Loads the library, fetches its four exports and opens the clip. Null when the library or an
// export is missing (nothing is kept then). A clip that cannot be opened still gives a player,
// with a null stream; every operation below does nothing for it, or for a null player.
VIDEO_Player* VIDEO_StreamLoad(const char* path, const char* libraryName);
// Closes the player's clip and opens another; sets the overlay kind from the path.
void VIDEO_StreamOpen(VIDEO_Player* player, const char* path);
void VIDEO_StreamStart(VIDEO_Player* player);
// Lets the clip catch up with the clock; 1 when a new picture arrived (then swapped to red,
// green, blue, 0), else 0.
int VIDEO_FrameFetch(VIDEO_Player* player);
// Blends the player's overlay image into the current picture, once per picture.
void VIDEO_FrameOverlay(VIDEO_Player* player);
// Fetches; uploads into the material only when a new picture arrived.
void VIDEO_TextureUpdate(VIDEO_Player* player, GFX_Material* material);
// Fetches and uploads whether or not the picture is new. Returns the upload's result.
int VIDEO_TextureShow(VIDEO_Player* player, GFX_Material* material);
// Uploads the bitwise complement of the current picture (all four bytes). Returns the
// upload's result; 0 for a clip of more than 512 x 512 pixels.
int VIDEO_TextureInvert(VIDEO_Player* player, GFX_Material* material);
// Closes the clip, unloads the library and frees the player. Null is ignored.
void VIDEO_StreamFree(VIDEO_Player* player);
// Frees player 1 and player 2 where present. Returns 1.
int VIDEO_Shutdown(void);

// Called with the player and the path at the start of every VIDEO_StreamOpen (the player may
// be null) and with the new player (null where none could be bound) at the end of every
// VIDEO_StreamLoad. Tests follow the show's clip opens this way. Null removes it.
typedef void (*VIDEO_OpenObserver)(const VIDEO_Player* player, const char* path);
void VIDEO_OpenObserverSet(VIDEO_OpenObserver observer);
