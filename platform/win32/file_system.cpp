#include "platform/win32/file_system.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace

BOOL CreateDirectoryA(const char* path, void*) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string native(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  if (mkdir(native.c_str(), 0777) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}
