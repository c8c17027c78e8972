#pragma once
// PNG output of read-back pictures, for the demo and for inspecting test results.

#include <cstdint>

#include "platform/d3d8/d3d8.h"

// Writes width x height ARGB values (0xAARRGGBB, rows top first, packed) as an 8-bit RGBA
// PNG file. False when the file cannot be written or the picture is empty.
bool WriteArgbPng(const char* path, UINT width, UINT height, const std::uint32_t* pixels);

// Level 0 of texture as a PNG file; E_FAIL when the file cannot be written, the errors of
// ReadTextureArgb otherwise.
HRESULT SaveTextureToPng(IDirect3DTexture8* texture, const char* path);
