#pragma once
// An enumerator over a snapshot of interface pointers (filters, monikers): each item is
// referenced by the snapshot and once more for each caller that fetches it.

#include <algorithm>
#include <vector>

#include "platform/dshow/base/com_object.h"

template <class Enum, class Item, const IID& EnumIid>
class CEnumSnapshot final : public CUnknown, public Enum {
 public:
  // Takes one reference on each item.
  explicit CEnumSnapshot(const std::vector<Item*>& items)
      : CUnknown("enumerator", nullptr), items_(items) {
    for (Item* item : items_) item->AddRef();
  }
  ~CEnumSnapshot() override {
    for (Item* item : items_) item->Release();
  }
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == EnumIid)
      return GetInterface(static_cast<Enum*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Next(ULONG count, Item** items, ULONG* fetched) override {
    if (!items) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && position_ < items_.size()) {
      items[n] = items_[position_++];
      items[n++]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    position_ = std::min<std::size_t>(items_.size(), position_ + count);
    return position_ < items_.size() ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(Enum** copy) override {
    if (!copy) return E_POINTER;
    auto* clone = new CEnumSnapshot(items_);
    clone->position_ = position_;
    return GetInterface(static_cast<Enum*>(clone), reinterpret_cast<void**>(copy));
  }

  // A new enumerator holding one reference.
  static Enum* Create(const std::vector<Item*>& items) {
    Enum* e = new CEnumSnapshot(items);
    e->AddRef();
    return e;
  }

 private:
  std::vector<Item*> items_;
  std::size_t position_ = 0;
};
