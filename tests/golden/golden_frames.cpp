// The reference frames of the whole show: compares a render's frames with the stored
// references (PSNR per colour channel), writes a contact sheet of the references and, for each
// frame that fails, the new frame, the reference and their difference side by side; and makes
// new references from a render when a change to the picture is intended.
//
//   golden_frames times TABLE                        the table's music times, comma-separated
//   golden_frames check TABLE REFS RENDER OUT [--min-psnr DB] [--section-psnr LIMITS]
//                      [--identical SHARE] [--pairs]  exit 0 when every frame matches
//   golden_frames update TABLE RENDER REFS OUT       RENDER's frames become the references
//   golden_frames psnr A.png B.png                   the lower of the two frames' channel PSNRs
//
// TABLE has one line per frame: music time, section, what the frame shows (tab-separated; '#'
// starts a comment). The check's limits are those of this program's own renders unless given:
// another renderer (the page's) is held to its own figures. LIMITS has one line per section
// that is held to a figure of its own (section, dB, why; tab-separated), so that an OpenGL
// implementation that samples one picture differently is not let off everywhere. --pairs
// writes every frame beside its reference, with its PSNR, into one sheet for a person to look
// at. RENDER is a PNG folder of a render from 0 at kFps frames a second, its frames named by
// index; REFS holds one PNG per row, named by its time (t042.0.png).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/img_png.h"
#include "shell/music.h"
#include "tools/mkcontent/mkc_font.h"

namespace fs = std::filesystem;

namespace {

constexpr double kFps = 10.0;
// Every channel of every frame at least this close to its reference. Another OpenGL
// implementation that rounds a little differently moves pixels by a level or two: one level
// in every pixel is 48 dB. A changed colour, ramp, camera or moment falls well below it.
constexpr double kMinPsnr = 45.0;

struct Row {
  double time = 0;
  int section = 0;
  std::string what;
};

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

bool load_table(const char* path, std::vector<Row>& rows) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "golden_frames: cannot read %s\n", path);
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); number++) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Row r;
    std::string time, section;
    if (!std::getline(fields, time, '\t') || !std::getline(fields, section, '\t') ||
        !std::getline(fields, r.what) || (r.time = std::atof(time.c_str())) < 0 ||
        (r.section = std::atoi(section.c_str())) < 1 || r.section > 25) {
      std::fprintf(stderr, "golden_frames: %s:%d: expected TIME<tab>SECTION<tab>WHAT\n", path, number);
      return false;
    }
    rows.push_back(r);
  }
  if (rows.empty()) std::fprintf(stderr, "golden_frames: %s lists no frames\n", path);
  return !rows.empty();
}

std::string time_text(double t) {
  char text[32];
  std::snprintf(text, sizeof text, "%05.1f", t);
  return text;
}

// Section limits: SECTION<tab>DB<tab>WHY lines, '#' starting a comment.
bool load_limits(const char* path, std::vector<double>& sectionPsnr) {
  std::ifstream in(path);
  std::string line;
  for (int number = 1; in && std::getline(in, line); number++) {
    if (line.empty() || line[0] == '#') continue;
    const int section = std::atoi(line.c_str());
    const std::size_t tab = line.find('\t');
    const double db = tab == std::string::npos ? -1.0 : std::atof(line.c_str() + tab + 1);
    if (section < 1 || section > 25 || !(db > 0.0)) {
      std::fprintf(stderr, "golden_frames: %s:%d: expected SECTION<tab>DB<tab>WHY\n", path, number);
      return false;
    }
    sectionPsnr[std::size_t(section)] = db;
  }
  if (!in.eof()) std::fprintf(stderr, "golden_frames: cannot read %s\n", path);
  return in.eof();
}

fs::path reference_path(const fs::path& refs, const Row& r) { return refs / ("t" + time_text(r.time) + ".png"); }

// The frame of a render from 0 that shows music time t: the first at or after it.
fs::path render_path(const fs::path& render, const Row& r) {
  char name[32];
  std::snprintf(name, sizeof name, "frame%06ld.png", MUSIC_FrameAt(r.time, kFps));
  return render / name;
}

