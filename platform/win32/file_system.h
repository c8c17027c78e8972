#pragma once
// Folder creation with the Windows call shape: '\' and '/' both separate path components.

#include "platform/win32/win32_types.h"

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;

// Creates one folder (not its parents). FALSE with GetLastError() ERROR_ALREADY_EXISTS when
// it exists, ERROR_PATH_NOT_FOUND when the parent is missing.
BOOL CreateDirectoryA(const char* path, void* securityAttributes);
DWORD GetLastError();
