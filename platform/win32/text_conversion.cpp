#include "platform/win32/text_conversion.h"

#include <cstring>
#include <string>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct CodePoint {
  char32_t value;
  int length;  // source units consumed, at least 1
  bool valid;
};

// One code point, or one maximal malformed part: the longest prefix of a well-formed
// sequence, so that a truncated sequence costs one replacement and the next byte is read anew.
CodePoint DecodeUtf8(const unsigned char* s, int available) {
  const unsigned char lead = s[0];
  if (lead < 0x80) return {lead, 1, true};
  int length;
  char32_t value;
  unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return {kReplacement, 1, false};
  }
  for (int i = 1; i < length; ++i) {
    if (i >= available) return {kReplacement, i, false};
    const unsigned char c = s[i];
    const unsigned char lo = i == 1 ? low : 0x80, hi = i == 1 ? high : 0xBF;
    if (c < lo || c > hi) return {kReplacement, i, false};
    value = (value << 6) | (c & 0x3F);
  }
  return {value, length, true};
}

CodePoint DecodeUtf16(const WCHAR* s, int available) {
  const char32_t first = s[0];
  if (first < 0xD800 || first > 0xDFFF) return {first, 1, true};
  if (first <= 0xDBFF && available > 1 && s[1] >= 0xDC00 && s[1] <= 0xDFFF)
    return {0x10000 + ((first - 0xD800) << 10) + (s[1] - 0xDC00), 2, true};
  return {kReplacement, 1, false};
}

int EncodeUtf16(char32_t c, WCHAR* out) {
  if (c < 0x10000) {
    out[0] = static_cast<WCHAR>(c);
    return 1;
  }
  c -= 0x10000;
  out[0] = static_cast<WCHAR>(0xD800 + (c >> 10));
  out[1] = static_cast<WCHAR>(0xDC00 + (c & 0x3FF));
  return 2;
}

int EncodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength,
                        WCHAR* destination, int destinationSize) {
  if (codePage != CP_ACP && codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed =
      codePage == CP_ACP ? (MB_ERR_INVALID_CHARS | MB_PRECOMPOSED) : MB_ERR_INVALID_CHARS;
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  if (!source || sourceLength == 0 || sourceLength < -1 || destinationSize < 0 ||
      (!destination && destinationSize > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  if (sourceLength == -1) sourceLength = static_cast<int>(std::strlen(source)) + 1;

  const auto* bytes = reinterpret_cast<const unsigned char*>(source);
  int written = 0;
  for (int i = 0; i < sourceLength;) {
    const CodePoint c = DecodeUtf8(bytes + i, sourceLength - i);
    if (!c.valid && (flags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    WCHAR units[2];
    const int count = EncodeUtf16(c.value, units);
    if (destinationSize > 0) {
      if (written + count > destinationSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
      for (int k = 0; k < count; ++k) destination[written + k] = units[k];
    }
    written += count;
    i += c.length;
  }
  return written;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* source, int sourceLength,
                        char* destination, int destinationSize, const char* defaultChar,
                        BOOL* usedDefaultChar) {
  if (codePage != CP_ACP && codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed =
      codePage == CP_ACP ? (WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS) : WC_ERR_INVALID_CHARS;
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  if (codePage == CP_UTF8 && (defaultChar || usedDefaultChar)) return Fail(ERROR_INVALID_PARAMETER);
  if (!source || sourceLength == 0 || sourceLength < -1 || destinationSize < 0 ||
      (!destination && destinationSize > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  if (sourceLength == -1)
    sourceLength = static_cast<int>(std::char_traits<WCHAR>::length(source)) + 1;
  if (usedDefaultChar) *usedDefaultChar = FALSE;

  const std::size_t defaultLength = defaultChar ? std::strlen(defaultChar) : 0;
  int written = 0;
  for (int i = 0; i < sourceLength;) {
    const CodePoint c = DecodeUtf16(source + i, sourceLength - i);
    if (!c.valid && (flags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    char encoded[4];
    const char* bytes = encoded;
    int count;
    if (!c.valid && defaultChar) {
      bytes = defaultChar;
      count = static_cast<int>(defaultLength);
      if (usedDefaultChar) *usedDefaultChar = TRUE;
    } else {
      count = EncodeUtf8(c.value, encoded);
    }
    if (destinationSize > 0) {
      if (written + count > destinationSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
      std::memcpy(destination + written, bytes, static_cast<std::size_t>(count));
    }
    written += count;
    i += c.length;
  }
  return written;
}
