// clppack: packs an MPEG-4 Visual elementary stream into a CLP clip, one VOP a frame record
// with the video object and layer headers in front of the VOP they precede.
//   clppack [--fps F] INPUT.m4v OUTPUT.clp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clip/clp.h"
#include "clip/dec.h"
#include "platform/pl_platform.h"
#include "tools/clip/tool_m4v.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: clppack [--fps F] INPUT.m4v OUTPUT.clp\n");
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "clppack: %s\n", message.c_str());
  return 1;
}

bool ReadInput(const char* path, std::vector<std::uint8_t>* out) {
  std::FILE* f = PL_Fopen(path, "rb");
  if (!f) return false;
  std::uint8_t chunk[1 << 16];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out->insert(out->end(), chunk, chunk + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

void Put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The clip library's clock needs a frame period of at least 1 ms.
bool UsableRate(double fps) { return std::isfinite(fps) && fps > 0.0 && 1000.0 / fps >= 1.0; }

}  // namespace

int main(int argc, char** argv) {
  double fps = 0.0;
  const char* paths[2] = {nullptr, nullptr};
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--fps") == 0 && i + 1 < argc) {
      char* end = nullptr;
      fps = std::strtod(argv[++i], &end);
      if (!*argv[i] || *end || !UsableRate(fps))
        return Fail(std::string("--fps ") + argv[i] + ": want a frame rate above 0 and at most 1000");
    } else if (argv[i][0] == '-' && argv[i][1]) {
      return Usage();
    } else if (positional < 2) {
      paths[positional++] = argv[i];
    } else {
      return Usage();
    }
  }
  if (positional != 2) return Usage();

  std::vector<std::uint8_t> raw;
  if (!ReadInput(paths[0], &raw)) return Fail(std::string("cannot read ") + paths[0]);
  std::vector<std::vector<std::uint8_t>> joined;
  std::vector<TOOL_M4vFrame> frames;
  TOOL_M4vSplit(raw, &joined, &frames);
  if (frames.empty()) return Fail(std::string(paths[0]) + ": no VOP");
  TOOL_M4vLayer layer = {};
  if (!TOOL_M4vLayerRead(raw.data(), raw.size(), &layer))
    return Fail(std::string(paths[0]) + ": no rectangular video object layer header");

  // The clip library decodes whole macroblocks within its frame stores.
  const int w = layer.width, h = layer.height;
  if (w <= 0 || h <= 0 || w % 16 || h % 16 || w > DEC_MAX_WIDTH || h > DEC_MAX_HEIGHT)
    return Fail(std::to_string(w) + "x" + std::to_string(h) +
                " is not whole 16x16 macroblocks up to " + std::to_string(DEC_MAX_WIDTH) + "x" +
                std::to_string(DEC_MAX_HEIGHT));
  if (fps == 0.0) {
    if (!layer.fixedIncrement)
      return Fail(std::string(paths[0]) + ": the stream has no fixed VOP rate; give --fps");
    fps = static_cast<double>(layer.timeResolution) / layer.fixedIncrement;
    if (!UsableRate(fps)) return Fail("the stream's VOP rate " + std::to_string(fps) + " is above 1000; give --fps");
  }

  // Header: magic and its terminator, the header word (0: not used), size, frame rate.
  std::vector<std::uint8_t> out = {'C', 'L', 'P', '1', 0};
  Put32(&out, 0);
  Put32(&out, static_cast<std::uint32_t>(w));
  Put32(&out, static_cast<std::uint32_t>(h));
  const float rate = static_cast<float>(fps);
  std::uint32_t rateBits;
  std::memcpy(&rateBits, &rate, sizeof rateBits);
  Put32(&out, rateBits);
  static_assert(CLP_HEADER_SIZE == 21);

  // Records: payload length, frame flag (1 for an intra VOP, 0 otherwise), payload.
  const std::size_t limit = static_cast<std::size_t>(w) * h * 3;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const TOOL_M4vFrame& f = frames[k];
    if (f.length > limit)
      return Fail("frame " + std::to_string(k) + " has " + std::to_string(f.length) +
                  " bytes, more than the " + std::to_string(limit) + " a clip of this size may hold");
    Put32(&out, static_cast<std::uint32_t>(f.length));
    Put32(&out, TOOL_M4vVopType(f) == 0 ? 1u : 0u);
    out.insert(out.end(), f.data, f.data + f.length);
  }

  std::FILE* o = PL_Fopen(paths[1], "wb");
  if (!o) return Fail(std::string("cannot write ") + paths[1]);
  bool ok = std::fwrite(out.data(), 1, out.size(), o) == out.size();
  ok = std::fclose(o) == 0 && ok;
  if (!ok) {
    char resolved[4096];
    if (PL_ResolvePath(paths[1], resolved, sizeof resolved)) std::remove(resolved);
    return Fail(std::string("cannot write ") + paths[1]);
  }
  std::printf("clppack: %zu frames of %dx%d at %g frames a second\n", frames.size(), w, h, fps);
  return 0;
}
