#include "apps/argb_canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "apps/block_font.h"

ArgbCanvas::ArgbCanvas(int width, int height, std::uint32_t background)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * height, background),
      depth_(pixels_.size(), std::numeric_limits<float>::max()) {}

void ArgbCanvas::Plot(int x, int y, std::uint32_t colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
}

void ArgbCanvas::Triangle(ScreenPoint a, ScreenPoint b, ScreenPoint c, std::uint32_t colour) {
  const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  if (std::fabs(area) < 1e-6f) return;
  const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
  const int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
  const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
  const int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      // Barycentric weights from the edge functions; inside when all have the area's sign.
      const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
      const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
      const float wc = 1 - wa - wb;
      if (wa < 0 || wb < 0 || wc < 0) continue;
      const float depth = wa * a.depth + wb * b.depth + wc * c.depth;
      float& stored = depth_[static_cast<std::size_t>(y) * width_ + x];
      if (depth >= stored) continue;
      stored = depth;
      pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
    }
}

void ArgbCanvas::Line(float x0, float y0, float x1, float y1, std::uint32_t colour, float width) {
  const float length = std::hypot(x1 - x0, y1 - y0);
  const int steps = std::max(1, static_cast<int>(std::ceil(length * 2)));
  for (int i = 0; i <= steps; ++i) {
    const float t = static_cast<float>(i) / steps;
    Disc(x0 + t * (x1 - x0), y0 + t * (y1 - y0), width * 0.5f, colour);
  }
}

void ArgbCanvas::Disc(float cx, float cy, float radius, std::uint32_t colour) {
  const int r = static_cast<int>(std::ceil(radius));
  for (int y = -r; y <= r; ++y)
    for (int x = -r; x <= r; ++x)
      if (x * x + y * y <= radius * radius + 0.25f)
        Plot(static_cast<int>(std::lround(cx)) + x, static_cast<int>(std::lround(cy)) + y, colour);
}

void ArgbCanvas::Ring(float cx, float cy, float radius, std::uint32_t colour) {
  const int steps = std::max(8, static_cast<int>(radius * 8));
  for (int i = 0; i < steps; ++i) {
    const float angle = 6.2831853f * i / steps;
    Plot(static_cast<int>(std::lround(cx + radius * std::cos(angle))),
        static_cast<int>(std::lround(cy + radius * std::sin(angle))), colour);
  }
}

void ArgbCanvas::Rectangle(int x0, int y0, int x1, int y1, std::uint32_t colour) {
  for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width_, x1); ++x) Plot(x, y, colour);
}

int ArgbCanvas::Text(int x, int y, const std::string& text, std::uint32_t colour, int scale) {
  int pen = x;
  for (char ch : text) {
    const Glyph& glyph = GlyphFor(ch);
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int column = 0; column < kGlyphWidth; ++column)
        if (glyph[row] & (1 << (kGlyphWidth - 1 - column)))
          Rectangle(pen + column * scale, y + row * scale, pen + (column + 1) * scale, y + (row + 1) * scale, colour);
    pen += (kGlyphWidth + 1) * scale;
  }
  return pen - x;
}

std::uint32_t Rgb(int r, int g, int b) {
  auto clamp = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
  return 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

std::uint32_t HeatColour(float t) {
  t = std::isnan(t) ? 0 : std::clamp(t, 0.0f, 1.0f);
  // Blue, cyan, green, yellow, red at equal steps.
  static constexpr int kStops[5][3] = {{40, 60, 230}, {0, 200, 230}, {40, 210, 60}, {240, 220, 0}, {230, 30, 30}};
  const float position = t * 4;
  const int i = std::min(3, static_cast<int>(position));
  const float f = position - i;
  auto mix = [&](int channel) {
    return static_cast<int>(std::lround(kStops[i][channel] + f * (kStops[i + 1][channel] - kStops[i][channel])));
  };
  return Rgb(mix(0), mix(1), mix(2));
}

std::uint32_t Shade(std::uint32_t colour, float shade) {
  shade = std::clamp(shade, 0.0f, 1.0f);
  auto channel = [&](int shift) { return static_cast<int>(((colour >> shift) & 0xFF) * shade); };
  return Rgb(channel(16), channel(8), channel(0));
}
