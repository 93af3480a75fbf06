// Renders the reference frames anew into the source tree and says which
// orders changed: for a change in the show's content or look, on purpose.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/show/reference_frames.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PROGRAM DATA-DIRECTORY REFERENCE-DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string program = argv[1], data = argv[2];
  const fs::path references = argv[3];
  std::ifstream file(data + "/ko-trampelin.it", std::ios::binary);
  const std::vector<char> module{std::istreambuf_iterator<char>(file), {}};
  const reference::Timing timing(module);
  const fs::path scratch = fs::temp_directory_path() / ("flipp-kroma-references-" + std::to_string(getpid()));
  fs::remove_all(scratch);
  std::printf("rendering %d orders at %dx%d...\n", reference::orders, reference::width, reference::height);
  const std::string trouble = reference::renderShots(program, data, timing, scratch);
  if (!trouble.empty()) {
    std::fprintf(stderr, "%snothing was changed; the frames are in %s\n", trouble.c_str(), scratch.string().c_str());
    return 1;
  }
  fs::create_directories(references);
  int changed = 0;
  for (const reference::Shot& shot : timing.shots) {
    const fs::path frame = reference::shotFrame(scratch, shot);
    const fs::path keep = reference::referencePath(references, shot.order);
    reference::Image drawn, old;
    if (!reference::readPng(frame, drawn)) {
      std::fprintf(stderr, "cannot read %s\n", frame.string().c_str());
      return 1;
    }
    const char* what = "unchanged";
    char detail[96] = "";
    if (!reference::readPng(keep, old)) {
      what = "new";
    } else {
      const reference::Difference d = reference::compare(drawn, old);
      if (d.largest > 0) {
        what = d.samePicture() ? "within the tolerance" : "CHANGED";
        std::snprintf(detail, sizeof detail, ": %.2f %% of pixels past %d levels, largest %d", 100 * d.share(),
                      reference::levels, d.largest);
      }
    }
    if (std::string(what) != "unchanged") {
      fs::copy_file(frame, keep, fs::copy_options::overwrite_existing);
      ++changed;
    }
    std::printf("order %2d: %s%s\n", shot.order, what, detail);
  }
  std::printf("%d of %d reference frames rewritten in %s\n", changed, reference::orders, references.string().c_str());
  fs::remove_all(scratch);
  return 0;
}
