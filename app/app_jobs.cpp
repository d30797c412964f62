// Parallel rendering: the pieces of a range, the processes that render them at once, and the
// join that reads the lossless pieces back and makes the output with one encode.
#include "app/app_jobs.h"

#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>  // not in the page, which starts no processes
#endif
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/app_data.h"
#include "app/app_render.h"
#include "app/app_video.h"
#include "platform/pl_platform.h"
#include "shell/music.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_signal = 0;
void on_signal(int signal) {
  if (!g_signal) g_signal = signal;
}

struct Piece {
  int index = 0, count = 0;
  long first = 0, end = 0;
  double fps = 0;
  int width = 0, height = 0;
  std::string path;
};

std::string exact(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

// Starts `args` with its standard output on a pipe (`out`), its standard error into `log`
// where one is named, `progress` (where >= 0) as its descriptor 3, and `env` added. -1 where
// it cannot start.
pid_t start(const std::vector<std::string>& args, int& out, const std::string& log, int progress,
            const std::vector<std::string>& env) {
  int data[2];
  if (pipe(data) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    // A child of --jobs is ended by velmar (its own group keeps the terminal's Ctrl-C for
    // velmar alone), and with it.
    if (progress >= 0) {
      setpgid(0, 0);
#ifdef __linux__
      prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    }
    dup2(data[1], 1);
    if (!log.empty()) {
      if (std::FILE* f = std::fopen(log.c_str(), "w")) dup2(fileno(f), 1), dup2(fileno(f), 2);
    }
    if (progress >= 0 && progress != 3) dup2(progress, 3), close(progress);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "velmar: cannot start %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  close(data[1]);
  if (pid < 0) close(data[0]);
  else out = data[0];
  return pid;
}

int wait_for(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// What a program writes on its standard output, and 1 where it ends with 0.
int capture(const std::vector<std::string>& args, std::string& text) {
  int fd = -1;
  const pid_t pid = start(args, fd, "", -1, {});
  if (pid < 0) return 0;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) != 0) {
    if (n > 0) text.append(buffer, std::size_t(n));
    else if (errno != EINTR) break;
  }
  close(fd);
  return wait_for(pid) == 0;
}

int read_piece(const std::string& path, Piece& piece) {
  std::string tag;
  if (!capture({"ffprobe", "-v", "error", "-show_entries", std::string("format_tags=") + APP_PIECE_TAG, "-of",
                "default=nw=1:nk=1", "file:" + path},
               tag))
    return 0;
  piece.path = path;
  return std::sscanf(tag.c_str(), "%d/%d %ld %ld %lf %dx%d", &piece.index, &piece.count, &piece.first, &piece.end,
                     &piece.fps, &piece.width, &piece.height) == 7;
}

// Refuses, with one line, pieces that are not all the pieces of one render; sorts them.
int pieces_tile(std::vector<Piece>& pieces) {
  std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.index < b.index; });
  const Piece& p0 = pieces.front();
  for (std::size_t i = 0; i < pieces.size(); i++) {
    const Piece& p = pieces[i];
    if (p.count != p0.count || p.fps != p0.fps || p.width != p0.width || p.height != p0.height) {
      std::fprintf(stderr, "velmar: --join: %s and %s are pieces of different renders\n", p0.path.c_str(), p.path.c_str());
      return 0;
    }
    if (i > 0 && p.index == pieces[i - 1].index) {
      std::fprintf(stderr, "velmar: --join: piece %d of %d is given twice (%s, %s)\n", p.index, p.count,
                   pieces[i - 1].path.c_str(), p.path.c_str());
      return 0;
    }
    if (p.index != int(i) + 1) {
      std::fprintf(stderr, "velmar: --join: the pieces do not tile the range: piece %d of %d is missing\n", int(i) + 1,
                   p.count);
      return 0;
    }
    if (i > 0 && p.first != pieces[i - 1].end) {
      std::fprintf(stderr, "velmar: --join: the pieces do not tile the range: %s ends at frame %ld, %s starts at %ld\n",
                   pieces[i - 1].path.c_str(), pieces[i - 1].end, p.path.c_str(), p.first);
      return 0;
    }
  }
  if (int(pieces.size()) != p0.count) {
    std::fprintf(stderr, "velmar: --join: the pieces do not tile the range: piece %d of %d is missing\n",
                 int(pieces.size()) + 1, p0.count);
    return 0;
  }
  return 1;
}

// One progress line, rewritten in place on a terminal, every 10 s elsewhere.
struct Progress {
  Clock::time_point began = Clock::now(), last = began;
  bool terminal = isatty(2) != 0;
  void show(const char* what, long done, long total, bool final) {
    const Clock::time_point now = Clock::now();
    if (!final && now - last < std::chrono::milliseconds(terminal ? 250 : 10000)) return;
    last = now;
    APP_RenderProgressLine(terminal ? "\r" : "", what, done, total, std::chrono::duration<double>(now - began).count(),
                           terminal && !final ? "" : "\n");
    std::fflush(stderr);
  }
};

