// Writes the show's picture, a 256 x 256 environment image meant to be
// sphere-mapped onto the character: a banded synthwave sky with a big sun,
// a glowing floor grid below the horizon, a rainbow rim for the grazing angles
// and the big logo letters "KO" in the middle. Stored as a 24-bit BMP.
//
// Usage: picture OUTPUT.bmp

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int size = 256;
constexpr int subsamples = 4;  // per axis, for smooth edges
constexpr double pi = 3.14159265358979323846;

struct Colour {
  double r = 0, g = 0, b = 0;
};
Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour operator*(Colour a, double s) { return {a.r * s, a.g * s, a.b * s}; }
Colour mix(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }

double smoothstep(double edge0, double edge1, double x) {
  double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Fully saturated colour around the hue circle, hue in turns.
Colour hue(double h) {
  auto channel = [h](double offset) {
    return 0.5 + 0.5 * std::cos(2 * pi * (h - offset));
  };
  return {channel(0), channel(1.0 / 3), channel(2.0 / 3)};
}

struct Segment {
  double x0, y0, x1, y1;
};

// Letter strokes in a box 0.7 wide and 1 high, origin at the bottom left.
std::vector<Segment> letterK() {
  return {{0.1, 0, 0.1, 1}, {0.1, 0.42, 0.64, 1}, {0.3, 0.62, 0.66, 0}};
}
std::vector<Segment> letterO() {
  std::vector<Segment> strokes;
  const int steps = 48;
  for (int i = 0; i < steps; ++i) {
    double a0 = 2 * pi * i / steps, a1 = 2 * pi * (i + 1) / steps;
    strokes.push_back({0.36 + 0.27 * std::cos(a0), 0.5 + 0.4 * std::sin(a0), 0.36 + 0.27 * std::cos(a1),
                       0.5 + 0.4 * std::sin(a1)});
  }
  return strokes;
}

double segmentDistance(const Segment& s, double x, double y) {
  double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  double t = std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  double ex = x - (s.x0 + t * dx), ey = y - (s.y0 + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

// The logo "KO": its strokes placed in picture coordinates (-1 … 1).
const std::vector<Segment>& logo() {
  static const std::vector<Segment> strokes = [] {
    const double height = 0.84, left = -0.64, bottom = -0.46, advance = 0.84;
    std::vector<Segment> all;
    int index = 0;
    for (const auto& letter : {letterK(), letterO()}) {
      for (Segment s : letter)
        all.push_back({left + (s.x0 + advance * index) * height, bottom + s.y0 * height,
                       left + (s.x1 + advance * index) * height, bottom + s.y1 * height});
      ++index;
    }
    return all;
  }();
  return strokes;
}

double logoDistance(double x, double y) {
  double d = 1e9;
  for (const Segment& s : logo()) d = std::min(d, segmentDistance(s, x, y));
  return d;
}

// Colour bands of equal height between `top` and `bottom`, blended over `soft`.
Colour bands(const std::vector<Colour>& colours, double top, double bottom, double soft, double y) {
  double step = (top - bottom) / static_cast<double>(colours.size());
  Colour c = colours.back();
  for (size_t i = colours.size() - 1; i-- > 0;)
    c = mix(c, colours[i], smoothstep(-soft, soft, y - (top - step * static_cast<double>(i + 1))));
  return c;
}

// The environment at a point of the picture, x and y from -1 to 1, y up. The
// character wears it sphere-mapped and small, so one screen pixel covers ten
// texels or more: every shape is broad, every edge blurred over several
// texels, the lines are soft glows rather than thin strokes, and nothing is
// darker than a mid violet, so that what the filter misses flickers between
// colours rather than between bright and black.
Colour environment(double x, double y) {
  const double horizon = -0.12, soft = 0.025;
  Colour c;
  if (y >= horizon) {
    // Sky: four bands, periwinkle at the top down to orange at the horizon.
    c = bands({{0.45, 0.35, 0.95}, {0.75, 0.35, 0.9}, {1.0, 0.45, 0.7}, {1.0, 0.68, 0.4}}, 1, horizon, soft, y);
    // Sun rising behind the logo: a disc from orange at the top to pink.
    double sx = x, sy = y - 0.32, radius = 0.44;
    double disc = smoothstep(radius + soft, radius - soft, std::sqrt(sx * sx + sy * sy));
    c = mix(c, mix(Colour{1.0, 0.35, 0.55}, Colour{1.0, 0.62, 0.25}, smoothstep(-radius, radius, sy)), disc);
  } else {
    // Floor: magenta fading to violet, three lines across and five running
    // to the horizon, each a soft cyan glow; they fade out where they crowd.
    c = mix(Colour{0.85, 0.35, 0.8}, Colour{0.45, 0.25, 0.75}, smoothstep(horizon, -1, y));
    double drop = horizon - y, glow = 0;
    for (double across : {0.12, 0.33, 0.68}) glow = std::max(glow, std::exp(-std::pow((drop - across) / 0.035, 2)));
    for (int k = -2; k <= 2; ++k) {
      double run = x - 0.9 * k * drop;  // horizontal distance to the line through the vanishing point
      glow = std::max(glow, std::exp(-std::pow(run / (0.035 * std::sqrt(1 + 0.81 * k * k)), 2)));
    }
    c = mix(c, Colour{0.45, 1.0, 1.0}, glow * smoothstep(0.0, 0.1, drop) * 0.8);
  }
  // A bright band along the horizon.
  c = c + Colour{1.0, 0.75, 0.5} * std::exp(-std::pow((y - horizon) / 0.04, 2));
  // Pale rainbow rim where the surface turns away from the viewer.
  double r = std::sqrt(x * x + y * y);
  c = mix(c, mix(hue(std::atan2(y, x) / (2 * pi) + r * 0.5), Colour{1, 1, 1}, 0.4), smoothstep(0.8, 0.92, r));
  // The logo: thick letters in a wide blue-violet halo, filled white over yellow over gold.
  double d = logoDistance(x, y);
  const double stroke = 0.09;
  c = mix(c, Colour{0.5, 0.3, 0.95}, smoothstep(stroke + 0.09, stroke + 0.02, d));
  Colour fill = bands({{1.0, 1.0, 1.0}, {1.0, 0.95, 0.55}, {1.0, 0.78, 0.3}}, 0.4, -0.5, soft, y);
  return mix(c, fill, smoothstep(stroke + soft / 2, stroke - soft / 2, d));
}

void put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, unsigned value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picture OUTPUT.bmp\n");
    return 2;
  }
  const unsigned stride = size * 3;  // already a multiple of 4
  const unsigned pixelBytes = stride * size;
  std::vector<std::uint8_t> file;
  // BITMAPFILEHEADER
  file.push_back('B');
  file.push_back('M');
  put32(file, 14 + 40 + pixelBytes);
  put32(file, 0);
  put32(file, 14 + 40);
  // BITMAPINFOHEADER: bottom-up, 24 bits, uncompressed, 72 dpi
  put32(file, 40);
  put32(file, size);
  put32(file, size);
  put16(file, 1);
  put16(file, 24);
  put32(file, 0);
  put32(file, pixelBytes);
  put32(file, 2835);
  put32(file, 2835);
  put32(file, 0);
  put32(file, 0);
  // Rows bottom to top, pixels blue, green, red.
  for (int row = 0; row < size; ++row)
    for (int column = 0; column < size; ++column) {
      Colour sum;
      for (int sy = 0; sy < subsamples; ++sy)
        for (int sx = 0; sx < subsamples; ++sx) {
          double x = (column + (sx + 0.5) / subsamples) / size * 2 - 1;
          double y = (row + (sy + 0.5) / subsamples) / size * 2 - 1;
          sum = sum + environment(x, y);
        }
      sum = sum * (1.0 / (subsamples * subsamples));
      auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
      file.push_back(byte(sum.b));
      file.push_back(byte(sum.g));
      file.push_back(byte(sum.r));
    }

  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
