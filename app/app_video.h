// Where rendered frames go: a .y4m file written here, a folder of numbered PNG files, a
// discarding sink (benchmarks), or an ffmpeg child that encodes them with the soundtrack.
// Files are written under a temporary name and take their real name only when complete.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum { APP_VIDEO_DISCARD = 0, APP_VIDEO_Y4M = 1, APP_VIDEO_PNG = 2, APP_VIDEO_FFMPEG = 3, APP_VIDEO_NONE = -1 };
// How APP_VideoClose ends an output.
enum { APP_VIDEO_DROP = 0, APP_VIDEO_COMPLETE = 1, APP_VIDEO_PARTIAL = 2 };

struct APP_VideoOut {
  int kind = APP_VIDEO_DISCARD;
  int width = 0, height = 0;
  long frames = 0;     // frames written
  long offered = 0;    // frames handed to APP_VideoWrite, written or passed over
  std::vector<long> keep;  // ascending indices of the only frames written; empty: all
  std::string path;    // the name asked for
  std::string temp;    // what is written until it is complete (a file, or a PNG folder)
  std::string folder;  // a PNG folder's name, without the slashes that end it
  std::string kept;    // where a partial output was kept (APP_VideoClose)
  std::FILE* file = nullptr;
  pid_t child = -1;
  std::vector<std::uint8_t> planes;  // one 4:2:0 frame
};

struct APP_VideoFormat {
  int width, height;
  double fps;
  double from, to;                      // music time of the range (the soundtrack is cut to it)
  std::string soundtrack;               // resolved path of the soundtrack
  std::vector<std::string> ffmpegArgs;  // given after "--"
  int lossless = 0;  // frames kept exactly: RGB in FFV1, the sound in FLAC (APP_VideoHoldsLossless)
};

// The kind an output name asks for: ".y4m", a folder (existing, or a name ending in '/'), a
// video file ffmpeg writes (.mkv, .mp4, .webm, ...), or APP_VIDEO_NONE for a name that
// chooses none of them.
int APP_VideoKindOf(const std::string& path);
// 1 when the kind stores 4:2:0 colour, whose frames need an even width and height.
int APP_VideoIs420(int kind);
// 1 when the output can keep the frames exactly as rendered: a PNG folder, or a container that
// holds FFV1 and FLAC (.mkv, .nut).
int APP_VideoHoldsLossless(const std::string& path);
// The ffmpeg command line for an output (the temporary name last).
std::vector<std::string> APP_VideoFfmpegArgs(const APP_VideoFormat& format, const std::string& output);
// Opens the output; on failure prints one line on standard error and returns 0.
int APP_VideoOpen(APP_VideoOut& out, const std::string& path, const APP_VideoFormat& format);
// Appends one frame of width x height RGB pixels, rows from the top, unless `keep` passes it
// over (a PNG file is named by the frame's index). 0 (with the line) on failure.
int APP_VideoWrite(APP_VideoOut& out, const std::uint8_t* rgb);
// Finishes the output. APP_VIDEO_COMPLETE: it takes its real name (1). APP_VIDEO_PARTIAL (a
// render stopped half way): what was written is finished into a valid file that takes the real
// name only where no file has it, else the name with ".stopped" before its extension, so that
// an earlier complete render is never replaced by a shorter one (1, the name in `kept`).
// APP_VIDEO_DROP, or any failure: the temporary file is removed (0). Prints one line for a
// failure. A PNG folder's frames are written into a hidden folder beside it, whose frames
// join the folder's own when complete; a stopped render's go there only where the folder holds
// no frames, else into "NAME.stopped" (its earlier frames removed first), and none is kept
// when none was written.
int APP_VideoClose(APP_VideoOut& out, int how);
// The end of an output when the program must end at once (a second Ctrl-C): the ffmpeg child's
// process group is killed and the temporary file or folder removed. Safe in a signal handler.
void APP_VideoAbandon(const APP_VideoOut& out);
