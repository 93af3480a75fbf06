// The show's two procedural textures.
#pragma once
#include <cstdint>
#include <vector>

// The two textures the show makes itself, as 256 x 256 RGB images.

// Radial falloff: 255 at (128, 128), 0 from distance 128 on.
void makeGlowImage(std::vector<std::uint8_t>& image);
// Vertical sine stripes, 64 columns to a period.
void makeStripeImage(std::vector<std::uint8_t>& image);

constexpr int proceduralTextureSize = 256;
