#pragma once
// A connection owner for loopback tests: records, an event number and the TLS
// options handle, all given back (and the connection aborted) at the end.
#include <memory>
#include <string>

#include "platform/net/socket_library.h"

namespace rt::net::testing {

struct Endpoint {
  explicit Endpoint(int mode) : options(std::make_unique<CertificateOptionsRecord>()) {
    record.MODE = mode;
    record.NOTIFYTHREAD = 1;
    record.NOTIFYEVENT = socketLibrary().NetGetUniqueEvent();
    record.SSL_CERTIFICATEOPTIONSPOINTER_ = certificateOptionsHandle(*options);
  }
  ~Endpoint() {
    if (record.SOCKID != 0) socketLibrary().NetConnectionClose(record, 0, 0, close_action::kAbort);
    releaseCertificateOptionsHandle(record.SSL_CERTIFICATEOPTIONSPOINTER_);
    socketLibrary().NetFreeUniqueEvent(record.NOTIFYEVENT);
  }
  Endpoint(const Endpoint&) = delete;
  Endpoint& operator=(const Endpoint&) = delete;

  // Listens on a free loopback port; 0 or the library's error.
  int listen() {
    setFieldText(record.SERVER, "127.0.0.1");
    record.PORT = 0;
    int result = socketLibrary().NetConnectionOpen(record);
    port = static_cast<std::uint16_t>(record.LOCALPORT);
    return result;
  }
  // Opens a client to a loopback port; asynchronous when timeout (hundredths) > 0.
  int open(const std::string& host, std::uint16_t toPort, int timeout = 1000) {
    setFieldText(record.SERVER, host);
    record.PORT = toPort;
    record.ASYNCOPENTIMEOUT = timeout;
    return socketLibrary().NetConnectionOpen(record);
  }
  int send(std::string_view text, std::int32_t socket = 0, std::int32_t sockId = 0) {
    auto packet = std::make_unique<PacketRecord>();
    text.copy(packet->BINDATA, std::min<std::size_t>(text.size(), kMaxBinData));
    packet->BINDATALEN = static_cast<std::int32_t>(text.size());
    packet->ONSOCKET = socket;
    packet->SOCKID = sockId;
    setFieldText(packet->TOIP, "127.0.0.1");
    return socketLibrary().NetConnectionSend(record, *packet);
  }

  ConnectionRecord record;
  std::unique_ptr<CertificateOptionsRecord> options;
  std::uint16_t port = 0;
};

}  // namespace rt::net::testing
