#pragma once
// The real socket library: one process-wide I/O thread polling non-blocking
// sockets, with TLS through OpenSSL.
#include "platform/net/socket_library.h"

namespace rt::net {

// Made on first use; its I/O thread starts with the first open and stops at
// NetCloseCallBackWindow or at process exit.
SocketLibrary& realSocketLibrary();

}  // namespace rt::net
