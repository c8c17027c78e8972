#pragma once
// The graph's default reference clock: a monotonic clock of the machine, in 100 ns units.

#include "platform/dshow/base/com_object.h"

class CSystemClock final : public CUnknown, public IReferenceClock {
 public:
  CSystemClock() : CUnknown("system clock", nullptr) {}
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT GetTime(REFERENCE_TIME* time) override;
};
