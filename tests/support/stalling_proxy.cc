#include "support/stalling_proxy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace veltrane::testing {
namespace {

int ConnectTo(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return -1;
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  return fd;
}

// Reads what `from` has and writes it all to `to`; false at the end of
// either side. Adds the bytes passed to `passed`.
bool Pass(int from, int to, std::atomic<long long>& passed) {
  char buffer[16384];
  const ssize_t got = read(from, buffer, sizeof buffer);
  if (got <= 0) return false;
  passed += got;
  for (ssize_t done = 0; done < got;) {
    const ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
    if (put <= 0) return false;
    done += put;
  }
  return true;
}

}  // namespace

StallingProxy::StallingProxy(const std::string& host, const std::string& target_port)
    : host_(host), target_port_(target_port) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      pipe(wake_) != 0)
    throw std::runtime_error("the test proxy cannot listen");
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

StallingProxy::~StallingProxy() {
  const char stop = 1;
  (void)!write(wake_[1], &stop, 1);
  thread_.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

void StallingProxy::Run() {
  struct Pair {
    int client, server;
  };
  std::vector<Pair> pairs;
  while (true) {
    std::vector<pollfd> watched{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    if (!frozen_) {
      for (const Pair& pair : pairs) {
        watched.push_back({pair.client, POLLIN, 0});
        watched.push_back({pair.server, POLLIN, 0});
      }
    }
    poll(watched.data(), watched.size(), 20);
    if (watched[0].revents) break;
    if (watched[1].revents & POLLIN) {
      const int client = accept(listener_, nullptr, nullptr);
      const int server = client >= 0 ? ConnectTo(host_, target_port_) : -1;
      if (server >= 0) {
        pairs.push_back({client, server});
      } else if (client >= 0) {
        close(client);
      }
    }
    for (size_t i = 2; i < watched.size(); ++i) {
      if (!watched[i].revents) continue;
      Pair& pair = pairs[(i - 2) / 2];
      const bool from_client = (i - 2) % 2 == 0;
      if (pair.client < 0) continue;
      if (frozen_) break;
      if (!(from_client ? Pass(pair.client, pair.server, passed_)
                        : Pass(pair.server, pair.client, passed_))) {
        close(pair.client);
        close(pair.server);
        pair.client = pair.server = -1;
      }
      if (armed_ && passed_ >= freeze_at_) {
        armed_ = false;
        frozen_ = true;
      }
    }
    std::erase_if(pairs, [](const Pair& pair) { return pair.client < 0; });
  }
  for (const Pair& pair : pairs) {
    close(pair.client);
    close(pair.server);
  }
}

}  // namespace veltrane::testing
