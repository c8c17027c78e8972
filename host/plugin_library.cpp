#include "host/plugin_library.h"

#include <dlfcn.h>

#include "platform/win32/guid_text.h"

std::string PluginLibrary::FileName(const GUID& type) { return GuidToString(type) + ".so"; }

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& folder, const GUID& type,
                                                   std::string* error) {
  const std::string path = folder + "/" + FileName(type);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = "cannot load plug-in " + path + ": " + dlerror();
    return nullptr;
  }
  auto getType = reinterpret_cast<GetTypeFunction>(dlsym(handle, "GetType"));
  auto initDLL = reinterpret_cast<InitDLLFunction>(dlsym(handle, "InitDLL"));
  if (!getType || !initDLL) {
    if (error) *error = "not a plug-in (no GetType or InitDLL): " + path;
    dlclose(handle);
    return nullptr;
  }
  const ChannelType* record = getType();
  if (!record || !(record->typeGuid == type)) {
    if (error)
      *error = "plug-in " + path + " describes channel type " +
               (record ? GuidToString(record->typeGuid) : std::string("(none)"));
    dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, getType, initDLL));
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }
