// The shown-frame record: one line per frame, written only when a test asks for it.
#include "app/frame_record.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "music/music_control.h"

void recordShownFrame(std::int32_t songTime) {
  static std::FILE* const file = [] {
    const char* name = std::getenv("FK_FRAME_RECORD");
    std::FILE* opened = name != nullptr && *name != '\0' ? std::fopen(name, "w") : nullptr;
    if (name != nullptr && *name != '\0' && opened == nullptr)
      std::fprintf(stderr, "flipp-kroma: cannot write the frame record '%s'\n", name);
    return opened;
  }();
  if (file == nullptr) return;
  const auto shown = std::chrono::steady_clock::now().time_since_epoch();
  std::int64_t askedNs = 0;
  const long long frame = music::takeDrawnFrame(askedNs);
  if (frame < 0) return;
  std::fprintf(file, "%lld %lld %lld %d\n",
               static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(shown).count()),
               static_cast<long long>(askedNs), frame, static_cast<int>(songTime));
  std::fflush(file);  // whole lines, however the run ends
}
