// Stream decoding with libmpg123 at the file's own channels and rate, as 32-bit floats (16-bit
// integers where the library has no float output), on a thread of the stream's own that keeps
// the ring a second ahead of the mixer.
#include <algorithm>
#include <chrono>
#include <thread>
#include <cstring>

#include "platform/native/pl_fsound_internal.h"

namespace {

constexpr long long kBlockFrames = 2048;  // one decode call's worth

// Float output where this build of libmpg123 has it. Every rate the library knows is allowed,
// at mono and stereo: the file decides.
int set_formats(PL_SoundStream* s) {
  for (int encoding : {MPG123_ENC_FLOAT_32, MPG123_ENC_SIGNED_16}) {
    if (mpg123_format_none(s->mh) != MPG123_OK) return 0;
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    int any = 0;
    for (std::size_t i = 0; i < count; i++)
      any |= mpg123_format(s->mh, rates[i], MPG123_MONO | MPG123_STEREO, encoding) == MPG123_OK;
    if (any) {
      s->floatSamples = encoding == MPG123_ENC_FLOAT_32;
      return 1;
    }
  }
  return 0;
}

// Decoder thread: decodes while the ring has room for a block, then sleeps until the mixer
// takes frames, a seek or the stop wakes it.
void decode_loop(PL_SoundStream* s) {
  const int bytesPerSample = s->floatSamples ? 4 : 2;
  std::vector<unsigned char> block(std::size_t(kBlockFrames * s->channels * bytesPerSample));
  std::unique_lock<std::mutex> lock(s->decodeLock);
  int idle = 0;  // a decoder that keeps giving nothing is treated as finished
  while (!s->quit) {
    const long long w = s->written.load(std::memory_order_relaxed);
    const long long room = s->ringFrames - (w - s->read.load(std::memory_order_acquire));
    if (s->decodedAll || room < kBlockFrames) {
      s->wake.wait(lock);
      continue;
    }
    std::size_t done = 0;
    const int r = mpg123_read(s->mh, block.data(), block.size(), &done);
    const long long frames = static_cast<long long>(done) / (s->channels * bytesPerSample);
    for (long long f = 0; f < frames; f++) {
      float* to = &s->ring[std::size_t(((w + f) % s->ringFrames) * s->channels)];
      const unsigned char* from = block.data() + f * s->channels * bytesPerSample;
      if (s->floatSamples) {
        std::memcpy(to, from, std::size_t(s->channels) * 4);
        continue;
      }
      for (int c = 0; c < s->channels; c++) {
        std::int16_t v;
        std::memcpy(&v, from + c * 2, 2);
        to[c] = float(v) / 32768.0f;
      }
    }
    s->written.store(w + frames, std::memory_order_release);
    idle = frames > 0 ? 0 : idle + 1;
    if ((r != MPG123_OK && r != MPG123_NEW_FORMAT) || idle > 8) s->decodedAll = 1;
  }
}

}  // namespace

int PL_StreamDecodeOpen(PL_SoundStream* s) {
  int err = MPG123_OK;
  s->mh = mpg123_new(nullptr, &err);
  if (!s->mh) return FMOD_ERR_MEMORY;
  mpg123_param(s->mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  int channels = 0, encoding = 0;
  if (!set_formats(s) || mpg123_open_fd(s->mh, fileno(s->file)) != MPG123_OK) return FMOD_ERR_FILE_BAD;
  if (mpg123_getformat(s->mh, &s->rate, &channels, &encoding) != MPG123_OK || s->rate <= 0 || channels < 1 ||
      channels > 2)
    return FMOD_ERR_FILE_FORMAT;
  if (mpg123_scan(s->mh) != MPG123_OK || mpg123_seek(s->mh, 0, SEEK_SET) < 0) return FMOD_ERR_FILE_BAD;
  off_t frames = mpg123_length(s->mh);
  if (frames <= 0 || frames > 0x7FFFFFFF) return FMOD_ERR_FILE_FORMAT;
  s->length = int(frames);
  s->channels = channels;
  return FMOD_ERR_NONE;
}

void PL_StreamDecodeStart(PL_SoundStream* s) {
  s->ringFrames = std::max<long long>(s->rate, 2 * kBlockFrames);  // a second
  s->ring.assign(std::size_t(s->ringFrames * s->channels), 0.0f);
  s->decoder = std::thread(decode_loop, s);
}

int PL_StreamDecodeSeek(PL_SoundStream* s, long long frame) {
  std::lock_guard<std::mutex> lock(s->decodeLock);
  if (mpg123_seek(s->mh, off_t(frame), SEEK_SET) < 0) return 0;
  s->written = 0;
  s->read = 0;
  s->ringBase = frame;
  s->decodedAll = 0;
  s->wake.notify_one();
  return 1;
}

void PL_StreamDecodeWaitAhead(PL_SoundStream* s, int maxMs) {
  if (!s->decoder.joinable()) return;
  const long long want = std::min<long long>(s->rate / 2, s->length - s->ringBase);
  for (int waited = 0; waited < maxMs && !s->decodedAll && s->written - s->read < want; waited++)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void PL_StreamDecodeStop(PL_SoundStream* s) {
  if (!s->decoder.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(s->decodeLock);
    s->quit = true;
  }
  s->wake.notify_one();
  s->decoder.join();
}

void PL_StreamFree(PL_SoundStream* s) {
  PL_StreamDecodeStop(s);
  PL_StreamMixFree(s);
  if (s->mh) {
    mpg123_close(s->mh);
    mpg123_delete(s->mh);
  }
  if (s->file) std::fclose(s->file);
  delete s;
}
