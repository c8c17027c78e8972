#pragma once
// The base of every channel: its name, its child link slots and the links the host made in
// them, its time stamp, its group, and the twelve virtual operations through which the host
// drives it. The order of the virtual operations is an interface between libraries: other
// plug-ins call them by position, and channel classes append their own after them.

#include <vector>

#include "host/channel_records.h"
#include "host/dll_interface.h"
#include "host/hx_list.h"

class HxFileSaver;
class HxFileLoader;
class Hx_ChannelGroup;

// Where a channel is linked below another (GetChannelFromChannel).
struct ChildInfo {
  int linkPosition;
  int index;  // position in a list slot, 0 in a single slot
};

class Hx_Channel : public DllInterface {
 public:
  Hx_Channel();
  ~Hx_Channel() override;
  Hx_Channel(const Hx_Channel&) = default;
  Hx_Channel& operator=(const Hx_Channel&) = default;

  // Virtual operations, in their fixed order.
  virtual void CallChannel();
  virtual void OneTimeInitialize();
  virtual void DoEvent(int event, unsigned long value);
  virtual ChannelType GetChannelType();
  // Writes the base's own data ("HXIT": the interface type); false when the saver failed.
  virtual bool SaveChannel(HxFileSaver& saver);
  // Reads the base's own data and joins the group; false when the data are malformed.
  virtual bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group);
  virtual void SetChannelInterfaceType(int type);
  // channel itself when it is linked below this one (info then says where), else null.
  virtual Hx_Channel* GetChannelFromChannel(Hx_Channel* channel, ChildInfo* info);
  // A number that changes whenever the channel's data change.
  virtual DWORD GetTimeStamp();
  virtual void SetTimeStamp();
  virtual void DoDependencyInit(Hx_List* list);

  // Declarations, made by a channel's constructor.
  void SetChannelName(const char* name);
  const char* GetChannelName() const { return name_; }
  void SetChildCreationCount(int count);
  int GetChildCreationCount() const { return childCreationCount_; }
  // Declares the slot at linkPosition; a declaration at a position already declared replaces
  // it and drops the slot's links. A negative position is ignored.
  void SetChildCreateType(ChildCreation declaration, int linkPosition);
  int GetChildSlotCount() const { return static_cast<int>(slots_.size()); }
  // The declaration of a slot, or null for an undeclared position.
  const ChildCreation* GetChildCreateType(int linkPosition) const;

  // Children. A single slot is read by its childIndex, a list slot by its link position.
  Hx_Channel* GetChild(int childIndex) const;
  int GetChildLinkPositionCount(int linkPosition) const;
  Hx_Channel* GetChildFromLinkPosition(int linkPosition, int i) const;

  // Adds the channel type GUID to the dependency list given to DoDependencyInit.
  void AddChannelGuidDepend(GUID typeGuid, Hx_List* list);
  // True on the channel's first call in each frame of the engine.
  bool CheckRenderCount();
  Hx_ChannelGroup* GetChannelGroup() const { return group_; }

  // Host side: the runtime links children and records the type and group. A channel that
  // owns internal children (sub-objects of a 3D object) links them the same way.
  // AttachChild puts child into a single slot (replacing what was there) or appends it to a
  // list slot; false for an undeclared position or a null child.
  bool AttachChild(int linkPosition, Hx_Channel* child);
  // Removes every link to child from this channel's slots.
  void DetachChild(const Hx_Channel* child);
  void SetChannelTypeRecord(const ChannelType& type) { type_ = type; }
  void SetChannelGroup(Hx_ChannelGroup* group) { group_ = group; }
  int GetChannelInterfaceType() const { return interfaceType_; }

 private:
  struct Slot {
    bool declared = false;
    ChildCreation declaration;
    std::vector<Hx_Channel*> children;  // links, not owned
  };
  const Slot* FindSlotByChildIndex(int childIndex) const;

  char name_[80] = {};
  int childCreationCount_ = 0;
  std::vector<Slot> slots_;
  ChannelType type_;
  Hx_ChannelGroup* group_ = nullptr;
  DWORD timeStamp_ = 0;
  int interfaceType_ = 0;
  long long renderFrame_ = -1;
};
