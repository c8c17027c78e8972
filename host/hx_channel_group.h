#pragma once
// A group of channels loaded or saved together; its source path is the folder its file lives
// in, against which saved relative paths are meant.

#include <string>

class Hx_ChannelGroup {
 public:
  Hx_ChannelGroup() = default;
  virtual ~Hx_ChannelGroup() = default;

  // The source folder, or null when the group has none (never saved or loaded).
  virtual const char* GetSourcePath();
  void SetSourcePath(const char* path);

 private:
  std::string sourcePath_;
  bool hasSourcePath_ = false;
};
