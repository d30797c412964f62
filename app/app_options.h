// The command line: what each option asks for, the parser, and how the options change the
// settings record the dialog would otherwise fill.
#pragma once

#include <string>
#include <vector>

#include "shell/app_settings.h"

struct APP_Options {
  int noDialog = 0;
  // Dialog choices replaced from the command line; -1 where not given.
  int fullscreen = -1, desktop = -1, noSound = -1, noShadows = -1, vsync = -1, stretch = -1;
  int width = 0, height = 0;  // --size; 0 where not given
  float start = 0.0f;         // --start, seconds of music
  std::string dataDir;        // --data; empty: ./data
  int stats = 0;
  int glEs = 0;  // --gl es: OpenGL ES 3.0 under the OpenGL 1.1 layer
  // Offline rendering.
  std::string render;  // --render OUT; empty for a live show
  double fps = 60.0;
  double from = 0.0, to = 312.0;
  std::vector<std::string> ffmpegArgs;  // after "--"
  int supersample = 1;  // --supersample N: drawn at N times the width and height, each N x N block averaged
  int lossless = 0;
  // Parallel rendering: --jobs N renders N pieces of the range at once here and joins them;
  // --piece K/N renders the K-th (from 1) of N pieces into a lossless .mkv without sound;
  // --join OUT PIECE... makes the output from such pieces.
  int jobs = 1;
  int pieceIndex = 0, pieceCount = 0;  // 0: not a piece
  std::string join;                    // --join OUT; empty otherwise
  std::vector<std::string> pieces;     // the pieces named after --join  // --lossless: the frames stored exactly (FFV1 RGB and FLAC in an .mkv)
  std::vector<double> stills;  // --stills: the music times whose frames alone are written; empty: all
  int renderDiscard = 0;  // render and drop the frames (benchmarks; not on the command line)
};

enum { APP_OPTIONS_RUN = 0, APP_OPTIONS_DONE = 1, APP_OPTIONS_BAD = 2 };

// Parses argv[1..argc-1]. APP_OPTIONS_RUN: go on with `out`; APP_OPTIONS_DONE: `message` is
// the help, the version or the frame numbers, for standard output, exit 0; APP_OPTIONS_BAD:
// `message` is the one-line error followed by the usage, for standard error, exit 2.
int APP_OptionsParse(int argc, const char* const* argv, APP_Options& out, std::string& message);

// Writes the given choices into `settings` (fields the options do not name are kept).
void APP_OptionsApply(const APP_Options& options, APP_Settings& settings);

// The help text (--help).
const char* APP_OptionsHelp(void);
inline constexpr const char* APP_VERSION = "velmar 1.0";
