#pragma once
// Folder creation with the Windows call shape: '\' and '/' both separate path components.

#include "platform/win32/last_error.h"

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;

// Creates one folder (not its parents); the security attributes are ignored. FALSE with
// GetLastError() ERROR_ALREADY_EXISTS when the path exists (as a folder or a file),
// ERROR_PATH_NOT_FOUND when the parent is missing or is not a folder, or for a null or empty
// path, ERROR_ACCESS_DENIED when the parent may not be written. Trailing separators are
// allowed.
BOOL CreateDirectoryA(const char* path, void* securityAttributes);
