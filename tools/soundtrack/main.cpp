// Composes the show's music and writes it as an Impulse Tracker module.
#include <cstdio>
#include <string>

#include "tools/itwriter/it_writer.h"
#include "tools/soundtrack/score.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.it\n", argv[0]);
    return 2;
  }
  std::string error;
  if (!itw::save(soundtrack::compose(), argv[1], &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
