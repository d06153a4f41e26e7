#include <array>
#include <string>

#include "netlib/net_connection.h"
#include "platform/net/socket_library.h"

namespace netlib {
namespace {

rt::net::SocketLibrary& library() { return rt::net::socketLibrary(); }

}  // namespace

void NetConnection::GetServerConnections_(std::int32_t empty) {
  if (QSERVERCONNECTIONS == nullptr) return;  // disposed by Kill
  QSERVERCONNECTIONS->clear();
  if (empty == 0) library().NetConnectionGetServerConnections(CONNECTION_, *QSERVERCONNECTIONS);
}

void NetConnection::closeAcceptedConnection(std::int32_t socket, std::int32_t sockId,
                                            std::int32_t action, std::string_view errorText,
                                            std::string_view functionName) {
  clearErrors();
  if (OPENFLAG == 0) return;
  ERROR = library().NetConnectionClose(CONNECTION_, socket, sockId, action);
  if (ERROR != 0) {
    CallErrorTrap_(errorText, functionName);
    return;
  }
  if (isServer()) GetServerConnections_(0);
  if (SERVERCONNECTIONSCOUNT > 0) --SERVERCONNECTIONSCOUNT;
}

void NetConnection::CloseServerConnection(std::int32_t socket, std::int32_t sockId) {
  closeAcceptedConnection(socket, sockId, rt::net::close_action::kClose,
                          "Unable to Close connection", "NetConnection.CloseServerConnection");
}

void NetConnection::AbortServerConnection(std::int32_t socket, std::int32_t sockId) {
  closeAcceptedConnection(socket, sockId, rt::net::close_action::kAbort,
                          "Unable to Abort connection", "NetConnection.AbortServerConnection");
}

void NetConnection::PartiallyCloseServer() {
  clearErrors();
  if (!isServer()) {
    Trace("Warning. This method can only be called on a Server Listening Port. Socket = " +
          std::to_string(CONNECTION_.SOCKET) + " SockID = " + std::to_string(CONNECTION_.SOCKID) +
          serverAndPort());
    return;
  }
  if (OPENFLAG == 0) {
    Trace("Warning. Socket not open. Can not close");
    return;
  }
  ERROR = library().NetConnectionClose(CONNECTION_, 0, 0, rt::net::close_action::kStopListening);
  if (ERROR != 0) {
    CallErrorTrap_("Unable to Partially Close connection", "NetConnection.PartiallyCloseServer");
  }
}

void NetConnection::GetInfo(std::int32_t option, std::int32_t socket, std::int32_t sockId) {
  if (isServer()) GetServerConnections_(0);
  if (socket == 0 && sockId == 0) {
    socket = CONNECTION_.SOCKET;
    sockId = CONNECTION_.SOCKID;
  }
  // Two numbers in and out: socket and id; bytes and packets still queued.
  std::array<rt::net::Int32, 2> numbers{socket, sockId};
  std::span<char> buffer(reinterpret_cast<char*>(numbers.data()), sizeof numbers);
  if (option == 1) {
    library().NetOptions(rt::net::option::kQueuedPackets, buffer);
    OUTGOINGDLLPACKETS = numbers[1];
    OUTGOINGDLLPACKETSBYTES = 0;
  } else if (option == 2) {
    library().NetOptions(rt::net::option::kQueuedPacketsAndBytes, buffer);
    OUTGOINGDLLPACKETS = numbers[1];
    OUTGOINGDLLPACKETSBYTES = numbers[0];
  } else {
    Log("NetConnection.GetInfo", "Illegal p_Options = " + std::to_string(option), log_type::kError);
  }
}

std::int32_t NetConnection::Ping(std::string_view address, std::int32_t count) {
  return library().NetPing(address, count);
}

void NetConnection::Ban(std::string_view address) { library().NetBan(address); }

void NetConnection::UnBan(std::string_view address) { library().NetUnBan(address); }

std::int32_t NetConnection::IsBanned(std::string_view address) {
  return library().NetIsBanned(address);
}

std::string NetConnection::GetBanned() { return library().NetGetBanned(); }

}  // namespace netlib
