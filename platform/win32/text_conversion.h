#pragma once
// Text conversion between the ANSI code page, which is UTF-8 on this platform, and UTF-16.
// Both follow the Windows contract: a source length of -1 means "up to and including the
// terminator"; a destination size of 0 asks for the size needed; the result is the number of
// units written (terminator included when the source length was -1), or 0 on failure
// (buffer too small, invalid arguments).

#include "platform/win32/win32_types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength,
                        WCHAR* destination, int destinationSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* source, int sourceLength,
                        char* destination, int destinationSize, const char* defaultChar,
                        BOOL* usedDefaultChar);
