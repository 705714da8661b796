#ifndef VELTRANE_TRANSFER_NOTICES_H_
#define VELTRANE_TRANSFER_NOTICES_H_

#include <vector>

#include "app/error_trap.h"
#include "app/prompter.h"
#include "db/backend.h"

namespace veltrane::transfer {

// Tells the user what a backend had to say about a table: a note (nothing
// that arrives changed) as a message, a problem (values that did not
// arrive as stored) as the error report of statement `line`, which counts
// as a failure of the command.
void ReportNotices(const std::vector<db::Notice>& notices, app::ErrorTrap& trap, int line,
                   app::Reporter& prompter);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_NOTICES_H_
