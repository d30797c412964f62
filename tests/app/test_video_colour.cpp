// Colour through the encoded outputs: frames of pure and mixed colours written to an .mkv and
// to a .y4m come back, decoded as a player decodes them (the stream's own matrix and range,
// exact rounding), within a level of what was written; saturated colours stay saturated, and
// the .mkv states its matrix, primaries, transfer and range.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_video.h"
#include "tests/support/test_util.h"

namespace {

constexpr int kW = 256, kH = 128;

// Eight bars of 32 columns: the primaries, the secondaries, white and a mid grey-green.
const std::uint8_t kBars[8][3] = {{255, 0, 0},   {0, 255, 0},     {0, 0, 255},     {255, 255, 0},
                                  {0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {90, 140, 60}};

std::vector<std::uint8_t> bars() {
  std::vector<std::uint8_t> rgb(std::size_t(kW) * kH * 3);
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++)
      for (int c = 0; c < 3; c++) rgb[(std::size_t(y) * kW + x) * 3 + c] = kBars[x / 32][c];
  return rgb;
}

std::string run(const std::string& command) {
  std::string text;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, n);
    pclose(p);
  }
  return text;
}

// The first frame of `file` as RGB, converted from YUV with the matrix and range its stream
// states (a .y4m states its range only; its matrix is BT.709, as velmar documents).
std::vector<std::uint8_t> decode(const std::string& file) {
  std::string matrix = run("ffprobe -v error -select_streams v:0 -show_entries stream=color_space -of csv=p=0 " + file);
  std::string range = run("ffprobe -v error -select_streams v:0 -show_entries stream=color_range -of csv=p=0 " + file);
  matrix = matrix.substr(0, matrix.find_first_of("\n,"));
  range = range.substr(0, range.find_first_of("\n,"));
  if (matrix == "unknown" || matrix.empty()) matrix = "bt709";
  const std::string raw = run("ffmpeg -v error -i " + file + " -frames:v 1 -vf scale=in_color_matrix=" + matrix +
                              ":in_range=" + (range == "pc" ? "pc" : "tv") +
                              ":flags=accurate_rnd+full_chroma_int,format=rgb24 -f rawvideo -");
  return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

void expect_colours_kept(const std::string& file) {
  const std::vector<std::uint8_t> want = bars(), got = decode(file);
  ASSERT_EQ(got.size(), want.size()) << file;
  // The mean of each channel over the whole frame, edges and all, within a level.
  for (int c = 0; c < 3; c++) {
    double sum = 0;
    for (std::size_t i = c; i < got.size(); i += 3) sum += double(got[i]) - double(want[i]);
    EXPECT_LE(std::abs(sum / (kW * kH)), 1.0) << file << " channel " << c;
  }
  // Each bar's middle, away from the chroma that blends across its edges, within two levels.
  for (int bar = 0; bar < 8; bar++)
    for (int c = 0; c < 3; c++) {
      const std::size_t at = (std::size_t(kH / 2) * kW + bar * 32 + 16) * 3 + c;
      EXPECT_NEAR(int(got[at]), int(kBars[bar][c]), 2) << file << " bar " << bar << " channel " << c;
    }
}

void write(const std::string& file) {
  APP_VideoOut out;
  APP_VideoFormat format{kW, kH, 10.0, 0.0, 0.3, "", {}};
  ASSERT_EQ(APP_VideoOpen(out, file, format), 1);
  const std::vector<std::uint8_t> rgb = bars();
  for (int i = 0; i < 3; i++) ASSERT_EQ(APP_VideoWrite(out, rgb.data()), 1);
  ASSERT_EQ(APP_VideoClose(out, APP_VIDEO_COMPLETE), 1);
}

TEST(VideoColour, EncodedFramesKeepTheirColoursAndSayHow) {
  vt::TempDir dir;
  const std::string mkv = dir.file("bars.mkv"), y4m = dir.file("bars.y4m");
  write(mkv);
  write(y4m);
  expect_colours_kept(mkv);
  expect_colours_kept(y4m);
  EXPECT_EQ(run("ffprobe -v error -select_streams v:0 -show_entries "
                "stream=color_space,color_primaries,color_transfer,color_range -of csv=p=0 " + mkv),
            "tv,bt709,bt709,bt709\n");
  std::FILE* f = std::fopen(y4m.c_str(), "rb");
  char header[128] = "";
  ASSERT_TRUE(f && std::fgets(header, sizeof header, f));
  std::fclose(f);
  EXPECT_NE(std::string(header).find(" XCOLORRANGE=LIMITED"), std::string::npos) << header;
}

}  // namespace
