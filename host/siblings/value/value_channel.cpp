#include "host/siblings/value/value_channel.h"

#include <cstring>

#include "host/file_loader.h"
#include "host/file_saver.h"

CORVANE_PLUGIN_ENTRY(Kv_ValueChannel, "Value", "A4E7C2D9-5B18-4F3A-9C60-E2B7D41F8A35",
                     "A4E7C2D9-5B18-4F3A-9C60-E2B7D41F8A35", 0)

Kv_ValueChannel::Kv_ValueChannel() { SetChannelName("Value"); }
Kv_ValueChannel::~Kv_ValueChannel() = default;

float Kv_ValueChannel::GetValue() { return value_; }
void Kv_ValueChannel::ResetValue() { SetValue(0.0f); }
void Kv_ValueChannel::SetValue(float value) {
  value_ = value;
  SetTimeStamp();
}

bool Kv_ValueChannel::SaveChannel(HxFileSaver& saver) {
  return Hx_Channel::SaveChannel(saver) && saver.SaveTag("VAVL") && saver.SaveBlockSize(4) &&
         saver.SaveDataToFile(&value_, 4);
}

bool Kv_ValueChannel::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!Hx_Channel::LoadChannel(loader, group)) return false;
  if (loader.GetInfoIfTag("VAVL") && loader.GetSizeDataBlock(false) == 4) loader.CopyTagDataToPointer(&value_);
  return true;
}
