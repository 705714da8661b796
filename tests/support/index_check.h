#ifndef VELTRANE_TESTS_SUPPORT_INDEX_CHECK_H_
#define VELTRANE_TESTS_SUPPORT_INDEX_CHECK_H_

#include <string>
#include <vector>

namespace veltrane::testing {

// Checks a table's structural index against its records: when the header
// marks one, every tag must hold exactly the keys its expression makes
// from the records (those its filter takes), in order. Returns what
// disagrees, empty when nothing does (or no index is marked). `long_names`
// are a container table's long field names.
std::string IndexDisagreement(const std::string& table_path, const std::vector<std::string>& long_names = {});

// The keys of one tag as Perl's XBase::Index reads them ("key|record"
// lines; `type` C or N, see read_cdx.pl).
std::vector<std::string> KeysReadByPerl(const std::string& cdx_path, const std::string& tag, char type);

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_SUPPORT_INDEX_CHECK_H_
