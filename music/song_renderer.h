// One module rendered block by block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "music/audible_timeline.h"

namespace openmpt {
class module;
}

namespace music {

// One module and how far it has been rendered. Renders stereo float frames
// at 44,100 Hz in blocks of at most blockFrames and notes after each block
// the position and channel levels libopenmpt reports: those of the block's
// last frame. The block in which the song ends and all after it are silent
// and keep the last position. Allocates only when constructed and restarted.
class SongRenderer {
 public:
  // Throws openmpt::exception when the data is no module.
  explicit SongRenderer(std::vector<std::byte> fileData);
  ~SongRenderer();

  // Back to the start of the song, at `order` (order 0 if the song has no
  // such order). False if it had to fall back to order 0.
  bool restart(int order);

  // Renders `frames` (at most blockFrames) frames into `out` (2 floats a frame).
  const BlockRecord& renderBlock(float* out, std::uint32_t frames);
  // Renders until song frame `frame` has been rendered, into a scratch buffer.
  const BlockRecord& renderThrough(std::uint64_t frame);

  std::uint64_t framesRendered() const { return last.firstFrame + last.frames; }
  // The state after the last block, or the start state before any.
  const BlockRecord& current() const { return last; }

 private:
  void noteStart();

  std::vector<std::byte> data;
  std::unique_ptr<openmpt::module> module;
  int channels = 0;
  BlockRecord last;
  float scratch[blockFrames * 2] = {};
};

}  // namespace music
