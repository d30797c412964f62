// The command-line parser. Every option is checked in full before anything starts, so a bad
// one costs nothing but its error line.
#include "app/app_options.h"

#include "app/app_video.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "shell/music.h"

namespace {

constexpr const char* kUsage =
    "usage: velmar [--no-dialog [--windowed | --fullscreen] [--size WxH] [--desktop] [--no-sound]\n"
    "              [--no-shadows] [--vsync on|off]] [--stretch] [--start SECONDS] [--data DIR] [--stats]\n"
    "              [--gl gl|es]\n"
    "       velmar --render OUT [--fps F] [--size WxH] [--from S] [--to S] [--lossless]\n"
    "              [--supersample N] [--stills T,T,...] [--no-shadows] [--stretch] [--data DIR]\n"
    "              [--stats] [--gl gl|es] [--jobs N | --piece K/N] [-- FFMPEG-ARGS...]\n"
    "       velmar --join OUT PIECE... [--lossless] [--data DIR] [-- FFMPEG-ARGS...]\n"
    "       velmar --frame-numbers T,T,... [--fps F]\n"
    "       velmar --help | --version\n";

constexpr const char* kHelp =
    "Velmar, a real-time show by KVT.\n"
    "\n"
    "usage: velmar [OPTIONS]\n"
    "       velmar --render OUT [RENDER OPTIONS] [-- FFMPEG-ARGS...]\n"
    "\n"
    "Without options the setup dialog comes first, then the show.\n"
    "\n"
    "Live options:\n"
    "  --no-dialog        start at once with the dialog's defaults, changed by these:\n"
    "    --windowed       in a window\n"
    "    --fullscreen     full screen (the default)\n"
    "    --size WxH       a drawing size of any shape (default 640x480)\n"
    "    --desktop        full screen in the desktop's own mode\n"
    "    --no-sound       the \"No Sound\" output (the show keeps its timing)\n"
    "    --no-shadows     dynamic shadows off (Enter still toggles them)\n"
    "    --vsync on|off   one frame per display refresh, or as fast as it goes (default on)\n"
    "  --stretch          fill a screen of any shape instead of keeping 4:3 with black bars\n"
    "  --start SECONDS    run the show ahead to that time, then play it from there with the music\n"
    "  --data DIR         read the content from DIR instead of ./data\n"
    "  --stats            print frame times per section, the music clock's origin and the\n"
    "                     sound output's figures on standard error at the end\n"
    "  --gl gl|es         draw with the system's OpenGL (gl, the default), or on OpenGL ES 3.0\n"
    "                     through the layer the web page draws with (es); renders too\n"
    "\n"
    "Offline rendering (no dialog, no sound device, no display, every frame exactly on time;\n"
    "Ctrl-C keeps the frames made so far in a valid file, never over an earlier complete render,\n"
    "and ends velmar by the signal (status 130); a second Ctrl-C ends it at once, keeping nothing):\n"
    "  --render OUT       OUT.y4m: raw 4:2:0 video; an existing folder or a name ending in /:\n"
    "                     numbered PNG files; a video file (.mkv, .mp4, .webm, .mov, .avi, ...):\n"
    "                     encoded by ffmpeg with the soundtrack (4:2:0 needs an even size)\n"
    "  --fps F            frames per second of music time (default 60)\n"
    "  --size WxH         frame size (default 1440x1080)\n"
    "  --from S, --to S   the range of music time in seconds (default 0 to 312)\n"
    "  --lossless         with .mkv: the frames exactly as rendered (RGB in FFV1) and the sound\n"
    "                     in FLAC, at any size\n"
    "  --supersample N    draw each frame at N times the width and height (N from 1 to 4) and\n"
    "                     average each N x N block into one pixel (in display space)\n"
    "  --stills T,T,...   with a PNG folder: write only the frames at these music times (the\n"
    "                     first frame at or after each); the show still runs through every frame\n"
    "  --jobs N           render N pieces of the range at once (N from 1 to 64), each in a\n"
    "                     process of its own with a share of the processors, and join them\n"
    "                     into OUT with one encode and the soundtrack encoded once\n"
    "  --piece K/N        render only piece K (from 1) of N of the range, on the frame grid,\n"
    "                     into OUT, a lossless .mkv without sound (for rendering on many\n"
    "                     machines; see --join)\n"
    "  -- ARGS...         further arguments for ffmpeg, placed before the output name\n"
    "\n"
    "Joining pieces:\n"
    "  --join OUT PIECE...  make OUT (any kind --render takes) from the pieces --piece wrote,\n"
    "                     all N of them, in any order, with the soundtrack over their range\n"
    "\n"
    "Frame grid:\n"
    "  --frame-numbers T,T,...  print the number of the frame a render from 0 at --fps F\n"
    "                     (default 60) gives for each music time, one a line: the first frame\n"
    "                     at or after it, as --from, --to and --stills count; nothing else runs\n"
    "\n"
    "  --help             this text\n"
    "  --version          the version\n"
    "\n"
    "Examples:\n"
    "  velmar --no-dialog --windowed --size 1280x720 --start 60\n"
    "  velmar --render show.mkv --size 640x480 --fps 30\n";

bool parse_number(const char* text, double& value) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text, &end);
  return errno == 0 && end && *end == 0 && std::isfinite(value);
}

