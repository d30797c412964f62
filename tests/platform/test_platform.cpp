// The platform layer: path resolution, the manual clock, dynamic loading of two copies of one
// module, and the order in which the message queue hands out posted, input and quit messages.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <filesystem>
#include <cstring>
#include <string>
#include <vector>

#include "platform/pl_platform.h"
#include "tests/support/test_util.h"

namespace {

std::string Resolve(const char* name) {
  char out[4096];
  EXPECT_EQ(PL_ResolvePath(name, out, sizeof out), 1);
  return out;
}

TEST(Paths, MatchEachComponentIgnoringCase) {
  vt::TempDir dir;
  std::filesystem::create_directories(dir.path / "data" / "Graphics");
  vt::WriteFile((dir.path / "data" / "Graphics" / "loading.jpg").string(), std::string("x"));
  vt::ChangeDir cd(dir.path);
  EXPECT_EQ(Resolve("DATA\\GRAPHICS\\LOADING.JPG"), "data/Graphics/loading.jpg");
  EXPECT_EQ(Resolve("data/graphics/loading.jpg"), "data/Graphics/loading.jpg");
  // A missing component keeps the rest as given, so new files land where they were named.
  EXPECT_EQ(Resolve("DATA\\GRAPHICS\\New.txt"), "data/Graphics/New.txt");
  EXPECT_EQ(Resolve("nothing\\HERE\\x"), "nothing/HERE/x");
  EXPECT_EQ(Resolve((dir.path.string() + "/DATA/graphics").c_str()), dir.path.string() + "/data/Graphics");

  std::FILE* f = PL_Fopen("Data\\graphics\\Loading.JPG", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  f = PL_Fopen("data\\graphics\\note.txt", "at");  // Windows text-append mode
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(std::filesystem::exists(dir.path / "data" / "Graphics" / "note.txt"));

  char tiny[4];
  EXPECT_EQ(PL_ResolvePath("data\\graphics", tiny, sizeof tiny), 0);
}

TEST(Paths, ChoiceAmongCaseVariantsIsStable) {
  vt::TempDir dir;
  vt::WriteFile(dir.file("b.TXT"), std::string("1"));
  vt::WriteFile(dir.file("b.txt"), std::string("2"));
  vt::ChangeDir cd(dir.path);
  EXPECT_EQ(Resolve("b.txt"), "b.txt");  // an exact match wins
  EXPECT_EQ(Resolve("B.Txt"), "b.TXT");  // else the smallest name
}

TEST(Timer, ManualClockAndSleep) {
  PL_TimerSetManual(1, 1000);
  EXPECT_EQ(timeGetTime(), 1000u);
  Sleep(250);
  EXPECT_EQ(timeGetTime(), 1250u);
  PL_TimerSet(0xFFFFFFFFu);
  PL_TimerAdvance(2);
  EXPECT_EQ(timeGetTime(), 1u);
  EXPECT_EQ(timeBeginPeriod(1), unsigned(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), unsigned(TIMERR_NOERROR));
  PL_TimerSetManual(0, 0);
  DWORD a = timeGetTime();
  Sleep(20);
  EXPECT_GE(DWORD(timeGetTime() - a), 19u);
}

// The test module counts its own calls in a global: two copies must not share it.
typedef int (*CounterFn)(void);

TEST(DynamicLoading, TwoCopiesOfOneModuleKeepTheirOwnGlobals) {
  HMODULE one = LoadLibraryA("pl_testmod.dll");
  HMODULE two = LoadLibraryA("pl_testmod2.dll");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  ASSERT_NE(one, two);
  auto next1 = reinterpret_cast<CounterFn>(GetProcAddress(one, "pl_testmod_next"));
  auto next2 = reinterpret_cast<CounterFn>(GetProcAddress(two, "pl_testmod_next"));
  ASSERT_NE(next1, nullptr);
  ASSERT_NE(next2, nullptr);
  EXPECT_EQ(next1(), 1);
  EXPECT_EQ(next1(), 2);
  EXPECT_EQ(next2(), 1);
  EXPECT_EQ(GetProcAddress(one, "no_such_symbol"), nullptr);
  EXPECT_TRUE(FreeLibrary(one));
  EXPECT_TRUE(FreeLibrary(two));
  EXPECT_EQ(LoadLibraryA("no_such_library.dll"), nullptr);
}

int g_seen[8];
int g_seenCount;
LRESULT RecordingProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  if (g_seenCount < 8) g_seen[g_seenCount++] = int(message);
  if (message == WM_DESTROY) PostQuitMessage(3);
  return DefWindowProcA(w, message, wp, lp);
}

// A 64 x 48 pop-up window of a class registered as `className` and asked for as `createName`;
// null when either step fails.
HWND PopupWindow(WNDPROC proc, const char* className, const char* createName) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = className;
  if (!RegisterClassA(&wc)) return nullptr;
  return CreateWindowExA(0, createName, "test", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
}

TEST(Messages, PostedBeforeQuitAndCloseDestroys) {
  if (!PL_HasDisplay()) GTEST_SKIP() << "no X display";
  HWND w = PopupWindow(RecordingProc, "pl_test_class", "PL_TEST_CLASS");
  ASSERT_NE(w, nullptr);
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);  // window-system chatter

