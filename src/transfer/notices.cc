#include "transfer/notices.h"

#include "db/error.h"

namespace veltrane::transfer {

void ReportNotices(const std::vector<db::Notice>& notices, app::ErrorTrap& trap, int line,
                   app::Reporter& prompter) {
  for (const db::Notice& notice : notices) {
    if (notice.problem) trap.Run(line, [&] { throw db::Error(notice.text); });
    else prompter.Message(notice.text);
  }
}

}  // namespace veltrane::transfer