// Writes `out` from the pieces' frames, decoded one piece after another. The exit status.
int join(const std::string& output, std::vector<Piece>& pieces, const APP_Options& o, const char* what) {
  const Piece& p0 = pieces.front();
  const long first = p0.first, end = pieces.back().end, total = end - first;
  const int kind = APP_VideoKindOf(output);
  if (APP_VideoIs420(kind) && !o.lossless && (p0.width % 2 || p0.height % 2)) {
    std::fprintf(stderr, "velmar: --join: the pieces are %dx%d; 4:2:0 video needs an even width and height\n",
                 p0.width, p0.height);
    return 2;
  }
  APP_VideoFormat format{p0.width, p0.height, p0.fps, MUSIC_FrameTime(first, p0.fps), MUSIC_FrameTime(end, p0.fps), "",
                       o.ffmpegArgs};
  format.lossless = o.lossless;
  const std::string data = APP_DataDir(o.dataDir);
  if (!data.empty()) PL_SetDataDir(data.c_str());
  char sound[4096] = "";
  if (PL_ResolvePath(MUSIC_FILE, sound, sizeof sound) && access(sound, R_OK) == 0) format.soundtrack = sound;
  else if (kind == APP_VIDEO_FFMPEG)
    std::fprintf(stderr, "velmar: the soundtrack %s is missing; the video will have no sound\n", sound);
  APP_VideoOut out;
  if (!APP_VideoOpen(out, output, format)) return 1;
  std::vector<std::uint8_t> frame(std::size_t(p0.width) * p0.height * 3);
  Progress progress;
  bool ok = true;
  for (const Piece& p : pieces) {
    int fd = -1;
    const pid_t decoder = start({"ffmpeg", "-v", "error", "-nostdin", "-i", "file:" + p.path, "-f", "rawvideo",
                                 "-pix_fmt", "rgb24", "-"},
                                fd, "", -1, {});
    if (decoder < 0) {
      ok = false;
      break;
    }
    long frames = 0;
    for (std::size_t got = 0; ok && !g_signal;) {
      const ssize_t n = read(fd, frame.data() + got, frame.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += std::size_t(n);
      if (got < frame.size()) continue;
      got = 0;
      frames++;
      ok = APP_VideoWrite(out, frame.data()) != 0;
      progress.show(what, out.frames, total, false);
    }
    close(fd);
    if (g_signal) kill(decoder, SIGTERM);
    if (wait_for(decoder) != 0 && !g_signal) {
      std::fprintf(stderr, "velmar: --join: ffmpeg cannot read %s\n", p.path.c_str());
      ok = false;
    } else if (ok && !g_signal && frames != p.end - p.first) {
      std::fprintf(stderr, "velmar: --join: %s holds %ld frames, not %ld\n", p.path.c_str(), frames, p.end - p.first);
      ok = false;
    }
    if (!ok || g_signal) break;
  }
  if (ok && !g_signal) progress.show(what, out.frames, total, true);
  if (!ok || g_signal) {
    APP_VideoClose(out, APP_VIDEO_DROP);
    if (g_signal) std::fprintf(stderr, "velmar: stopped; nothing kept\n");
    return g_signal ? 128 + int(g_signal) : 1;
  }
  return APP_VideoClose(out, APP_VIDEO_COMPLETE) ? 0 : 1;
}

// Ends the program by the signal that stopped it, as an interrupted program does.
int end_by_signal(int status) {
  if (g_signal) {
    std::fflush(nullptr);
    std::signal(int(g_signal), SIG_DFL);
    std::raise(int(g_signal));
  }
  return status;
}

void catch_signals() {
  g_signal = 0;
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  std::signal(SIGPIPE, SIG_IGN);
}

std::string last_lines(const std::string& path, int count) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    // Progress lines rewritten in place leave their last state only.
    const std::size_t cr = line.rfind('\r');
    lines.push_back(cr == std::string::npos ? line : line.substr(cr + 1));
  }
  std::string text;
  for (std::size_t i = lines.size() > std::size_t(count) ? lines.size() - count : 0; i < lines.size(); i++)
    text += "  " + lines[i] + "\n";
  return text;
}

// "dir/.name.pieces": where --jobs keeps its pieces, hidden beside the output.
std::string pieces_folder(const std::string& output) {
  std::string path = output;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." + path + ".pieces"
                                    : path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".pieces";
}

}  // namespace

void APP_PieceFrames(long first, long end, int k, int n, long& a, long& b) {
  const long total = end - first;
  a = first + total * (k - 1) / n;
  b = first + total * k / n;
}

std::string APP_PieceTag(int k, int n, long a, long b, double fps, int width, int height) {
  return std::to_string(k) + "/" + std::to_string(n) + " " + std::to_string(a) + " " + std::to_string(b) + " " +
         exact(fps) + " " + std::to_string(width) + "x" + std::to_string(height);
}

