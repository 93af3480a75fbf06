// Compares two folders of frames written by --png, frame by frame, by the
// reference frames' rule: a pixel differs when a channel moves by more than
// 16 levels; a frame is the same picture while at most 0.1 % of its pixels
// differ. Prints the frames beyond that and the worst one; status 1 when any is.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int levels = 16;
constexpr double sameShare = 0.001;

bool readPng(const fs::path& path, std::vector<std::uint8_t>& rgb, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.string().c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: compare_frames BEFORE_DIR AFTER_DIR\n");
    return 2;
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(argv[1]))
    if (entry.path().extension() == ".png") names.insert(entry.path().filename().string());
  long compared = 0, beyond = 0, identical = 0;
  double worstShare = 0;
  int worstLevel = 0;
  std::string worstName;
  for (const std::string& name : names) {
    std::vector<std::uint8_t> a, b;
    int wa = 0, ha = 0, wb = 0, hb = 0;
    if (!readPng(fs::path(argv[1]) / name, a, wa, ha) || !readPng(fs::path(argv[2]) / name, b, wb, hb) || wa != wb ||
        ha != hb) {
      std::printf("%s: missing, unreadable or another size\n", name.c_str());
      ++beyond;
      continue;
    }
    long differing = 0;
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); i += 3) {
      int most = 0;
      for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a[i + c] - b[i + c]));
      differing += most > levels;
      largest = std::max(largest, most);
    }
    const double share = static_cast<double>(differing) / (static_cast<double>(wa) * ha);
    ++compared;
    identical += largest == 0;
    if (share > sameShare) {
      ++beyond;
      std::printf("%s: %.3f %% of the pixels differ by more than %d levels (largest %d)\n", name.c_str(),
                  100 * share, levels, largest);
    }
    if (share > worstShare || (share == worstShare && largest > worstLevel)) {
      worstShare = share;
      worstLevel = largest;
      worstName = name;
    }
  }
  std::printf("%ld frames compared: %ld identical, %ld beyond the tolerance; the worst %s: %.3f %% differ, largest %d\n",
              compared, identical, beyond, worstName.c_str(), 100 * worstShare, worstLevel);
  return beyond == 0 && compared > 0 ? 0 : 1;
}
