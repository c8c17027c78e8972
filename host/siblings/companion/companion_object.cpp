#include "host/siblings/companion/companion_object.h"

CORVANE_PLUGIN_ENTRY(Kv_CompanionObject, "Companion Object", "1D4B7E90-6C3A-4F05-8B2D-E7A9C6053B1E",
                     "1D4B7E90-6C3A-4F05-8B2D-E7A9C6053B1E", 0)

Kv_CompanionObject::Kv_CompanionObject() { SetChannelName("Companion Object"); }
Kv_CompanionObject::~Kv_CompanionObject() = default;
