#pragma once
// The calling thread's last error code, as the Win32 calls of the stand-in set it on failure.

#include "platform/win32/win32_types.h"

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;

DWORD GetLastError();
void SetLastError(DWORD error);
