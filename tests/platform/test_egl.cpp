// Contexts without a display: EGL's candidates are tried in turn until one makes a context,
// each with the compatibility-profile attribute and then without it. VELMAR_EGL_REFUSE makes
// named candidates fail; the choice is made once a process, so each case runs in a child.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/pl_platform.h"

namespace {

// What a headless context was made on with VELMAR_EGL_REFUSE set to `refuse`, in a child
// process; "none: WHY" when no context was made.
std::string DeviceWith(const char* refuse) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("VELMAR_EGL_REFUSE", refuse, 1);
    PL_SetHeadless(1);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "egl_test";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "egl_test", "egl", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr, nullptr, nullptr);
    HGLRC context = w ? wglCreateContext(GetDC(w)) : nullptr;
    const char* error = PL_HeadlessError();
    const std::string said = context ? PL_HeadlessDevice() : std::string("none: ") + (error ? error : "");
    ssize_t written = write(fds[1], said.data(), said.size());
    _exit(written == ssize_t(said.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string said;
  char block[256];
  for (ssize_t n; (n = read(fds[0], block, sizeof block)) > 0;) said.append(block, std::size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return said;
}

TEST(Egl, EachCandidateInTurnWithAndWithoutTheProfile) {
  if (DeviceWith("gpu") != "the software EGL device") GTEST_SKIP() << "no Mesa software EGL device";
  struct Case {
    const char* refuse;
    const char* device;  // "none" where no candidate is left
  };
  const Case cases[] = {
      {"gpu,software", "Mesa's surfaceless EGL platform"},
      {"gpu,software:profile", "the software EGL device"},
      {"gpu,software,surfaceless", "none"},
  };
  for (const Case& c : cases) {
    const std::string said = DeviceWith(c.refuse);
    EXPECT_EQ(said.substr(0, std::strlen(c.device)), c.device) << "refused: " << c.refuse << "; said: " << said;
  }
}

}  // namespace
