#pragma once
// "DX8 Texture": a channel holding one Direct3D texture (the channel texture) that consumers
// bind with SetTexture. Texture channel types derive from it and fill the texture their own
// way. The virtual operations keep their fixed order (positions 14 to 52 after the device-use
// base's 12 and 13). The stand-in's versions are small: they work on the member texture and
// leave image decoding (files, memory, alpha files) to the derived types, answering false.

#include <vector>

#include "host/siblings/texture/d3d_device_use.h"
#include "platform/d3d8/d3d8.h"

class CORVANE_EXPORT Kv_DX8_Texture : public Kv_DX8_D3DDeviceUse {
 public:
  Kv_DX8_Texture();
  ~Kv_DX8_Texture() override;
  Kv_DX8_Texture(const Kv_DX8_Texture& other);
  Kv_DX8_Texture& operator=(const Kv_DX8_Texture& other);

  void DoDependencyInit(Hx_List* list) override;  // 11
  void InvalidateDeviceObjects() override;        // 12: releases the texture

  virtual void Release();                                              // 14
  virtual void SetTexture(int stage);                                  // 15
  virtual bool LoadTextureFromFile(char* fileName);                    // 16
  virtual bool LoadTextureFromMemory(char* data, int size);            // 17
  virtual bool LoadTextureFromMemoryAndCopyBuffer(char* data, int size);  // 18
  virtual void SetMipMapLevels(int levels);                            // 19
  virtual int GetMipMapLevels();                                       // 20
  virtual D3DSURFACE_DESC GetTextureDescription(int level);            // 21: zero without one
  virtual bool LockTexture(int level, D3DLOCKED_RECT& locked);         // 22
  virtual bool UnlockTexture(int level);                               // 23
  virtual bool GetIfValidTexture();                                    // 24
  virtual void SetDesiredHeight(int height);                           // 25
  virtual void SetDesiredWidth(int width);                             // 26
  virtual int GetDesiredHeight();                                      // 27
  virtual int GetDesiredWidth();                                       // 28
  // Creates the texture at the desired size (A8R8G8B8) when it is missing and a device exists.
  virtual bool RestoreTexture();                                       // 29
  // A new texture of the given size, point-sampled from level 0; the caller releases it.
  virtual IDirect3DTexture8* CreateTumbNailTexture(int width, int height);  // 30
  // Takes alpha from the other texture's red channel (same size, both A8R8G8B8).
  virtual bool AddAlphaTexture(Kv_DX8_Texture* alphaSource);           // 31
  // Copies level 0 into the other channel's texture (same size and format).
  virtual bool CopyOurselvesIntoTexture(Kv_DX8_Texture* destination, bool withAlpha);  // 32
  virtual bool CheckAplhaRefresh();                                    // 33
  virtual bool GetIfPublicTexture();                                   // 34
  virtual void SetIfPublicTexture(bool isPublic);                      // 35
  virtual void SetForceARGB(bool force);                               // 36
  virtual IDirect3DTexture8* GetTexture();                             // 37: not counted
  virtual void SetIsNormalMap(bool isNormalMap);                       // 38
  virtual bool GetIsNormalMap();                                       // 39
  virtual void SetNormalMapType(int type);                             // 40
  virtual int GetNormalMapType();                                      // 41
  virtual bool CreateNormalMap();                                      // 42
  virtual char* GetTextureBuffer();                                    // 43
  virtual int GetBufferSize();                                         // 44
  virtual void SetUseTextureCompression(bool use);                     // 45
  virtual bool GetUseTextureCompression();                             // 46
  virtual bool LoadALphaFromFile(char* fileName);                      // 47
  virtual bool AddAlphaFromInternalBuffer(char* data, int size);       // 48
  virtual bool GetIfUseBufferAlpha();                                  // 49
  virtual void ClearUseBufferAlpha();                                  // 50
  virtual void SetUseAlphaOnMipmap(bool use);                          // 51
  virtual bool GetUseAlphaOnMipmap();                                  // 52

 protected:
  // The channel texture: one reference, owned by the channel. Derived types create, replace,
  // release and clear it themselves.
  IDirect3DTexture8* texture;

 private:
  int mipMapLevels_ = 1;
  int desiredWidth_ = 256;
  int desiredHeight_ = 256;
  int normalMapType_ = 0;
  bool publicTexture_ = false;
  bool forceARGB_ = false;
  bool normalMap_ = false;
  bool textureCompression_ = false;
  bool useBufferAlpha_ = false;
  bool alphaOnMipmap_ = false;
  std::vector<char> buffer_;
};
