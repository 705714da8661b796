#ifndef VELTRANE_APP_PRIVATE_SERVER_H_
#define VELTRANE_APP_PRIVATE_SERVER_H_

#include <string>

#include "app/settings_store.h"

namespace veltrane::app {

// A PostgreSQL server of the user's own, set up on the program's first start
// when nothing is remembered and no server answers on the usual port: a
// cluster in `folder`/data, listening on a free port of the loopback only,
// with a generated password for the user "veltrane" and the database
// "veltrane". The port and the password are kept in the files `folder`/port
// and `folder`/password (readable by the owner only), so that later starts
// find the server and start it again. Root's server runs as the postgres
// user, which cannot run the server as root.
struct PrivateServer {
  // Holds data/ (the cluster), port, password and the servers' logs.
  std::string folder;
  // Holds <version>/bin with initdb and the other server programs.
  std::string programs_root = "/usr/lib/postgresql";
  // The port on localhost where a server of the user's own would answer.
  std::string usual_port = "5432";
};

inline constexpr char kPrivateServerUser[] = "veltrane";
inline constexpr char kPrivateServerDatabase[] = "veltrane";

// This user's private server: under $XDG_DATA_HOME (~/.local/share) in
// veltrane/postgresql, or in /var/lib/veltrane/postgresql for root, whose
// home folder the postgres user cannot reach.
PrivateServer UsersPrivateServer();

// The newest server programs' folder under `root` that holds initdb
// ("/usr/lib/postgresql/15/bin"), or "" when there is none.
std::string FindServerPrograms(const std::string& root);

enum class FirstStart {
  kRemembered,        // the private server runs and is remembered
  kServerAnswers,     // a server answers on the usual port: the user logs in there
  kNoServerPrograms,  // the server programs are not installed
  kFailed,            // setting up or starting the server failed
};

struct FirstStartResult {
  FirstStart outcome;
  std::string detail;  // kFailed: what went wrong, with the end of its log
};

// The first start: unless a server answers on the usual port, sets up the
// private server (or takes the one already set up), starts it, creates its
// database when missing, and remembers it in `settings` with the free
// tables in `samples_folder`. Writes nothing to `settings` otherwise.
FirstStartResult SetUpPrivateServer(const PrivateServer& server, SettingsStore& settings,
                                    const std::string& samples_folder);

// A later start: starts the private server when it is set up and does not
// run. Returns "" when it runs, else what went wrong.
std::string StartPrivateServer(const PrivateServer& server);

// What the program does before its windows open: the first start when the
// settings file does not exist yet, else a later start. Returns what the
// user must be told in a message box, or "" when nothing; other news goes
// to standard error.
std::string PrepareServerOnStart(const PrivateServer& server, SettingsStore& settings,
                                 const std::string& samples_folder);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_PRIVATE_SERVER_H_
