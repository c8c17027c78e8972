#include "host/hx_channel_group.h"

const char* Hx_ChannelGroup::GetSourcePath() { return hasSourcePath_ ? sourcePath_.c_str() : nullptr; }

void Hx_ChannelGroup::SetSourcePath(const char* path) {
  hasSourcePath_ = path != nullptr;
  sourcePath_ = path ? path : "";
}
