#include "transfer/table_order.h"

#include <set>

namespace veltrane::transfer {

std::vector<size_t> ParentsFirst(size_t count,
                                 const std::vector<std::pair<size_t, size_t>>& references) {
  // For each table, how many of the tables it refers to are not placed yet,
  // and the tables that refer to it.
  std::vector<size_t> waiting_for(count, 0);
  std::vector<std::vector<size_t>> children(count);
  for (const auto& [referencing, referenced] : references) {
    if (referencing == referenced || referencing >= count || referenced >= count) continue;
    ++waiting_for[referencing];
    children[referenced].push_back(referencing);
  }
  std::set<size_t> ready;  // unplaced tables waiting for none, in list order
  for (size_t table = 0; table < count; ++table)
    if (waiting_for[table] == 0) ready.insert(table);
  std::vector<bool> placed(count, false);
  size_t first_unplaced = 0;
  std::vector<size_t> order;
  order.reserve(count);
  while (order.size() < count) {
    while (placed[first_unplaced]) ++first_unplaced;
    // None ready: the rest refer to one another; the first of them goes.
    const size_t next = ready.empty() ? first_unplaced : *ready.begin();
    ready.erase(next);
    placed[next] = true;
    order.push_back(next);
    for (size_t child : children[next])
      if (--waiting_for[child] == 0 && !placed[child]) ready.insert(child);
  }
  return order;
}

}  // namespace veltrane::transfer
