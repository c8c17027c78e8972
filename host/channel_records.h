#pragma once
// The two records that cross between the host and its plug-ins with fixed byte layouts:
// the channel type descriptor and the declaration of one child link slot.

#include <cstddef>
#include <cstdint>

#include "platform/win32/win32_types.h"

struct ChannelType {
  // Leaves name and baseTypeGuid as they are: plug-ins keep their record in zero-initialised
  // static storage and complete it in GetType.
  ChannelType() : typeGuid(GUID_NULL), typeValue1(1), typeValue2(50), typeFlag(1), typeValue3(0), typeFlag2(0) {}

  char name[80];
  GUID typeGuid;
  GUID baseTypeGuid;
  std::int32_t typeValue1;
  std::int32_t typeValue2;
  std::int32_t typeFlag;
  std::int32_t typeValue3;
  std::uint8_t typeFlag2;
};

static_assert(sizeof(ChannelType) == 132);
static_assert(offsetof(ChannelType, name) == 0);
static_assert(offsetof(ChannelType, typeGuid) == 80);
static_assert(offsetof(ChannelType, baseTypeGuid) == 96);
static_assert(offsetof(ChannelType, typeValue1) == 112);
static_assert(offsetof(ChannelType, typeValue2) == 116);
static_assert(offsetof(ChannelType, typeFlag) == 120);
static_assert(offsetof(ChannelType, typeValue3) == 124);
static_assert(offsetof(ChannelType, typeFlag2) == 128);

// The base type GUID that every declared child type carries: sixteen bytes of 0x11.
inline constexpr GUID kChildBaseTypeGuid{0x11111111, 0x1111, 0x1111,
                                         {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}};

struct ChildCreation {
  // The fixed values every declaration starts from; the declaring channel then sets the child
  // type's name and GUID, childIndex, autoCreate, extra3 and label.
  ChildCreation() : childIndex(0), extra1(0), autoCreate(0), label{}, extraGuid(GUID_NULL), extra2(0), extra3(0) {
    for (char& c : childType.name) c = 0;
    childType.baseTypeGuid = kChildBaseTypeGuid;
  }

  ChannelType childType;
  std::int32_t childIndex;  // -1: the slot holds a list of children
  std::uint8_t extra1;
  std::uint8_t autoCreate;  // 1: the host creates the child with the channel
  char label[102];
  GUID extraGuid;
  std::int32_t extra2;
  std::int32_t extra3;
};

static_assert(sizeof(ChildCreation) == 264);
static_assert(offsetof(ChildCreation, childType) == 0);
static_assert(offsetof(ChildCreation, childIndex) == 132);
static_assert(offsetof(ChildCreation, extra1) == 136);
static_assert(offsetof(ChildCreation, autoCreate) == 137);
static_assert(offsetof(ChildCreation, label) == 138);
static_assert(offsetof(ChildCreation, extraGuid) == 240);
static_assert(offsetof(ChildCreation, extra2) == 256);
static_assert(offsetof(ChildCreation, extra3) == 260);
