// The video outputs of the offline renderer.
#include "app/app_video.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "gfx/img_png.h"

namespace {

std::string lower_extension(const std::string& path) {
  std::size_t slash = path.rfind('/'), dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string e = path.substr(dot);
  for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

// "dir/.name.part.ext": hidden, plainly unfinished, and still with the extension ffmpeg
// chooses its container by.
std::string temp_name(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".part" + lower_extension(base);
}

std::string number(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// The frame rate as a ratio: whole rates exactly, others to a thousandth.
void rate(double fps, long& num, long& den) {
  if (std::fabs(fps - std::round(fps)) < 1e-9) num = long(std::lround(fps)), den = 1;
  else num = long(std::lround(fps * 1000.0)), den = 1000;
}

bool write_all(int fd, const std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= std::size_t(w);
  }
  return true;
}

// Full-range RGB to BT.709 studio-range 4:2:0 (luma 16 to 235, chroma 16 to 240), chroma
// averaged over each 2x2 block: the matrix players assume for HD pictures and that the encoded
// outputs are tagged with, so a .y4m and an .mkv of the same frames look the same. Coefficients
// in 16-bit fixed point, each row summing to what keeps grey free of chroma.
void to_yuv420(const std::uint8_t* rgb, int w, int h, std::uint8_t* out) {
  constexpr int kYr = 11966, kYg = 40254, kYb = 4064;
  constexpr int kUr = -6596, kUg = -22188, kUb = 28784;
  constexpr int kVr = 28784, kVg = -26145, kVb = -2639;
  constexpr int kHalf = 1 << 15;
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  std::uint8_t* Y = out;
  std::uint8_t* U = out + std::size_t(w) * h;
  std::uint8_t* V = U + std::size_t(cw) * ch;
  for (int y = 0; y < h; y++) {
    const std::uint8_t* p = rgb + std::size_t(y) * w * 3;
    for (int x = 0; x < w; x++, p += 3)
      Y[std::size_t(y) * w + x] = std::uint8_t(16 + ((kYr * p[0] + kYg * p[1] + kYb * p[2] + kHalf) >> 16));
  }
  for (int cy = 0; cy < ch; cy++)
    for (int cx = 0; cx < cw; cx++) {
      int r = 0, g = 0, b = 0, n = 0;
      for (int dy = 0; dy < 2; dy++)
        for (int dx = 0; dx < 2; dx++) {
          const int x = cx * 2 + dx, y = cy * 2 + dy;
          if (x >= w || y >= h) continue;
          const std::uint8_t* p = rgb + (std::size_t(y) * w + x) * 3;
          r += p[0], g += p[1], b += p[2], n++;
        }
      // The block's sums, each channel scaled by 1 / n inside the fixed point.
      const long long u = (long long)(kUr * r + kUg * g + kUb * b) / n;
      const long long v = (long long)(kVr * r + kVg * g + kVb * b) / n;
      U[std::size_t(cy) * cw + cx] = std::uint8_t(128 + ((u + kHalf) >> 16));
      V[std::size_t(cy) * cw + cx] = std::uint8_t(128 + ((v + kHalf) >> 16));
    }
}

// The video files handed to ffmpeg, by extension: containers whose default codecs take the
// 4:2:0 frames at any even size.
constexpr const char* kVideoExtensions[] = {".mkv", ".mp4", ".m4v", ".mov", ".webm", ".avi", ".ogv",
                                            ".ts",  ".m2ts", ".flv", ".nut", ".mpg", ".mpeg", ".wmv"};

// "dir/name.stopped.ext": where a stopped render goes when an earlier one holds the name.
std::string stopped_name(const std::string& path) {
  const std::string e = lower_extension(path);
  return path.substr(0, path.size() - e.size()) + ".stopped" + path.substr(path.size() - e.size());
}

namespace fs = std::filesystem;

// A PNG folder's name without the slashes that end it, and where its frames are written until
// the render is complete: "dir/.name.part", hidden, beside it. "." and the like are named by
// the folder they stand for. Empty where the folder has no name (the root).
std::string png_folder(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  const std::string base = slash == std::string::npos ? folder : folder.substr(slash + 1);
  if (base == "." || base == ".." || base == "/") {
    std::error_code e;
    folder = fs::canonical(folder, e).string();
    if (e || folder == "/") return "";
  }
  return folder;
}

std::string png_temp(const std::string& folder) {
  const std::size_t slash = folder.rfind('/');
  return slash == std::string::npos ? "." + folder + ".part"
                                    : folder.substr(0, slash + 1) + "." + folder.substr(slash + 1) + ".part";
}

// "frameNNNNNN.png", the name of frame `index` of a render; `name` holds at least 17 bytes.
// Written by hand: the second Ctrl-C's handler names frames too.
void frame_name(long index, char* name) {
  std::memcpy(name, "frame000000.png", 16);
  for (int i = 10; i >= 5 && index > 0; i--, index /= 10) name[i] = char('0' + index % 10);
}

bool is_frame(const std::string& name) {
  return name.size() == 15 && name.compare(0, 5, "frame") == 0 && name.compare(11, 4, ".png") == 0;
}

bool holds_frames(const std::string& folder) {
  std::error_code e;
  for (fs::directory_iterator it(folder, e), end; !e && it != end; it.increment(e))
    if (is_frame(it->path().filename().string())) return true;
  return false;
}

// Moves the frames of `from` into `to` (replacing frames of the same name) and removes `from`.
bool move_frames(const std::string& from, const std::string& to) {
  std::error_code e;
  if (!fs::exists(to, e)) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  } else {
    for (fs::directory_iterator it(from, e), end; !e && it != end; it.increment(e))
      if (std::rename(it->path().c_str(), (to + "/" + it->path().filename().string()).c_str()) != 0) break;
    if (!e && fs::remove(from, e)) return true;
  }
  std::fprintf(stderr, "velmar: cannot move the frames of %s into %s\n", from.c_str(), to.c_str());
  return false;
}

// A stopped render's frames: into the folder asked for where it holds no frames, else into
// "name.stopped", whose frames from an earlier stopped render go first.
std::string stopped_folder(const std::string& folder) {
  if (!holds_frames(folder)) return folder;
  const std::string stopped = folder + ".stopped";
  std::error_code e;
  for (fs::directory_iterator it(stopped, e), end; !e && it != end; it.increment(e))
    if (is_frame(it->path().filename().string())) fs::remove(it->path(), e);
  return stopped;
}

// Starts ffmpeg with a pipe on its standard input; tells apart "could not be started".
bool spawn(APP_VideoOut& out, const std::vector<std::string>& args) {
  int data[2], status[2];
  if (pipe(data) != 0) return false;
  if (pipe2(status, O_CLOEXEC) != 0) {
    close(data[0]), close(data[1]);
    return false;
  }
  pid_t pid = fork();
  if (pid == 0) {
    // Ctrl-C in the terminal is for velmar alone, which then ends ffmpeg's input so that it
    // finishes the file: ffmpeg gets a process group of its own (ignoring the signal would not
    // do, as ffmpeg installs its own handler).
    setpgid(0, 0);
    dup2(data[0], 0);
    close(data[0]), close(data[1]), close(status[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    int e = errno;
    (void)!::write(status[1], &e, sizeof e);
    _exit(127);
  }
  // Set here too, so that the group exists before the child runs (the second Ctrl-C kills it).
  if (pid > 0) setpgid(pid, pid);
  close(data[0]), close(status[1]);
  int e = 0;
  ssize_t got = pid > 0 ? ::read(status[0], &e, sizeof e) : -1;
  close(status[0]);
  if (pid < 0 || got > 0) {
    close(data[1]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    std::fprintf(stderr, "velmar: ffmpeg could not be started (%s); is it installed?\n",
                 pid < 0 ? std::strerror(errno) : std::strerror(e));
    return false;
  }
  out.child = pid;
  out.file = fdopen(data[1], "wb");
  return out.file != nullptr;
}

}  // namespace

int APP_VideoKindOf(const std::string& path) {
  struct stat st;
  if (!path.empty() && (path.back() == '/' || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))))
    return APP_VIDEO_PNG;
  const std::string e = lower_extension(path);
  if (e == ".y4m") return APP_VIDEO_Y4M;
  for (const char* known : kVideoExtensions)
    if (e == known) return APP_VIDEO_FFMPEG;
  return APP_VIDEO_NONE;
}

int APP_VideoHoldsLossless(const std::string& path) {
  const std::string e = lower_extension(path);
  return APP_VideoKindOf(path) == APP_VIDEO_PNG || e == ".mkv" || e == ".nut";
}

int APP_VideoIs420(int kind) { return kind == APP_VIDEO_Y4M || kind == APP_VIDEO_FFMPEG; }

std::vector<std::string> APP_VideoFfmpegArgs(const APP_VideoFormat& s, const std::string& output) {
  long num, den;
  rate(s.fps, num, den);
  std::vector<std::string> a = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                "-f", "rawvideo", "-pix_fmt", "rgb24",
                                "-s", std::to_string(s.width) + "x" + std::to_string(s.height),
                                "-framerate", std::to_string(num) + "/" + std::to_string(den), "-i", "-"};
  if (!s.soundtrack.empty()) {
    a.insert(a.end(), {"-ss", number(s.from), "-t", number(s.to - s.from), "-i", s.soundtrack,
                       "-map", "0:v:0", "-map", "1:a:0"});
  }
  const std::string e = lower_extension(output);
  if (s.lossless) {
    // RGB as rendered, in FFV1 (sliced, so that it encodes on more than one core), and the
    // sound in FLAC; the tags say sRGB in full range.
    a.insert(a.end(), {"-c:v", "ffv1", "-level", "3", "-slices", "4", "-pix_fmt", "bgr0", "-c:a", "flac",
                       "-colorspace", "rgb", "-color_primaries", "bt709", "-color_trc", "iec61966-2-1",
                       "-color_range", "pc"});
  } else {
    // The quality comes from the constant rate factor; "faster" keeps the encoder from taking a
    // third of the machine away from the renderer, for a file of much the same size.
    if (e == ".mp4" || e == ".mkv" || e == ".mov")
      a.insert(a.end(), {"-c:v", "libx264", "-preset", "faster", "-crf", "18", "-c:a", "aac", "-b:a", "192k", "-ar", "48000"});
    // The conversion to 4:2:0 uses the BT.709 matrix into studio range, and the stream says so:
    // a player takes an untagged HD picture for BT.709 anyway, but an SD one for BT.601, and
    // ffmpeg's own default would convert with BT.601 and tag nothing. Exact rounding keeps the
    // mean colour within a level of the rendered frames.
    a.insert(a.end(), {"-vf", "scale=out_color_matrix=bt709:out_range=tv:flags=accurate_rnd+full_chroma_int,format=yuv420p",
                       "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"});
  }
  // After Ctrl-C the sound ends with the frames made so far.
  a.push_back("-shortest");
  if (e == ".mp4" || e == ".mov") a.insert(a.end(), {"-movflags", "+faststart"});
  a.insert(a.end(), s.ffmpegArgs.begin(), s.ffmpegArgs.end());
  // Always a file, never one of ffmpeg's protocols ("pipe:", "http:", ...).
  a.push_back("file:" + output);
  return a;
}

