#include "host/hx_list.h"

int Hx_List::AddItem(void* item) {
  items_.push_back(item);
  return static_cast<int>(items_.size()) - 1;
}

void Hx_List::SetItem(void* item, int index) {
  if (index < 0) return;
  const auto position = static_cast<std::size_t>(index);
  if (position >= items_.size()) items_.resize(position + 1, nullptr);
  items_[position] = item;
}

void Hx_List::ReleaseItems() { items_.clear(); }
