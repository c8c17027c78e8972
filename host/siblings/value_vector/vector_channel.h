#pragma once
// The "Value Vector" channel type: one vector, read with GetVector (position 12) and set with
// SetVector (13) or one component at a time with SetFloat (14). Channel classes that output a
// vector derive from it and override GetVector.

#include "host/hx_channel.h"
#include "host/plugin_entry.h"
#include "platform/d3dx/d3dx8_math.h"

class CORVANE_EXPORT Kv_VectorChannel : public Hx_Channel {
 public:
  Kv_VectorChannel();
  ~Kv_VectorChannel() override;
  Kv_VectorChannel(const Kv_VectorChannel&) = default;
  Kv_VectorChannel& operator=(const Kv_VectorChannel&) = default;

  bool SaveChannel(HxFileSaver& saver) override;
  bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) override;

  virtual D3DXVECTOR3 GetVector();                 // 12
  virtual void SetVector(D3DXVECTOR3 vector);      // 13
  // Sets component index (0 x, 1 y, 2 z); false for another index.
  virtual bool SetFloat(int index, float value);   // 14

 private:
  D3DXVECTOR3 vector_{0, 0, 0};
};
