// The contact sheet.
#include "tools/mkcontent/mkc_sheet.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/img_image.h"
#include "gfx/img_png.h"
#include "tools/common/tool_pack.h"
#include "tools/mkcontent/mkc_clips.h"
#include "tools/mkcontent/mkc_content.h"
#include "tools/mkcontent/mkc_draw.h"
#include "tools/mkcontent/mkc_process.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSheetWidth = 1640;
constexpr int kMargin = 16;
constexpr int kLabel = 28;
const MKC_Colour kPaper = MKC_Rgb(0x16161c);

bool complain(const std::string& what) {
  std::fprintf(stderr, "mkcontent: sheet: %s\n", what.c_str());
  return false;
}

// An image as it reaches the show: RGB, or RGBA when an alpha picture is paired with it.
struct Loaded {
  int width = 0, height = 0;
  std::vector<float> rgba;
};

bool load(const fs::path& data, const MKC_ImageEntry& e, Loaded& out) {
  IMG_Image* colour = IMG_ImageLoad((data / e.path).c_str());
  if (!colour) return complain("cannot load " + e.path);
  IMG_Image* image = colour;
  if (!e.alphaPath.empty()) {
    IMG_Image* mask = IMG_ImageLoad((data / e.alphaPath).c_str());
    image = mask ? IMG_ImageCombineAlpha(colour, mask) : nullptr;
    IMG_ImageDelete(mask);
    IMG_ImageDelete(colour);
    if (!image) return complain("cannot combine " + e.path + " with " + e.alphaPath);
  }
  int bpp = IMG_BytesPerPixel(image->format);
  out.width = image->width;
  out.height = image->height;
  out.rgba.resize(std::size_t(out.width) * out.height * 4);
  for (std::size_t i = 0; i < std::size_t(out.width) * out.height; i++) {
    for (int k = 0; k < 3; k++) out.rgba[4 * i + k] = float(image->data[i * bpp + k]) / 255.0f;
    out.rgba[4 * i + 3] = image->format == IMG_RGBA ? float(image->data[i * bpp + 3]) / 255.0f : 1.0f;
  }
  IMG_ImageDelete(image);
  return true;
}

// Draws the image scaled to w x h at (x, y) by averaging the source pixels under each target
// pixel, over a checkerboard where it is transparent.
void place(MKC_Canvas& sheet, const Loaded& img, int x, int y, int w, int h) {
  for (int ty = 0; ty < h; ty++)
    for (int tx = 0; tx < w; tx++) {
      int sx0 = tx * img.width / w, sx1 = std::max(sx0 + 1, (tx + 1) * img.width / w);
      int sy0 = ty * img.height / h, sy1 = std::max(sy0 + 1, (ty + 1) * img.height / h);
      float acc[4] = {0, 0, 0, 0};
      for (int sy = sy0; sy < sy1; sy++)
        for (int sx = sx0; sx < sx1; sx++)
          for (int k = 0; k < 4; k++) acc[k] += img.rgba[(std::size_t(sy) * img.width + sx) * 4 + k];
      float n = float((sx1 - sx0) * (sy1 - sy0));
      bool light = ((tx / 8) + (ty / 8)) % 2 == 0;
      float check = light ? 0.32f : 0.22f;
      float a = acc[3] / n;
      if (x + tx < 0 || x + tx >= sheet.width || y + ty < 0 || y + ty >= sheet.height) continue;
      float* p = sheet.at(x + tx, y + ty);
      for (int k = 0; k < 3; k++) p[k] = acc[k] / n * a + check * (1.0f - a);
    }
}

void label(MKC_Canvas& sheet, const std::string& text, float x, float baseline) {
  MKC_Mask m(sheet.width, sheet.height);
  MKC_TextDraw(m, text, x, baseline, MKC_TextStyle{8, 1.1f, 1.0f});
  MKC_PaintMask(sheet, m, 0, 0, MKC_Rgb(0xc8c4d8), 1.0f, MKC_OVER);
}

// Decodes the first `count` frames of a clip with clpdec into BGR0 rows, bottom row first.
bool decode_clip(const fs::path& clip, int count, const fs::path& scratch, std::vector<std::uint8_t>& frames) {
  const std::string clpdec = MKC_Tool("clpdec");
  fs::path raw = scratch / "frames.bgra";
  if (!MKC_Run({clpdec, "--bgra", "--post", "100", "--frames", std::to_string(count), clip.string(), raw.string()}))
    return complain("clpdec failed on " + clip.string());
  return TOOL_ReadFile(raw.string(), frames) || complain("cannot read the frames clpdec wrote for " + clip.string());
}

}  // namespace

