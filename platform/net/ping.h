#pragma once
// Echo requests (ping) over an unprivileged ICMP socket.
#include <cstdint>
#include <string>

namespace rt::net {

// Sends up to count echo requests (at least one), each waiting one second for
// its reply; 0 as soon as one is answered, -54 when none is, or the socket
// error when the host cannot be resolved or ICMP sockets are not allowed.
std::int32_t pingHost(const std::string& host, std::int32_t count);

}  // namespace rt::net
