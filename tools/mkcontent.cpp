// mkcontent: writes the show's default content pack under OUTDIR/data.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/mkc_content.h"
#include "tools/mkc_clips.h"
#include "tools/mkc_music.h"
#include "tools/tool_png.h"
#include "tools/mkc_scenes.h"

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
    if (!TOOL_PngWrite((name + ".png").c_str(), MKC_ToBytes(art.colour).data(), art.colour.width, art.colour.height)) return 1;
    if (art.alpha.width > 0) {
      MKC_Canvas a = MKC_MaskToCanvas(art.alpha);
      if (!TOOL_PngWrite((name + "_alpha.png").c_str(), MKC_ToBytes(a).data(), a.width, a.height)) return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--clip-png") == 0) {
    for (const MKC_ClipEntry& e : MKC_ClipEntries()) {
      MKC_Canvas strip(MKC_CLIP_WIDTH * 4, MKC_CLIP_HEIGHT * 2);
      for (int k = 0; k < 8; k++) {
        MKC_Canvas f(MKC_CLIP_WIDTH, MKC_CLIP_HEIGHT);
        int idx = k < 7 ? k * e.frames / 7 : e.frames - 1;
        e.render(f, idx, e.frames);
        MKC_Blit(strip, f, (k % 4) * MKC_CLIP_WIDTH, (k / 4) * MKC_CLIP_HEIGHT);
      }
      TOOL_PngWrite((std::string(argv[2]) + "/" + e.name + ".png").c_str(), MKC_ToBytes(strip).data(), strip.width, strip.height);
    }
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--wav") == 0) return MKC_WriteWav(argv[2], MKC_RenderSoundtrack(), MKC_MUSIC_RATE) ? 0 : 1;
  if (argc >= 2 && std::strcmp(argv[1], "--scenes") == 0) {
    for (const MKC_SceneEntry& e : MKC_SceneEntries()) {
      MKC_SceneDesc d = e.build();
      std::size_t polys = 0;
      for (auto& m : d.meshes) polys += m.polygons.size();
      std::fprintf(stderr, "%s: %zu meshes %zu polys %zu lights check '%s'\n", e.path.c_str(), d.meshes.size(), polys,
                   d.lights.size(), MKC_CheckScene(d).c_str());
      for (auto& m : d.meshes) std::fprintf(stderr, "   %s open %d vol %.1f\n", m.name.c_str(), MKC_OpenEdges(m), MKC_Volume(m));
    }
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--png") == 0) return write_previews(argv[2], argc > 3 ? argv[3] : nullptr);
  usage();
  return 2;
}
