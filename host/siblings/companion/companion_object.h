#pragma once
// A channel type the engine makes on request of the fast collision response
// (CreateObjectByGuid). It holds nothing: its presence is all that is asked of it.

#include "host/hx_channel.h"
#include "host/plugin_entry.h"

class CORVANE_EXPORT Kv_CompanionObject : public Hx_Channel {
 public:
  Kv_CompanionObject();
  ~Kv_CompanionObject() override;
};
