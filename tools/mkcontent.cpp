// mkcontent: writes the show's default content pack under OUTDIR/data.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/mkc_content.h"
#include "tools/mkc_png.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: mkcontent OUTDIR              write the content pack into OUTDIR/data\n"
               "       mkcontent --png DIR [NAME]    draw the pictures and textures as PNG previews\n");
}

// Previews: every picture (and its alpha picture) as PNG, names made from the pack paths.
int write_previews(const std::string& dir, const char* filter) {
  std::filesystem::create_directories(dir);
  for (const MKC_ImageEntry& e : MKC_ImageEntries()) {
    if (filter && e.path.find(filter) == std::string::npos) continue;
    std::fprintf(stderr, "mkcontent: drawing %s\n", e.path.c_str());
    MKC_Art art = e.draw();
    std::string name = e.path;
    for (char& ch : name)
      if (ch == '/' || ch == ' ') ch = '_';
    name = dir + "/" + name.substr(0, name.size() - 4);
    if (!MKC_PngWrite(name + ".png", art.colour.width, art.colour.height, MKC_ToBytes(art.colour))) return 1;
    if (art.alpha.width > 0) {
      MKC_Canvas a = MKC_MaskToCanvas(art.alpha);
      if (!MKC_PngWrite(name + "_alpha.png", a.width, a.height, MKC_ToBytes(a))) return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--png") == 0) return write_previews(argv[2], argc > 3 ? argv[3] : nullptr);
  usage();
  return 2;
}
