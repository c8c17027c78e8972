#pragma once
// Text conversion between the ANSI code page, which is UTF-8 on this platform, and UTF-16.
// Both follow the Windows contract: a source length of -1 means "up to and including the
// terminator"; a destination size of 0 asks for the size needed; the result is the number of
// units written (terminator included when the source length was -1), or 0 on failure
// (buffer too small, invalid arguments), with the reason in GetLastError():
// ERROR_INSUFFICIENT_BUFFER (the characters that fit whole are written, without a
// terminator), ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS or ERROR_NO_UNICODE_TRANSLATION.
// Malformed input (bad UTF-8 sequences, unpaired surrogates) becomes U+FFFD, one for each
// maximal malformed part, unless the *_ERR_INVALID_CHARS flag asks for failure instead.

#include "platform/win32/last_error.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;

// For CP_UTF8, defaultChar and usedDefaultChar must be null (ERROR_INVALID_PARAMETER
// otherwise). For CP_ACP, defaultChar, when given, replaces unpaired surrogates instead of
// U+FFFD, and *usedDefaultChar tells whether it was used.

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength,
                        WCHAR* destination, int destinationSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* source, int sourceLength,
                        char* destination, int destinationSize, const char* defaultChar,
                        BOOL* usedDefaultChar);
