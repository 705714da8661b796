#ifndef VELTRANE_APP_LIST_HELPERS_H_
#define VELTRANE_APP_LIST_HELPERS_H_

#include <string>

#include "app/table_list.h"

namespace veltrane::app {

// True when some entry of `list` equals `text` without regard to case
// (Unicode lower-casing; no trimming, so "a " does not match "a").
bool ListHasItem(const TableList& list, const std::string& text);

// Removes every entry equal to `text` exactly (case-sensitive); the other
// entries keep their order.
void ListRemoveItem(TableList& list, const std::string& text);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_LIST_HELPERS_H_
