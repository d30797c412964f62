// The CLP container and the clip library's four exports: opening a clip and this copy's
// decoder, reading frame records with the wrap to the first one, and the frame clock that
// keeps a clip in step with timeGetTime.
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "clip/clp.h"
#include "clip/dec.h"
#include "platform/pl_platform.h"

namespace {

void Report(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A clip that cannot be opened is said on standard error, like any missing content; the fuzz
// build stays quiet.
void Report(const char* path, const char* format, ...) {
#ifndef VELMAR_FUZZ_BUILD
  std::fprintf(stderr, "newstream - %s: ", path);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
#else
  (void)path;
  (void)format;
#endif
}

bool ReadLe32(std::FILE* f, std::uint32_t* out) {
  std::uint8_t b[4];
  if (std::fread(b, 1, 4, f) != 4) return false;
  *out = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return true;
}

bool ReadInt(std::FILE* f, std::int32_t* out) {
  std::uint32_t v;
  if (!ReadLe32(f, &v)) return false;
  *out = static_cast<std::int32_t>(v);
  return true;
}

bool ReadFloat(std::FILE* f, float* out) {
  std::uint32_t v;
  if (!ReadLe32(f, &v)) return false;
  std::memcpy(out, &v, sizeof v);
  return true;
}

// Frees what newstream made so far, the decoder included when it was initialised.
void Discard(ClpStream* s, bool decoder) {
  if (decoder) DEC_Control(nullptr, DEC_OP_RELEASE, nullptr, nullptr);
  std::free(s->picture);
  std::free(s->payload);
  if (s->file) std::fclose(s->file);
  std::free(s);
}

// Reads the next frame record and decodes it; with `render` 1 the picture is converted into
// the stream's picture buffer. Returns 1 when the decoder took the frame. The end of the file
// and a record that cannot be a frame (a length that is negative or larger than the payload
// buffer) both end the pass: the clip wraps to its first record, once per call, so a clip
// without a readable record reads nothing instead of looping.
int ReadFrame(ClpStream* s, int render) {
  const std::int64_t capacity = static_cast<std::int64_t>(s->pixelCount) * 3;
  for (int pass = 0; pass < 2; ++pass) {
    const bool header = ReadInt(s->file, &s->frameLength) && ReadInt(s->file, &s->frameFlag);
    if (header && s->frameLength >= 0 && s->frameLength <= capacity) {
      ++s->currentFrame;
      // A record cut short by the end of the file decodes what is there; the next read wraps.
      const std::size_t got =
          std::fread(s->payload, 1, static_cast<std::size_t>(s->frameLength), s->file);
      DEC_Frame frame = {s->picture, s->payload, static_cast<std::int32_t>(got), render};
      const bool taken = DEC_Control(nullptr, DEC_OP_DECODE, &frame, nullptr) == 0;
      if (taken && render) ++s->pictureCount;
      return taken ? 1 : 0;
    }
    s->currentFrame = -1;
    std::clearerr(s->file);
    if (std::fseek(s->file, CLP_HEADER_SIZE, SEEK_SET) != 0) return 0;
  }
  return 0;
}

}  // namespace

ClpStream* newstream(const char* path) {
  if (!path) return nullptr;
  std::FILE* file = PL_Fopen(path, "rb");
  if (!file) {
    Report(path, "cannot open the file");
    return nullptr;
  }
  char magic[5];
  if (std::fread(magic, 1, 5, file) != 5 || std::memcmp(magic, "CLP1", 4) != 0) {
    Report(path, "not a CLP clip");
    std::fclose(file);
    return nullptr;
  }
  auto* s = static_cast<ClpStream*>(std::calloc(1, sizeof(ClpStream)));
  if (!s) {
    Report(path, "no memory for the stream record");
    std::fclose(file);
    return nullptr;
  }
  s->file = file;
  if (!ReadInt(file, &s->headerWord) || !ReadInt(file, &s->width) || !ReadInt(file, &s->height) ||
      !ReadFloat(file, &s->frameRate)) {
    Report(path, "header cut short");
    Discard(s, false);
    return nullptr;
  }
  // Whole macroblocks within the decoder's frame stores.
  if (s->width <= 0 || s->height <= 0 || s->width % 16 || s->height % 16 ||
      s->width > DEC_MAX_WIDTH || s->height > DEC_MAX_HEIGHT) {
    Report(path, "picture size %d x %d is not whole macroblocks up to %d x %d", s->width,
           s->height, DEC_MAX_WIDTH, DEC_MAX_HEIGHT);
    Discard(s, false);
    return nullptr;
  }
  // The clock divides by the period, so it must come out as at least 1 ms (and fit 32 bits).
  const double period = 1000.0 / s->frameRate;
  if (!(s->frameRate > 0.0f) || !(period >= 1.0) || !(period <= 4294967295.0)) {
    Report(path, "frame rate %g gives no frame period of 1 ms or more",
           static_cast<double>(s->frameRate));
    Discard(s, false);
    return nullptr;
  }
  s->framePeriod = static_cast<std::uint32_t>(period);

  s->pixelCount = s->width * s->height;
  s->payload = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(s->pixelCount) * 3));
  // Cleared, so the executable reads black rather than stale memory before the first frame.
  s->picture = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(s->pixelCount), 4));
  if (!s->payload || !s->picture) {
    Report(path, "no memory for the frame buffers");
    Discard(s, false);
    return nullptr;
  }

  DEC_Params params = {s->width, s->height, 32, 0};
  if (DEC_Control(nullptr, DEC_OP_INITIALISE, &params, nullptr) != 0) {
    Report(path, "the decoder of this library copy is in use by another stream");
    Discard(s, false);
    return nullptr;
  }
  // All four deblocking passes.
  DEC_PostLevel level = {100};
  DEC_Control(nullptr, DEC_OP_SET_POST, &level, nullptr);
  s->currentFrame = -1;
  return s;
}

int startstream(ClpStream* s) {
  if (!s) return 0;
  timeBeginPeriod(1);
  s->targetFrame = s->currentFrame;
  s->clockOrigin = timeGetTime();
  const int result = ReadFrame(s, 1);
  timeEndPeriod(1);
  return result;
}

int updatestream(ClpStream* s) {
  if (!s) return 0;
  timeBeginPeriod(1);
  // Unsigned, so the timer's wrap-around is harmless.
  const std::uint32_t due = (timeGetTime() - s->clockOrigin) / s->framePeriod;
  s->targetFrame = static_cast<std::int32_t>(due);
  const std::int64_t lag = static_cast<std::int64_t>(s->targetFrame) - s->currentFrame;
  int result = 0;
  if (lag >= 1) {
    // Frames that will never be seen are decoded (the reference moves on) but not converted.
    for (std::int64_t k = 1; k < lag; ++k) ReadFrame(s, 0);
    result = ReadFrame(s, 1);
  }
  // Behind the clock after reading means the clip wrapped: the new pass is timed from now,
  // with the frames already read in it waiting for the restarted clock.
  if (s->currentFrame < s->targetFrame) s->clockOrigin = timeGetTime();
  timeEndPeriod(1);
  return result;
}

void deletestream(ClpStream* s) {
  if (s) Discard(s, true);
}
