// One playing stream into the device's mix: the ring's frames converted to the device's rate
// and channels by libsamplerate, and kept on the timer's schedule. Frame n of the stream is due
// at the ear at startNs + (n - startFrame) / rate on the monotonic clock; the output says when
// each block it asks for will be heard, so the distance from that schedule is known at every
// block. Small distances (the device's clock drifting from the timer) are worked off by a fine
// change of the conversion ratio, large ones (the output or the decoder ran late) at once, by
// skipping forward or by waiting.
#include <algorithm>
#include <cmath>

#include "platform/native/pl_fsound_internal.h"

PL_SoundCounters PL_soundCounters;

namespace {

constexpr double kHardMs = 15.0;         // further off than this is mended at once (the
                                         // output's reports jitter by a few milliseconds)
constexpr double kStartCorrectMs = 3.0;  // the fine correction starts beyond this ...
constexpr double kStopCorrectMs = 0.5;   // ... and stops within this
constexpr double kCorrectSeconds = 2.0;  // a distance is worked off over about this time
constexpr double kMaxCorrection = 0.002;  // 0.2 % (3.5 cents): not heard as a change of pitch
constexpr double kSmoothSeconds = 3.0;   // the distance is averaged over this, so jitter of
                                         // the output's reports does not move the ratio
constexpr long long kLeadFrames = 32;    // input given beyond what a block needs: the converter
                                         // holds back little, so a skip lands where it should

// Copies up to `frames` frames from the ring into the mixer's input as device channels.
long long take_input(PL_SoundStream* s, long long frames) {
  PL_MixState& m = s->mix;
  const long long r = s->read.load(std::memory_order_relaxed);
  for (long long f = 0; f < frames; f++) {
    const float* from = &s->ring[std::size_t(((r + f) % s->ringFrames) * s->channels)];
    float* to = &m.in[std::size_t(f * PL_SOUND_CHANNELS)];
    to[0] = from[0];
    to[1] = from[s->channels > 1 ? 1 : 0];
  }
  return frames;
}

// Drops the decoded frames before stream frame `target` (as many as are decoded), so that the
// next mixed frame is the one the schedule wants; returns the stream frames skipped.
double skip_to(PL_SoundStream* s, double target) {
  PL_MixState& m = s->mix;
  const long long r = s->read.load(std::memory_order_relaxed);
  const long long available = s->written.load(std::memory_order_acquire) - r;
  const long long next = s->ringBase + r;
  const long long drop = std::clamp<long long>(std::llround(target) - next, 0, available);
  s->read.store(r + drop, std::memory_order_release);
  src_reset(m.src);  // what it held back is skipped too
  const double before = m.srcPos;
  m.srcPos = double(next + drop);
  return m.srcPos - before;
}

// The fine correction: on once the smoothed distance passes kStartCorrectMs, off again within
// kStopCorrectMs, so that a device in step with the timer is converted at the exact ratio.
void steer(PL_MixState& m, long rate) {
  const double ms = m.errAvg * 1000.0 / double(rate);
  const double limit = m.correction != 0.0 ? kStopCorrectMs : kStartCorrectMs;
  if (std::fabs(ms) <= limit) {
    m.correction = 0.0;
    return;
  }
  m.correction = std::clamp(-ms / 1000.0 / kCorrectSeconds, -kMaxCorrection, kMaxCorrection);
}

void add_scaled(float* acc, const float* out, long long frames, int at, int total, float from, float to) {
  for (long long f = 0; f < frames; f++) {
    const float v = from + (to - from) * float(at + f + 1) / float(total);
    acc[(at + f) * 2] += out[f * 2] * v;
    acc[(at + f) * 2 + 1] += out[f * 2 + 1] * v;
  }
}

}  // namespace

