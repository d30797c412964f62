// Renders stopped by signals, run as a terminal would run them: a stopped render into a PNG
// folder leaves the frames of an earlier complete render there as they were and says where its
// own went; a second Ctrl-C removes the unfinished output and ffmpeg's whole process group,
// and a render stopped by a signal, once or twice, ends by that signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_util.h"

namespace fs = std::filesystem;

namespace {

const std::string kBuild = VELMAR_BUILD_DIR;

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// velmar with the build's content pack, run in `dir` in a process group of its own (a
// terminal's foreground job), its standard output and error in dir/out.txt.
pid_t start(const fs::path& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {kBuild + "/velmar", "--data", kBuild + "/data"});
  const std::string log = (dir / "out.txt").string();
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || chdir(dir.c_str()) != 0) _exit(126);
    dup2(fd, 1), dup2(fd, 2);
    signal(SIGINT, SIG_DFL);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

std::string read_text(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits (at most a minute) until `ready` holds.
template <class Ready>
bool wait_until(Ready ready) {
  for (int i = 0; i < 600; i++, pause_ms(100))
    if (ready()) return true;
  return false;
}

// The end of the process: its wait status, or -1 (and it is killed) after a minute.
int finish(pid_t pid) {
  int status = 0;
  if (wait_until([&] { return waitpid(pid, &status, WNOHANG) == pid; })) return status;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

// Fields of /proc/PID/stat after the command name: state, parent, process group.
bool proc_stat(const std::string& pid, char& state, long& parent, long& group, std::string& name) {
  const std::string text = read_text("/proc/" + pid + "/stat");
  const std::size_t open = text.find('('), close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return false;
  name = text.substr(open + 1, close - open - 1);
  std::istringstream rest(text.substr(close + 1));
  return bool(rest >> state >> parent >> group);
}

// The live processes (not zombies) whose parent, or whose process group, is `id`.
std::vector<long> processes(long id, bool byGroup, const char* name = nullptr) {
  std::vector<long> found;
  for (const fs::directory_entry& e : fs::directory_iterator("/proc")) {
    const std::string pid = e.path().filename().string();
    char state;
    long parent, group;
    std::string comm;
    if (pid.find_first_not_of("0123456789") != std::string::npos || !proc_stat(pid, state, parent, group, comm))
      continue;
    if (state != 'Z' && (byGroup ? group : parent) == id && (!name || comm == name)) found.push_back(std::stol(pid));
  }
  return found;
}

// Whether the process still runs (a zombie does not).
bool alive(pid_t pid) {
  char state;
  long parent, group;
  std::string name;
  return proc_stat(std::to_string(pid), state, parent, group, name) && state != 'Z';
}

// Each file of a folder by name, with a hash of its bytes (short enough to print).
std::map<std::string, std::size_t> folder_files(const fs::path& folder) {
  std::map<std::string, std::size_t> files;
  for (const fs::directory_entry& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = std::hash<std::string>{}(read_text(e.path()));
  return files;
}

bool has_content() { return access((kBuild + "/data/music/soundtrack_56k.mp3").c_str(), R_OK) == 0; }

TEST(RenderStop, StoppedFolderLeavesTheEarlierRenderAlone) {
  if (!has_content()) GTEST_SKIP() << "no content pack in " << kBuild << "/data";
  vt::TempDir dir;
  const int first = finish(start(dir.path, {"--render", "p/", "--size", "160x120", "--fps", "10", "--to", "1"}));
  ASSERT_TRUE(WIFEXITED(first) && WEXITSTATUS(first) == 0) << read_text(dir.path / "out.txt");
  const std::map<std::string, std::size_t> earlier = folder_files(dir.path / "p");
  ASSERT_EQ(earlier.size(), 10u);
  const std::uintmax_t firstSize = fs::file_size(dir.path / "p/frame000000.png");

  // Frames of another size, so that any frame it writes over differs.
  const pid_t pid = start(dir.path, {"--render", "p/", "--size", "96x72", "--fps", "10", "--from", "1", "--to", "300"});
  wait_until([&] {
    std::error_code e;
    return !alive(pid) || fs::exists(dir.path / ".p.part/frame000000.png", e) ||
           fs::file_size(dir.path / "p/frame000000.png", e) != firstSize;
  });
  const bool writing = alive(pid);
  kill(pid, SIGINT);
  finish(pid);
  ASSERT_TRUE(writing) << read_text(dir.path / "out.txt");

  EXPECT_EQ(folder_files(dir.path / "p"), earlier);
  const std::string log = read_text(dir.path / "out.txt");
  std::smatch kept;
  ASSERT_TRUE(std::regex_search(log, kept, std::regex("stopped after [0-9]+ of 2990 frames; ([0-9]+) kept in p\\.stopped/")))
      << log;
  EXPECT_EQ(std::to_string(folder_files(dir.path / "p.stopped").size()), kept[1].str());
  EXPECT_FALSE(fs::exists(dir.path / ".p.part"));
}

struct StopCase {
  const char* output;
  int signals;
  std::vector<std::string> ffmpegArgs;  // a slow encoder, whose file takes long to finish
};

TEST(RenderStop, SignalsEndTheRenderByTheSignalLeavingNoPart) {
  if (!has_content()) GTEST_SKIP() << "no content pack in " << kBuild << "/data";
  const std::vector<StopCase> cases = {
      {"e.mkv", 2, {"--", "-preset", "veryslow"}},
      {"e.y4m", 2, {}},
      {"f.y4m", 1, {}},
  };
  for (const StopCase& c : cases) {
    vt::TempDir dir;
    std::vector<std::string> args = {"--render", c.output, "--size", "640x480", "--fps", "25", "--from", "30", "--to", "90"};
    args.insert(args.end(), c.ffmpegArgs.begin(), c.ffmpegArgs.end());
    const pid_t pid = start(dir.path, args);
    wait_until([&] { return !alive(pid) || read_text(dir.path / "out.txt").find("reached") != std::string::npos; });
    const bool began = alive(pid);
    const std::vector<long> ffmpeg = processes(pid, false, "ffmpeg");
    pause_ms(500);
    kill(pid, SIGINT);
    if (c.signals == 2) {
      pause_ms(2);  // while the frame under way is still being drawn
      kill(pid, SIGINT);
    }
    const int status = finish(pid);
    // ffmpeg's group empties as soon as the kill reaches it.
    bool groupGone = true;
    if (!ffmpeg.empty()) {
      for (int i = 0; i < 20 && !processes(ffmpeg[0], true).empty(); i++) pause_ms(100);
      groupGone = processes(ffmpeg[0], true).empty();
      kill(-pid_t(ffmpeg[0]), SIGKILL);
    }
    const std::string log = read_text(dir.path / "out.txt");
    ASSERT_TRUE(began) << c.output << ": " << log;
    EXPECT_EQ(c.ffmpegArgs.empty(), ffmpeg.empty()) << c.output;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << c.output << ": status " << status << "\n" << log;
    EXPECT_TRUE(groupGone) << c.output << ": ffmpeg's process group is still there";
    for (const fs::directory_entry& e : fs::directory_iterator(dir.path))
      EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << c.output << ": " << e.path();
    if (c.signals == 1) EXPECT_TRUE(fs::exists(dir.path / c.output)) << c.output << ": " << log;
  }
}

}  // namespace
