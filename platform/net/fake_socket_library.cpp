#include "platform/net/fake_socket_library.h"

#include <algorithm>
#include <cstring>

namespace rt::net {

void FakeSocketLibrary::scriptResult(std::string_view operation, std::int32_t result) {
  scripts_[std::string(operation)].push_back(result);
}

std::optional<std::int32_t> FakeSocketLibrary::scripted(std::string_view operation) {
  auto it = scripts_.find(operation);
  if (it == scripts_.end() || it->second.empty()) return std::nullopt;
  std::int32_t result = it->second.front();
  it->second.erase(it->second.begin());
  return result;
}

std::int32_t FakeSocketLibrary::next(std::string_view operation) {
  return scripted(operation).value_or(0);
}

FakeSocketLibrary::Call& FakeSocketLibrary::record(std::string_view operation, std::int32_t socket,
                                                   std::int32_t sockId, std::int32_t action) {
  Call& call = calls_.emplace_back();
  call.operation = operation;
  call.socket = socket;
  call.sockId = sockId;
  call.action = action;
  return call;
}

int FakeSocketLibrary::count(std::string_view operation) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                        [&](const Call& c) { return c.operation == operation; }));
}

std::string FakeSocketLibrary::sent(std::int32_t sockId) const {
  std::string all;
  for (const Call& call : calls_) {
    if (call.operation == "NetConnectionSend" && (sockId == 0 || call.sockId == sockId)) {
      all += call.data;
    }
  }
  return all;
}

QueuedPacket FakeSocketLibrary::packetOf(const ConnectionRecord& owner, std::int32_t type) const {
  QueuedPacket packet;
  packet.type = type;
  packet.socket = owner.SOCKET;
  packet.sockId = owner.SOCKID;
  packet.fromIp = fieldText(owner.SERVER);
  return packet;
}

void FakeSocketLibrary::deliver(const ConnectionRecord& owner, QueuedPacket packet) {
  packets_.push(owner.NOTIFYEVENT, std::move(packet));
  postEvent(PostedEvent{owner.NOTIFYTHREAD, owner.NOTIFYEVENT + kPacketWaits});
}

void FakeSocketLibrary::deliverData(const ConnectionRecord& owner, std::string_view data,
                                    std::int32_t socket, std::int32_t sockId) {
  do {
    QueuedPacket packet = packetOf(owner, packet::kData);
    if (socket != 0 || sockId != 0) {
      packet.socket = socket;
      packet.sockId = sockId;
    }
    std::size_t n = std::min<std::size_t>(data.size(), kMaxBinData);
    packet.data = std::string(data.substr(0, n));
    data.remove_prefix(n);
    deliver(owner, std::move(packet));
  } while (!data.empty());
}

void FakeSocketLibrary::deliverOpened(const ConnectionRecord& owner) {
  deliver(owner, packetOf(owner, packet::kOpened));
}

void FakeSocketLibrary::deliverRefused(const ConnectionRecord& owner) {
  QueuedPacket packet = packetOf(owner, packet::kOpenFailed);
  packet.netError = packet.winsockError = wsa::kConnectionRefused;
  deliver(owner, std::move(packet));
}

void FakeSocketLibrary::deliverOpenTimeout(const ConnectionRecord& owner) {
  QueuedPacket packet = packetOf(owner, packet::kOpenFailed);
  packet.winsockError = wsa::kTimedOut;
  deliver(owner, std::move(packet));
}

void FakeSocketLibrary::deliverRemoteClosed(const ConnectionRecord& owner,
                                            std::int32_t winsockError, std::int32_t sslError) {
  QueuedPacket packet = packetOf(owner, packet::kRemoteClosed);
  packet.winsockError = winsockError;
  packet.sslError = sslError;
  deliver(owner, std::move(packet));
}

void FakeSocketLibrary::deliverIdle(const ConnectionRecord& owner) {
  deliver(owner, packetOf(owner, packet::kIdle));
}

