#pragma once
// Channel type and interface GUIDs that the plug-ins name, in their text form.

namespace type_guids {

inline constexpr const char* kCollisionObject = "7E1C95B3-A620-48FD-9D37-0C8B5E2A61F4";
inline constexpr const char* kFastCollisionResponse = "2B84F0A6-19DE-4C73-B5A8-E61F3C7049D2";
inline constexpr const char* kMediaTexture = "5D7A2E19-C4B3-4F61-8E02-7A9C13F6B4D8";

inline constexpr const char* kValue = "A4E7C2D9-5B18-4F3A-9C60-E2B7D41F8A35";
inline constexpr const char* kValueVector = "93B5D04E-7A1C-4F28-B0E6-D42A8C1957F3";
inline constexpr const char* k3DObject = "3F6A1D52-8B07-4C9E-A1D3-52E7B90C4F16";
inline constexpr const char* kTexture = "C62E8A17-3F95-4B0D-8E4A-15B7D9F360C2";
inline constexpr const char* kD3DDeviceUse = "4A0F6D28-B913-4E57-A6C1-93D7E8205B6A";
inline constexpr const char* kFastCollisionResponseCompanion = "1D4B7E90-6C3A-4F05-8B2D-E7A9C6053B1E";

inline constexpr const char* kDirectGraphics = "6C0B93E4-2D7F-4A15-B8E2-0F49D3A6C721";

}  // namespace type_guids