int APP_VideoOpen(APP_VideoOut& out, const std::string& path, const APP_VideoFormat& format) {
  out = APP_VideoOut{};
  out.width = format.width;
  out.height = format.height;
  out.path = path;
  if (path.empty()) return 1;  // discard
  out.kind = APP_VideoKindOf(path);
  if (out.kind == APP_VIDEO_PNG) {
    // The frames go into a folder of their own until the render is complete, so that a
    // stopped render never overwrites the frames of an earlier complete one.
    out.folder = png_folder(path);
    if (out.folder.empty()) {
      std::fprintf(stderr, "velmar: --render %s: the frames need a folder with a name\n", path.c_str());
      return 0;
    }
    out.temp = png_temp(out.folder);
    std::error_code e;
    fs::remove_all(out.temp, e);  // what a render that was killed left
    if (mkdir(out.temp.c_str(), 0777) != 0) {
      std::fprintf(stderr, "velmar: cannot make the folder %s: %s\n", out.temp.c_str(), std::strerror(errno));
      out.temp.clear();
      return 0;
    }
    return 1;
  }
  out.temp = temp_name(path);
  if (out.kind == APP_VIDEO_Y4M) {
    out.file = std::fopen(out.temp.c_str(), "wb");
    if (!out.file) {
      std::fprintf(stderr, "velmar: cannot write %s: %s\n", out.temp.c_str(), std::strerror(errno));
      return 0;
    }
    long num, den;
    rate(format.fps, num, den);
    std::fprintf(out.file, "YUV4MPEG2 W%d H%d F%ld:%ld Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n", format.width, format.height, num, den);
    const std::size_t cw = std::size_t(format.width + 1) / 2, ch = std::size_t(format.height + 1) / 2;
    out.planes.resize(std::size_t(format.width) * format.height + 2 * cw * ch);
    return 1;
  }
  // A child that dies must show up as a failed write, not end the show.
  std::signal(SIGPIPE, SIG_IGN);
  return spawn(out, APP_VideoFfmpegArgs(format, out.temp)) ? 1 : 0;
}

