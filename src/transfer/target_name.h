#ifndef VELTRANE_TRANSFER_TARGET_NAME_H_
#define VELTRANE_TRANSFER_TARGET_NAME_H_

#include <string>

#include "app/table_list.h"

namespace veltrane::transfer {

// The name a transferred table takes: `source_name`, or, when entries of the
// target side's list equal it without regard to case, the exact text of the
// last such entry in list order (so an existing table is overwritten under
// its own spelling).
std::string TargetName(const app::TableList& target_list, const std::string& source_name);

// The question asked before a listed table is replaced, and its title.
std::string OverwriteQuestion(const std::string& target_name);
inline constexpr const char* kOverwriteTitle = "Overwrite?";

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TARGET_NAME_H_
