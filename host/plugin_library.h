#pragma once
// One plug-in library, found in a folder by its channel type GUID: the file is the GUID's
// upper-case text followed by the platform's shared-library suffix. Loading checks that the
// library's GetType describes that GUID. The library stays mapped while the object lives.

#include <memory>
#include <string>

#include "host/channel_records.h"

class Hx_Channel;

class PluginLibrary {
 public:
  using GetTypeFunction = ChannelType* (*)();
  using InitDLLFunction = Hx_Channel* (*)();

  // Null with a reason in error when the file is missing, is not a plug-in, or describes
  // another channel type.
  static std::unique_ptr<PluginLibrary> Load(const std::string& folder, const GUID& type,
                                             std::string* error);
  static std::string FileName(const GUID& type);

  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  ChannelType* GetType() const { return getType_(); }
  // A new channel, or null when the plug-in could not make one.
  Hx_Channel* InitDLL() const { return initDLL_(); }

 private:
  PluginLibrary(void* handle, GetTypeFunction getType, InitDLLFunction initDLL)
      : handle_(handle), getType_(getType), initDLL_(initDLL) {}

  void* handle_;
  GetTypeFunction getType_;
  InitDLLFunction initDLL_;
};
