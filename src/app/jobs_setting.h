#ifndef VELTRANE_APP_JOBS_SETTING_H_
#define VELTRANE_APP_JOBS_SETTING_H_

#include <optional>
#include <string>

#include "app/settings_store.h"

namespace veltrane::app {

// How many tables a send to PostgreSQL sends at the same time, each on
// connections of its own: the setting "Jobs" in the [Veltrane] section
// (read by both programs; no window writes it), and the command line's
// --jobs. 1, the default, sends them one by one.
inline constexpr char kJobsSetting[] = "Jobs";
inline constexpr int kDefaultJobs = 1;
// More jobs than this would only use up the server's connections (each job
// takes two, a large table more).
inline constexpr int kMostJobs = 64;

// The number `word` spells: a whole number from 1 to kMostJobs in decimal
// digits, blanks around it allowed; nullopt for anything else.
std::optional<int> ParseJobsWord(const std::string& word);

// The remembered number; absent, empty and untaken texts mean
// kDefaultJobs.
int ReadJobs(const SettingsStore& store);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_JOBS_SETTING_H_