// "K/N" with 1 <= K and N from 1 to 10000 (K past N is refused by the caller, by name).
bool parse_piece(const char* text, int& k, int& n) {
  if (!text) return false;
  char* end = nullptr;
  errno = 0;
  const long a = std::strtol(text, &end, 10);
  if (end == text || *end != '/') return false;
  const char* second = end + 1;
  const long b = std::strtol(second, &end, 10);
  if (errno || end == second || *end || a < 1 || b < 1 || b > 10000 || a > 100000) return false;
  k = int(a);
  n = int(b);
  return true;
}

// Comma-separated music times, each from 0 to 312.
bool parse_times(const char* text, std::vector<double>& out) {
  out.clear();
  if (!text || !*text) return false;
  for (const char* at = text;;) {
    const char* comma = std::strchr(at, ',');
    const std::string item = comma ? std::string(at, comma) : std::string(at);
    double t = 0;
    if (!parse_number(item.c_str(), t) || t < 0.0 || t > 312.0) return false;
    out.push_back(t);
    if (!comma) return true;
    at = comma + 1;
  }
}

bool parse_size(const char* text, int& w, int& h) {
  if (!text) return false;
  char* end = nullptr;
  errno = 0;
  long a = std::strtol(text, &end, 10);
  if (end == text || (*end != 'x' && *end != 'X')) return false;
  const char* second = end + 1;
  long b = std::strtol(second, &end, 10);
  if (errno || end == second || *end || a < 16 || b < 16 || a > 65536 || b > 65536) return false;
  w = int(a);
  h = int(b);
  return true;
}

struct Parser {
  int argc;
  const char* const* argv;
  int i = 1;
  std::string error;

  bool fail(const std::string& text) {
    if (error.empty()) error = text;
    return false;
  }
  // The value after option argv[i]; null (with the error) when there is none.
  const char* value() {
    if (i + 1 >= argc) {
      fail(std::string(argv[i]) + " needs a value");
      return nullptr;
    }
    return argv[++i];
  }
  bool number(double& out, double low, double high) {
    const char* name = argv[i];
    const char* v = value();
    if (!v) return false;
    if (!parse_number(v, out) || out < low || out > high)
      return fail(std::string("bad value for ") + name + ": '" + v + "'");
    return true;
  }
};

}  // namespace

const char* APP_OptionsHelp(void) { return kHelp; }