bool load(const fs::path& path, Image& image) {
  image.rgb = IMG_PngRead(path.c_str(), &image.width, &image.height);
  if (image.rgb.empty()) std::fprintf(stderr, "golden_frames: cannot read %s\n", path.c_str());
  return !image.rgb.empty();
}

// PSNR of each colour channel in dB; infinity where the channel is identical.
void psnr(const Image& a, const Image& b, double out[3]) {
  double sum[3] = {0, 0, 0};
  for (std::size_t i = 0; i < a.rgb.size(); i++) {
    const double d = double(a.rgb[i]) - double(b.rgb[i]);
    sum[i % 3] += d * d;
  }
  const double pixels = double(a.rgb.size() / 3);
  for (int k = 0; k < 3; k++)
    out[k] = sum[k] == 0 ? INFINITY : 10.0 * std::log10(255.0 * 255.0 * pixels / sum[k]);
}

// A picture of images side by side or in a grid, with a line of text under each.
struct Sheet {
  int cellW, cellH, columns, width, height;
  std::vector<std::uint8_t> rgb;
  static constexpr int kGap = 8, kLabel = 18;

  Sheet(int cw, int ch, int cols, int count)
      : cellW(cw), cellH(ch), columns(cols), width(kGap + cols * (cw + kGap)),
        height(kGap + (count + cols - 1) / cols * (ch + kLabel + kGap)),
        rgb(std::size_t(width) * height * 3, 24) {}

  // Places the image (scaled down by whole steps, averaging) into cell i with its label.
  void put(int i, const Image& img, const std::string& text) {
    const int x0 = kGap + i % columns * (cellW + kGap), y0 = kGap + i / columns * (cellH + kLabel + kGap);
    const int step = std::max(1, img.width / cellW);
    for (int y = 0; y < cellH && (y + 1) * step <= img.height; y++)
      for (int x = 0; x < cellW && (x + 1) * step <= img.width; x++)
        for (int k = 0; k < 3; k++) {
          int acc = 0;
          for (int dy = 0; dy < step; dy++)
            for (int dx = 0; dx < step; dx++)
              acc += img.rgb[(std::size_t(y * step + dy) * img.width + x * step + dx) * 3 + k];
          rgb[(std::size_t(y0 + y) * width + x0 + x) * 3 + k] = std::uint8_t(acc / (step * step));
        }
    MKC_Mask mask(cellW, kLabel);
    MKC_TextDraw(mask, text, 1.0f, 13.0f, MKC_TextStyle{9, 1.1f, 0.6f});
    for (int y = 0; y < kLabel; y++)
      for (int x = 0; x < cellW; x++) {
        std::uint8_t* p = &rgb[(std::size_t(y0 + cellH + y) * width + x0 + x) * 3];
        const float a = mask.at(x, y);
        for (int k = 0; k < 3; k++) p[k] = std::uint8_t(std::lround(p[k] * (1.0f - a) + 220.0f * a));
      }
  }
  bool write(const fs::path& path) const { return IMG_PngWrite(path.c_str(), rgb.data(), width, height) != 0; }
};

bool write_contact_sheet(const std::vector<Row>& rows, const fs::path& refs, const fs::path& out) {
  Sheet sheet(160, 120, 10, int(rows.size()));
  for (std::size_t i = 0; i < rows.size(); i++) {
    Image img;
    if (!load(reference_path(refs, rows[i]), img)) return false;
    sheet.put(int(i), img, time_text(rows[i].time) + " s  #" + std::to_string(rows[i].section));
  }
  const fs::path path = out / "golden-sheet.png";
  if (!sheet.write(path)) return false;
  std::printf("contact sheet: %s\n", path.c_str());
  return true;
}

