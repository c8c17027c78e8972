#pragma once
// The frame every plug-in of this system stands on: the entry points (GetType, InitDLL), the
// export macro for channel classes, and the declaration of child link slots.
//
// Constructor order of a channel, which every plug-in keeps:
//   1. base class, then the channel's own member lists;
//   2. SetChannelName with the type name;
//   3. SetChildCreationCount with the number of auto-created slots;
//   4. SetChildCreateType for each slot in rising link position (MakeChildCreation);
//   5. the channel's defaults and what it asks of the engine.

#include <cstring>

#include "host/channel_records.h"
#include "host/plugin_entry.h"
#include "platform/win32/guid_text.h"

// One declared child link slot: the fixed values of a ChildCreation, then the child type's
// name and GUID, childIndex (-1 for a list slot), autoCreate, extra3 and label.
inline ChildCreation MakeChildCreation(const char* childTypeName, const char* childTypeGuid,
                                       int childIndex, bool autoCreate, int extra3,
                                       const char* label) {
  ChildCreation slot;
  std::strncpy(slot.childType.name, childTypeName, sizeof slot.childType.name - 1);
  slot.childType.typeGuid = MakeGuid(childTypeGuid);
  slot.childIndex = childIndex;
  slot.autoCreate = autoCreate ? 1 : 0;
  slot.extra3 = extra3;
  std::strncpy(slot.label, label, sizeof slot.label - 1);
  return slot;
}
