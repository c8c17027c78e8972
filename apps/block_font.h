#pragma once
// A 5x7 block font for labels in the demo's pictures and the generated clip: digits,
// upper-case letters, space and a few signs. Each glyph is seven rows of five bits, the
// leftmost pixel in the highest bit.

#include <array>
#include <cstdint>

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
using Glyph = std::array<std::uint8_t, kGlyphHeight>;

// The glyph of ch (lower-case letters use the upper-case ones); a box for anything else.
const Glyph& GlyphFor(char ch);
