// psnr: compares two yuv420p files frame by frame and plane by plane.
//   psnr WIDTH HEIGHT A B [MEAN_MIN FRAME_MIN]
// Prints, per plane, the mean PSNR over the frames and the lowest frame PSNR (identical
// frames count as 99 dB), and with thresholds exits 1 when a plane falls below one of them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Psnr(const unsigned char* a, const unsigned char* b, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  if (sum == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * n / sum);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 7) {
    std::fprintf(stderr, "usage: psnr WIDTH HEIGHT A B [MEAN_MIN FRAME_MIN]\n");
    return 2;
  }
  const long w = std::atol(argv[1]), h = std::atol(argv[2]);
  if (w <= 0 || h <= 0 || w % 2 || h % 2 || w > 16384 || h > 16384) {
    std::fprintf(stderr, "psnr: bad size\n");
    return 2;
  }
  std::FILE* fa = std::fopen(argv[3], "rb");
  std::FILE* fb = std::fopen(argv[4], "rb");
  if (!fa || !fb) {
    std::fprintf(stderr, "psnr: cannot open input\n");
    return 2;
  }
  const std::size_t planeSize[3] = {static_cast<std::size_t>(w * h), static_cast<std::size_t>(w * h / 4),
                                    static_cast<std::size_t>(w * h / 4)};
  const std::size_t frameSize = planeSize[0] + 2 * planeSize[1];
  std::vector<unsigned char> a(frameSize), b(frameSize);
  double sum[3] = {}, low[3] = {99, 99, 99};
  long frames = 0;
  for (;;) {
    const std::size_t na = std::fread(a.data(), 1, frameSize, fa);
    const std::size_t nb = std::fread(b.data(), 1, frameSize, fb);
    if (na != nb) {
      std::fprintf(stderr, "psnr: the files differ in length (frame %ld)\n", frames);
      return 1;
    }
    if (na < frameSize) break;
    std::size_t offset = 0;
    for (int p = 0; p < 3; ++p) {
      const double v = Psnr(a.data() + offset, b.data() + offset, planeSize[p]);
      sum[p] += v;
      if (v < low[p]) low[p] = v;
      offset += planeSize[p];
    }
    ++frames;
  }
  if (!frames) {
    std::fprintf(stderr, "psnr: no frames\n");
    return 1;
  }
  int status = 0;
  const double meanMin = argc == 7 ? std::atof(argv[5]) : 0, frameMin = argc == 7 ? std::atof(argv[6]) : 0;
  static const char* kNames[3] = {"Y", "U", "V"};
  std::printf("frames %ld", frames);
  for (int p = 0; p < 3; ++p) {
    const double mean = sum[p] / frames;
    std::printf("  %s mean %.2f min %.2f", kNames[p], mean, low[p]);
    if (mean < meanMin || low[p] < frameMin) status = 1;
  }
  std::printf("%s\n", status ? "  BELOW THRESHOLD" : "");
  return status;
}
