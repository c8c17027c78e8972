#include "platform/dshow/system_clock.h"

#include <chrono>

HRESULT CSystemClock::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IReferenceClock)
    return GetInterface(static_cast<IReferenceClock*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CSystemClock::GetTime(REFERENCE_TIME* time) {
  if (!time) return E_POINTER;
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  *time = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
  return S_OK;
}