  g_seenCount = 0;
  PostMessageA(w, WM_USER + 1, 0, 0);
  PostMessageA(w, WM_CLOSE, 0, 0);
  PostMessageA(w, WM_USER + 2, 0, 0);
  int quitAt = -1;
  for (int i = 0; i < 10 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); i++) {
    if (m.message == WM_QUIT) {
      quitAt = i;
      EXPECT_EQ(m.wParam, 3u);
      break;
    }
    DispatchMessageA(&m);
  }
  EXPECT_EQ(quitAt, 3);  // after every posted message
  ASSERT_GE(g_seenCount, 3);
  EXPECT_EQ(g_seen[0], WM_USER + 1);
  EXPECT_EQ(g_seen[1], WM_CLOSE);
  EXPECT_EQ(g_seen[2], WM_DESTROY);  // the default handler destroyed the window
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(g_seenCount, 3);  // the message to the destroyed window is not delivered
}

TEST(Display, CurrentModeAndRefusedModes) {
  if (!PL_HasDisplay()) GTEST_SKIP() << "no X display";
  DEVMODEA current{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
  EXPECT_GT(current.dmPelsWidth, 0u);
  EXPECT_GE(current.dmBitsPerPel, 16u);
  DEVMODEA odd = current;
  odd.dmPelsWidth = 333;
  odd.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  EXPECT_EQ(ChangeDisplaySettingsA(&odd, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
  EXPECT_EQ(PL_DisplaySwitched(nullptr), 0);
  ASSERT_EQ(ChangeDisplaySettingsA(&current, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  DEVMODEA got{};
  EXPECT_EQ(PL_DisplaySwitched(&got), 1);
  EXPECT_EQ(got.dmPelsWidth, current.dmPelsWidth);
  EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(PL_DisplaySwitched(nullptr), 0);
}

// The OpenGL driver modules in the process: Mesa's DRI driver and its Gallium core.
std::vector<std::string> GlDriverModules() {
  std::vector<std::string> names;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        if (info->dlpi_name && (std::strstr(info->dlpi_name, "/dri/") || std::strstr(info->dlpi_name, "libgallium")))
          static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
        return 0;
      },
      &names);
  return names;
}

// What the driver allocated stays attributed to a loaded module until the process ends, so the
// leak checker's suppressions of its one-time allocations still match at exit.
TEST(OpenGl, DriverModulesStayLoadedWhenEveryReferenceIsGiven) {
  if (!PL_HasDisplay()) GTEST_SKIP() << "no X display";
  HWND w = PopupWindow(DefWindowProcA, "pl_gl_class", "pl_gl_class");
  ASSERT_NE(w, nullptr);
  HDC dc = GetDC(w);
  HGLRC context = wglCreateContext(dc);
  ASSERT_NE(context, nullptr);
  ASSERT_TRUE(wglMakeCurrent(dc, context));
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(context);
  const std::vector<std::string> loaded = GlDriverModules();
  if (loaded.empty()) GTEST_SKIP() << "this OpenGL loads no driver module";
  // Every reference given back, as the GL library does when its last display closes.
  for (const std::string& name : loaded)
    if (void* h = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD))
      for (int i = 0; i < 64 && dlclose(h) == 0; i++) {
      }
  EXPECT_EQ(GlDriverModules(), loaded);
}

}  // namespace
