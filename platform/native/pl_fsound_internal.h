// What the native sound backend's files share: the stream record (file, decoder thread, the
// ring of decoded frames, the mixer's state for it), the outputs and the mixer's entry point.
#pragma once

#include <mpg123.h>
#include <samplerate.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/pl_fsound.h"

// The device side of the mix: interleaved stereo at the output's rate.
inline constexpr int PL_SOUND_CHANNELS = 2;
// The most frames one conversion call takes in and gives out.
inline constexpr long long PL_MIX_IN_FRAMES = 1024;
inline constexpr long long PL_MIX_OUT_FRAMES = 2048;

// What the mixer keeps for a playing stream; only the output's thread touches it once playing.
struct PL_MixState {
  SRC_STATE* src = nullptr;  // the one conversion: file rate and channels -> device
  int begun = 0;             // its first frame has been mixed
  int ended = 0;             // its last frame has been mixed
  int starved = 0;           // the ring ran dry in the last block
  double srcPos = 0.0;       // the stream frame that the next mixed device frame holds
  double errAvg = 0.0;       // smoothed distance from the timer's schedule, stream frames (+: early)
  double correction = 0.0;   // fine ratio correction being applied (0: none)
  float volume = 1.0f;       // the volume the last mixed frame had
  std::vector<float> in, out;
};

struct PL_SoundStream {
  // The file and its decoder. Once the decoder thread runs, only it touches `mh`, under
  // `decodeLock`; other threads take the lock for a seek or to stop it.
  std::FILE* file = nullptr;
  mpg123_handle* mh = nullptr;
  int floatSamples = 0;  // the decoder gives 32-bit floats (else 16-bit integers)
  long rate = 0;
  int channels = 0;  // the file's own
  int length = 0;    // sample frames at `rate`

  // Decoded frames waiting for the mixer: one writer (decoder thread), one reader (mixer).
  // Counters only grow; frame n of the stream since the last seek sits at n % ringFrames. The
  // decoder sleeps on `wake` while the ring is full; the mixer wakes it when it takes frames.
  std::vector<float> ring;
  long long ringFrames = 0;
  long long ringBase = 0;  // the stream frame at counter 0 (the seek target)
  std::atomic<long long> written{0}, read{0};
  std::atomic<int> decodedAll{0};
  std::thread decoder;
  std::mutex decodeLock;
  std::condition_variable wake;
  bool quit = false;

  // Playing.
  int playing = 0;                      // in the mixer's list (changed under the mix lock)
  std::atomic<int> volume{255};         // 0..255, read by the mixer
  long long startFrame = 0;             // where play begins, in frames at `rate`
  long long startNs = 0;                // when that frame is heard, on the monotonic clock
  std::atomic<long long> stoppedNs{0};  // when it was stopped for good (0: never)
  std::atomic<double> lag{0.0};         // stream frames the heard sound is behind the schedule
  std::atomic<long long> endNs{0};      // when its last frame is heard (0: not yet known)
  long long heard = 0;                  // the last position reported (main thread)
  PL_MixState mix;
};

// Decoding (pl_fsound_decode.cpp). Open fills the record from the file (no thread yet).
int PL_StreamDecodeOpen(PL_SoundStream* s);
void PL_StreamDecodeStart(PL_SoundStream* s);
// Moves the decoder to `frame` and empties the ring; only before the stream plays.
int PL_StreamDecodeSeek(PL_SoundStream* s, long long frame);
// Waits (up to `maxMs`) until half a second, or the rest of the stream, is decoded ahead.
void PL_StreamDecodeWaitAhead(PL_SoundStream* s, int maxMs);
void PL_StreamDecodeStop(PL_SoundStream* s);
// Stops the decoder, closes the file and frees the record.
void PL_StreamFree(PL_SoundStream* s);

// Mixing one stream (pl_fsound_mix.cpp), on the output's thread: adds `frames` device frames
// to `acc`, the first of which is heard at `heardNs`, keeping the stream on the timer's
// schedule. `volume` is where the channel's volume ends at the last frame.
void PL_StreamMix(PL_SoundStream* s, float* acc, int frames, long long heardNs, int deviceRate, float volume);
// The converter and the mixer's buffers, made on the main thread; 0 without memory.
int PL_StreamMixNew(PL_SoundStream* s);
void PL_StreamMixFree(PL_SoundStream* s);

// Figures the mixer and the outputs keep for the report.
struct PL_SoundCounters {
  std::atomic<int> underruns{0};  // the output ran dry
  std::atomic<int> starved{0};    // the decoder fell behind the mixer
  std::atomic<int> skips{0};      // the sound was late and skipped forward
  std::atomic<long long> skippedFrames{0};  // device frames of sound skipped to stay on time
  std::atomic<double> offsetMs{0.0};        // last smoothed distance from the schedule (+: early)
  std::atomic<double> worstOffsetMs{0.0};   // the largest of those, by size
};
extern PL_SoundCounters PL_soundCounters;

// The outputs (pl_fsound_out.cpp). An open output calls PL_FsoundFill from its own thread.
struct PL_SoundDevice {
  int rate = 0;
  std::string name;   // "pulseaudio", "sdl:alsa", ...
  int measured = 0;   // the output reports its latency (else it is estimated)
};
// Output kind 2 or 1; `device` null for the default. Fills `got` on success.
int PL_SoundOutOpen(int output, const char* device, int rate, PL_SoundDevice* got);
void PL_SoundOutClose(void);
double PL_SoundOutLatencyMs(void);
// The output's devices, default first, as FSOUND_GetDriverName gives them.
void PL_SoundOutDevices(int output, std::vector<std::string>* names);

// The mixer's entry (pl_fsound_native.cpp): `frames` device frames at `rate` for `out`, the
// first heard at `heardNs` on the monotonic clock.
void PL_FsoundFill(std::int16_t* out, int frames, int rate, long long heardNs);