int APP_VideoWrite(APP_VideoOut& out, const std::uint8_t* rgb) {
  const std::size_t bytes = std::size_t(out.width) * out.height * 3;
  const long index = out.offered++;
  if (!out.keep.empty() && !std::binary_search(out.keep.begin(), out.keep.end(), index)) return 1;
  bool ok = true;
  switch (out.kind) {
    case APP_VIDEO_DISCARD: break;
    case APP_VIDEO_Y4M:
      to_yuv420(rgb, out.width, out.height, out.planes.data());
      ok = std::fputs("FRAME\n", out.file) >= 0 && std::fwrite(out.planes.data(), 1, out.planes.size(), out.file) == out.planes.size();
      if (!ok) std::fprintf(stderr, "velmar: cannot write %s: %s\n", out.temp.c_str(), std::strerror(errno));
      break;
    case APP_VIDEO_PNG: {
      char name[32];
      frame_name(index, name);
      const std::string file = out.temp + "/" + name;
      ok = IMG_PngWrite(file.c_str(), rgb, out.width, out.height);
      if (!ok) std::fprintf(stderr, "velmar: cannot write %s\n", file.c_str());
      break;
    }
    case APP_VIDEO_FFMPEG:
      ok = write_all(fileno(out.file), rgb, bytes);
      if (!ok) std::fprintf(stderr, "velmar: ffmpeg stopped taking frames (%s)\n", std::strerror(errno));
      break;
    default: ok = false;
  }
  if (ok) out.frames++;
  return ok ? 1 : 0;
}

