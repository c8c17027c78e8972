#include "host/siblings/value_vector/vector_channel.h"

#include "host/file_loader.h"
#include "host/file_saver.h"

CORVANE_PLUGIN_ENTRY(Kv_VectorChannel, "Value Vector", "93B5D04E-7A1C-4F28-B0E6-D42A8C1957F3",
                     "93B5D04E-7A1C-4F28-B0E6-D42A8C1957F3", 0)

Kv_VectorChannel::Kv_VectorChannel() { SetChannelName("Value Vector"); }
Kv_VectorChannel::~Kv_VectorChannel() = default;

D3DXVECTOR3 Kv_VectorChannel::GetVector() { return vector_; }

void Kv_VectorChannel::SetVector(D3DXVECTOR3 vector) {
  vector_ = vector;
  SetTimeStamp();
}

bool Kv_VectorChannel::SetFloat(int index, float value) {
  if (index < 0 || index > 2) return false;
  vector_[index] = value;
  SetTimeStamp();
  return true;
}

bool Kv_VectorChannel::SaveChannel(HxFileSaver& saver) {
  return Hx_Channel::SaveChannel(saver) && saver.SaveTag("VVEC") &&
         saver.SaveBlockSize(sizeof vector_) && saver.SaveDataToFile(&vector_, sizeof vector_);
}

bool Kv_VectorChannel::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!Hx_Channel::LoadChannel(loader, group)) return false;
  if (loader.GetInfoIfTag("VVEC") && loader.GetSizeDataBlock(false) == sizeof vector_)
    loader.CopyTagDataToPointer(&vector_);
  return true;
}
