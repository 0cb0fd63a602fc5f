#include "head_tracker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace oxel::headtrack {

HeadTracker::HeadTracker(const TrackerOptions& options) : decoder_{options} {}

HeadTracker::~HeadTracker() { stop(); }

bool HeadTracker::start(const std::string& address, int port, std::string& error) {
  stop();
  startError_ = StartError::None;
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(static_cast<uint16_t>(port));
  if (port < 0 || port > 65535 || inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
    startError_ = StartError::BadAddress;
    error = "OSC: '" + address + ":" + std::to_string(port) +
            "' is not an IPv4 address and port (e.g. 127.0.0.1 and 9000)";
    return false;
  }
  socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0) {
    startError_ = StartError::Other;
    error = std::string{"OSC: cannot open a UDP socket: "} + std::strerror(errno);
    return false;
  }
  if (::bind(socket_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
    const int why = errno;
    ::close(socket_);
    socket_ = -1;
    startError_ = why == EADDRINUSE ? StartError::AddressInUse : StartError::Other;
    error = "OSC: cannot listen on " + address + ":" + std::to_string(port) + ": " +
            (why == EADDRINUSE ? std::string{"the port is in use by another program"}
                               : std::string{std::strerror(why)});
    return false;
  }
  socklen_t length = sizeof where;
  ::getsockname(socket_, reinterpret_cast<sockaddr*>(&where), &length);
  port_ = ntohs(where.sin_port);
  stopping_.store(false);
  thread_ = std::thread{[this] { run(); }};
  return true;
}

void HeadTracker::stop() {
  if (thread_.joinable()) {
    stopping_.store(true);
    thread_.join();
  }
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

void HeadTracker::run() {
  // One byte more than any packet taken, so a larger one shows as truncated.
  std::vector<unsigned char> buffer(kMaxPacketBytes + 1);
  while (!stopping_.load(std::memory_order_relaxed)) {
    pollfd ready{socket_, POLLIN, 0};
    if (::poll(&ready, 1, 20) <= 0) continue;  // wakes up to see `stopping_`
    const ssize_t size = ::recv(socket_, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (size < 0) continue;
    receive(buffer.data(), static_cast<size_t>(size));
  }
}

void HeadTracker::receive(const void* data, size_t size) {
  if (recentreRequested_.exchange(false, std::memory_order_relaxed)) decoder_.recentre();
  const uint64_t before = decoder_.current().messages;
  const TrackerDecoder::PacketResult result = decoder_.packet(data, size);
  if (result.dropped > 0) {
    dropped_.fetch_add(static_cast<uint64_t>(result.dropped), std::memory_order_relaxed);
    droppedBy_[static_cast<int>(result.lastDrop)].fetch_add(static_cast<uint64_t>(result.dropped),
                                                            std::memory_order_relaxed);
    lastDrop_.store(static_cast<uint8_t>(result.lastDrop), std::memory_order_relaxed);
  }
  if (decoder_.current().messages != before) {
    accepted_.fetch_add(static_cast<uint64_t>(result.accepted), std::memory_order_relaxed);
    slot_.publish(decoder_.current());
    if (listener_) {
      const auto now = std::chrono::steady_clock::now().time_since_epoch();
      listener_(decoder_.current(), std::chrono::duration<double>(now).count());
    }
  }
}

}  // namespace oxel::headtrack
