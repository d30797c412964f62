// TGA files: the reader (colour-mapped and true colour, plain and run-length encoded) and the
// 24-bit writer.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/img_image.h"
#include "gfx/img_save.h"
#include "platform/pl_platform.h"

namespace {

constexpr int kHeaderSize = 18;
enum { kMapped = 1, kTrueColour = 2, kMappedRle = 9, kTrueColourRle = 10 };
constexpr std::uint8_t kTopDown = 0x20;  // descriptor bit: the first row in the file is the top row

struct TgaHeader {
  int id_length;
  int map_type;
  int image_type;
  int map_length;
  int map_bits;
  int width;
  int height;
  int depth;
  int descriptor;
};

int u16(const std::uint8_t* p) { return p[0] | p[1] << 8; }

bool is_mapped(const TgaHeader& h) { return h.image_type == kMapped || h.image_type == kMappedRle; }
bool is_true_colour(const TgaHeader& h) { return h.image_type == kTrueColour || h.image_type == kTrueColourRle; }

TgaHeader parse_header(const std::uint8_t* h) {
  return TgaHeader{h[0], h[1], h[2], u16(h + 5), h[7], u16(h + 12), u16(h + 14), h[16], h[17]};
}

// 5-bit channels widen to 8 bits as v × 255 / 31, truncated (0 stays 0, 31 becomes 255).
std::uint8_t widen5(int v) { return std::uint8_t(v * 255 / 31); }

// One pixel of `bits` bits as stored in the file (little-endian, b g r order) into r, g, b
// and, when `rgba`, the alpha byte of a 32-bit pixel.
void convert_pixel(const std::uint8_t* in, int bits, std::uint8_t* out, bool rgba) {
  if (bits == 15 || bits == 16) {
    // One bit of attribute, then five each of red, green, blue; the attribute is dropped.
    int v = u16(in);
    out[0] = widen5((v >> 10) & 31);
    out[1] = widen5((v >> 5) & 31);
    out[2] = widen5(v & 31);
    return;
  }
  out[0] = in[2];
  out[1] = in[1];
  out[2] = in[0];
  if (rgba) out[3] = bits == 32 ? in[3] : 255;
}

// Delivers the file's pixels a row at a time, raw (as stored) into a row buffer. Run-length
// packets may cross rows; a packet that runs past the last pixel is cut there.
struct PixelReader {
  std::FILE* file;
  int bytes;   // bytes a pixel in the file
  bool rle;
  int left;    // pixels left in the current packet
  bool repeat; // the current packet repeats `pixel`
  std::array<std::uint8_t, 4> pixel;

  bool read_row(std::uint8_t* row, int width) {
    if (!rle) return std::fread(row, std::size_t(bytes), std::size_t(width), file) == std::size_t(width);
    int filled = 0;
    while (filled < width) {
      if (left == 0) {
        int h = std::fgetc(file);
        if (h == EOF) return false;
        repeat = h >= 128;
        left = repeat ? h - 127 : h + 1;
        if (repeat && std::fread(pixel.data(), std::size_t(bytes), 1, file) != 1) return false;
      }
      int take = std::min(left, width - filled);
      std::uint8_t* out = row + std::size_t(filled) * std::size_t(bytes);
      if (repeat) {
        for (int i = 0; i < take; i++) std::memcpy(out + std::size_t(i) * std::size_t(bytes), pixel.data(), std::size_t(bytes));
      } else if (std::fread(out, std::size_t(bytes), std::size_t(take), file) != std::size_t(take)) {
        return false;
      }
      left -= take;
      filled += take;
    }
    return true;
  }
};

// The colour map as r, g, b for each 8-bit index; entries the file does not give stay black,
// so any index stays inside the table.
using ColourMap = std::array<std::uint8_t, 256 * 3>;

bool read_colour_map(std::FILE* f, const TgaHeader& h, ColourMap& map) {
  map.fill(0);
  std::uint8_t entry[4];
  const int bytes = (h.map_bits + 7) / 8;
  for (int i = 0; i < h.map_length; i++) {
    if (std::fread(entry, std::size_t(bytes), 1, f) != 1) return false;
    convert_pixel(entry, h.map_bits, &map[std::size_t(i) * 3], false);
  }
  return true;
}

// Decodes the pixel data of a colour-mapped or true-colour file into the image, in file order.
bool read_pixels(std::FILE* f, const TgaHeader& h, const ColourMap& map, IMG_Image* image) {
  const bool mapped = is_mapped(h);
  PixelReader reader{f, (h.depth + 7) / 8, h.image_type >= kMappedRle, 0, false, {}};
  auto* row = static_cast<std::uint8_t*>(KR_Malloc(h.width * reader.bytes, "IMG_TgaLoad - templine"));
  if (!row) return false;
  const int out_bytes = IMG_BytesPerPixel(image->format);
  bool ok = true;
  for (int y = 0; y < h.height && ok; y++) {
    ok = reader.read_row(row, h.width);
    std::uint8_t* out = image->data + std::size_t(y) * std::size_t(h.width) * std::size_t(out_bytes);
    for (int x = 0; x < h.width && ok; x++, out += out_bytes) {
      if (mapped)
        std::memcpy(out, &map[std::size_t(row[x]) * 3], 3);
      else
        convert_pixel(row + std::size_t(x) * std::size_t(reader.bytes), h.depth, out, image->format == IMG_RGBA);
    }
  }
  KR_Free(row);
  return ok;
}

// Checks what the header promises against what the reader can decode. Returns the failure
// note, or null when the file can be read.
const char* check_header(const TgaHeader& h) {
  if (is_mapped(h)) {
    if (h.map_type != 1 || h.map_length > 256) return "bad colour map";
    if (h.map_bits != 15 && h.map_bits != 16 && h.map_bits != 24 && h.map_bits != 32) return "bad colour map";
    if (h.depth != 8) return "unsupported pixel depth";
  } else if (is_true_colour(h)) {
    if (h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32) return "unsupported pixel depth";
  }
  return nullptr;
}

// The fewest bytes of pixel data that can describe the image, so that a short file cannot
// make the reader allocate a huge image it will never fill.
std::int64_t minimum_pixel_bytes(const TgaHeader& h) {
  const std::int64_t pixels = std::int64_t(h.width) * h.height;
  const std::int64_t bytes = std::max(1, (h.depth + 7) / 8);
  if (h.image_type & 8) return (pixels + 127) / 128 * (1 + bytes);  // one full run a packet
  return pixels * bytes;
}

std::int64_t file_size(std::FILE* f) {
  long here = std::ftell(f);
  if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(f);
  std::fseek(f, here, SEEK_SET);
  return size;
}

IMG_Image* fail(std::FILE* f, IMG_Image* image, const char* note, const char* name) {
  KR_Error("IMG_TgaLoad - %s (%s)", note, name);
  if (image) IMG_ImageDelete(image);
  std::fclose(f);
  return nullptr;
}

}  // namespace

