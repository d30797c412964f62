// The content pack: what it holds and the generators of each part.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/mkcontent/mkc_raster.h"

// A drawn picture or texture, with the grey alpha picture beside it when the show pairs one.
struct MKC_Art {
  MKC_Canvas colour;
  MKC_Mask alpha;  // width 0 when the picture has none
};

// One image file pair of the pack. Paths are relative to the data folder, spelled as the show
// spells them ('/' for its backslashes).
struct MKC_ImageEntry {
  std::string path;
  std::string alphaPath;  // empty when there is no alpha picture
  bool inverted = false;  // stored as a complemented JPEG
  std::function<MKC_Art()> draw;
};

// Every picture, texture and font sheet of the pack, in a fixed order.
std::vector<MKC_ImageEntry> MKC_ImageEntries(void);

// Pictures (mkc_pictures.cpp).
MKC_Art MKC_PictureLoading(void);
MKC_Art MKC_PictureMask(void);
MKC_Art MKC_PictureVideoFrameDj(void);
MKC_Art MKC_PictureVideoFrameScroll(void);
MKC_Art MKC_PictureCouple(void);
MKC_Art MKC_PictureHands(void);
MKC_Art MKC_PictureBeauty(void);
MKC_Art MKC_PictureNapscroll(void);
MKC_Art MKC_PictureGreets(void);
MKC_Art MKC_PictureLogo(void);
MKC_Art MKC_PictureGroup(void);
MKC_Art MKC_PictureLogoBack(void);
MKC_Art MKC_PictureGrid(void);
MKC_Art MKC_PictureChocochip(void);
MKC_Art MKC_PictureBarBack(void);
MKC_Art MKC_PictureBarText1(void);
MKC_Art MKC_PictureBarText2(void);
MKC_Art MKC_PictureSociety(void);

// Textures (mkc_textures.cpp).
MKC_Art MKC_TextureOrangeEnv(void);
MKC_Art MKC_TexturePhong(void);
MKC_Art MKC_TextureBaby(void);
MKC_Art MKC_TextureGradient(void);
MKC_Art MKC_TextureClock(void);
MKC_Art MKC_TextureLens(void);
MKC_Art MKC_TextureSmoke(void);
MKC_Art MKC_TextureAbstract(void);
// The font sheet: glyph colours and glyph alpha.
MKC_Art MKC_FontSheet(void);
// Scene textures, named by the scene files.
MKC_Art MKC_TextureFanBlade(void);
MKC_Art MKC_TextureFjall(void);
MKC_Art MKC_TextureTunnel(void);
MKC_Art MKC_TextureSphere(void);
MKC_Art MKC_TextureStone(void);
MKC_Art MKC_TextureMetal(void);
MKC_Art MKC_TextureTiles(void);
MKC_Art MKC_TextureCore(void);
MKC_Art MKC_TextureHall(void);
MKC_Art MKC_TextureBoxPanel(void);
MKC_Art MKC_TextureBoxGlow(void);

// The text the font sheet holds, left to right: a-z, 1-9, 0, then , . ; : - ' ! & / ( ) ? + * " #
extern const char MKC_FontOrder[];
