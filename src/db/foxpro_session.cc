#include "db/foxpro_session.h"

#include "db/error.h"

namespace veltrane::db {

std::unique_ptr<Session> OpenFoxProSession(const std::string& data_source,
                                           const std::string& /*collating_sequence*/) {
  throw Error("The FoxPro table engine is not built into this program yet; cannot open \"" +
              data_source + "\".");
}

}  // namespace veltrane::db