int APP_OptionsParse(int argc, const char* const* argv, APP_Options& out, std::string& message) {
  APP_Options o;
  Parser p{argc, argv, 1, {}};
  std::string renderOnly;  // an option of renders alone, given
  bool sizeGiven = false, startGiven = false, renderRange = false, fpsGiven = false, frameNumbers = false;
  std::vector<double> frameTimes;  // --frame-numbers
  std::string otherOption;         // the first option given other than --frame-numbers and --fps
  std::string dialogFlag;  // a dialog choice given, for the check below
  for (; p.i < argc && p.error.empty(); p.i++) {
    const std::string a = argv[p.i];
    if (a == "--help") {
      message = kHelp;
      return APP_OPTIONS_DONE;
    }
    if (a == "--version") {
      message = std::string(APP_VERSION) + "\n";
      return APP_OPTIONS_DONE;
    }
    if (a != "--frame-numbers" && a != "--fps" && otherOption.empty()) otherOption = a;
    if (a == "--no-dialog") o.noDialog = 1;
    else if (a == "--windowed" || a == "--fullscreen") o.fullscreen = a == "--fullscreen", dialogFlag = a;
    else if (a == "--desktop") o.desktop = 1, dialogFlag = a;
    else if (a == "--no-sound") o.noSound = 1, dialogFlag = a;
    else if (a == "--no-shadows") o.noShadows = 1;
    else if (a == "--stretch") o.stretch = 1;
    else if (a == "--stats") o.stats = 1;
    else if (a == "--lossless") o.lossless = 1;
    else if (a == "--gl") {
      const char* v = p.value();
      if (v && std::strcmp(v, "gl") == 0) o.glEs = 0;
      else if (v && std::strcmp(v, "es") == 0) o.glEs = 1;
      else if (v) p.fail(std::string("bad value for --gl: '") + v + "' (gl or es)");
    }
    else if (a == "--vsync") {
      const char* v = p.value();
      if (v && std::strcmp(v, "on") == 0) o.vsync = 1;
      else if (v && std::strcmp(v, "off") == 0) o.vsync = 0;
      else if (v) p.fail(std::string("bad value for --vsync: '") + v + "' (on or off)");
    } else if (a == "--size") {
      const char* v = p.value();
      if (v && !parse_size(v, o.width, o.height))
        p.fail(std::string("bad value for --size: '") + v + "' (WxH, 16 to 65536 each)");
      sizeGiven = true;
    } else if (a == "--start") {
      double v = 0;
      if (p.number(v, 0.0, 312.0)) o.start = float(v);
      startGiven = true;
    } else if (a == "--data") {
      const char* v = p.value();
      if (v && !*v) p.fail("bad value for --data: an empty name");
      else if (v) o.dataDir = v;
    } else if (a == "--render") {
      const char* v = p.value();
      if (v && !*v) p.fail("bad value for --render: an empty name");
      else if (v) o.render = v;
    } else if (a == "--jobs") {
      double n = 1;
      if (p.number(n, 1.0, 64.0) && n != std::floor(n)) p.fail("bad value for --jobs: a whole number from 1 to 64");
      o.jobs = int(n);
      renderOnly = a;
    } else if (a == "--piece") {
      const char* v = p.value();
      if (v && !parse_piece(v, o.pieceIndex, o.pieceCount))
        p.fail(std::string("bad value for --piece: '") + v + "' (K/N, K from 1 to N)");
      else if (v && o.pieceIndex > o.pieceCount)
        p.fail(std::string("bad value for --piece: '") + v + "': piece " + std::to_string(o.pieceIndex) +
               " is past the " + std::to_string(o.pieceCount) + " pieces");
      renderOnly = a;
    } else if (a == "--join") {
      const char* v = p.value();
      if (v && !*v) p.fail("bad value for --join: an empty name");
      else if (v) o.join = v;
    } else if (!o.join.empty() && !a.empty() && a[0] != '-') {
      o.pieces.push_back(a);
    } else if (a == "--supersample") {
      double n = 1;
      if (p.number(n, 1.0, 4.0) && n != std::floor(n))
        p.fail("bad value for --supersample: a whole number from 1 to 4");
      o.supersample = int(n);
      renderOnly = a;
    } else if (a == "--fps") {
      p.number(o.fps, 1.0, 1000.0);
      fpsGiven = true;
    } else if (a == "--from") {
      p.number(o.from, 0.0, 312.0);
      renderRange = true;
    } else if (a == "--to") {
      p.number(o.to, 0.0, 312.0);
      renderRange = true;
    } else if (a == "--stills") {
      const char* v = p.value();
      if (v && !parse_times(v, o.stills))
        p.fail(std::string("bad value for --stills: '") + v + "' (music times from 0 to 312, separated by commas)");
    } else if (a == "--frame-numbers") {
      const char* v = p.value();
      if (v && !parse_times(v, frameTimes))
        p.fail(std::string("bad value for --frame-numbers: '") + v +
               "' (music times from 0 to 312, separated by commas)");
      frameNumbers = true;
    } else if (a == "--") {
      for (p.i++; p.i < argc; p.i++) o.ffmpegArgs.emplace_back(argv[p.i]);
      if (o.render.empty() && o.join.empty()) p.fail("'--' (arguments for ffmpeg) needs --render or --join");
      break;
    } else {
      p.fail("unknown option '" + a + "'");
    }
  }

  if (p.error.empty() && frameNumbers) {
    if (!otherOption.empty()) {
      p.fail(otherOption + " does not go with --frame-numbers (it takes --fps alone)");
    } else {
      message.clear();
      for (double t : frameTimes) message += std::to_string(MUSIC_FrameAt(t, o.fps)) + "\n";
      return APP_OPTIONS_DONE;
    }
  }
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  if (p.error.empty() && !o.join.empty()) {
    const int kind = APP_VideoKindOf(o.join);
    if (!o.render.empty()) p.fail("--render does not go with --join");
    else if (!renderOnly.empty() || renderRange || fpsGiven || sizeGiven || !o.stills.empty())
      p.fail("--join takes its frame rate, size and range from the pieces; only --lossless, --data, --stats and "
             "ffmpeg's arguments go with it");
    else if (!dialogFlag.empty() || o.noDialog || startGiven || o.vsync >= 0 || o.noShadows > 0 || o.stretch > 0)
      p.fail("--join makes no show; options of the show do not go with it");
    else if (o.pieces.empty()) p.fail("--join " + o.join + ": no pieces named");
    else if (kind == APP_VIDEO_NONE) p.fail("--join " + o.join + ": the name chooses no kind of output");
    else if (o.lossless && kind == APP_VIDEO_Y4M)
      p.fail("--lossless does not go with a .y4m (4:2:0 video); use an .mkv or a PNG folder");
    else if (o.lossless && !APP_VideoHoldsLossless(o.join))
      p.fail("--lossless needs an .mkv (FFV1 and FLAC) or a PNG folder, not " + o.join);
  } else if (p.error.empty()) {
    if (!o.render.empty()) {
      const int kind = APP_VideoKindOf(o.render);
      if (!dialogFlag.empty()) p.fail(dialogFlag + " does not go with --render");
      else if (o.noDialog) p.fail("--no-dialog does not go with --render (it never shows the dialog)");
      else if (startGiven) p.fail("--start does not go with --render (use --from)");
      else if (o.vsync >= 0) p.fail("--vsync does not go with --render");
      else if (!(o.from < o.to)) p.fail("--from must be before --to");
      else if (!o.stills.empty() && kind != APP_VIDEO_PNG)
        p.fail("--stills needs a PNG folder for --render (a name ending in /)");
      else if (kind == APP_VIDEO_NONE)
        p.fail("--render " + o.render + ": the name chooses no kind of output (a .y4m file, a folder ending in /, or a "
               "video file: .mkv, .mp4, .webm, .mov, .avi, ...)");
      else if (o.pieceCount > 0 && (APP_VideoKindOf(o.render) != APP_VIDEO_FFMPEG || !APP_VideoHoldsLossless(o.render)))
        p.fail("--piece writes a lossless .mkv piece, not " + o.render);
      else if (o.pieceCount > 0 && o.jobs > 1) p.fail("--jobs does not go with --piece");
      else if ((o.pieceCount > 0 || o.jobs > 1) && !o.stills.empty())
        p.fail("--stills does not go with --jobs or --piece");
      else if (std::max(o.jobs, o.pieceCount) > MUSIC_FrameAt(o.to, o.fps) - MUSIC_FrameAt(o.from, o.fps))
        p.fail("--" + std::string(o.jobs > 1 ? "jobs " : "piece ") + std::to_string(std::max(o.jobs, o.pieceCount)) +
               ": more pieces than the " +
               std::to_string(std::max(1L, MUSIC_FrameAt(o.to, o.fps) - MUSIC_FrameAt(o.from, o.fps))) +
               " frames of the range");
      else if (o.lossless && kind == APP_VIDEO_Y4M)
        p.fail("--lossless does not go with a .y4m (4:2:0 video); use an .mkv or a PNG folder");
      else if (o.lossless && !APP_VideoHoldsLossless(o.render))
        p.fail("--lossless needs an .mkv (FFV1 and FLAC) or a PNG folder, not " + o.render);
      else if (sizeGiven && APP_VideoIs420(kind) && !o.lossless && (o.width % 2 || o.height % 2))
        p.fail("--size " + size + ": 4:2:0 video needs an even width and height; use " +
               std::to_string(o.width & ~1) + "x" + std::to_string(o.height & ~1) + " or " +
               std::to_string((o.width + 1) & ~1) + "x" + std::to_string((o.height + 1) & ~1) +
               " (or a PNG folder)");
      if (!sizeGiven) o.width = 1440, o.height = 1080;
      if (o.pieceCount > 0) o.lossless = 1;
    } else {
      if (renderRange || fpsGiven || !o.stills.empty() || o.lossless || !renderOnly.empty())
        p.fail("--fps, --from, --to, --stills, --lossless, --supersample, --jobs and --piece need --render");
      else if ((!dialogFlag.empty() || sizeGiven || o.noShadows > 0) && !o.noDialog)
        p.fail((dialogFlag.empty() ? std::string(sizeGiven ? "--size" : "--no-shadows") : dialogFlag) +
               " replaces a dialog choice and needs --no-dialog");
      else if (o.desktop > 0 && o.fullscreen == 0) p.fail("--desktop needs full screen, not --windowed");
      else if (o.desktop > 0 && sizeGiven) p.fail("--size does not go with --desktop (it draws in the desktop's own size)");
      else if (o.width > 16384 || o.height > 16384) p.fail("--size " + size + ": a window is at most 16384x16384");
    }
  }
  if (!p.error.empty()) {
    message = "velmar: " + p.error + "\n" + kUsage;
    return APP_OPTIONS_BAD;
  }
  out = o;
  return APP_OPTIONS_RUN;
}

void APP_OptionsApply(const APP_Options& o, APP_Settings& s) {
  if (o.fullscreen >= 0) s.fullscreen = o.fullscreen;
  if (o.desktop > 0) s.useDesktop = 1;
  if (o.noSound > 0) s.outputRow = 2;  // the "No Sound" row
  if (o.noShadows > 0) s.dynamicShadows = 0;
  if (o.vsync >= 0) s.vsync = o.vsync;
  if (o.stretch > 0) s.stretch = 1;
  if (o.width > 0 && o.height > 0) s.width = o.width, s.height = o.height;
  // A supersampled render draws at the larger size; the renderer averages it down.
  if (!o.render.empty() && o.supersample > 1) s.width *= o.supersample, s.height *= o.supersample;
  // A render never opens a sound device nor shows a window of its own size.
  if (!o.render.empty() || o.renderDiscard) {
    s.outputRow = 2;
    s.fullscreen = 0;
    s.useDesktop = 0;
  }
}
