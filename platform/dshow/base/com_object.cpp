#include "platform/dshow/base/com_object.h"

CUnknown::CUnknown(const char* objectName, IUnknown*) : objectName_(objectName ? objectName : "") {}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() {
  return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CUnknown::NonDelegatingRelease() {
  const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT GetInterface(IUnknown* unknown, void** object) {
  if (!object) return E_POINTER;
  *object = unknown;
  unknown->AddRef();
  return S_OK;
}
