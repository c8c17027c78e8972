#include "host/file_path_find.h"

#include <vector>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (IsSeparator(c)) {
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty() && part != ".") parts.push_back(part);
  return parts;
}

}  // namespace

void FilePathFind::SetSourcePath(const char* path) { sourcePath_ = path ? path : ""; }

const char* FilePathFind::GetValidRelativeDir(const char* file) {
  result_ = file ? file : "";
  if (sourcePath_.empty() || result_.empty() || !IsSeparator(result_.front()) ||
      !IsSeparator(sourcePath_.front()))
    return result_.c_str();
  const auto from = Components(sourcePath_);
  const auto to = Components(result_);
  std::size_t common = 0;
  while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;
  std::string relative;
  for (std::size_t i = common; i < from.size(); ++i) relative += "../";
  for (std::size_t i = common; i < to.size(); ++i) {
    relative += to[i];
    if (i + 1 < to.size()) relative += '/';
  }
  result_ = relative;
  return result_.c_str();
}
