// mkcontent: writes the show's default content pack under OUTDIR/data: pictures, textures and
// font sheets as JPEG (one complemented), scenes as KRM (one packed), the clips as CLP (frames
// encoded by ffmpeg, packed by clppack) and the soundtrack as MP3 (encoded by lame). The same
// command gives the same bytes every time.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/kr_error.h"
#include "gfx/img_image.h"
#include "gfx/img_png.h"
#include "tools/common/tool_krm_write.h"
#include "tools/common/tool_pack.h"
#include "tools/mkcontent/mkc_clips.h"
#include "tools/mkcontent/mkc_content.h"
#include "tools/mkcontent/mkc_icon.h"
#include "tools/mkcontent/mkc_music.h"
#include "tools/mkcontent/mkc_process.h"
#include "tools/mkcontent/mkc_scenes.h"
#include "tools/mkcontent/mkc_sheet.h"

namespace fs = std::filesystem;

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: mkcontent OUTDIR                 write the content pack into OUTDIR/data\n"
               "       mkcontent --sheet OUT.png DATADIR  a contact sheet of a pack's pictures and clips\n"
               "       mkcontent --png DIR [NAME]       the pictures and textures as PNG, drawn afresh\n"
               "       mkcontent --icon OUT.png         the program's 128 x 128 desktop icon\n");
}

int fail(const std::string& what) {
  std::fprintf(stderr, "mkcontent: %s\n", what.c_str());
  return 1;
}

void print_engine_error(const char* message) {
  std::size_t n = std::strlen(message);
  std::fprintf(stderr, "mkcontent: engine: %s%s", message, (n && message[n - 1] == '\n') ? "" : "\n");
}

struct Progress {
  int done = 0, total = 0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  void step(const std::string& what) {
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "mkcontent: [%2d/%d %5.1fs] %s\n", ++done, total, s, what.c_str());
  }
};

// Writes a canvas as a JPEG through the image layer's writer; `inverted` stores it complemented
// (marker, a count byte, that many filler bytes, then every byte of the JPEG stream inverted).
bool save_jpeg(const fs::path& path, const MKC_Canvas& c, bool inverted, const fs::path& work) {
  IMG_Image* image = IMG_ImageCreate(c.width, c.height, IMG_RGB, 0);
  if (!image) return false;
  std::vector<std::uint8_t> bytes = MKC_ToBytes(c);
  std::copy(bytes.begin(), bytes.end(), image->data);
  fs::path target = inverted ? work / "plain.jpg" : path;
  bool ok = IMG_JpgSave(target.c_str(), image) == 1;
  IMG_ImageDelete(image);
  if (!ok || !inverted) return ok;
  std::vector<std::uint8_t> plain;
  if (!TOOL_ReadFile(target.string(), plain)) return false;
  std::vector<std::uint8_t> out = {0x56, 0x34, 0x12, 0x00, 3, 'k', 'v', 't'};
  for (std::uint8_t b : plain) out.push_back(std::uint8_t(~b));
  return TOOL_WriteFile(path.string(), out);
}

bool write_images(const fs::path& data, const fs::path& work, Progress& progress) {
  for (const MKC_ImageEntry& e : MKC_ImageEntries()) {
    progress.step(e.path + (e.alphaPath.empty() ? "" : " + " + e.alphaPath) + (e.inverted ? " (complemented)" : ""));
    MKC_Art art = e.draw();
    fs::create_directories((data / e.path).parent_path());
    if (!save_jpeg(data / e.path, art.colour, e.inverted, work)) return false;
    if (!e.alphaPath.empty() && !save_jpeg(data / e.alphaPath, MKC_MaskToCanvas(art.alpha), false, work)) return false;
  }
  return true;
}

bool write_scenes(const fs::path& data, Progress& progress) {
  for (const MKC_SceneEntry& e : MKC_SceneEntries()) {
    progress.step(e.path + (e.packed ? " (packed)" : ""));
    TOOL_KrmScene scene = e.build();
    std::string problem = MKC_CheckScene(scene);
    if (!problem.empty()) return fail(e.path + ": " + problem) == 0;
    std::vector<std::uint8_t> bytes = TOOL_KrmWrite(scene);
    if (e.packed) bytes = TOOL_Pack(bytes);
    fs::create_directories((data / e.path).parent_path());
    if (!TOOL_WriteFile((data / e.path).string(), bytes)) return false;
  }
  return true;
}

