// libFuzzer target: the bytes are a bitmap file. An input that begins with
// "BM" is loaded twice: as it is, and as the bare DIB after its file header.
#include <cstdlib>

#include "assets/dib.h"
#include "assets/message_box.h"
#include "tests/fuzz/input_file.h"

// The pixel block holds width x height x 3 bytes (a shorter one is read past
// its end here).
static void check(RgbImage* image) {
  if (!image) return;
  if (image->width <= 0 || image->height <= 0 || !image->pixels) std::abort();
  [[maybe_unused]] const volatile std::uint8_t last = image->pixels[std::size_t(image->width) * image->height * 3 - 1];
  std::free(image->pixels);
  std::free(image);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setMessageBoxFunction([](const char*, const char*) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static InputFile file("picture.bmp");
  check(loadDibFile(file.write(data, size)));
  if (size >= 14 && data[0] == 'B' && data[1] == 'M') check(loadDibFile(file.write(data + 14, size - 14)));
  return 0;
}
