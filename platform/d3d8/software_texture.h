#pragma once
// Textures and surfaces held in system memory, as the software device creates them.

#include <atomic>
#include <memory>

#include "platform/d3d8/d3d8.h"

// Every row of a surface is padded past its pixels, so consumers that assume tightly packed
// rows write into the wrong place and are caught.
constexpr UINT kSoftwareRowPadding = 16;
UINT SoftwareSurfacePitch(UINT width, D3DFORMAT format);

// levels must already be resolved (1 to the full chain) and the format one with a pixel size.
// liveTextures, when given, is incremented now and decremented when the texture is destroyed.
IDirect3DTexture8* CreateSoftwareTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                         D3DFORMAT format, D3DPOOL pool,
                                         std::shared_ptr<std::atomic<int>> liveTextures);