void FakeSocketLibrary::deliverNewConnection(const ConnectionRecord& owner, std::int32_t socket,
                                             std::int32_t sockId, std::string_view remoteIp) {
  ServerConnectionRow& row = accepted_[owner.SOCKID].emplace_back();
  setFieldText(row.REMOTEIP, remoteIp);
  row.SOCKET = socket;
  row.SOCKID = sockId;
  setFieldText(row.LOCALIP, "127.0.0.1");
  QueuedPacket packet = packetOf(owner, packet::kNewConnection);
  packet.socket = socket;
  packet.sockId = sockId;
  packet.fromIp = remoteIp;
  deliver(owner, std::move(packet));
}

void FakeSocketLibrary::postBare(const ConnectionRecord& owner, std::int32_t offset) {
  postEvent(PostedEvent{owner.NOTIFYTHREAD, owner.NOTIFYEVENT + offset});
}

void FakeSocketLibrary::setRemoteCertificate(std::string_view subject, std::string_view issuer) {
  subject_ = subject;
  issuer_ = issuer;
}

std::int32_t FakeSocketLibrary::NetGetUniqueEvent() {
  record("NetGetUniqueEvent");
  std::optional<std::int32_t> event = scripted("NetGetUniqueEvent");
  return event ? *event : events_.take();
}

void FakeSocketLibrary::NetFreeUniqueEvent(std::int32_t event) {
  record("NetFreeUniqueEvent", 0, 0, event);
  packets_.dropOwner(event);
  events_.give(event);
}

std::int32_t FakeSocketLibrary::NetConnectionOpen(ConnectionRecord& connection) {
  Call& call = record("NetConnectionOpen");
  call.data = fieldText(connection.SERVER);
  bool listener = connection.MODE == 1 || connection.UDPMODE != 0;
  if (!listener && (call.data.empty() || connection.PORT == 0)) return err::kHostNotSpecified;
  std::int32_t result = next("NetConnectionOpen");
  if (result != 0) return result;
  ++lastSocket_;
  connection.SOCKET = lastSocket_;
  connection.SOCKID = 1000 + lastSocket_;
  setFieldText(connection.LOCALIP, "127.0.0.1");
  connection.LOCALPORT = 49152 + lastSocket_;
  call.socket = connection.SOCKET;
  call.sockId = connection.SOCKID;
  return 0;
}

std::int32_t FakeSocketLibrary::NetConnectionReceive(ConnectionRecord& connection,
                                                     PacketRecord& packet) {
  record("NetConnectionReceive", connection.SOCKET, connection.SOCKID);
  return packets_.pop(connection.NOTIFYEVENT, packet) ? 0 : err::kNoRequest;
}

std::int32_t FakeSocketLibrary::NetConnectionSend(ConnectionRecord& connection,
                                                  const PacketRecord& packet) {
  bool server = connection.MODE == 1 && connection.UDPMODE == 0;
  Call& call = record("NetConnectionSend", server ? packet.ONSOCKET : connection.SOCKET,
                      server ? packet.SOCKID : connection.SOCKID);
  std::int32_t check = checkSendable(packet);
  if (check != 0) return check;
  std::int32_t result = next("NetConnectionSend");
  if (result == 0) call.data.assign(packet.BINDATA, static_cast<std::size_t>(packet.BINDATALEN));
  return result;
}

std::int32_t FakeSocketLibrary::NetConnectionClose(ConnectionRecord& connection,
                                                   std::int32_t socket, std::int32_t sockId,
                                                   std::int32_t action) {
  record("NetConnectionClose", socket, sockId, action);
  std::int32_t result = next("NetConnectionClose");
  if (result == 0 && (action == close_action::kAbort || action == close_action::kRelease)) {
    // A released connection's waiting packets go with it, as in the library.
    packets_.dropConnection(connection.NOTIFYEVENT,
                            sockId != 0 ? sockId : std::int32_t{connection.SOCKID});
  }
  return result;
}

