#pragma once
// A scripted stand-in for the socket library, for unit tests of the network
// classes: it records every call, answers with scripted results, and plays
// the peer by queueing packets and posting events to a connection's owner
// exactly as the real library does (split replies, late events, time-outs).
// Used from one thread; install it with ScopedSocketLibrary.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/owner_queues.h"
#include "platform/net/socket_library.h"

namespace rt::net {

class FakeSocketLibrary final : public SocketLibrary {
 public:
  struct Call {
    std::string operation;  // "NetConnectionClose", ...
    std::int32_t socket = 0;
    std::int32_t sockId = 0;
    std::int32_t action = 0;  // close action, option number or ping count
    std::string data;         // data sent, or the address of ping and ban calls
  };

  // The next call of the operation returns result (scripts queue in order;
  // an operation without a script succeeds).
  void scriptResult(std::string_view operation, std::int32_t result);
  const std::vector<Call>& calls() const { return calls_; }
  int count(std::string_view operation) const;
  void clearCalls() { calls_.clear(); }
  // Everything sent on a connection (socket id), or on all when 0.
  std::string sent(std::int32_t sockId = 0) const;

  // Playing the peer. Each queues a packet for the record's owner and posts
  // its event N; socket and id 0 stand for the record's own connection.
  void deliver(const ConnectionRecord& owner, QueuedPacket packet);
  // Data in packets of at most 16,384 bytes, one event each.
  void deliverData(const ConnectionRecord& owner, std::string_view data, std::int32_t socket = 0,
                   std::int32_t sockId = 0);
  void deliverOpened(const ConnectionRecord& owner);
  void deliverRefused(const ConnectionRecord& owner);      // packet 8, 10061 twice
  void deliverOpenTimeout(const ConnectionRecord& owner);  // packet 8, 0 and 10060
  void deliverRemoteClosed(const ConnectionRecord& owner, std::int32_t winsockError = 0,
                           std::int32_t sslError = 0);
  void deliverIdle(const ConnectionRecord& owner);
  // A client accepted by a listening owner: packet 2, and a row of its list.
  void deliverNewConnection(const ConnectionRecord& owner, std::int32_t socket, std::int32_t sockId,
                            std::string_view remoteIp);
  // An event without a packet: offset 0 (a late N), 1 (remote close), 2 (second phase due).
  void postBare(const ConnectionRecord& owner, std::int32_t offset);

  // What NetConnectionSSLGetRemoteCerticate reports.
  void setRemoteCertificate(std::string_view subject, std::string_view issuer);
  void setCertificateClosing(bool closing) { certificateClosing_ = closing; }
  void setQueued(std::int32_t packets, std::int32_t bytes) {
    queuedPackets_ = packets;
    queuedBytes_ = bytes;
  }

  std::int32_t NetGetUniqueEvent() override;
  void NetFreeUniqueEvent(std::int32_t event) override;
  std::int32_t NetConnectionOpen(ConnectionRecord& connection) override;
  std::int32_t NetConnectionReceive(ConnectionRecord& connection, PacketRecord& packet) override;
  std::int32_t NetConnectionSend(ConnectionRecord& connection, const PacketRecord& packet) override;
  std::int32_t NetConnectionClose(ConnectionRecord& connection, std::int32_t socket,
                                  std::int32_t sockId, std::int32_t action) override;
  std::int32_t NetConnectionSSLSwitchToSSL(ConnectionRecord& connection, std::int32_t socket,
                                           std::int32_t sockId) override;
  std::int32_t NetConnectionSSLGetRemoteCerticate(ConnectionRecord& connection, std::int32_t socket,
                                                  std::int32_t sockId,
                                                  std::int32_t& closing) override;
  std::int32_t NetConnectionGetServerConnections(ConnectionRecord& connection,
                                                 std::vector<ServerConnectionRow>& rows) override;
  std::int32_t NetOptions(std::int32_t option, std::span<char> buffer) override;
  std::int32_t NetPing(std::string_view address, std::int32_t count) override;
  void NetBan(std::string_view address) override;
  void NetUnBan(std::string_view address) override;
  std::int32_t NetIsBanned(std::string_view address) override;
  std::string NetGetBanned() override;
  void NetCloseCallBackWindow() override;

 private:
  std::optional<std::int32_t> scripted(std::string_view operation);
  std::int32_t next(std::string_view operation);  // the scripted result, else 0
  Call& record(std::string_view operation, std::int32_t socket = 0, std::int32_t sockId = 0,
               std::int32_t action = 0);
  QueuedPacket packetOf(const ConnectionRecord& owner, std::int32_t type) const;

  std::vector<Call> calls_;
  std::map<std::string, std::vector<std::int32_t>, std::less<>> scripts_;
  EventNumberPool events_;
  PacketQueues packets_;
  BanList banned_;
  std::map<std::int32_t, std::vector<ServerConnectionRow>> accepted_;  // by listener id
  std::int32_t lastSocket_ = 0;
  std::string subject_;
  std::string issuer_;
  bool certificateClosing_ = false;
  std::int32_t queuedPackets_ = 0;
  std::int32_t queuedBytes_ = 0;
};

}  // namespace rt::net
