// sound_check: what a Pulse server's default source (a null sink's monitor) heard, against the
// file's own decode and the music clock.
//
//   sound_check record RATE RAW MARKS
//     records 16-bit stereo at RATE until killed: RAW gets the samples, MARKS one line per read,
//     "FRAME NS": the frame with that index was captured at NS on the monotonic clock.
//   sound_check heard RATE RAW
//     prints how many seconds RAW holds from its first sound on (0 before it has any).
//   sound_check analyse RATE REF RAW MARKS ORIGIN_MS SECONDS... [snr SECONDS...]
//     REF is the file's own decode at RATE (32-bit float stereo). For each SECONDS of music
//     time, finds by cross-correlation where that stretch of REF lies in RAW and prints
//     "offset SECONDS MS": how much later than the music clock (timer reading ORIGIN_MS at music
//     time 0) it was heard. After "snr", prints "snr SECONDS LEFT_DB RIGHT_DB" for a half second
//     from there, the recording aligned to a fraction of a frame, its time base followed.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

long long now_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000000000ll + ts.tv_nsec;
}

int record(int rate, const char* rawPath, const char* marksPath) {
  const pa_sample_spec format{PA_SAMPLE_S16LE, std::uint32_t(rate), 2};
  pa_buffer_attr attr{};
  attr.maxlength = std::uint32_t(-1);
  attr.fragsize = std::uint32_t(pa_usec_to_bytes(5000, &format));  // small blocks: fine marks
  int error = 0;
  pa_simple* s = pa_simple_new(nullptr, "sound_check", PA_STREAM_RECORD, nullptr, "monitor", &format, nullptr, &attr, &error);
  if (!s) {
    std::fprintf(stderr, "sound_check: no recording: %s\n", pa_strerror(error));
    return 1;
  }
  std::FILE* raw = std::fopen(rawPath, "wb");
  std::FILE* marks = std::fopen(marksPath, "w");
  if (!raw || !marks) return 1;
  std::vector<std::int16_t> block(std::size_t(rate / 100) * 2);
  long long frames = 0;
  for (;;) {
    if (pa_simple_read(s, block.data(), block.size() * 2, &error) < 0) break;
    frames += static_cast<long long>(block.size() / 2);
    const pa_usec_t latency = pa_simple_get_latency(s, &error);
    // The next frame to read was captured `latency` ago.
    std::fprintf(marks, "%lld %lld\n", frames, now_ns() - (long long)latency * 1000);
    std::fwrite(block.data(), 2, block.size(), raw);
    std::fflush(raw);
    std::fflush(marks);
  }
  pa_simple_free(s);
  return 0;
}

template <typename T>
std::vector<T> read_all(const char* path) {
  std::vector<T> v;
  if (std::FILE* f = std::fopen(path, "rb")) {
    T block[4096];
    for (std::size_t n; (n = std::fread(block, sizeof(T), 4096, f)) > 0;) v.insert(v.end(), block, block + n);
    std::fclose(f);
  }
  return v;
}

struct Mark {
  double frame, ns;
};

// When frame `k` was captured: by the median of what the marks within a second of it say
// (a server that stood still shifts the marks before it, and must not move those after it).
double captured_ns(const std::vector<Mark>& marks, double k, int rate) {
  std::vector<double> at;
  for (const Mark& m : marks)
    if (std::fabs(m.frame - k) <= rate) at.push_back(m.ns - (m.frame - k) * 1e9 / rate);
  if (at.size() < 2) return -1;
  std::nth_element(at.begin(), at.begin() + long(at.size() / 2), at.end());
  return at[at.size() / 2];
}

// The frame captured at `ns` (the inverse of captured_ns, by a few steps of Newton's method).
double frame_at(const std::vector<Mark>& marks, double ns, int rate) {
  double k = marks.front().frame + (ns - marks.front().ns) * rate * 1e-9;
  for (int i = 0; i < 4; i++) {
    const double t = captured_ns(marks, k, rate);
    if (t < 0) return -1;
    k += (ns - t) * rate * 1e-9;
  }
  return k;
}

