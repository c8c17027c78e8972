#pragma once
// Relative paths against a source folder. '\' and '/' both separate components in what it
// is given; what it returns uses '/'.

#include <string>

class FilePathFind {
 public:
  void SetSourcePath(const char* path);
  // The path of file relative to the source path ("media/clip.avi", "../other/clip.avi").
  // A relative file name, or any name when no source path is set, is returned as it is.
  // The text stays valid until the next call.
  const char* GetValidRelativeDir(const char* file);

 private:
  std::string sourcePath_;
  std::string result_;
};
