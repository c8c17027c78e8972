#include "host/hx_channel.h"

#include <algorithm>
#include <cstring>

#include "host/file_loader.h"
#include "host/file_saver.h"
#include "host/hx_engine.h"

Hx_Channel::Hx_Channel() {
  std::memset(type_.name, 0, sizeof type_.name);
  type_.baseTypeGuid = GUID_NULL;
  SetTimeStamp();
}

Hx_Channel::~Hx_Channel() = default;

void Hx_Channel::CallChannel() {}
void Hx_Channel::OneTimeInitialize() {}
void Hx_Channel::DoEvent(int, unsigned long) {}
ChannelType Hx_Channel::GetChannelType() { return type_; }

bool Hx_Channel::SaveChannel(HxFileSaver& saver) {
  const std::int32_t type = interfaceType_;
  return saver.SaveTag("HXIT") && saver.SaveBlockSize(sizeof type) &&
         saver.SaveDataToFile(&type, sizeof type);
}

bool Hx_Channel::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!loader.IsValid()) return false;
  if (group) group_ = group;
  std::int32_t type = 0;
  if (loader.GetInfoIfTag("HXIT") && loader.GetSizeDataBlock(false) == sizeof type) {
    loader.CopyTagDataToPointer(&type);
    interfaceType_ = type;
  }
  return true;
}

void Hx_Channel::SetChannelInterfaceType(int type) { interfaceType_ = type; }

Hx_Channel* Hx_Channel::GetChannelFromChannel(Hx_Channel* channel, ChildInfo* info) {
  for (std::size_t position = 0; position < slots_.size(); ++position) {
    const auto& children = slots_[position].children;
    const auto found = std::find(children.begin(), children.end(), channel);
    if (found != children.end()) {
      if (info) *info = {static_cast<int>(position), static_cast<int>(found - children.begin())};
      return channel;
    }
  }
  return nullptr;
}

DWORD Hx_Channel::GetTimeStamp() { return timeStamp_; }
void Hx_Channel::SetTimeStamp() { timeStamp_ = HxEngine::NextTimeStamp(); }
void Hx_Channel::DoDependencyInit(Hx_List*) {}

void Hx_Channel::SetChannelName(const char* name) {
  std::memset(name_, 0, sizeof name_);
  if (name) std::strncpy(name_, name, sizeof name_ - 1);
}

void Hx_Channel::SetChildCreationCount(int count) { childCreationCount_ = count; }

void Hx_Channel::SetChildCreateType(ChildCreation declaration, int linkPosition) {
  if (linkPosition < 0) return;
  const auto position = static_cast<std::size_t>(linkPosition);
  if (position >= slots_.size()) slots_.resize(position + 1);
  slots_[position].declared = true;
  slots_[position].declaration = declaration;
  slots_[position].children.clear();
}

const ChildCreation* Hx_Channel::GetChildCreateType(int linkPosition) const {
  if (linkPosition < 0 || static_cast<std::size_t>(linkPosition) >= slots_.size()) return nullptr;
  const Slot& slot = slots_[static_cast<std::size_t>(linkPosition)];
  return slot.declared ? &slot.declaration : nullptr;
}

const Hx_Channel::Slot* Hx_Channel::FindSlotByChildIndex(int childIndex) const {
  if (childIndex < 0) return nullptr;
  for (const Slot& slot : slots_)
    if (slot.declared && slot.declaration.childIndex == childIndex) return &slot;
  return nullptr;
}

Hx_Channel* Hx_Channel::GetChild(int childIndex) const {
  const Slot* slot = FindSlotByChildIndex(childIndex);
  return slot && !slot->children.empty() ? slot->children.front() : nullptr;
}

int Hx_Channel::GetChildLinkPositionCount(int linkPosition) const {
  if (!GetChildCreateType(linkPosition)) return 0;
  return static_cast<int>(slots_[static_cast<std::size_t>(linkPosition)].children.size());
}

Hx_Channel* Hx_Channel::GetChildFromLinkPosition(int linkPosition, int i) const {
  if (i < 0 || i >= GetChildLinkPositionCount(linkPosition)) return nullptr;
  return slots_[static_cast<std::size_t>(linkPosition)].children[static_cast<std::size_t>(i)];
}

void Hx_Channel::AddChannelGuidDepend(GUID typeGuid, Hx_List* list) {
  if (list) list->AddItem(const_cast<GUID*>(HxEngine::InternGuid(typeGuid)));
}

bool Hx_Channel::CheckRenderCount() {
  const long long frame = engine ? engine->GetFrameNumber() : renderFrame_ + 1;
  if (frame == renderFrame_) return false;
  renderFrame_ = frame;
  return true;
}

bool Hx_Channel::AttachChild(int linkPosition, Hx_Channel* child) {
  if (!child || !GetChildCreateType(linkPosition)) return false;
  Slot& slot = slots_[static_cast<std::size_t>(linkPosition)];
  if (slot.declaration.childIndex >= 0) slot.children.clear();
  slot.children.push_back(child);
  return true;
}

void Hx_Channel::DetachChild(const Hx_Channel* child) {
  for (Slot& slot : slots_) std::erase(slot.children, child);
}
