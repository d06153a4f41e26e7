#include "platform/net/addresses.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>

#include "platform/net/errors.h"

namespace rt::net {

std::int32_t resolve(const std::string& host, std::uint16_t port, bool passive, bool numericOnly,
                     int socketType, std::vector<SocketAddress>& out) {
  out.clear();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = socketType;
  hints.ai_flags = AI_NUMERICSERV | (passive ? AI_PASSIVE : 0) | (numericOnly ? AI_NUMERICHOST : 0);
  if (!passive) hints.ai_flags |= AI_ADDRCONFIG;
  std::string service = std::to_string(port);
  addrinfo* list = nullptr;
  int result = getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &list);
  if (result != 0) return winsockErrorFromResolver(result);
  for (addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    SocketAddress address;
    std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = entry->ai_addrlen;
    out.push_back(address);
  }
  freeaddrinfo(list);
  return out.empty() ? wsa::kHostNotFound : 0;
}

std::string addressText(const SocketAddress& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.family() == AF_INET) {
    auto* in = reinterpret_cast<const sockaddr_in*>(&address.storage);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  } else if (address.family() == AF_INET6) {
    auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address.storage);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
  }
  return text;
}

std::uint16_t addressPort(const SocketAddress& address) {
  if (address.family() == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address.storage)->sin_port);
  }
  if (address.family() == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&address.storage)->sin6_port);
  }
  return 0;
}

SocketAddress localAddress(int fd) {
  SocketAddress address;
  address.length = sizeof address.storage;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0) {
    address = SocketAddress{};
  }
  return address;
}

SocketAddress remoteAddress(int fd) {
  SocketAddress address;
  address.length = sizeof address.storage;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0) {
    address = SocketAddress{};
  }
  return address;
}

}  // namespace rt::net