void PL_StreamMix(PL_SoundStream* s, float* acc, int frames, long long heardNs, int deviceRate, float volume) {
  PL_MixState& m = s->mix;
  if (m.ended || !m.src) return;
  const long long readBefore = s->read.load(std::memory_order_relaxed);
  const double nsPerFrame = 1e9 / double(deviceRate);
  int pos = 0;
  if (!m.begun) {
    const double wait = double(s->startNs - heardNs) / nsPerFrame;  // device frames until due
    if (wait >= double(frames) - 0.5) return;
    pos = wait > 0.0 ? int(std::lround(wait)) : 0;
    m.begun = 1;
    m.srcPos = double(s->startFrame);
    m.volume = volume;
  }

  // Where the schedule wants the stream at the first frame this block still has to fill.
  const double heard = double(heardNs) + pos * nsPerFrame;
  const double expect = double(s->startFrame) + (heard - double(s->startNs)) * 1e-9 * double(s->rate);
  double err = m.srcPos - expect;
  const double hard = kHardMs * 1e-3 * double(s->rate);
  if (err < -hard) {
    const double skipped = skip_to(s, expect);
    PL_soundCounters.skips++;
    PL_soundCounters.skippedFrames += std::llround(skipped * deviceRate / double(s->rate));
    err = m.srcPos - expect;
    m.errAvg = err;
  } else if (err > hard) {
    // Early (the output's latency fell): silence until the schedule catches up.
    const int hold = int(std::min<double>(frames - pos, std::lround(err * deviceRate / double(s->rate))));
    pos += hold;
    err -= hold * double(s->rate) / deviceRate;
    m.errAvg = err;
  }
  m.errAvg += (err - m.errAvg) * std::min(1.0, double(frames) / deviceRate / kSmoothSeconds);
  steer(m, s->rate);
  const double ratio = double(deviceRate) / (double(s->rate) * (1.0 + m.correction));

  const float fromVolume = m.volume;
  while (pos < frames) {
    const int all = s->decodedAll.load(std::memory_order_acquire);
    const long long available = s->written.load(std::memory_order_acquire) - s->read.load(std::memory_order_relaxed);
    const long long need = std::llround(double(frames - pos) / ratio) + kLeadFrames;
    const long long n = take_input(s, std::min({available, PL_MIX_IN_FRAMES, need}));
    SRC_DATA d{};
    d.data_in = m.in.data();
    d.input_frames = long(n);
    d.data_out = m.out.data();
    d.output_frames = long(std::min<long long>(frames - pos, PL_MIX_OUT_FRAMES));
    d.src_ratio = ratio;
    d.end_of_input = all && n == available;
    if (src_process(m.src, &d) != 0) {
      m.ended = 1;
      break;
    }
    s->read.fetch_add(d.input_frames_used, std::memory_order_release);
    add_scaled(acc, m.out.data(), d.output_frames_gen, pos, frames, fromVolume, volume);
    pos += int(d.output_frames_gen);
    m.srcPos += double(d.output_frames_gen) / ratio;
    if (d.output_frames_gen == 0 && d.input_frames_used == 0) {
      if (d.end_of_input) {
        m.ended = 1;
        s->endNs = heardNs + std::llround(pos * nsPerFrame);
      } else if (!m.starved) {
        PL_soundCounters.starved++;  // the decoder is behind: the schedule mends it next block
        m.starved = 1;
      }
      break;
    }
    m.starved = 0;
  }
  // The decoder waits for room in the ring. The mixer does not take its lock, so a wake that
  // comes just before the decoder sleeps is lost; the next block's wake makes up for it.
  if (s->read.load(std::memory_order_relaxed) != readBefore) s->wake.notify_one();
  m.volume = volume;
  s->lag = -m.errAvg;
  const double offset = m.errAvg * 1000.0 / double(s->rate);
  PL_soundCounters.offsetMs = offset;
  if (std::fabs(offset) > std::fabs(PL_soundCounters.worstOffsetMs.load())) PL_soundCounters.worstOffsetMs = offset;
}

int PL_StreamMixNew(PL_SoundStream* s) {
  int err = 0;
  s->mix.src = src_new(SRC_SINC_MEDIUM_QUALITY, PL_SOUND_CHANNELS, &err);
  s->mix.in.assign(std::size_t(PL_MIX_IN_FRAMES * PL_SOUND_CHANNELS), 0.0f);
  s->mix.out.assign(std::size_t(PL_MIX_OUT_FRAMES * PL_SOUND_CHANNELS), 0.0f);
  return s->mix.src != nullptr;
}

void PL_StreamMixFree(PL_SoundStream* s) {
  if (s->mix.src) src_delete(s->mix.src);
  s->mix.src = nullptr;
}
