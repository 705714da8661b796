#ifndef VELTRANE_TESTS_CLI_CLI_PROCESS_H_
#define VELTRANE_TESTS_CLI_CLI_PROCESS_H_

#include <sys/types.h>

#include <atomic>
#include <functional>
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
// `alongside`, when given, runs in a thread of its own while the program
// runs (to send it signals), with the program's process id and a flag that
// is set once the program has ended; it must return soon after that.
using Alongside = std::function<void(pid_t pid, const std::atomic<bool>& ended)>;
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const std::string& input = "", const Alongside& alongside = nullptr);

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_CLI_CLI_PROCESS_H_
