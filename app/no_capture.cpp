// The Windows build has no video capture: the encoder is started through
// POSIX calls it does not have. The options refuse --capture there, so this
// is never asked for a sink.
#include <cstdio>

#include "app/frame_output.h"

std::unique_ptr<FrameSink> openCapture(const Options&) {
  std::fputs("flipp-kroma: capture is not available in this build\n", stderr);
  return nullptr;
}
