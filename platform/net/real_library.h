#pragma once
// The real socket library's state, shared by the calls its owners make
// (real_library_calls.cpp) and by its I/O thread (io_thread.cpp). Everything
// here is guarded by one mutex; the I/O thread holds it except while it polls,
// and socket and TLS work happens on the I/O thread only.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/addresses.h"
#include "platform/net/owner_queues.h"
#include "platform/net/socket_library.h"
#include "platform/net/tls.h"

namespace rt::net::io {

using Clock = std::chrono::steady_clock;

// A synchronous open that hangs gives up after this long.
constexpr auto kSynchronousOpenLimit = std::chrono::seconds(30);
// A TLS handshake on an accepted connection, or after a switch, must finish
// within this time (a client's first handshake has its open time-out).
constexpr auto kHandshakeLimit = std::chrono::seconds(30);
// The first phase of a close waits this long for the peer to close its side.
constexpr auto kCloseLinger = std::chrono::seconds(10);
// A connection whose second phase nobody asked for is released after this.
constexpr auto kReleaseUnclaimed = std::chrono::minutes(5);
// Reading stops while this much received data waits for its owner.
constexpr std::size_t kOwnerBacklog = std::size_t{4} << 20;
// Reads of one connection per poll round, so that one busy peer cannot starve the others.
constexpr int kReadsPerRound = 16;

constexpr Clock::time_point kNever = Clock::time_point::max();

enum class Kind { kClient, kListener, kAccepted, kUdp };
enum class Phase { kResolving, kConnecting, kHandshaking, kOpen, kClosing, kFinished };

struct Datagram {
  SocketAddress to;
  std::string data;
};

struct Connection {
  Kind kind = Kind::kClient;
  Phase phase = Phase::kResolving;
  std::int32_t socket = 0;
  std::int32_t id = 0;
  int fd = -1;
  ThreadNumber thread = 0;
  std::int32_t event = 0;

  // Opening a client.
  std::string host;
  std::uint16_t port = 0;
  std::vector<SocketAddress> addresses;
  std::size_t nextAddress = 0;
  std::int32_t lastConnectError = wsa::kConnectionRefused;
  Clock::time_point openDeadline = kNever;
  std::shared_ptr<std::promise<std::int32_t>> waiter;  // a synchronous open

  // TLS.
  bool tlsOnConnect = false;
  TlsContext context;  // a listener's is shared by its accepted connections
  std::unique_ptr<TlsChannel> channel;
  bool server = false;         // TLS server side
  bool wantsWrite = false;     // the TLS step waits for the socket to take data
  bool switchPending = false;  // TLS starts once queued data is sent
  bool switching = false;      // the handshake runs on an open connection

  // Traffic.
  std::deque<std::string> out;
  std::size_t outOffset = 0;
  std::size_t outBytes = 0;
  std::deque<Datagram> datagrams;
  Clock::duration inactiveLimit = Clock::duration::zero();
  Clock::time_point lastTraffic;
  bool idleReported = false;

  // Closing.
  Clock::time_point closeDeadline = kNever;
  Clock::time_point releaseAt = kNever;
  bool finSent = false;
  bool quietClose = false;  // closed with its listener: no event of its own

  // A listener and its accepted connections.
  std::int32_t parent = 0;
  bool listening = false;
  std::int32_t maxChildren = 0;
  bool reported = false;  // the owner has seen its new-connection packet

  std::string remoteIp;
  std::uint16_t remotePort = 0;
  std::string localIp;
  std::uint16_t localPort = 0;
};

inline void closeDescriptor(int& fd, bool reset = false) {
  if (fd < 0) return;
  if (reset) {
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }
  ::close(fd);
  fd = -1;
}

inline Clock::duration hundredths(std::int32_t value) {
  return std::chrono::milliseconds(10LL * value);
}

class RealLibrary final : public SocketLibrary {
 public:
  RealLibrary();

  std::int32_t NetGetUniqueEvent() override { return events_.take(); }

  void NetFreeUniqueEvent(std::int32_t event) override {
    {
      std::lock_guard lock(mutex_);
      packets_.dropOwner(event);
    }
    events_.give(event);
  }