// Renders every clip's frames into ffmpeg (MPEG-4 Visual simple profile, fixed quantiser, no
// B-frames, bit-exact) and packs the stream with clppack. The frames are stored upside down:
// the player's picture lies bottom row first and lands on texture row 0, which the screen
// draws show at the top, so a clip encoded this way, and its overlays stored upright, look
// upright on screen.
bool write_clips(const fs::path& data, const fs::path& work, Progress& progress) {
  fs::create_directories(data / "video");
  const std::string clppack = MKC_Tool("clppack");
  for (const MKC_ClipEntry& e : MKC_ClipEntries()) {
    progress.step("video/" + e.name + ".clp (" + std::to_string(e.frames) + " frames)");
    fs::path m4v = work / (e.name + ".m4v");
    MKC_Process ffmpeg;
    const std::vector<std::string> args = {
        "ffmpeg",       "-nostdin",
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "rawvideo",
        "-pix_fmt",     "rgb24",
        "-s",           std::to_string(MKC_CLIP_WIDTH) + "x" + std::to_string(MKC_CLIP_HEIGHT),
        "-r",           std::to_string(MKC_CLIP_RATE),
        "-i",           "pipe:0",
        "-vf",          "vflip",
        "-c:v",         "mpeg4",
        "-q:v",         "3",
        "-g",           "50",
        "-bf",          "0",
        "-threads",     "1",
        "-flags",       "+bitexact",
        "-fflags",      "+bitexact",
        "-f",           "m4v",
        m4v.string()};
    if (!MKC_Start(ffmpeg, args, true)) return fail("cannot start ffmpeg") == 0;
    MKC_Canvas frame(MKC_CLIP_WIDTH, MKC_CLIP_HEIGHT);
    bool fed = true;
    for (int i = 0; i < e.frames && fed; i++) {
      e.render(frame, i, e.frames);
      std::vector<std::uint8_t> bytes = MKC_ToBytes(frame);
      fed = MKC_Feed(ffmpeg, bytes.data(), bytes.size());
    }
    if (!MKC_Finish(ffmpeg) || !fed) return fail("ffmpeg failed on " + e.name) == 0;
    if (!MKC_Run({clppack, "--fps", std::to_string(MKC_CLIP_RATE), m4v.string(),
                  (data / "video" / (e.name + ".clp")).string()}))
      return fail("clppack failed on " + e.name) == 0;
  }
  return true;
}

int generate(const fs::path& out) {
  KR_ErrorSetSink(print_engine_error);
  const fs::path data = out / "data", work = out / ".mkcontent-work";
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work, ec);
  if (ec) return fail("cannot create " + work.string());
  Progress progress;
  progress.total = int(MKC_ImageEntries().size() + MKC_SceneEntries().size() + MKC_ClipEntries().size()) + 2;

  // The soundtrack first, so lame encodes it while everything else is drawn.
  progress.step("music/soundtrack_56k.mp3: synthesising");
  fs::path wav = work / "soundtrack.wav";
  if (!MKC_WriteWav(wav.string(), MKC_RenderSoundtrack(), MKC_MUSIC_RATE)) return fail("cannot write " + wav.string());
  fs::create_directories(data / "music");
  MKC_Process lame;
  const std::vector<std::string> lameArgs = {"lame",
                                             "--quiet",
                                             "--nohist",
                                             "-b",
                                             "56",
                                             "--cbr",
                                             "-m",
                                             "j",
                                             "--noreplaygain",
                                             wav.string(),
                                             (data / "music" / "soundtrack_56k.mp3").string()};
  if (!MKC_Start(lame, lameArgs, false)) return fail("cannot start lame");

  bool ok = write_images(data, work, progress) && write_scenes(data, progress) && write_clips(data, work, progress);
  progress.step("music/soundtrack_56k.mp3: encoding");
  bool encoded = MKC_Finish(lame);
  if (!ok) return 1;
  if (!encoded) return fail("lame failed");
  fs::remove_all(work, ec);
  std::uintmax_t bytes = 0;
  int files = 0;
  for (const auto& f : fs::recursive_directory_iterator(data))
    if (f.is_regular_file()) {
      bytes += f.file_size();
      files++;
    }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - progress.start).count();
  std::fprintf(stderr, "mkcontent: %d files, %.1f MiB in %s, %.1f s\n", files, double(bytes) / 1048576.0, data.c_str(),
               seconds);
  return 0;
}

// Previews: every picture (and its alpha picture) as PNG, names made from the pack paths.
int write_previews(const std::string& dir, const char* filter) {
  fs::create_directories(dir);
  for (const MKC_ImageEntry& e : MKC_ImageEntries()) {
    if (filter && e.path.find(filter) == std::string::npos) continue;
    MKC_Art art = e.draw();
    std::string name = e.path;
    for (char& ch : name)
      if (ch == '/' || ch == ' ') ch = '_';
    name = dir + "/" + name.substr(0, name.size() - 4);
    if (!IMG_PngWrite((name + ".png").c_str(), MKC_ToBytes(art.colour).data(), art.colour.width, art.colour.height))
      return fail("cannot write " + name + ".png");
    if (art.alpha.width > 0) {
      MKC_Canvas a = MKC_MaskToCanvas(art.alpha);
      if (!IMG_PngWrite((name + "_alpha.png").c_str(), MKC_ToBytes(a).data(), a.width, a.height))
        return fail("cannot write " + name + "_alpha.png");
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--png") == 0) return write_previews(argv[2], argc > 3 ? argv[3] : nullptr);
  if (argc == 3 && std::strcmp(argv[1], "--icon") == 0) {
    MKC_Canvas icon = MKC_DrawIcon(128);
    if (!IMG_PngWrite(argv[2], MKC_ToBytes(icon).data(), icon.width, icon.height))
      return fail(std::string("cannot write ") + argv[2]);
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "--sheet") == 0) return MKC_WriteSheet(argv[2], argv[3]) ? 0 : 1;
  if (argc == 2 && argv[1][0] != '-') return generate(argv[1]);
  usage();
  return 2;
}
