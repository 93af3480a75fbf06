// Rendering one module with libopenmpt, block by block, noting position and levels.
#include "music/song_renderer.h"

#include <algorithm>
#include <cmath>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <ostream>
#include <string>

namespace music {

namespace {
std::unique_ptr<openmpt::module> open(const std::vector<std::byte>& data) {
  // libopenmpt's own messages go nowhere: the player reports in its own words.
  static std::ostream nowhere(nullptr);
  // At the song's end the position stays where it is: no fade-out that
  // would replay the start.
  return std::make_unique<openmpt::module>(data, nowhere, std::map<std::string, std::string>{{"play.at_end", "stop"}});
}
}  // namespace

SongRenderer::SongRenderer(std::vector<std::byte> fileData) : data(std::move(fileData)), module(open(data)) {
  channels = std::min(module->get_num_channels(), maxChannels);
  noteStart();
}

SongRenderer::~SongRenderer() = default;

bool SongRenderer::restart(int order) {
  // A fresh module, so that a replay sounds exactly as the first play.
  module = open(data);
  bool atOrder = true;
  if (order != 0) {
    atOrder = order > 0 && order < module->get_num_orders();
    if (atOrder) module->set_position_order_row(order, 0);
  }
  noteStart();
  return atOrder;
}

void SongRenderer::noteStart() {
  last = BlockRecord{};
  last.order = module->get_current_order();
  last.row = module->get_current_row();
}

const BlockRecord& SongRenderer::renderBlock(float* out, std::uint32_t frames) {
  const std::uint64_t first = framesRendered();
  const std::size_t got = module->read_interleaved_stereo(mixRate, frames, out);
  std::fill(out + 2 * got, out + 2 * frames, 0.0f);
  last.firstFrame = first;
  last.frames = frames;
  if (got < frames) {
    // The song ended in this block; libopenmpt already reports the position
    // it would restart from. Silence from here, at the last position.
    std::fill(std::begin(last.level), std::end(last.level), std::uint8_t{0});
    return last;
  }
  last.order = module->get_current_order();
  last.row = module->get_current_row();
  for (int c = 0; c < channels; ++c) {
    const float vu = module->get_current_channel_vu_mono(c);
    last.level[c] = static_cast<std::uint8_t>(std::clamp(std::lround(vu * 255.0f), 0L, 255L));
  }
  return last;
}

const BlockRecord& SongRenderer::renderThrough(std::uint64_t frame) {
  while (framesRendered() <= frame) {
    const std::uint64_t left = frame + 1 - framesRendered();
    renderBlock(scratch, static_cast<std::uint32_t>(std::min<std::uint64_t>(left, blockFrames)));
  }
  return last;
}

}  // namespace music
