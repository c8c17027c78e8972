#pragma once
// Reading a texture's picture back into plain memory, for tests and image output.

#include <cstdint>
#include <vector>

#include "platform/d3d8/d3d8.h"

// Level 0 of texture as 32-bit ARGB values (0xAARRGGBB), width x height of them, rows top
// first and packed without padding. Formats without alpha read as opaque; smaller channels
// are widened so that their full value becomes 255. D3DERR_INVALIDCALL for null arguments, a
// format that cannot be read or a level 0 that is locked.
HRESULT ReadTextureArgb(IDirect3DTexture8* texture, std::vector<std::uint32_t>* pixels, UINT* width,
                        UINT* height);