std::int32_t FakeSocketLibrary::NetConnectionSSLSwitchToSSL(ConnectionRecord&, std::int32_t socket,
                                                            std::int32_t sockId) {
  record("NetConnectionSSLSwitchToSSL", socket, sockId);
  return next("NetConnectionSSLSwitchToSSL");
}

std::int32_t FakeSocketLibrary::NetConnectionSSLGetRemoteCerticate(ConnectionRecord& connection,
                                                                   std::int32_t socket,
                                                                   std::int32_t sockId,
                                                                   std::int32_t& closing) {
  record("NetConnectionSSLGetRemoteCerticate", socket, sockId);
  closing = certificateClosing_ ? 1 : 0;
  std::int32_t result = next("NetConnectionSSLGetRemoteCerticate");
  if (result != 0 || closing) return result;
  CertificateOptionsRecord* options =
      certificateOptionsFromHandle(connection.SSL_CERTIFICATEOPTIONSPOINTER_);
  if (options == nullptr) return err::kBadParameters;
  options->REMOTECERTIFICATEHAVEDETAILS = subject_.empty() ? 0 : 1;
  setFieldText(options->REMOTECERTIFICATESUBJECT, subject_);
  setFieldText(options->REMOTECERTIFICATEISSUER, issuer_);
  return 0;
}

std::int32_t FakeSocketLibrary::NetConnectionGetServerConnections(
    ConnectionRecord& connection, std::vector<ServerConnectionRow>& rows) {
  record("NetConnectionGetServerConnections", connection.SOCKET, connection.SOCKID);
  rows = accepted_[connection.SOCKID];
  // Connections the owner closed or aborted are no longer listed.
  std::erase_if(rows, [&](const ServerConnectionRow& row) {
    return std::any_of(calls_.begin(), calls_.end(), [&](const Call& call) {
      return call.operation == "NetConnectionClose" && call.sockId == row.SOCKID &&
             call.action != close_action::kStopListening;
    });
  });
  return next("NetConnectionGetServerConnections");
}

std::int32_t FakeSocketLibrary::NetOptions(std::int32_t option, std::span<char> buffer) {
  Call& call = record("NetOptions", 0, 0, option);
  if (option == option::kLocalHostName) {
    if (buffer.empty()) return err::kBadParameters;
    std::string_view name = "fakehost";
    std::size_t n = std::min(name.size(), buffer.size() - 1);
    name.copy(buffer.data(), n);
    buffer[n] = '\0';
    return next("NetOptions");
  }
  if (buffer.size() < 8) return err::kBadStructureSize;
  std::memcpy(&call.socket, buffer.data(), 4);
  std::memcpy(&call.sockId, buffer.data() + 4, 4);
  if (option == option::kQueuedPacketsAndBytes) std::memcpy(buffer.data(), &queuedBytes_, 4);
  std::memcpy(buffer.data() + 4, &queuedPackets_, 4);
  return next("NetOptions");
}

std::int32_t FakeSocketLibrary::NetPing(std::string_view address, std::int32_t count) {
  record("NetPing", 0, 0, count).data = address;
  return next("NetPing");
}

void FakeSocketLibrary::NetBan(std::string_view address) {
  record("NetBan").data = address;
  banned_.add(std::string(address));
}

void FakeSocketLibrary::NetUnBan(std::string_view address) {
  record("NetUnBan").data = address;
  banned_.remove(std::string(address));
}

std::int32_t FakeSocketLibrary::NetIsBanned(std::string_view address) {
  record("NetIsBanned").data = address;
  return banned_.contains(std::string(address)) ? 1 : 0;
}

std::string FakeSocketLibrary::NetGetBanned() {
  record("NetGetBanned");
  return banned_.text();
}

void FakeSocketLibrary::NetCloseCallBackWindow() { record("NetCloseCallBackWindow"); }

}  // namespace rt::net
