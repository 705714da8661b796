#ifndef VELTRANE_TESTS_SUPPORT_STALLING_PROXY_H_
#define VELTRANE_TESTS_SUPPORT_STALLING_PROXY_H_

#include <atomic>
#include <string>
#include <thread>

namespace veltrane::testing {

// A TCP proxy in front of a server that can stop answering: it forwards
// every connection made to 127.0.0.1:port() to `host`:`target_port` until
// it freezes; from then on it keeps every connection open (new ones too)
// but passes no byte either way, as a server or network that has stalled.
// Thaw() forwards again. Stops and closes everything on destruction.
class StallingProxy {
 public:
  StallingProxy(const std::string& host, const std::string& target_port);
  ~StallingProxy();
  StallingProxy(const StallingProxy&) = delete;
  StallingProxy& operator=(const StallingProxy&) = delete;

  std::string port() const { return std::to_string(port_); }
  // Freezes once `bytes` more have passed (either way), counted from now.
  void FreezeAfter(long long bytes) {
    freeze_at_ = passed_ + bytes;
    armed_ = true;
  }
  void Thaw() {
    armed_ = false;
    frozen_ = false;
  }
  bool frozen() const { return frozen_; }

 private:
  void Run();

  std::string host_, target_port_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};  // a pipe that ends the loop
  std::atomic<bool> frozen_{false};
  std::atomic<bool> armed_{false};
  std::atomic<long long> passed_{0};
  std::atomic<long long> freeze_at_{0};
  std::thread thread_;
};

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_SUPPORT_STALLING_PROXY_H_
