// The soundtrack: a synthesised piece at 120 beats a minute whose parts change where the show's
// sections change, rendered to 16-bit stereo PCM and encoded to MP3 with lame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int MKC_MUSIC_RATE = 22050;
constexpr double MKC_MUSIC_SECONDS = 324.0;

// Interleaved stereo samples, MKC_MUSIC_SECONDS long.
std::vector<std::int16_t> MKC_RenderSoundtrack(void);
// A RIFF WAVE file of the samples; false when it cannot be written.
bool MKC_WriteWav(const std::string& path, const std::vector<std::int16_t>& stereo, int rate);