  std::int32_t NetConnectionOpen(ConnectionRecord& record) override;
  std::int32_t NetConnectionReceive(ConnectionRecord& record, PacketRecord& packet) override;
  std::int32_t NetConnectionSend(ConnectionRecord& record, const PacketRecord& packet) override;
  std::int32_t NetConnectionClose(ConnectionRecord& record, std::int32_t socket,
                                  std::int32_t sockId, std::int32_t action) override;
  std::int32_t NetConnectionSSLSwitchToSSL(ConnectionRecord& record, std::int32_t socket,
                                           std::int32_t sockId) override;
  std::int32_t NetConnectionSSLGetRemoteCerticate(ConnectionRecord& record, std::int32_t socket,
                                                  std::int32_t sockId,
                                                  std::int32_t& closing) override;
  std::int32_t NetConnectionSSLHostMatches(ConnectionRecord& record,
                                           std::string_view host) override;
  std::int32_t NetConnectionGetServerConnections(ConnectionRecord& record,
                                                 std::vector<ServerConnectionRow>& rows) override;
  std::int32_t NetOptions(std::int32_t option, std::span<char> buffer) override;

  std::int32_t NetPing(std::string_view address, std::int32_t count) override;
  void NetBan(std::string_view address) override {
    std::lock_guard lock(mutex_);
    banned_.add(std::string(address));
  }
  void NetUnBan(std::string_view address) override {
    std::lock_guard lock(mutex_);
    banned_.remove(std::string(address));
  }
  std::int32_t NetIsBanned(std::string_view address) override {
    std::lock_guard lock(mutex_);
    return banned_.contains(std::string(address)) ? 1 : 0;
  }
  std::string NetGetBanned() override {
    std::lock_guard lock(mutex_);
    return banned_.text();
  }

  void NetCloseCallBackWindow() override;

 private:
  // Caller-side helpers (mutex held).
  std::int32_t openClient(ConnectionRecord& record, std::unique_lock<std::mutex>& lock);
  std::int32_t openListener(ConnectionRecord& record);
  std::int32_t openUdp(ConnectionRecord& record);
  // A bound (for TCP, listening) socket and its table entry.
  std::int32_t bindLocal(ConnectionRecord& record, Kind kind, const std::string& host,
                         std::uint16_t port, Connection*& made);
  Connection& addConnection(Kind kind, const ConnectionRecord& record);
  Connection* find(const ConnectionRecord& record, std::int32_t socket, std::int32_t sockId);
  void release(std::int32_t id, bool reset);
  void ensureRunning();
  void wake();

  // I/O thread (mutex held).
  void run();
  void maintain(Clock::time_point now);
  void startConnect(Connection& c);
  void onConnectReady(Connection& c);
  void connected(Connection& c);
  void startTls(Connection& c);
  void stepHandshake(Connection& c);
  void opened(Connection& c);
  void openFailed(Connection& c, std::int32_t type, std::int32_t netError,
                  std::int32_t winsockError, std::int32_t sslError);
  void accept(Connection& listener);
  void readFrom(Connection& c);
  void readDatagrams(Connection& c);
  void writeTo(Connection& c);
  void writeDatagrams(Connection& c);
  void remoteClosed(Connection& c, std::int32_t winsockError, std::int32_t sslError);
  void finishFirstPhase(Connection& c);
  void queuePacket(const Connection& c, QueuedPacket packet);
  QueuedPacket packetFor(const Connection& c, std::int32_t type) const;
  bool backlogged(const Connection& c) const {
    return packets_.bytesWaiting(c.event) > kOwnerBacklog;
  }
  short interest(const Connection& c) const;
  Clock::time_point deadlineOf(const Connection& c) const;
  void resolveInBackground(std::int32_t id, std::string host, std::uint16_t port);

  std::mutex mutex_;
  std::map<std::int32_t, Connection> connections_;  // by socket id
  std::int32_t lastId_ = 0;
  PacketQueues packets_;
  EventNumberPool events_;
  BanList banned_;
  std::vector<PostedEvent> posts_;
  int wake_ = -1;
  std::thread io_;
  bool stopping_ = false;
};

}  // namespace rt::net::io
