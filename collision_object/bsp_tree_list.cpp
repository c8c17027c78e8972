// BSPTree::SetPolygons over a host list, kept apart so that the core needs no host library.
#include <vector>

#include "collision_object/bsp_tree.h"
#include "host/hx_list.h"

void BSPTree::SetPolygons(Hx_List* list) {
  if (!list) return;
  std::vector<PolygonInfoItem*> items(static_cast<std::size_t>(list->GetItemCount()));
  for (std::size_t i = 0; i < items.size(); ++i)
    items[i] = static_cast<PolygonInfoItem*>(list->GetItem(static_cast<int>(i)));
  SetPolygons(items.data(), static_cast<int>(items.size()));
}
