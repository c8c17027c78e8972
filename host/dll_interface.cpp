#include "host/dll_interface.h"

#include "host/hx_engine.h"

DllInterface::DllInterface() : engine(HxEngine::Current()) {}
DllInterface::~DllInterface() = default;