struct Signals {
  int rate;
  std::vector<float> ref;         // stereo, interleaved
  std::vector<std::int16_t> rec;  // stereo, interleaved
  long long refFrames() const { return static_cast<long long>(ref.size() / 2); }
  long long recFrames() const { return static_cast<long long>(rec.size() / 2); }
};

// The recording frame where REF frame `at` best matches, searched `range` frames either side
// of `guess` over `length` frames; -1 when out of the recording.
long long best_match(const Signals& s, long long at, long long guess, long long range, long long length) {
  if (at < 0 || at + length > s.refFrames() || guess - range < 0 || guess + range + length > s.recFrames()) return -1;
  double best = -1e300;
  long long where = -1;
  for (long long d = -range; d <= range; d++) {
    double sum = 0;
    const std::int16_t* r = &s.rec[std::size_t((guess + d) * 2)];
    const float* f = &s.ref[std::size_t(at * 2)];
    for (long long j = 0; j < length * 2; j++) sum += double(f[j]) * r[j];
    if (sum > best) best = sum, where = guess + d;
  }
  return where;
}

// REF's channel `c` at fractional frame `x`, through a windowed sinc of 32 taps (one sine per
// call: sin(pi (t - f)) alternates in sign with t).
double ref_at(const Signals& s, double x, int c) {
  const long long i = static_cast<long long>(std::floor(x));
  const double f = x - double(i), sf = std::sin(M_PI * f);
  double sum = 0;
  for (int t = -15; t <= 16; t++) {
    const long long k = i + t;
    if (k < 0 || k >= s.refFrames()) continue;
    const double u = double(t) - f;
    const double sinc = std::fabs(u) < 1e-9 ? 1.0 : ((t & 1) ? sf : -sf) / (M_PI * u);
    const double w = 1.0 - (u / 17.0) * (u / 17.0);
    sum += s.ref[std::size_t(k * 2 + c)] * sinc * w * w;
  }
  return sum;
}

// Signal-to-noise ratio of each channel of `length` recording frames from `recAt`, against
// REF at frame refAt + (recording frame - x0) * slope, for the best gain.
void snr_at(const Signals& s, long long refAt, long long recAt, long long length, double x0, double slope, double out[2]) {
  for (int c = 0; c < 2; c++) {
    double rr = 0, xr = 0, xx = 0;
    for (long long j = 0; j < length; j++) {
      const double r = ref_at(s, double(refAt) + (double(recAt + j) - x0) * slope, c) * 32768.0;
      const double x = s.rec[std::size_t((recAt + j) * 2 + c)];
      rr += r * r, xr += x * r, xx += x * x;
    }
    const double gain = xr / rr;
    const double noise = xx - 2 * gain * xr + gain * gain * rr;
    out[c] = 10.0 * std::log10(gain * gain * rr / std::max(noise, 1e-9));
  }
}

// The signal-to-noise ratio of each channel of `length` recording frames from the integer match
// `recAt` of REF frame `refAt`, with the recording's time base followed: where REF's frames lie
// (to a thousandth of a frame) and how fast they go (while a drift is worked off the stream runs
// up to 0.2 % fast or slow) are searched for the best ratio.
void snr(const Signals& s, long long refAt, long long recAt, long long length, double out[2]) {
  // A start: where the first and the last quarter lie, to a frame.
  const long long quarter = length / 4, last = length - quarter;
  const long long kA = best_match(s, refAt, recAt, 64, quarter), kB = best_match(s, refAt + last, recAt + last, 64, quarter);
  double x0 = double(recAt), slope = 1.0, best[2];
  if (kA >= 0 && kB > kA) x0 = double(kA), slope = double(last) / double(kB - kA);
  snr_at(s, refAt, recAt, length, x0, slope, best);
  const double slopeScale = 2.0 / double(length);  // a slope step moves the far end by 2 steps
  for (double step = 1.0; step > 0.0005; step /= 2) {
    for (bool moved = true; moved;) {
      moved = false;
      const double tries[4][2] = {{step, 0}, {-step, 0}, {0, step * slopeScale}, {0, -step * slopeScale}};
      for (const auto& t : tries) {
        double db[2];
        snr_at(s, refAt, recAt, length, x0 + t[0], slope + t[1], db);
        if (db[0] + db[1] > best[0] + best[1] + 1e-6) {
          x0 += t[0], slope += t[1], best[0] = db[0], best[1] = db[1], moved = true;
        }
      }
    }
  }
  out[0] = best[0], out[1] = best[1];
}