int APP_JoinRun(const APP_Options& o) {
  std::vector<Piece> pieces(o.pieces.size());
  for (std::size_t i = 0; i < pieces.size(); i++)
    if (!read_piece(o.pieces[i], pieces[i])) {
      std::fprintf(stderr, "velmar: --join: %s is not a piece velmar wrote (--piece)\n", o.pieces[i].c_str());
      return 2;
    }
  if (!pieces_tile(pieces)) return 2;
  catch_signals();
  return end_by_signal(join(o.join, pieces, o, "joining"));
}

int APP_JobsRun(const APP_Options& o) {
  catch_signals();
  const std::string folder = pieces_folder(o.render);
  std::error_code e;
  fs::remove_all(folder, e);  // what a killed render left
  if (!fs::create_directory(folder, e)) {
    std::fprintf(stderr, "velmar: cannot make the folder %s\n", folder.c_str());
    return 1;
  }
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  self[length > 0 ? length : 0] = 0;
  // The software renderer's threads, shared fairly: its own count where one is given, else
  // one per processor.
  const char* given = std::getenv("LP_NUM_THREADS");
  const int threads = given && std::atoi(given) > 0 ? std::atoi(given) : int(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
  const long first = MUSIC_FrameAt(o.from, o.fps), end = std::max(MUSIC_FrameAt(o.to, o.fps), first + 1);
  const int n = o.jobs;
  std::fprintf(stderr, "velmar: rendering frames %ld to %ld in %d pieces at once\n", first, end - 1, n);

  std::vector<pid_t> children(n, -1);
  std::vector<int> feeds(n, -1);
  std::vector<Piece> pieces(n);
  for (int k = 1; k <= n; k++) {
    Piece& p = pieces[k - 1];
    p.path = folder + "/piece" + std::to_string(k) + ".mkv";
    p.index = k, p.count = n, p.fps = o.fps, p.width = o.width, p.height = o.height;
    APP_PieceFrames(first, end, k, n, p.first, p.end);
    std::vector<std::string> args = {self, "--render", p.path, "--piece", std::to_string(k) + "/" + std::to_string(n),
                                     "--fps", exact(o.fps), "--size",
                                     std::to_string(o.width) + "x" + std::to_string(o.height), "--from", exact(o.from),
                                     "--to", exact(o.to), "--supersample", std::to_string(o.supersample)};
    if (o.noShadows > 0) args.push_back("--no-shadows");
    if (o.stretch > 0) args.push_back("--stretch");
    if (o.glEs) args.insert(args.end(), {"--gl", "es"});
    if (!o.dataDir.empty()) args.insert(args.end(), {"--data", o.dataDir});
    const int share = threads / n + (k <= threads % n ? 1 : 0);
    int feed[2], unused = -1;
    if (pipe(feed) != 0) break;
    children[k - 1] = start(args, unused, folder + "/piece" + std::to_string(k) + ".log", feed[1],
                            {"LP_NUM_THREADS=" + std::to_string(std::max(1, share)), std::string(APP_PROGRESS_FD) + "=3"});
    close(feed[1]);
    if (unused >= 0) close(unused);
    feeds[k - 1] = feed[0];
    if (children[k - 1] < 0) break;
  }

  // One line for the whole render: every piece's frames written so far.
  Progress progress;
  long done = 0;
  for (int open = n; open > 0 && !g_signal;) {
    std::vector<pollfd> fds;
    for (int fd : feeds)
      if (fd >= 0) fds.push_back({fd, POLLIN, 0});
    if (fds.empty()) break;
    if (poll(fds.data(), fds.size(), 1000) < 0) continue;
    for (const pollfd& f : fds) {
      if (!f.revents) continue;
      char bytes[256];
      const ssize_t got = read(f.fd, bytes, sizeof bytes);
      if (got > 0) done += got;
      else if (got == 0 || errno != EINTR) {
        for (int& fd : feeds)
          if (fd == f.fd) close(fd), fd = -1, open--;
      }
    }
    progress.show("rendering", done, end - first, false);
  }
  int status = 0;
  for (int k = 1; k <= n; k++) {
    if (feeds[k - 1] >= 0) close(feeds[k - 1]);
    if (children[k - 1] < 0) {
      status = 1;
      continue;
    }
    // A stopped piece finishes its ffmpeg before it ends; the folder goes after.
    if (g_signal) kill(children[k - 1], SIGTERM);
    const int s = wait_for(children[k - 1]);
    if (s != 0 && !g_signal) {
      std::fprintf(stderr, "velmar: piece %d of %d failed (status %d):\n%s", k, n, s,
                   last_lines(folder + "/piece" + std::to_string(k) + ".log", 4).c_str());
      status = 1;
    }
  }
  if (status == 0 && !g_signal) {
    // On a terminal the encoding goes on in the same line.
    if (!progress.terminal) progress.show("rendering", done, end - first, true);
    status = join(o.render, pieces, o, "encoding");
  } else if (g_signal) {
    std::fprintf(stderr, "\nvelmar: stopped; nothing kept\n");
    status = 128 + int(g_signal);
  }
  fs::remove_all(folder, e);
  return end_by_signal(status);
}
