// clpdec: decodes a CLP clip or a raw MPEG-4 Visual elementary stream with the clip decoder
// and writes planar 4:2:0 frames or the decoder's 32-bit output; --bench only times it.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clip/dec.h"
#include "platform/pl_platform.h"
#include "tools/clip/tool_m4v.h"

namespace {

using Frame = TOOL_M4vFrame;

// The coded frames of an input, as ranges of the input's bytes; a raw stream's VOP that has
// headers in front of it is copied together with them into `joined`.
struct Input {
  std::vector<uint8_t> data;
  std::vector<std::vector<uint8_t>> joined;
  std::vector<Frame> frames;
  int width = 0;
  int height = 0;
};

int Fail(const char* format, const char* detail = "") {
  std::fprintf(stderr, "clpdec: ");
  std::fprintf(stderr, format, detail);
  std::fprintf(stderr, "\n");
  return 0;
}

bool ReadWhole(const char* path, std::vector<uint8_t>* out) {
  std::FILE* f = PL_Fopen(path, "rb");
  if (!f) return false;
  // One allocation of the file's size where it can be told, then whatever more there is.
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size > 0) out->reserve(static_cast<std::size_t>(size));
    std::rewind(f);
  }
  uint8_t chunk[1 << 16];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) out->insert(out->end(), chunk, chunk + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// CLP: "CLP1", one byte, header word, width, height, frame rate, then records of
// length, flag and payload, all little-endian.
int SplitClp(Input* in) {
  const std::vector<uint8_t>& d = in->data;
  if (d.size() < 21) return Fail("CLP header truncated");
  in->width = Le32(&d[9]);
  in->height = Le32(&d[13]);
  const int64_t limit = static_cast<int64_t>(in->width) * in->height * 3;
  std::size_t pos = 21;
  while (pos < d.size()) {
    if (d.size() - pos < 8) {
      std::fprintf(stderr, "clpdec: frame %zu: record header truncated\n", in->frames.size());
      break;
    }
    const int32_t length = Le32(&d[pos]);
    pos += 8;
    if (length < 0 || length > limit) {
      std::fprintf(stderr, "clpdec: frame %zu: payload length %d out of range\n", in->frames.size(),
                   static_cast<int>(length));
      return 0;
    }
    std::size_t n = static_cast<std::size_t>(length);
    if (n > d.size() - pos) {
      std::fprintf(stderr, "clpdec: frame %zu: payload truncated\n", in->frames.size());
      n = d.size() - pos;
    }
    in->frames.push_back({d.data() + pos, n});
    pos += n;
  }
  return 1;
}

// Raw stream: split at start codes; VOP units become frames, video object and layer headers
// go in front of the next VOP, everything else is dropped.
int SplitRaw(Input* in) {
  TOOL_M4vSplit(in->data, &in->joined, &in->frames);
  for (const Frame& f : in->frames)
    if (DEC_StreamSize(f.data, static_cast<int>(f.length), &in->width, &in->height)) return 1;
  return Fail("no video object layer header");
}

void Usage() {
  std::fprintf(stderr,
               "usage: clpdec [--i420|--bgra] [--post LEVEL] [--frames N] INPUT [OUTPUT|-]\n"
               "       clpdec --bench [--post LEVEL] [--bgra] INPUT\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool bgra = false, bench = false;
  int post = 0;
  long maxFrames = -1;
  const char* inputPath = nullptr;
  const char* outputPath = "-";
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--i420") {
      bgra = false;
    } else if (a == "--bgra") {
      bgra = true;
    } else if (a == "--bench") {
      bench = true;
    } else if ((a == "--post" || a == "--frames") && i + 1 < argc) {
      char* end = nullptr;
      const long v = std::strtol(argv[++i], &end, 10);
      if (!*argv[i] || *end) return Usage(), 2;
      if (a == "--post") post = static_cast<int>(v < -1 ? -1 : (v > 1000 ? 1000 : v));
      else maxFrames = v;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return Usage(), 2;
    } else if (positional == 0) {
      inputPath = argv[i], ++positional;
    } else if (positional == 1) {
      outputPath = argv[i], ++positional;
    } else {
      return Usage(), 2;
    }
  }
  if (!inputPath) return Usage(), 2;

  Input in;
  if (!ReadWhole(inputPath, &in.data)) return Fail("cannot read %s", inputPath), 1;
  const bool clp = in.data.size() >= 4 && std::memcmp(in.data.data(), "CLP1", 4) == 0;
  if (!(clp ? SplitClp(&in) : SplitRaw(&in))) return 1;

  DEC_Params params = {in.width, in.height, 0, bgra ? DEC_OUT_BGR0 : DEC_OUT_PLANAR};
  if (DEC_Control(nullptr, DEC_OP_INITIALISE, &params, nullptr) != 0) {
    std::fprintf(stderr, "clpdec: size %dx%d not supported\n", in.width, in.height);
    return 1;
  }
  DEC_PostLevel level = {post};
  if (DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr) != 0) {
    std::fprintf(stderr, "clpdec: post-processing level %d out of range 0..100\n", post);
    return 1;
  }

  const std::size_t pixels = static_cast<std::size_t>(in.width) * in.height;
  std::vector<uint8_t> picture(bgra ? pixels * 4 : pixels * 3 / 2);
  std::vector<uint8_t> planes(picture.size());
  std::FILE* out = nullptr;
  if (!bench) {
    out = std::strcmp(outputPath, "-") == 0 ? stdout : PL_Fopen(outputPath, "wb");
    if (!out) return Fail("cannot write %s", outputPath), 1;
  }

  std::size_t count = in.frames.size();
  if (maxFrames >= 0 && static_cast<std::size_t>(maxFrames) < count) count = static_cast<std::size_t>(maxFrames);
  int status = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t k = 0; k < count; ++k) {
    const Frame& f = in.frames[k];
    DEC_Frame frame = {picture.data(), f.data, static_cast<int32_t>(f.length), 1};
    if (DEC_Control(nullptr, DEC_OP_DECODE, &frame, nullptr) != 0)
      std::fprintf(stderr, "clpdec: frame %zu not decoded; the previous picture stands\n", k);
    if (bench) continue;
    const uint8_t* write = picture.data();
    if (!bgra) {
      // The decoder's planar output holds the second chroma plane first; yuv420p wants Cb first.
      const std::size_t c = pixels / 4;
      std::memcpy(planes.data(), picture.data(), pixels);
      std::memcpy(planes.data() + pixels, picture.data() + pixels + c, c);
      std::memcpy(planes.data() + pixels + c, picture.data() + pixels, c);
      write = planes.data();
    }
    if (std::fwrite(write, 1, picture.size(), out) != picture.size()) {
      Fail("write failed");
      status = 1;
      break;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (out && out != stdout) std::fclose(out);
  else if (out) std::fflush(out);
  DEC_Control(nullptr, DEC_OP_RELEASE, nullptr, nullptr);
  if (bench)
    std::printf("frames %zu seconds %.3f fps %.1f\n", count, seconds, seconds > 0 ? count / seconds : 0.0);
  return status;
}