int APP_VideoClose(APP_VideoOut& out, int how) {
  const int keep = how != APP_VIDEO_DROP;
  bool ok = keep != 0;
  if (out.kind == APP_VIDEO_Y4M && out.file) {
    ok = std::fclose(out.file) == 0 && ok;
  } else if (out.kind == APP_VIDEO_FFMPEG && out.file) {
    std::fclose(out.file);  // ffmpeg finishes the file when its input ends
    int status = 0;
    while (waitpid(out.child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      if (keep) std::fprintf(stderr, "velmar: ffmpeg failed (exit status %d); %s was not written\n",
                             WIFEXITED(status) ? WEXITSTATUS(status) : -1, out.path.c_str());
      ok = false;
    }
  }
  out.file = nullptr;
  out.child = -1;
  if (out.kind == APP_VIDEO_PNG && !out.temp.empty()) {
    // A stopped render that wrote no frame leaves the folder as it was.
    if (how == APP_VIDEO_PARTIAL && out.frames == 0) ok = false;
    const std::string to = !ok ? "" : how == APP_VIDEO_PARTIAL ? stopped_folder(out.folder) : out.folder;
    ok = ok && move_frames(out.temp, to);
    out.kept = ok ? to + "/" : "";
    std::error_code e;
    if (!ok) fs::remove_all(out.temp, e);
    out.temp.clear();
    return ok ? 1 : 0;
  }
  if (!out.temp.empty()) {
    struct stat st;
    out.kept = how == APP_VIDEO_PARTIAL && stat(out.path.c_str(), &st) == 0 ? stopped_name(out.path) : out.path;
    if (ok && std::rename(out.temp.c_str(), out.kept.c_str()) != 0) {
      std::fprintf(stderr, "velmar: cannot name the output %s: %s\n", out.kept.c_str(), std::strerror(errno));
      ok = false;
    }
    if (!ok) std::remove(out.temp.c_str()), out.kept.clear();
  } else if (keep) {
    out.kept = out.path;
  }
  return out.kind == APP_VIDEO_PNG || out.kind == APP_VIDEO_DISCARD ? keep : (ok ? 1 : 0);
}

void APP_VideoAbandon(const APP_VideoOut& out) {
  if (out.child > 0) kill(-out.child, SIGKILL);
  if (out.temp.empty()) return;
  if (out.kind != APP_VIDEO_PNG) {
    unlink(out.temp.c_str());
    return;
  }
  // The folder holds no more than the frames offered so far (and the one being written), by
  // their names; listing it would not be safe in a signal handler.
  char file[4096];
  const std::size_t n = out.temp.size();
  if (n + 17 > sizeof file) return;
  std::memcpy(file, out.temp.c_str(), n);
  file[n] = '/';
  for (long i = 0; i <= out.offered; i++) {
    frame_name(i, file + n + 1);
    unlink(file);
  }
  rmdir(out.temp.c_str());
}
