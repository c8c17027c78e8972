#pragma once
// What every plug-in library exports: GetType, which completes the library's one static
// ChannelType record, and InitDLL, which makes one channel object. Both have C linkage.
//
//   CORVANE_PLUGIN_ENTRY(Kv_MyChannel, "My Channel", "<type GUID>", "<base type GUID>", 0)
//
// in exactly one source file of the plug-in defines both.

#include <cstring>
#include <new>

#include "host/channel_records.h"
#include "platform/win32/guid_text.h"

class Hx_Channel;

#define CORVANE_EXPORT __attribute__((visibility("default")))

namespace plugin_entry {

inline ChannelType* CompleteChannelType(ChannelType& record, const char* name, const char* typeGuid,
                                        const char* baseTypeGuid, int typeFlag) {
  std::strncpy(record.name, name, sizeof record.name - 1);
  record.name[sizeof record.name - 1] = 0;
  record.typeGuid = MakeGuid(typeGuid);
  record.baseTypeGuid = MakeGuid(baseTypeGuid);
  record.typeFlag = typeFlag;
  return &record;
}

// Null when the memory cannot be had; then nothing is constructed. No exception leaves the
// library.
template <class Channel>
Hx_Channel* CreateChannelObject() {
  void* memory = ::operator new(sizeof(Channel), std::nothrow);
  if (!memory) return nullptr;
  try {
    return new (memory) Channel;
  } catch (...) {
    ::operator delete(memory);
    return nullptr;
  }
}

}  // namespace plugin_entry

#define CORVANE_PLUGIN_ENTRY(ChannelClass, name, typeGuid, baseTypeGuid, typeFlag)              \
  /* Zero-initialised static storage, default-constructed when the library is loaded. */       \
  static ChannelType corvanePluginChannelType;                                                 \
  extern "C" CORVANE_EXPORT ChannelType* GetType() {                                           \
    return plugin_entry::CompleteChannelType(corvanePluginChannelType, name, typeGuid,         \
                                             baseTypeGuid, typeFlag);                          \
  }                                                                                            \
  extern "C" CORVANE_EXPORT Hx_Channel* InitDLL() {                                            \
    return plugin_entry::CreateChannelObject<ChannelClass>();                                  \
  }