// New frame, reference and their difference (eight times brighter) side by side.
void write_failure(const Row& r, const Image& fresh, const Image& ref, const fs::path& out) {
  Image diff = fresh;
  for (std::size_t i = 0; i < diff.rgb.size(); i++)
    diff.rgb[i] = std::uint8_t(std::min(255, 8 * std::abs(int(fresh.rgb[i]) - int(ref.rgb[i]))));
  Sheet sheet(fresh.width, fresh.height, 3, 3);
  sheet.put(0, fresh, "new " + time_text(r.time) + " s");
  sheet.put(1, ref, "reference");
  sheet.put(2, diff, "difference x8");
  const fs::path path = out / ("golden-fail-t" + time_text(r.time) + ".png");
  if (sheet.write(path)) std::printf("  written: %s\n", path.c_str());
}

struct Limits {
  double minPsnr = kMinPsnr;
  std::vector<double> sectionPsnr = std::vector<double>(26, -1.0);  // -1: minPsnr holds
  double identicalShare = -1;  // at least this share of the frames identical; -1: more than half
  bool pairs = false;
};

// Every frame beside its reference, labelled with its time, section and lowest channel PSNR.
void write_pairs(const std::vector<Row>& rows, const std::vector<Image>& fresh, const std::vector<Image>& refs,
                 const std::vector<double>& low, const fs::path& out) {
  Sheet sheet(160, 120, 8, int(rows.size()) * 2);
  for (std::size_t i = 0; i < rows.size(); i++) {
    const std::string db = std::isinf(low[i]) ? "same" : std::to_string(int(std::floor(low[i]))) + " dB";
    sheet.put(int(i) * 2, refs[i], "ref " + time_text(rows[i].time) + " #" + std::to_string(rows[i].section));
    sheet.put(int(i) * 2 + 1, fresh[i], "new " + db);
  }
  const fs::path path = out / "golden-pairs.png";
  if (sheet.write(path)) std::printf("side by side: %s\n", path.c_str());
}

int check(const std::vector<Row>& rows, const fs::path& refs, const fs::path& render, const fs::path& out,
          const Limits& limits) {
  std::error_code ec;
  fs::create_directories(out, ec);
  // Pictures of an earlier run's failures would mislead.
  for (const fs::directory_entry& e : fs::directory_iterator(out, ec))
    if (e.path().filename().string().rfind("golden-fail-", 0) == 0) fs::remove(e.path(), ec);
  int failed = 0, identical = 0;
  double worst = INFINITY;
  std::vector<double> sectionWorst(26, -1.0), lows;  // -1: no frame of that section
  std::vector<Image> fresher, references;
  for (const Row& r : rows) {
    Image ref, fresh;
    if (!load(reference_path(refs, r), ref) || !load(render_path(render, r), fresh)) return 2;
    if (limits.pairs) references.push_back(ref), fresher.push_back(fresh);
    if (ref.width != fresh.width || ref.height != fresh.height) {
      std::printf("FAIL %s s, section %d (%s): %dx%d, the reference is %dx%d\n", time_text(r.time).c_str(), r.section,
                  r.what.c_str(), fresh.width, fresh.height, ref.width, ref.height);
      failed++;
      continue;
    }
    double db[3];
    psnr(fresh, ref, db);
    const double low = std::min({db[0], db[1], db[2]});
    worst = std::min(worst, low);
    double& section = sectionWorst[std::size_t(r.section)];
    section = section < 0 ? low : std::min(section, low);
    lows.push_back(low);
    if (std::isinf(low)) identical++;
    const double own = limits.sectionPsnr[std::size_t(r.section)];
    const double floor = own < 0 ? limits.minPsnr : own;
    if (low < floor) {
      std::printf("FAIL %s s, section %d (%s): PSNR r %.1f g %.1f b %.1f dB, below %.0f\n", time_text(r.time).c_str(),
                  r.section, r.what.c_str(), db[0], db[1], db[2], floor);
      write_failure(r, fresh, ref, out);
      failed++;
    }
  }
  for (std::size_t n = 1; n < sectionWorst.size(); n++)
    if (std::isinf(sectionWorst[n])) std::printf("section %zu: identical\n", n);
    else if (sectionWorst[n] >= 0) std::printf("section %zu: lowest PSNR %.1f dB\n", n, sectionWorst[n]);
  std::printf("%zu frames: %d identical, %d below their limit, lowest PSNR %.1f dB\n", rows.size(), identical, failed,
              worst);
  // A different OpenGL implementation may round a little differently, but most frames (the
  // clips, the pictures, the flat sections) must still come out exactly.
  const bool enough = limits.identicalShare < 0 ? identical * 2 > int(rows.size())
                                                : double(identical) >= limits.identicalShare * double(rows.size());
  if (!enough) {
    std::printf("FAIL only %d of %zu frames are identical\n", identical, rows.size());
    failed++;
  }
  write_contact_sheet(rows, refs, out);
  if (limits.pairs) write_pairs(rows, fresher, references, lows, out);
  return failed ? 1 : 0;
}

int update(const std::vector<Row>& rows, const fs::path& render, const fs::path& refs, const fs::path& out) {
  std::error_code ec;
  fs::create_directories(refs, ec);
  fs::create_directories(out, ec);
  std::vector<fs::path> kept;
  for (const Row& r : rows) {
    Image img;
    if (!load(render_path(render, r), img)) return 2;
    kept.push_back(reference_path(refs, r));
    if (!IMG_PngWrite(kept.back().c_str(), img.rgb.data(), img.width, img.height)) {
      std::fprintf(stderr, "golden_frames: cannot write %s\n", kept.back().c_str());
      return 2;
    }
  }
  // References of rows no longer in the table go.
  for (const fs::directory_entry& e : fs::directory_iterator(refs, ec))
    if (e.path().extension() == ".png" && std::find(kept.begin(), kept.end(), e.path()) == kept.end())
      fs::remove(e.path(), ec);
  std::printf("%zu references written to %s\n", rows.size(), refs.c_str());
  return write_contact_sheet(rows, refs, out) ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  std::vector<Row> rows;
  if (command == "times" && argc == 3) {
    if (!load_table(argv[2], rows)) return 2;
    for (std::size_t i = 0; i < rows.size(); i++) std::printf("%s%.1f", i ? "," : "", rows[i].time);
    std::printf("\n");
    return 0;
  }
  if (command == "psnr" && argc == 4) {
    Image a, b;
    if (!load(argv[2], a) || !load(argv[3], b)) return 2;
    if (a.width != b.width || a.height != b.height) {
      std::fprintf(stderr, "golden_frames: %s is %dx%d, %s %dx%d\n", argv[2], a.width, a.height, argv[3], b.width,
                   b.height);
      return 2;
    }
    double db[3];
    psnr(a, b, db);
    std::printf("%.2f\n", std::min({db[0], db[1], db[2]}));
    return 0;
  }
  Limits limits;
  bool good = argc >= 6;
  for (int i = 6; good && i < argc; i++) {
    const std::string a = argv[i];
    if (a == "--pairs") limits.pairs = true;
    else if (a == "--min-psnr" && i + 1 < argc) limits.minPsnr = std::atof(argv[++i]);
    else if (a == "--identical" && i + 1 < argc) limits.identicalShare = std::atof(argv[++i]);
    else if (a == "--section-psnr" && i + 1 < argc) good = load_limits(argv[++i], limits.sectionPsnr);
    else good = false;
  }
  if (command == "check" && good) {
    if (!load_table(argv[2], rows)) return 2;
    return check(rows, argv[3], argv[4], argv[5], limits);
  }
  if (command == "update" && argc == 6) {
    if (!load_table(argv[2], rows)) return 2;
    return update(rows, argv[3], argv[4], argv[5]);
  }
  std::fprintf(stderr,
               "usage: golden_frames times TABLE\n"
               "       golden_frames check TABLE REFS RENDER OUT [--min-psnr DB] [--section-psnr LIMITS]\n"
               "                           [--identical SHARE] [--pairs]\n"
               "       golden_frames update TABLE RENDER REFS OUT\n"
               "       golden_frames psnr A.png B.png\n");
  return 2;
}