IMG_Image* IMG_TgaLoad(const char* name) {
  if (!name) name = "";
  std::FILE* f = PL_Fopen(name, "rb");
  if (!f) {
    KR_Error("IMG_TgaLoad - file not found (%s)", name);
    return nullptr;
  }
  std::uint8_t raw[kHeaderSize];
  if (std::fread(raw, 1, kHeaderSize, f) != kHeaderSize) return fail(f, nullptr, "file too short", name);
  const TgaHeader h = parse_header(raw);
  if (const char* note = check_header(h)) return fail(f, nullptr, note, name);

  std::uint8_t id[256];
  if (std::fread(id, 1, std::size_t(h.id_length), f) != std::size_t(h.id_length))
    return fail(f, nullptr, "file too short", name);
  ColourMap map{};
  if (is_mapped(h)) {
    if (!read_colour_map(f, h, map)) return fail(f, nullptr, "file too short", name);
  } else if (h.map_type == 1) {
    // A colour map in front of data that does not use it is skipped.
    const long skip = long(h.map_length) * ((h.map_bits + 7) / 8);
    if (std::fseek(f, skip, SEEK_CUR) != 0) return fail(f, nullptr, "file too short", name);
  }
  const std::int64_t size = file_size(f);
  if (size < 0 || size - std::ftell(f) < minimum_pixel_bytes(h)) return fail(f, nullptr, "file too short", name);

  IMG_Image* image = IMG_ImageCreate(h.width, h.height, h.depth == 32 ? IMG_RGBA : IMG_RGB, 0);
  if (!image) return fail(f, nullptr, "failed to create image", name);
  // Other image types (grey, or no image data) leave the image black.
  if ((is_mapped(h) || is_true_colour(h)) && !read_pixels(f, h, map, image)) return fail(f, image, "file too short", name);
  // Rows are stored from the bottom up unless the descriptor says otherwise.
  if (!(h.descriptor & kTopDown) && !IMG_ImageFlipLines(image)) return fail(f, image, "failed to flip image", name);
  std::fclose(f);
  return image;
}

int IMG_TgaSave(const char* name, const IMG_Image* image) {
  if (!name) name = "";
  // Width and height are 16-bit fields.
  std::FILE* f = IMG_SaveOpen("IMG_TgaSave", name, image, 0, 0xFFFF);
  if (!f) return 0;
  std::uint8_t header[kHeaderSize] = {};
  header[2] = kTrueColour;
  header[12] = std::uint8_t(image->width);
  header[13] = std::uint8_t(image->width >> 8);
  header[14] = std::uint8_t(image->height);
  header[15] = std::uint8_t(image->height >> 8);
  header[16] = 24;
  bool ok = std::fwrite(header, 1, kHeaderSize, f) == kHeaderSize;
  const std::size_t stride = std::size_t(image->width) * 3;
  auto* row = static_cast<std::uint8_t*>(KR_Malloc(std::int32_t(stride), "IMG_TgaSave - row"));
  ok = ok && row;
  for (std::int32_t y = image->height - 1; y >= 0 && ok; y--) {
    const std::uint8_t* in = image->data + std::size_t(y) * stride;
    for (std::size_t i = 0; i < stride; i += 3) {
      row[i] = in[i + 2];
      row[i + 1] = in[i + 1];
      row[i + 2] = in[i];
    }
    ok = std::fwrite(row, 1, stride, f) == stride;
  }
  if (row) KR_Free(row);
  if (std::fclose(f) != 0) ok = false;
  if (!ok) KR_Error("IMG_TgaSave - failed to write output file (%s)", name);
  return ok ? 1 : 0;
}
