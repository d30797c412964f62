// krtool: the engine's file tools for people who make content.
#include "tools/krtool/krtool.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/kr_error.h"

namespace {

constexpr KRT_Command kCommands[] = {
    {"pack", "pack IN OUT          pack a file into the engine's packed layout", KRT_Pack},
    {"unpack", "unpack IN OUT        unpack a packed file (a plain file is copied)", KRT_Unpack},
    {"krm-info", "krm-info FILE [--texdir DIR]  one line per material, light, camera and mesh of a scene", KRT_KrmInfo},
    {"krk-info", "krk-info FILE        one line per node of a keyframe file", KRT_KrkInfo},
    {"image", "image IN OUT         load a .tga/.jpg/.aaf as the show does; write .ppm/.pam/.tga/.jpg", KRT_Image},
    {"lightmap-bake", "lightmap-bake SCENE.krm OUT [--texdir DIR]  bake the static lights into a lightmap file", KRT_LightmapBake},
};

void usage() {
  std::fprintf(stderr, "usage: krtool COMMAND ARGS...\n");
  for (const KRT_Command& c : kCommands) std::fprintf(stderr, "  krtool %s\n", c.usage);
}

void print_engine_error(const char* message) {
  // Some engine messages carry their own newline.
  std::size_t n = std::strlen(message);
  std::fprintf(stderr, "engine: %s%s", message, (n && message[n - 1] == '\n') ? "" : "\n");
}

}  // namespace

int KRT_Fail(const char* format, ...) {
  std::fputs("krtool: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  return 1;
}

void KRT_ShowEngineErrors(void) { KR_ErrorSetSink(print_engine_error); }

int main(int argc, char** argv) {
  if (argc < 2) {
    usage();
    return 2;
  }
  for (const KRT_Command& c : kCommands)
    if (std::strcmp(argv[1], c.name) == 0) {
      KRT_ShowEngineErrors();
      return c.run(argc - 2, argv + 2);
    }
  std::fprintf(stderr, "krtool: unknown command '%s'\n", argv[1]);
  usage();
  return 2;
}
