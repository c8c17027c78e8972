#pragma once
// A growable list of untyped pointers. It never frees what it holds: items are owned by
// whoever put them there, and pointer-sized numbers may be stored as items.

#include <vector>

class Hx_List {
 public:
  Hx_List() = default;

  // Appends and returns the item's index.
  int AddItem(void* item);
  // The item at index, or null for an index outside the list. Inline: the box queries read
  // polygon records and marks through lists on every frame.
  void* GetItem(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < items_.size() ? items_[static_cast<std::size_t>(index)]
                                                                         : nullptr;
  }
  // Stores item at index, growing the list with nulls when index is past its end; a negative
  // index is ignored.
  void SetItem(void* item, int index);
  int GetItemCount() const { return static_cast<int>(items_.size()); }
  // Empties the list without freeing any item; the storage is kept for reuse.
  void ReleaseItems();

 private:
  std::vector<void*> items_;
};
