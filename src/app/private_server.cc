#include "app/private_server.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QVersionNumber>

#include "app/file_helpers.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "db/record_set.h"

namespace veltrane::app {
namespace {

constexpr char kServerProgramsMissing[] = "the PostgreSQL server programs are not installed";
constexpr int kProgramTimeoutMs = 180000;
constexpr int kLogLinesShown = 10;

bool RunningAsRoot() { return geteuid() == 0; }

std::string DataFolder(const PrivateServer& server) { return server.folder + "/data"; }

std::string ReadTrimmed(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "";
  return file.readAll().trimmed().toStdString();
}

// The last lines of a log, for a report.
std::string LogEnd(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "";
  const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
  QByteArray end;
  for (qsizetype i = std::max<qsizetype>(0, lines.size() - kLogLinesShown); i < lines.size(); ++i)
    end += lines[i] + '\n';
  return end.trimmed().toStdString();
}

// Runs one of the server programs with its output appended to `log` (or
// dropped when `log` is empty), as the postgres user when we are root.
// Returns its exit status, or -1 when it did not run to its end.
int RunServerProgram(const std::string& program, const QStringList& arguments,
                     const std::string& log = "") {
  QProcess process;
  QString command = QString::fromStdString(program);
  QStringList words = arguments;
  if (RunningAsRoot()) {
    words = QStringList{"-u", "postgres", "--", command} + arguments;
    command = QStringLiteral("runuser");
    process.setWorkingDirectory(QStringLiteral("/"));
  }
  process.setStandardInputFile(QProcess::nullDevice());
  const QString output = log.empty() ? QProcess::nullDevice() : QString::fromStdString(log);
  process.setStandardOutputFile(output, QIODevice::Append);
  process.setStandardErrorFile(output, QIODevice::Append);
  process.start(command, words);
  if (!process.waitForFinished(kProgramTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return -1;
  }
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::string Failure(const std::string& what, const std::string& log) {
  const std::string end = LogEnd(log);
  return end.empty() ? what : what + " (" + log + "):\r\n" + end;
}

// Writes `text` and a line end to a new file only its owner may read.
bool WriteOwnerOnly(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  const std::string line = text + "\n";
  const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  return ::close(fd) == 0 && written;
}

// A TCP port on 127.0.0.1 that nothing listens on right now, or "".
std::string FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return "";
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  std::string port;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = std::to_string(ntohs(address.sin_port));
  ::close(fd);
  return port;
}

std::string NewPassword() {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string password;
  for (int i = 0; i < 24; ++i)
    password += kLetters[QRandomGenerator::system()->bounded(int{sizeof kLetters} - 1)];
  return password;
}

bool ServerAnswers(const std::string& port) {
  const std::string where = "host=localhost port=" + port + " connect_timeout=3";
  return PQping(where.c_str()) == PQPING_OK;
}

bool IsSetUp(const PrivateServer& server) {
  return FileExists(DataFolder(server) + "/PG_VERSION");
}

bool IsRunning(const PrivateServer& server, const std::string& programs) {
  return RunServerProgram(programs + "/pg_ctl", {"-D", QString::fromStdString(DataFolder(server)), "status"}) == 0;
}

// A new cluster in the server's folder, with its port and password files.
std::string Create(const PrivateServer& server, const std::string& programs) {
  const std::string port = FreePort();
  const std::string password = NewPassword();
  const std::string password_file = server.folder + "/password";
  const std::string port_file = server.folder + "/port";
  if (port.empty()) return "no free port was found on 127.0.0.1";
  if (!QDir().mkpath(QString::fromStdString(server.folder)) ||
      !QFile::setPermissions(QString::fromStdString(server.folder),
                             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
      !WriteOwnerOnly(password_file, password) || !WriteOwnerOnly(port_file, port))
    return "cannot write to " + server.folder;
  if (RunningAsRoot()) {
    const passwd* postgres = getpwnam("postgres");
    if (!postgres) return "there is no postgres user to run the server as";
    for (const std::string& path : {server.folder, password_file, port_file})
      if (::chown(path.c_str(), postgres->pw_uid, postgres->pw_gid) != 0)
        return "cannot hand " + path + " to the postgres user";
  }
  const std::string log = server.folder + "/initdb.log";
  QFile::remove(QString::fromStdString(log));
  if (RunServerProgram(programs + "/initdb",
                       {"-D", QString::fromStdString(DataFolder(server)), "-U", kPrivateServerUser,
                        "--pwfile=" + QString::fromStdString(password_file),
                        "--auth-local=scram-sha-256", "--auth-host=scram-sha-256", "-E", "UTF8",
                        "--locale=C.UTF-8"},
                       log) != 0)
    return Failure("initdb failed", log);
  QString socket_folder = QString::fromStdString(server.folder);
  socket_folder.replace('\'', QStringLiteral("''"));
  QFile conf(QString::fromStdString(DataFolder(server) + "/postgresql.conf"));
  if (!conf.open(QIODevice::Append | QIODevice::Text)) return "cannot write to " + conf.fileName().toStdString();
  conf.write(("\n# Veltrane's private server: this user's own port, loopback only.\nport = " + port +
              "\nlisten_addresses = 'localhost'\nunix_socket_directories = '")
                 .c_str());
  conf.write(socket_folder.toUtf8() + "'\n");
  return conf.flush() ? "" : "cannot write to " + conf.fileName().toStdString();
}

std::string Start(const PrivateServer& server, const std::string& programs) {
  if (IsRunning(server, programs)) return "";
  std::fprintf(stderr, "veltrane: starting the private PostgreSQL server on port %s\n",
               ReadTrimmed(server.folder + "/port").c_str());
  const std::string log = server.folder + "/server.log";
  if (RunServerProgram(programs + "/pg_ctl",
                       {"-D", QString::fromStdString(DataFolder(server)), "-l",
                        QString::fromStdString(log), "-w", "-t", "60", "start"}) != 0)
    return Failure("the private PostgreSQL server did not start", log);
  return "";
}

db::ConnectionSettings Login(const PrivateServer& server, const std::string& database) {
  db::ConnectionSettings login;
  login.server = "localhost";
  login.port = ReadTrimmed(server.folder + "/port");
  login.user = kPrivateServerUser;
  login.password = ReadTrimmed(server.folder + "/password");
  login.database = database;
  return login;
}

std::string EnsureDatabase(const PrivateServer& server) {
  try {
    db::Connection connection;
    connection.Open(db::PostgreSqlConnectionString(Login(server, "postgres")));
    if (connection.Execute(std::string("SELECT 1 FROM pg_database WHERE datname = '") +
                           kPrivateServerDatabase + "'")
            .Eof())
      connection.Execute(std::string("CREATE DATABASE ") + kPrivateServerDatabase);
    return "";
  } catch (const std::exception& e) {
    return std::string("cannot create the database ") + kPrivateServerDatabase + ": " + e.what();
  }
}

void Remember(const PrivateServer& server, SettingsStore& settings, const std::string& samples_folder) {
  const db::ConnectionSettings login = Login(server, kPrivateServerDatabase);
  settings.Write(kServerSetting, login.server);
  settings.Write(kPortSetting, login.port);
  settings.Write(kUserSetting, login.user);
  settings.Write(kPasswordSetting, login.password);
  settings.Write(kDatabaseSetting, login.database);
  settings.Write(kFreeTableFolderSetting, samples_folder);
  settings.Write(kFoxproOptionSetting, kFreeTableModeOption);
}

}  // namespace

PrivateServer UsersPrivateServer() {
  PrivateServer server;
  if (RunningAsRoot()) {
    server.folder = "/var/lib/veltrane/postgresql";
    return server;
  }
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const std::string base = data_home && *data_home ? data_home : std::string(home ? home : "") + "/.local/share";
  server.folder = base + "/veltrane/postgresql";
  return server;
}

std::string FindServerPrograms(const std::string& root) {
  QVersionNumber newest;
  std::string found;
  const QDir folder(QString::fromStdString(root));
  for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QVersionNumber version = QVersionNumber::fromString(name);
    const std::string programs = root + "/" + name.toStdString() + "/bin";
    if (!version.isNull() && version > newest && QFile::exists(QString::fromStdString(programs + "/initdb"))) {
      newest = version;
      found = programs;
    }
  }
  return found;
}

FirstStartResult SetUpPrivateServer(const PrivateServer& server, SettingsStore& settings,
                                    const std::string& samples_folder) {
  if (ServerAnswers(server.usual_port)) return {FirstStart::kServerAnswers, ""};
  const std::string programs = FindServerPrograms(server.programs_root);
  if (programs.empty()) return {FirstStart::kNoServerPrograms, ""};
  std::string problem;
  if (!IsSetUp(server)) {
    std::fprintf(stderr, "veltrane: setting up a private PostgreSQL server in %s\n", server.folder.c_str());
    problem = Create(server, programs);
  }
  if (problem.empty()) problem = Start(server, programs);
  if (problem.empty()) problem = EnsureDatabase(server);
  if (!problem.empty()) return {FirstStart::kFailed, problem};
  Remember(server, settings, samples_folder);
  return {FirstStart::kRemembered, ""};
}

std::string StartPrivateServer(const PrivateServer& server) {
  if (!IsSetUp(server)) return "";
  const std::string programs = FindServerPrograms(server.programs_root);
  if (programs.empty()) return kServerProgramsMissing;
  return Start(server, programs);
}

std::string PrepareServerOnStart(const PrivateServer& server, SettingsStore& settings,
                                 const std::string& samples_folder) {
  if (FileExists(settings.file_path())) {
    const std::string problem = StartPrivateServer(server);
    if (!problem.empty()) std::fprintf(stderr, "veltrane: %s\n", problem.c_str());
    return "";
  }
  const FirstStartResult result = SetUpPrivateServer(server, settings, samples_folder);
  switch (result.outcome) {
    case FirstStart::kRemembered:
      std::fprintf(stderr, "veltrane: remembered the private server and the sample tables in %s\n",
                   settings.file_path().c_str());
      return "";
    case FirstStart::kServerAnswers:
      std::fprintf(stderr, "veltrane: a PostgreSQL server answers on localhost:%s; enter its login in the window\n",
                   server.usual_port.c_str());
      return "";
    case FirstStart::kNoServerPrograms:
      return "The PostgreSQL server programs are not installed, so no PostgreSQL server of "
             "your own could be set up (the package postgresql-15 holds them).\r\n\r\n"
             "Enter the login of a PostgreSQL server in the connection window.";
    case FirstStart::kFailed:
      break;
  }
  return "Could not set up a PostgreSQL server of your own: " + result.detail +
         "\r\n\r\nEnter the login of a PostgreSQL server in the connection window.";
}

}  // namespace veltrane::app
