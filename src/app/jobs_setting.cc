#include "app/jobs_setting.h"

namespace veltrane::app {

std::optional<int> ParseJobsWord(const std::string& word) {
  const size_t begin = word.find_first_not_of(' ');
  if (begin == std::string::npos) return std::nullopt;
  const size_t end = word.find_last_not_of(' ') + 1;
  int jobs = 0;
  for (size_t i = begin; i < end; ++i) {
    if (word[i] < '0' || word[i] > '9') return std::nullopt;
    jobs = jobs * 10 + (word[i] - '0');
    if (jobs > kMostJobs) return std::nullopt;
  }
  if (jobs < 1) return std::nullopt;
  return jobs;
}

int ReadJobs(const SettingsStore& store) {
  return ParseJobsWord(store.Read(kJobsSetting)).value_or(kDefaultJobs);
}

}  // namespace veltrane::app
