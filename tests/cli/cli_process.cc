#include "cli/cli_process.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace veltrane::testing {
namespace {

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() {
    if (pipe(fd) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() { CloseBoth(); }
  void Close(int end) {
    if (fd[end] >= 0) close(fd[end]);
    fd[end] = -1;
  }
  void CloseBoth() { Close(0), Close(1); }
};

std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> entries;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (!changes.count(entry.substr(0, entry.find('=')))) entries.push_back(entry);
  }
  for (const auto& [name, value] : changes)
    if (value != kUnset) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const std::string& input, const Alongside& alongside) {
  Pipe in, out, err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.fd[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out.fd[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.fd[1], STDERR_FILENO);
  for (Pipe* p : {&in, &out, &err}) {
    posix_spawn_file_actions_addclose(&actions, p->fd[0]);
    posix_spawn_file_actions_addclose(&actions, p->fd[1]);
  }
  std::vector<std::string> argv_texts{program};
  argv_texts.insert(argv_texts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env_texts = ChildEnvironment(environment);
  std::vector<char*> argv = Pointers(argv_texts), envp = Pointers(env_texts);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program + ": " + strerror(spawned));
  in.Close(0), out.Close(1), err.Close(1);
  std::atomic<bool> ended{false};
  std::thread beside;
  if (alongside) beside = std::thread([&] { alongside(pid, ended); });

  // Small inputs fit the pipe's buffer: write them at once, then read until
  // both output pipes are at end of file. A program that ends without
  // reading them makes the write fail, which its output then explains.
  signal(SIGPIPE, SIG_IGN);
  if (!input.empty()) [[maybe_unused]] const ssize_t written = write(in.fd[1], input.data(), input.size());
  in.Close(1);
  ProcessResult result;
  pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_pipes = 2;
  char buffer[4096];
  while (open_pipes > 0) {
    if (poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, n);
      } else {
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ended = true;
  if (beside.joinable()) beside.join();
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace veltrane::testing
