// Fuzzes the AAF list reader and its frame decoding. The inputs are lists; the frames they may
// name are written once per process into /tmp/velmar-fuzz-aaf: F1.JPG (8 x 4), F2.JPG (3 x 9)
// and F3.JPG (F1 cut short).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "fuzz/fuzz_file.h"
#include "gfx/img_image.h"

namespace {

constexpr const char* kFrames = "/tmp/velmar-fuzz-aaf";

// Writes through a temporary name and renames, so a process beside this one never reads half a frame.
void write_frame(const std::string& name, int width, int height, long keep) {
  IMG_Image* image = IMG_ImageCreate(width, height, IMG_RGB, 0);
  for (int i = 0; i < width * height * 3; i++) image->data[i] = std::uint8_t(i * 29);
  const std::string temp = std::string(kFrames) + "/tmp-" + std::to_string(getpid());
  IMG_JpgSave(temp.c_str(), image);
  IMG_ImageDelete(image);
  if (keep > 0) truncate(temp.c_str(), keep);
  std::rename(temp.c_str(), (std::string(kFrames) + "/" + name).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mkdir(kFrames, 0755);
  write_frame("F1.JPG", 8, 4, 0);
  write_frame("F2.JPG", 3, 9, 0);
  write_frame("F3.JPG", 8, 4, 300);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IMG_Image* image = IMG_AafLoad(FUZZ_WriteInput(data, size, ".aaf"));
  if (image)
    for (int i = 0; i < 3; i++) image->update(image);
  IMG_ImageDelete(image);
  return 0;
}