bool MKC_WriteSheet(const char* out_png, const char* dataDir) {
  const fs::path data = dataDir;
  std::vector<MKC_ImageEntry> entries = MKC_ImageEntries();
  std::vector<Loaded> images(entries.size());
  for (std::size_t i = 0; i < entries.size(); i++)
    if (!load(data, entries[i], images[i])) return false;

  // Layout: small pictures in a grid of cells, wide ones (the scroll panorama, the font sheet,
  // the bar strips) across the whole sheet, then a row of frames per clip.
  const int cellW = 192, cellH = 144, columns = (kSheetWidth - kMargin) / (cellW + kMargin);
  struct Slot {
    int x, y, w, h;
  };
  std::vector<Slot> slots(entries.size());
  int x = kMargin, y = kMargin, rowBottom = y;
  std::vector<std::size_t> wide;
  int column = 0;
  for (std::size_t i = 0; i < entries.size(); i++) {
    const Loaded& img = images[i];
    if (img.width > 2 * img.height) {
      wide.push_back(i);
      continue;
    }
    float k = std::min(float(cellW) / float(img.width), float(cellH) / float(img.height));
    int w = std::max(1, int(float(img.width) * k)), h = std::max(1, int(float(img.height) * k));
    slots[i] = {x + (cellW - w) / 2, y + (cellH - h), w, h};
    rowBottom = std::max(rowBottom, y + cellH + kLabel);
    if (++column == columns) {
      column = 0;
      x = kMargin;
      y = rowBottom + kMargin;
    } else {
      x += cellW + kMargin;
    }
  }
  if (column != 0) y = rowBottom + kMargin;
  for (std::size_t i : wide) {
    const Loaded& img = images[i];
    int w = std::min(kSheetWidth - 2 * kMargin, img.width);
    int h = std::max(1, img.height * w / img.width);
    slots[i] = {kMargin, y, w, h};
    y += h + kLabel + kMargin;
  }
  const std::vector<MKC_ClipEntry> clips = MKC_ClipEntries();
  const int thumbW = 192, thumbH = 144, shown = 8, span = 100;
  const int clipRowH = thumbH + kLabel + kMargin;
  MKC_Canvas sheet(kSheetWidth, y + int(clips.size()) * clipRowH + kMargin, kPaper);
  for (std::size_t i = 0; i < entries.size(); i++) {
    const Slot& s = slots[i];
    place(sheet, images[i], s.x, s.y, s.w, s.h);
    const MKC_ImageEntry& e = entries[i];
    std::string note = e.inverted ? "complemented jpeg" : "";
    if (!e.alphaPath.empty()) {
      std::string alpha = e.alphaPath.substr(e.alphaPath.rfind('/') + 1);
      note = "+ " + alpha.substr(0, alpha.size() - 4);
    }
    label(sheet, e.path, float(s.x), float(s.y + s.h + 12));
    if (!note.empty()) label(sheet, note, float(s.x), float(s.y + s.h + 24));
  }

  // Clip frames: eight frames spread over the first four seconds, decoded the way the show does.
  fs::path scratch = fs::temp_directory_path() / ("mkcontent-sheet-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  bool ok = true;
  for (const MKC_ClipEntry& clip : clips) {
    std::vector<std::uint8_t> frames;
    int count = std::min(span, clip.frames);
    if (!decode_clip(data / "video" / (clip.name + ".clp"), count, scratch, frames)) {
      ok = false;
      break;
    }
    std::size_t frameBytes = std::size_t(MKC_CLIP_WIDTH) * MKC_CLIP_HEIGHT * 4;
    for (int k = 0; k < shown; k++) {
      int index = k * (count - 1) / (shown - 1);
      if (frames.size() < (std::size_t(index) + 1) * frameBytes) {
        ok = complain("clpdec gave fewer frames than asked for " + clip.name);
        break;
      }
      Loaded f;
      f.width = MKC_CLIP_WIDTH;
      f.height = MKC_CLIP_HEIGHT;
      f.rgba.resize(std::size_t(f.width) * f.height * 4);
      const std::uint8_t* src = frames.data() + std::size_t(index) * frameBytes;
      for (int row = 0; row < f.height; row++)
        for (int col = 0; col < f.width; col++) {
          const std::uint8_t* p = src + (std::size_t(f.height - 1 - row) * f.width + col) * 4;
          float* d = &f.rgba[(std::size_t(row) * f.width + col) * 4];
          d[0] = float(p[2]) / 255.0f;
          d[1] = float(p[1]) / 255.0f;
          d[2] = float(p[0]) / 255.0f;
          d[3] = 1.0f;
        }
      place(sheet, f, kMargin + k * (thumbW + 8), y, thumbW, thumbH);
    }
    label(sheet, "video/" + clip.name + ".clp, frames 0 to " + std::to_string(count - 1), float(kMargin),
          float(y + thumbH + 12));
    y += clipRowH;
    if (!ok) break;
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  if (!ok) return false;
  if (!IMG_PngWrite(out_png, MKC_ToBytes(sheet).data(), sheet.width, sheet.height))
    return complain(std::string("cannot write ") + out_png);
  return true;
}
