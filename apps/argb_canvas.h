#pragma once
// A tiny software rasteriser into a 32-bit ARGB picture (0xAARRGGBB, rows top first): filled
// triangles with a depth buffer, lines, discs, rectangles and 5x7 block text. Enough for the
// demo's pictures; coordinates are pixels, and everything outside the picture is clipped.

#include <cstdint>
#include <string>
#include <vector>

struct ScreenPoint {
  float x, y;
  float depth;  // smaller is nearer
};

class ArgbCanvas {
 public:
  ArgbCanvas(int width, int height, std::uint32_t background);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }
  std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

  // One pixel; nothing outside the picture.
  void Plot(int x, int y, std::uint32_t colour);
  // A filled triangle, kept where it is nearer than what was drawn with depth before.
  void Triangle(ScreenPoint a, ScreenPoint b, ScreenPoint c, std::uint32_t colour);
  // Lines and discs are drawn over everything, ignoring depth.
  void Line(float x0, float y0, float x1, float y1, std::uint32_t colour, float width = 1.5f);
  void Disc(float cx, float cy, float radius, std::uint32_t colour);
  void Ring(float cx, float cy, float radius, std::uint32_t colour);
  void Rectangle(int x0, int y0, int x1, int y1, std::uint32_t colour);
  // Text in 5x7 glyphs scaled by scale (digits, upper-case letters, space and a few signs;
  // other characters draw as a box). Returns the width drawn.
  int Text(int x, int y, const std::string& text, std::uint32_t colour, int scale = 1);

 private:

  int width_, height_;
  std::vector<std::uint32_t> pixels_;
  std::vector<float> depth_;
};

// Colours as 0xAARRGGBB.
std::uint32_t Rgb(int r, int g, int b);
// A colour scale from blue (0) through green and yellow to red (1); t is clamped.
std::uint32_t HeatColour(float t);
// The colour with its red, green and blue scaled by shade (0..1).
std::uint32_t Shade(std::uint32_t colour, float shade);
