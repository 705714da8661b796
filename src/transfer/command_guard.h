#ifndef VELTRANE_TRANSFER_COMMAND_GUARD_H_
#define VELTRANE_TRANSFER_COMMAND_GUARD_H_

namespace veltrane::transfer {

// Marks a command as running for the guard's lifetime. Commands run on the
// one user-interface thread but let window events through, so a click can
// try to start a second command inside the first: that guard is not
// acquired and its command must return at once. Acquiring clears a pending
// stop request.
class CommandGuard {
 public:
  CommandGuard();
  ~CommandGuard();
  CommandGuard(const CommandGuard&) = delete;
  CommandGuard& operator=(const CommandGuard&) = delete;

  bool acquired() const { return acquired_; }

 private:
  bool acquired_;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COMMAND_GUARD_H_
