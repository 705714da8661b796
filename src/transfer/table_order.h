#ifndef VELTRANE_TRANSFER_TABLE_ORDER_H_
#define VELTRANE_TRANSFER_TABLE_ORDER_H_

#include <cstddef>
#include <utility>
#include <vector>

namespace veltrane::transfer {

// An order of `count` tables (0 to count - 1, in list order) in which each
// table comes after the tables it refers to, so that a later step can add
// the foreign keys of each table as it arrives. `references` holds
// (referencing, referenced) pairs; a pair naming a table twice or one
// outside the range is ignored. Each step takes the first table in list
// order whose referenced tables are all placed; where none is left (the
// rest refer to one another in a cycle), the first of the rest in list
// order goes next, which breaks the cycle there. Without references the
// list order stays.
std::vector<size_t> ParentsFirst(size_t count,
                                 const std::vector<std::pair<size_t, size_t>>& references);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TABLE_ORDER_H_
