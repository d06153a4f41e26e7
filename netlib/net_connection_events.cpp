#include <string>

#include "netlib/net_connection.h"
#include "platform/net/socket_library.h"

namespace netlib {
namespace {

rt::net::SocketLibrary& library() { return rt::net::socketLibrary(); }

// OpenSSL's reason code for a certificate that did not verify against the CA roots.
constexpr std::int32_t kCertificateVerifyFailed = 134;

constexpr std::string_view kPhaseTwoIgnored =
    "Attention. 2nd Phase NOT Called! The Connection property has changed, since calling Phase "
    "One. Can't call Phase Two, the DLL will clear up in 5 minutes.";

}  // namespace

void NetConnection::TakeEvent(std::int32_t event) {
  const std::int32_t n = CONNECTION_.NOTIFYEVENT;
  if (n == 0) return;
  if (event == n + rt::net::kPacketWaits) {
    takePacket();
  } else if (event == n + rt::net::kRemoteClosedEvent) {
    remoteClosed(0, 0);
  } else if (event == n + rt::net::kPhaseTwoDue) {
    if (IGNOREPHASETWO_ != 0) {
      Trace(kPhaseTwoIgnored);
      return;
    }
    library().NetConnectionClose(CONNECTION_, 0, 0, rt::net::close_action::kRelease);
  }
}

void NetConnection::takePacket() {
  const std::int32_t result = library().NetConnectionReceive(CONNECTION_, PACKET);
  ERROR = PACKET.NETERROR;
  WINSOCKERROR = PACKET.WINSOCKERROR;
  SSLERROR = PACKET.SSLERROR;
  if (ERROR == 0) {
    if (SSLERROR != 0) {
      ERROR = -92;
    } else if (WINSOCKERROR != 0) {
      ERROR = -91;
    }
  }
  if (result == rt::net::err::kNoRequest) {
    Log("NetConnection.TakeEvent",
        "Attention. This is not normally a problem. The DLL could not find a packet matching "
        "this connection.",
        log_type::kInformation);
    return;
  }
  if (result != 0) {
    ERROR = result;
    CallErrorTrap_("An error occurred while trying receive data", "NetConnection.TakeEvent");
    return;
  }
  switch (static_cast<std::int32_t>(PACKET.PACKETTYPE)) {
    case rt::net::packet::kNewConnection:
      newConnection();
      break;
    case rt::net::packet::kData:
      traceData();
      Process();
      break;
    case rt::net::packet::kNoConnection:
      Trace("PacketType -> No Connection!! Warning!");
      break;
    case rt::net::packet::kRemoteClosed:
      remoteClosed(PACKET.ONSOCKET, PACKET.SOCKID);
      break;
    case rt::net::packet::kClosePhaseTwo:
      phaseTwo();
      break;
    case rt::net::packet::kOpened:
      OPENFLAG = 1;
      ASYNCOPENBUSY = 0;
      switchingToTls_ = false;
      if (SSL == 1 && SSLDONTCONNECTONOPEN_ == 0 && CheckCommonName_() == 1) return;
      Process();
      break;
    case rt::net::packet::kOpenFailed:
      openFailed();
      break;
    case rt::net::packet::kIdle:
      Process();
      break;
    default:
      Trace("Error. PacketType -> Unknown = " + std::to_string(PACKET.PACKETTYPE));
      break;
  }
}

void NetConnection::traceData() {
  if (LOGDATABYTES <= 0) return;
  const std::int32_t length = PACKET.BINDATALEN;
  const std::int32_t shown = length < LOGDATABYTES ? length : LOGDATABYTES;
  Log("NetConnection.TakeEvent",
      "Data received (" + std::to_string(length) + " bytes): " +
          std::string(PACKET.BINDATA, static_cast<std::size_t>(shown > 0 ? shown : 0)),
      log_type::kInformation);
}

void NetConnection::newConnection() {
  if (isServer()) GetServerConnections_(0);
  ++SERVERCONNECTIONSCOUNT;
  if (SSL == 1) {
    std::int32_t closing = 0;
    GetRemoteCertificate_(PACKET.ONSOCKET, PACKET.SOCKID, closing);
  }
  Process();
}

void NetConnection::openFailed() {
  if (ERROR == 0 || ERROR == -91 || ERROR == -92) ERROR = rt::net::err::kOpenTimeout;
  OPENFLAG = 0;
  ASYNCOPENBUSY = 0;
  library().NetConnectionClose(CONNECTION_, PACKET.ONSOCKET, PACKET.SOCKID,
                               rt::net::close_action::kRelease);
  if (ERROR == rt::net::err::kSslConnectFailed) {
    // The server answered but the two sides agreed on no secure connection
    // (a server that only speaks an old TLS version, say): that is no timeout.
    tlsHandshakeFailed();
    return;
  }
  CallErrorTrap_("The requested connection to " + SERVER() +
                     " could not be opened. The Open command timed out or failed to connect",
                 "NetConnection.TakeEvent");
}

void NetConnection::tlsHandshakeFailed() {
  ERROR = rt::net::err::kSslConnectFailed;
  const std::string reason = rt::net::TlsReasonText(SSLERROR);
  CallErrorTrap_("The secure (TLS) connection to " + SERVER() +
                     " could not be opened: the TLS handshake failed" +
                     (reason.empty() ? std::string() : " (" + reason + ")"),
                 "NetConnection.TakeEvent");
}

// A remote close arrives as packet 5 (naming the connection) or as the bare
// event N+1 (the object's own connection: socket and id 0).
void NetConnection::remoteClosed(std::int32_t socket, std::int32_t sockId) {
  // A certificate that fails while a client opens, or while it switches an
  // open connection to TLS, and a switch that fails on any other error (a
  // server that agreed to STARTTLS and then answered in clear text, say) end
  // the connection here: each is reported as the failure it is, not as an
  // ordinary close, and nothing more goes over the connection.
  const bool stillOpening = OPENFLAG == 0 && ASYNCOPENBUSY != 0;
  const bool certificateFailed = SSL == 1 && ERROR == -92 && SSLERROR == kCertificateVerifyFailed &&
                                 (stillOpening || switchingToTls_);
  const bool switchFailed = switchingToTls_ && ERROR != 0;
  if (!isServer() && (certificateFailed || switchFailed)) {
    OPENFLAG = 0;
    ASYNCOPENBUSY = 0;
    switchingToTls_ = false;
    library().NetConnectionClose(CONNECTION_, socket, sockId, rt::net::close_action::kRelease);
    if (certificateFailed) {
      CallErrorTrap_(
          "The remote server secure certificate verification failed, and so the connection was "
          "not opened",
          "NetConnection.TakeEvent");
    } else {
      tlsHandshakeFailed();
    }
    return;
  }
  library().NetConnectionClose(CONNECTION_, socket, sockId, rt::net::close_action::kRelease);
  if (isServer()) {
    GetServerConnections_(0);
    if (SERVERCONNECTIONSCOUNT > 0) --SERVERCONNECTIONSCOUNT;
  } else {
    OPENFLAG = 0;
    ASYNCOPENBUSY = 0;
    switchingToTls_ = false;
  }
  ConnectionClosed();
}

void NetConnection::phaseTwo() {
  if (IGNOREPHASETWO_ != 0) {
    Trace(kPhaseTwoIgnored);
    return;
  }
  library().NetConnectionClose(CONNECTION_, PACKET.ONSOCKET, PACKET.SOCKID,
                               rt::net::close_action::kRelease);
  if (isServer()) {
    GetServerConnections_(0);
  } else {
    OPENFLAG = 0;
    ASYNCOPENBUSY = 0;
  }
}

}  // namespace netlib
