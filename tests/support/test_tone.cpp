// Tone MP3s for the sound tests: ffmpeg makes the tone, lame encodes it.
#include "tests/support/test_tone.h"

#include <cstdlib>

namespace vt {

namespace {
std::string sine(double frequency, double seconds, int rate) {
  return " -f lavfi -i sine=frequency=" + std::to_string(frequency) + ":sample_rate=" + std::to_string(rate) +
         ":duration=" + std::to_string(seconds);
}
}  // namespace

bool MakeToneMp3(const std::string& path, double frequency, double seconds, int rate, double right) {
  // ffmpeg's sine source has amplitude 1/8; four times that is 0.5.
  std::string command = "ffmpeg -nostdin -loglevel error" + sine(frequency, seconds, rate);
  if (right > 0.0) command += sine(right, seconds, rate) + " -filter_complex '[0][1]amerge=inputs=2,volume=4' -ac 2";
  else command += " -af volume=4 -ac 1";
  command += " -f wav - | lame --silent -b 128 - '" + path + "'";
  return std::system(command.c_str()) == 0;
}

}  // namespace vt
