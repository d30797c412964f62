// Tone MP3s for the sound tests.
#include "tests/support/test_tone.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "tests/support/test_util.h"

namespace vt {

namespace {

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, unsigned v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void put_tag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; i++) out.push_back(std::uint8_t(tag[i]));
}

}  // namespace

bool MakeToneMp3(const std::string& path, double frequency, double seconds, int rate) {
  auto frames = unsigned(std::lround(seconds * rate));
  std::vector<std::uint8_t> wav;
  put_tag(wav, "RIFF");
  put32(wav, 36 + frames * 2);
  put_tag(wav, "WAVE");
  put_tag(wav, "fmt ");
  put32(wav, 16);
  put16(wav, 1);  // PCM
  put16(wav, 1);  // mono
  put32(wav, unsigned(rate));
  put32(wav, unsigned(rate) * 2);
  put16(wav, 2);
  put16(wav, 16);
  put_tag(wav, "data");
  put32(wav, frames * 2);
  for (unsigned i = 0; i < frames; i++) {
    double v = 0.5 * std::sin(2.0 * std::numbers::pi * frequency * i / rate);
    put16(wav, unsigned(std::uint16_t(std::int16_t(std::lround(v * 32767.0)))));
  }
  std::string wavPath = path + ".wav";
  WriteFile(wavPath, wav);
  std::string command = "lame --silent -b 128 '" + wavPath + "' '" + path + "'";
  int rc = std::system(command.c_str());
  std::remove(wavPath.c_str());
  return rc == 0;
}

}  // namespace vt
