#pragma once
// The byte layout of tagged saved data, shared by the saver and the loader.
// A stream of records: 'T' + four tag characters, or 'B' + a 32-bit little-endian size + that
// many data bytes. Blocks belong to the tag before them.

#include <cstdint>

namespace tagged_format {

inline constexpr std::uint8_t kTagRecord = 'T';
inline constexpr std::uint8_t kBlockRecord = 'B';

inline void PutU32(std::uint8_t* out, std::uint32_t v) {
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
  out[2] = static_cast<std::uint8_t>(v >> 16);
  out[3] = static_cast<std::uint8_t>(v >> 24);
}

inline std::uint32_t GetU32(const std::uint8_t* in) {
  return std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
         (std::uint32_t{in[3]} << 24);
}

}  // namespace tagged_format
