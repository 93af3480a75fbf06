// The glow and stripe textures the show makes itself.
#include "show/procedural_textures.h"

#include <cmath>

void makeGlowImage(std::vector<std::uint8_t>& image) {
  for (int y = 0; y < proceduralTextureSize; ++y) {
    for (int x = 0; x < proceduralTextureSize; ++x) {
      const double dx = (x - 128) / 128.0;
      const double dy = (y - 128) / 128.0;
      const double d = std::sqrt(dx * dx + dy * dy);
      const auto value = static_cast<std::uint8_t>(d > 1 ? 0 : static_cast<int>(255 - 255 * d));
      std::uint8_t* pixel = &image[(proceduralTextureSize * y + x) * 3];
      pixel[0] = pixel[1] = pixel[2] = value;
    }
  }
}

void makeStripeImage(std::vector<std::uint8_t>& image) {
  // pi/32 rounded to single precision, as the stripes have always been drawn.
  const double s = static_cast<double>(static_cast<float>(M_PI / 32));
  for (int x = 0; x < proceduralTextureSize; ++x) {
    const auto value = static_cast<std::uint8_t>(static_cast<int>(128 + 127 * std::sin(x * s)));
    for (int y = 0; y < proceduralTextureSize; ++y) {
      std::uint8_t* pixel = &image[(proceduralTextureSize * y + x) * 3];
      pixel[0] = pixel[1] = pixel[2] = value;
    }
  }
}