int analyse(int argc, char** argv) {
  Signals s;
  s.rate = std::atoi(argv[2]);
  s.ref = read_all<float>(argv[3]);
  s.rec = read_all<std::int16_t>(argv[4]);
  std::vector<Mark> marks;
  if (std::FILE* f = std::fopen(argv[5], "r")) {
    long long k, ns;
    while (std::fscanf(f, "%lld %lld", &k, &ns) == 2) marks.push_back({double(k), double(ns)});
    std::fclose(f);
  }
  if (s.ref.empty() || s.rec.empty() || marks.size() < 10) {
    std::fprintf(stderr, "sound_check: nothing to analyse\n");
    return 1;
  }
  // The timer is the monotonic clock's milliseconds, low 32 bits: put the origin back near the marks.
  const long long low = std::strtoll(argv[6], nullptr, 10);
  const long long high = (long long)marks.front().ns / 1000000 - ((long long)marks.front().ns / 1000000 & 0xFFFFFFFFll);
  double origin = double(high + low) * 1e6;
  if (origin < marks.front().ns - 2.1e15) origin += 4294967296e6;
  bool wantSnr = false;
  int status = 0;
  const long long window = s.rate / 2;
  for (int i = 7; i < argc; i++) {
    if (!std::strcmp(argv[i], "snr")) {
      wantSnr = true;
      continue;
    }
    const double seconds = std::atof(argv[i]);
    const long long at = std::llround(seconds * s.rate);
    const double guess = frame_at(marks, origin + seconds * 1e9, s.rate);
    // Offsets are looked for 100 ms either side; a stretch for the ratio was found in step.
    const long long found = guess < 0 ? -1 : best_match(s, at, std::llround(guess), s.rate / (wantSnr ? 50 : 10), window);
    if (found < 0) {
      std::printf("%s %g none\n", wantSnr ? "snr" : "offset", seconds);
      status = 1;
      continue;
    }
    if (wantSnr) {
      double db[2];
      snr(s, at, found, window, db);
      std::printf("snr %g %.1f %.1f\n", seconds, db[0], db[1]);
    } else {
      const double heard = captured_ns(marks, double(found), s.rate);
      std::printf("offset %g %.2f\n", seconds, (heard - (origin + seconds * 1e9)) / 1e6);
    }
  }
  return status;
}

}  // namespace

int heard(int rate, const char* rawPath) {
  const std::vector<std::int16_t> rec = read_all<std::int16_t>(rawPath);
  std::size_t first = 0;
  while (first < rec.size() && std::abs(rec[first]) < 33) first++;  // -60 dB
  std::printf("%.2f\n", double(rec.size() - first) / 2.0 / rate);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 5 && !std::strcmp(argv[1], "record")) return record(std::atoi(argv[2]), argv[3], argv[4]);
  if (argc == 4 && !std::strcmp(argv[1], "heard")) return heard(std::atoi(argv[2]), argv[3]);
  if (argc >= 8 && !std::strcmp(argv[1], "analyse")) return analyse(argc, argv);
  std::fprintf(stderr,
               "usage: sound_check record RATE RAW MARKS\n"
               "       sound_check heard RATE RAW\n"
               "       sound_check analyse RATE REF RAW MARKS ORIGIN_MS SECONDS... [snr SECONDS...]\n");
  return 2;
}
