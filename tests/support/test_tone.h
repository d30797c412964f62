// Test sound: MP3 files of a known sine tone, encoded with lame.
#pragma once

#include <string>

namespace vt {

// Encodes `seconds` of a sine tone at `frequency` Hz (amplitude 0.5, mono, `rate` Hz) into the
// MP3 file `path` with lame; with a `right` frequency, stereo with that tone on the right.
// Returns false when lame failed.
bool MakeToneMp3(const std::string& path, double frequency, double seconds, int rate = 44100, double right = 0.0);

}  // namespace vt
