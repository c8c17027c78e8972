#pragma once
// The "Value" channel type: one float. Other channels read it through the virtual operation
// in position 12 and set it through position 14, calling by position without linking this
// library.

#include "host/hx_channel.h"
#include "host/plugin_entry.h"

class CORVANE_EXPORT Kv_ValueChannel : public Hx_Channel {
 public:
  Kv_ValueChannel();
  ~Kv_ValueChannel() override;

  bool SaveChannel(HxFileSaver& saver) override;
  bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) override;

  virtual float GetValue();             // 12
  virtual void ResetValue();            // 13: back to 0
  virtual void SetValue(float value);   // 14

 private:
  float value_ = 0.0f;
};
