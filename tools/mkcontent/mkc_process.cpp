// Child processes for mkcontent's encoders.
#include "tools/mkcontent/mkc_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/pl_platform.h"

extern char** environ;

bool MKC_Start(MKC_Process& p, const std::vector<std::string>& argv, bool feed) {
  // A child that exits early must not kill mkcontent with SIGPIPE; writes then fail instead.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (feed) {
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  // What a child reports goes with mkcontent's own progress, on standard error.
  posix_spawn_file_actions_adddup2(&actions, 2, 1);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (feed) close(fds[0]);
  if (rc != 0) {
    if (feed) close(fds[1]);
    return false;
  }
  p.pid = pid;
  p.input = feed ? fds[1] : -1;
  return true;
}

bool MKC_Feed(MKC_Process& p, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(p.input, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= std::size_t(n);
  }
  return true;
}

bool MKC_Finish(MKC_Process& p) {
  if (p.input >= 0) close(p.input);
  p.input = -1;
  if (p.pid < 0) return false;
  int status = 0;
  while (waitpid(p.pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  p.pid = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MKC_Tool(const char* name) {
  std::string beside = std::string(PL_ExecutableDir()) + "/" + name;
  return access(beside.c_str(), X_OK) == 0 ? beside : std::string(name);
}

bool MKC_Run(const std::vector<std::string>& argv) {
  MKC_Process p;
  return MKC_Start(p, argv, false) && MKC_Finish(p);
}
