// The sound library the show is written against: the FSOUND calls of a version-3 style
// streaming library. MP3 streams are decoded with libmpg123 at the file's own channels and
// rate, converted once to the device's rate and played in real time from the instant
// FSOUND_Stream_Play returns; all calls come from one thread.
//
// Output kinds: 2 the system's default output (a PulseAudio or PipeWire server directly where
// one answers, else SDL2's default driver; SDL_AUDIODRIVER picks another), 1 ALSA through SDL2,
// 0 no sound (streams still "play": their position runs in real time on the multimedia timer,
// so the controllable clock drives it too).
// Stream positions and lengths are sample frames at the stream's own rate; a position counts
// the frames heard.
#pragma once

#include "platform/win32.h"

typedef struct FSOUND_STREAM FSOUND_STREAM;

// Output kinds.
#define FSOUND_OUTPUT_NOSOUND 0
#define FSOUND_OUTPUT_ALSA 1
#define FSOUND_OUTPUT_DEFAULT 2

// Stream open modes (combinable). The sample-format bits describe raw PCM data; an MP3 always
// plays at its own channels and at least 16 bits.
#define FSOUND_LOOP_OFF 0x00000001u
#define FSOUND_8BITS 0x00000008u
#define FSOUND_16BITS 0x00000010u
#define FSOUND_MONO 0x00000020u
#define FSOUND_STEREO 0x00000040u

#define FSOUND_FREE (-1)  // Stream_Play: any free channel

// Error codes, as FSOUND_GetError reports them.
enum {
  FMOD_ERR_NONE = 0,
  FMOD_ERR_BUSY = 1,           // not allowed after FSOUND_Init
  FMOD_ERR_UNINITIALIZED = 2,  // FSOUND_Init was not called
  FMOD_ERR_INIT = 3,           // the output device could not be opened
  FMOD_ERR_ALLOCATED = 4,
  FMOD_ERR_PLAY = 5,
  FMOD_ERR_OUTPUT_FORMAT = 6,
  FMOD_ERR_COOPERATIVELEVEL = 7,
  FMOD_ERR_CREATEBUFFER = 8,
  FMOD_ERR_FILE_NOTFOUND = 9,
  FMOD_ERR_FILE_FORMAT = 10,
  FMOD_ERR_FILE_BAD = 11,
  FMOD_ERR_MEMORY = 12,
  FMOD_ERR_VERSION = 13,
  FMOD_ERR_INVALID_PARAM = 14,
  FMOD_ERR_NO_EAX = 15,
  FMOD_ERR_CHANNEL_ALLOC = 17,
};

// Before FSOUND_Init only.
BOOL FSOUND_SetHWND(HWND window);
BOOL FSOUND_SetOutput(int output);
// 0 is the output's default device, 1.. its named devices; anything else means the default.
BOOL FSOUND_SetDriver(int driver);
// The drivers of the current output (asked of the output when it is set; cheap to call).
int FSOUND_GetNumDrivers(void);
const char* FSOUND_GetDriverName(int driver);  // null when out of range

BOOL FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Closes every stream and the output. Harmless when not initialised.
void FSOUND_Close(void);
// The code of the last failure.
int FSOUND_GetError(void);

// The name goes through the path resolver. `size` must be 0 (whole file).
FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int size);
// Returns the channel, or -1. A stream plays once, from its start, to its end. With an output,
// it returns at the instant the stream's first frame is heard (after up to the output's
// latency, plus the time to decode half a second when the stream was just opened or moved).
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Stops and frees the stream. A null or unknown stream is ignored (FALSE).
BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Before the stream plays: where it will start, in milliseconds from its beginning (clamped
// to its length). FALSE once it played.
BOOL FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds);
unsigned int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream);
int FSOUND_Stream_GetLength(FSOUND_STREAM* stream);

// Channel volume 0..255 (clamped); playing channels start at 255.
BOOL FSOUND_SetVolume(int channel, int volume);
int FSOUND_GetVolume(int channel);  // -1 for a channel that does not exist

// What the sound output did, for the frame statistics.
typedef struct PL_SoundReport {
  const char* output;    // "none", "pulseaudio", "sdl:alsa", "sdl:disk", ...
  int rate;              // the device's frames per second (0 without an output)
  int latencyMeasured;   // the output reports its latency (else it is one period, estimated)
  double latencyMs;      // the output's latency when last asked
  int underruns;         // times the output ran dry
  int starved;           // times the decoder fell behind the mixer
  int skips;             // times the sound was late and skipped forward to the schedule
  double skippedMs;      // how much sound those skips left out
  double driftPpm;       // how much faster the device's clock runs than the timer
  double offsetMs;       // the heard sound's last smoothed distance from the schedule (+: early)
  double worstOffsetMs;  // the largest of those while playing
} PL_SoundReport;
// Valid until the next call; the figures of the current or last FSOUND_Init.
void PL_SoundGetReport(PL_SoundReport* report);
