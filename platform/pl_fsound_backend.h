// What the FSOUND front end (pl_fsound.cpp) asks of a sound backend: a record of functions, one
// per backend (native: PulseAudio or SDL2 with libmpg123; web: Web Audio). The front end checks
// every call, keeps the channels, volumes, start positions and the no-sound clock; a backend
// only opens its output and decodes, starts, stops and measures the streams it is handed.
// A backend's stream is its own record, passed around as an opaque pointer.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/pl_fsound.h"

struct PL_SoundBackend {
  // The devices of a sound output (kind 1 or 2), the default first.
  void (*drivers)(int output, std::vector<std::string>* names);
  // Opens the output (`device` null for its default) at about `rate` frames per second; 1/0.
  // Also called for FSOUND_OUTPUT_NOSOUND, where nothing opens but the report starts afresh.
  int (*open)(int output, const char* device, int rate);
  void (*close)(void);  // the output's thread, where it has one, has stopped when it returns
  // Takes the file (closed by the backend, also on failure) and prepares its sound; returns an
  // FMOD_ERR code and, on FMOD_ERR_NONE, the stream and its rate and length in frames.
  int (*streamOpen)(std::FILE* file, void** stream, int* rate, int* length);
  // Before the stream plays: it will start at `frame`; 1/0.
  int (*streamSeek)(void* stream, long long frame);
  // Starts the stream at `frame` with `volume` (0..255) and returns, once its first frame is
  // heard, whether it started. Only with a sound output.
  int (*streamPlay)(void* stream, long long frame, int volume);
  // Silences a playing stream for good (its position stands still). Only with a sound output.
  void (*streamStop)(void* stream);
  void (*streamFree)(void* stream);
  // The stream frames heard so far (may run past the length). Only with a sound output.
  long long (*streamHeard)(void* stream);
  void (*streamVolume)(void* stream, int volume);  // only with a sound output
  void (*report)(PL_SoundReport* report);
};

// The backend the platform was built with.
extern const PL_SoundBackend PL_soundBackend;

// Makes the front end use `backend` (null: the built-in one); ignored while the library is
// initialised. For tests.
void PL_SoundUseBackend(const PL_SoundBackend* backend);
