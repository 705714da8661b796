#ifndef VELTRANE_TESTS_CLI_CLI_PROCESS_H_
#define VELTRANE_TESTS_CLI_CLI_PROCESS_H_

#include <map>
#include <string>
#include <vector>

namespace veltrane::testing {

// What a finished process left behind.
struct ProcessResult {
  int exit_status = -1;  // -1 when it did not exit normally
  std::string out;       // standard output
  std::string err;       // standard error
};

// An `environment` value that removes the variable.
inline const std::string kUnset = "\x01";

// Runs a program with arguments, standard input read from `input` through a
// pipe (so not a terminal), and the test's own environment changed by
// `environment` (a name mapped to a value sets it; to kUnset removes it).
// Waits for the program to end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const std::string& input = "");

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_CLI_CLI_PROCESS_H_
