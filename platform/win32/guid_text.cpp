#include "platform/win32/guid_text.h"

#include <cstdio>
#include <cstdlib>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string GuidToString(const GUID& g) {
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::optional<GUID> GuidFromString(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}')
    text = text.substr(1, 36);
  if (text.size() != 36) return std::nullopt;
  std::uint8_t bytes[16];
  int count = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[count++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  GUID g{};
  g.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
            (std::uint32_t{bytes[2]} << 8) | bytes[3];
  g.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  g.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  return g;
}

GUID MakeGuid(std::string_view text) {
  const auto guid = GuidFromString(text);
  if (!guid) {
    std::fprintf(stderr, "malformed GUID constant '%.*s'\n", static_cast<int>(text.size()),
                 text.data());
    std::abort();
  }
  return *guid;
}

std::size_t GuidHash::operator()(const GUID& g) const noexcept {
  std::size_t h = g.Data1;
  h = h * 1000003u ^ g.Data2;
  h = h * 1000003u ^ g.Data3;
  for (std::uint8_t b : g.Data4) h = h * 1000003u ^ b;
  return h;
}
