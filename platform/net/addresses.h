#pragma once
// Socket addresses: name resolution and their text form.
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rt::net {

struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  int family() const { return storage.ss_family; }
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// Resolves host and port to the addresses to try, in order. An empty host is
// every local address (for listening). numericOnly refuses names, so the call
// never blocks on a name server. Returns 0 or the socket-layer error.
std::int32_t resolve(const std::string& host, std::uint16_t port, bool passive, bool numericOnly,
                     int socketType, std::vector<SocketAddress>& out);

std::string addressText(const SocketAddress& address);
std::uint16_t addressPort(const SocketAddress& address);

// The local or remote address of a socket.
SocketAddress localAddress(int fd);
SocketAddress remoteAddress(int fd);

}  // namespace rt::net
