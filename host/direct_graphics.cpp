#include "host/direct_graphics.h"

#include "platform/win32/guid_text.h"

const GUID kDirectGraphicsGuid = MakeGuid("6C0B93E4-2D7F-4A15-B8E2-0F49D3A6C721");

IDirect3DDevice8* DirectGraphics::GetDevice() { return device_; }
