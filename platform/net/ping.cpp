#include "platform/net/ping.h"

#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "platform/net/addresses.h"
#include "platform/net/errors.h"

namespace rt::net {

std::int32_t pingHost(const std::string& host, std::int32_t count) {
  std::vector<SocketAddress> addresses;
  std::int32_t error = resolve(host, 0, false, false, SOCK_DGRAM, addresses);
  if (error != 0) return error;
  const SocketAddress& address = addresses.front();
  bool v6 = address.family() == AF_INET6;
  int fd = ::socket(address.family(), SOCK_DGRAM | SOCK_CLOEXEC,
                    v6 ? int{IPPROTO_ICMPV6} : int{IPPROTO_ICMP});
  if (fd < 0) return winsockErrorFromErrno(errno);
  std::int32_t result = err::kPingFailed;
  for (std::int32_t attempt = 0; attempt < std::max<std::int32_t>(count, 1); ++attempt) {
    // The kernel sets the identifier of an ICMP datagram socket; the sequence
    // number tells the replies apart.
    unsigned char request[16] = {};
    request[0] = v6 ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
    request[6] = static_cast<unsigned char>(attempt >> 8);
    request[7] = static_cast<unsigned char>(attempt);
    if (::sendto(fd, request, sizeof request, 0, address.get(), address.length) < 0) {
      result = winsockErrorFromErrno(errno);
      break;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    bool answered = false;
    while (!answered) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) break;
      pollfd waiting{fd, POLLIN, 0};
      if (::poll(&waiting, 1, static_cast<int>(left)) <= 0) break;
      unsigned char reply[256];
      ssize_t n = ::recv(fd, reply, sizeof reply, 0);
      answered = n >= 8 && reply[0] == (v6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY) &&
                 reply[6] == request[6] && reply[7] == request[7];
    }
    if (answered) {
      result = 0;
      break;
    }
  }
  ::close(fd);
  return result;
}

}  // namespace rt::net
