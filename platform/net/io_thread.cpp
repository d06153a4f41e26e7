#include "platform/net/io_thread.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "platform/net/addresses.h"
#include "platform/net/owner_queues.h"
#include "platform/net/ping.h"
#include "platform/net/tls.h"

namespace rt::net {

namespace {

using Clock = std::chrono::steady_clock;

// A synchronous open that hangs gives up after this long.
constexpr auto kSynchronousOpenLimit = std::chrono::seconds(30);
// An accepted connection must finish its TLS handshake within this time.
constexpr auto kAcceptHandshakeLimit = std::chrono::seconds(30);
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
  bool server = false;          // TLS server side
  bool wantsWrite = false;      // the TLS step waits for the socket to take data
  bool switchPending = false;   // TLS starts once queued data is sent
  bool switching = false;       // the handshake runs on an open connection

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

void closeDescriptor(int& fd, bool reset = false) {
  if (fd < 0) return;
  if (reset) {
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }
  ::close(fd);
  fd = -1;
}

Clock::duration hundredths(std::int32_t value) { return std::chrono::milliseconds(10LL * value); }

class RealLibrary final : public SocketLibrary {
 public:
  RealLibrary() { wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

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
  std::int32_t NetConnectionGetServerConnections(ConnectionRecord& record,
                                                 std::vector<ServerConnectionRow>& rows) override;
  std::int32_t NetOptions(std::int32_t option, std::span<char> buffer) override;

  std::int32_t NetPing(std::string_view address, std::int32_t count) override {
    return pingHost(std::string(address), count);
  }
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

// ---- caller side ----

void RealLibrary::wake() {
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

void RealLibrary::ensureRunning() {
  if (io_.joinable()) return;
  stopping_ = false;
  io_ = std::thread([this] {
    // Writes to a socket the peer closed must fail with EPIPE, not kill the
    // process: the signal stays blocked on this thread, where all writes happen.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    run();
  });
}

Connection& RealLibrary::addConnection(Kind kind, const ConnectionRecord& record) {
  std::set<std::int32_t> sockets;
  for (const auto& [id, c] : connections_) sockets.insert(c.socket);
  std::int32_t socket = 1;
  while (sockets.count(socket)) ++socket;
  std::int32_t id = ++lastId_;
  Connection& c = connections_[id];
  c.kind = kind;
  c.id = id;
  c.socket = socket;
  c.thread = record.NOTIFYTHREAD;
  c.event = record.NOTIFYEVENT;
  c.inactiveLimit = hundredths(record.INACTIVETIMEOUT);
  c.lastTraffic = Clock::now();
  return c;
}

Connection* RealLibrary::find(const ConnectionRecord& record, std::int32_t socket,
                              std::int32_t sockId) {
  if (socket == 0 && sockId == 0) {
    socket = record.SOCKET;
    sockId = record.SOCKID;
  }
  auto it = connections_.find(sockId);
  if (it == connections_.end() || it->second.socket != socket) return nullptr;
  return &it->second;
}

std::int32_t RealLibrary::NetConnectionOpen(ConnectionRecord& record) {
  std::unique_lock lock(mutex_);
  record.SOCKET = record.SOCKID = record.LOCALPORT = 0;
  setFieldText(record.LOCALIP, "");
  ensureRunning();
  if (record.UDPMODE != 0) return openUdp(record);
  if (record.MODE == 1) return openListener(record);
  return openClient(record, lock);
}

std::int32_t RealLibrary::openClient(ConnectionRecord& record,
                                     std::unique_lock<std::mutex>& lock) {
  std::string host = fieldText(record.SERVER);
  if (host.empty() || record.PORT == 0) return err::kHostNotSpecified;
  TlsContext context;
  bool tlsOnConnect = record.SSL == 1 && record.SSL_DONTCONNECTONOPEN == 0;
  if (tlsOnConnect) {
    std::int32_t error = 0;
    context = makeTlsContext(tlsSettingsOf(record), false, error);
    if (!context) return error;
  }
  std::vector<SocketAddress> addresses;
  bool numeric = resolve(host, record.PORT, false, true, SOCK_STREAM, addresses) == 0;

  Connection& c = addConnection(Kind::kClient, record);
  c.host = host;
  c.port = record.PORT;
  c.tlsOnConnect = tlsOnConnect;
  c.context = std::move(context);
  c.addresses = std::move(addresses);
  bool synchronous = record.ASYNCOPENTIMEOUT <= 0;
  c.openDeadline = Clock::now() + (synchronous ? std::chrono::duration_cast<Clock::duration>(
                                                     kSynchronousOpenLimit)
                                               : hundredths(record.ASYNCOPENTIMEOUT));
  record.SOCKET = c.socket;
  record.SOCKID = c.id;
  std::int32_t id = c.id;
  std::future<std::int32_t> result;
  if (synchronous) {
    c.waiter = std::make_shared<std::promise<std::int32_t>>();
    result = c.waiter->get_future();
  }
  if (numeric) {
    c.phase = Phase::kConnecting;
    c.fd = -1;
  } else {
    resolveInBackground(id, host, record.PORT);
  }
  wake();
  if (!synchronous) return 0;

  lock.unlock();
  std::int32_t error = result.get();
  lock.lock();
  if (error != 0) {
    record.SOCKET = record.SOCKID = 0;
    return error;
  }
  if (Connection* open = find(record, 0, 0)) {
    setFieldText(record.LOCALIP, open->localIp);
    record.LOCALPORT = open->localPort;
  }
  return 0;
}

void RealLibrary::resolveInBackground(std::int32_t id, std::string host, std::uint16_t port) {
  // Name servers can take seconds: never on the caller's or the I/O thread.
  std::thread([this, id, host = std::move(host), port] {
    std::vector<SocketAddress> addresses;
    std::int32_t error = resolve(host, port, false, false, SOCK_STREAM, addresses);
    std::lock_guard lock(mutex_);
    auto it = connections_.find(id);
    if (it == connections_.end() || it->second.phase != Phase::kResolving) return;
    if (error != 0) {
      it->second.lastConnectError = error;
      it->second.addresses.clear();
    } else {
      it->second.addresses = std::move(addresses);
    }
    it->second.phase = Phase::kConnecting;
    wake();
  }).detach();
}

std::int32_t RealLibrary::bindLocal(ConnectionRecord& record, Kind kind, const std::string& host,
                                   std::uint16_t port, Connection*& made) {
  int type = kind == Kind::kListener ? SOCK_STREAM : SOCK_DGRAM;
  std::vector<SocketAddress> addresses;
  std::int32_t error = resolve(host, port, true, false, type, addresses);
  if (error != 0) return error;
  const SocketAddress& address = addresses.front();
  int fd = ::socket(address.family(), type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return winsockErrorFromErrno(errno);
  int yes = 1;
  if (type == SOCK_STREAM) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (type == SOCK_DGRAM && record.UDPOPTIONNAME == 0x0020) {
    // The broadcast option, as the owner numbers it.
    int value = record.UDPOPTIONVALUE;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &value, sizeof value);
  }
  if (::bind(fd, address.get(), address.length) != 0 ||
      (type == SOCK_STREAM && ::listen(fd, SOMAXCONN) != 0)) {
    error = winsockErrorFromErrno(errno);
    ::close(fd);
    return error;
  }
  Connection& c = addConnection(kind, record);
  c.fd = fd;
  c.phase = Phase::kOpen;
  SocketAddress local = localAddress(fd);
  c.localIp = addressText(local);
  c.localPort = addressPort(local);
  record.SOCKET = c.socket;
  record.SOCKID = c.id;
  setFieldText(record.LOCALIP, c.localIp);
  record.LOCALPORT = c.localPort;
  made = &c;
  wake();
  return 0;
}

std::int32_t RealLibrary::openListener(ConnectionRecord& record) {
  TlsContext context;
  if (record.SSL == 1) {
    std::int32_t error = 0;
    context = makeTlsContext(tlsSettingsOf(record), true, error);
    if (!context) return error;
  }
  Connection* c = nullptr;
  std::int32_t error = bindLocal(record, Kind::kListener, fieldText(record.SERVER), record.PORT, c);
  if (error != 0) return error;
  c->listening = true;
  c->maxChildren = record.MAXSERVERCONNECTIONS;
  c->server = true;
  c->tlsOnConnect = record.SSL == 1 && record.SSL_DONTCONNECTONOPEN == 0;
  c->context = std::move(context);
  return 0;
}

std::int32_t RealLibrary::openUdp(ConnectionRecord& record) {
  // A server receives on its port; a client sends from a port of the system's choice.
  bool server = record.MODE == 1;
  Connection* c = nullptr;
  return bindLocal(record, Kind::kUdp, server ? fieldText(record.SERVER) : std::string("0.0.0.0"),
                   server ? std::uint16_t{record.PORT} : std::uint16_t{0}, c);
}

std::int32_t RealLibrary::NetConnectionReceive(ConnectionRecord& record, PacketRecord& packet) {
  std::lock_guard lock(mutex_);
  bool wasBacklogged = packets_.bytesWaiting(record.NOTIFYEVENT) > kOwnerBacklog;
  if (!packets_.pop(record.NOTIFYEVENT, packet)) return err::kNoRequest;
  if (packet.PACKETTYPE == packet::kOpened && packet.SOCKID == record.SOCKID) {
    // An asynchronous open learns its local address when it completes.
    if (Connection* c = find(record, 0, 0)) {
      setFieldText(record.LOCALIP, c->localIp);
      record.LOCALPORT = c->localPort;
    }
  }
  if (wasBacklogged && packets_.bytesWaiting(record.NOTIFYEVENT) <= kOwnerBacklog) wake();
  return 0;
}

std::int32_t RealLibrary::NetConnectionSend(ConnectionRecord& record, const PacketRecord& packet) {
  std::int32_t check = checkSendable(packet);
  if (check != 0) return check;
  std::string data(packet.BINDATA, static_cast<std::size_t>(packet.BINDATALEN));
  std::lock_guard lock(mutex_);
  if (record.UDPMODE != 0) {
    Connection* c = find(record, 0, 0);
    if (c == nullptr || c->phase != Phase::kOpen) return err::kConnectionGone;
    std::vector<SocketAddress> to;
    std::string host = fieldText(packet.TOIP);
    if (host.empty() || packet.UDPTOPORT == 0) return err::kHostNotSpecified;
    std::int32_t error = resolve(host, packet.UDPTOPORT, false, false, SOCK_DGRAM, to);
    if (error != 0) return error;
    c->datagrams.push_back(Datagram{to.front(), std::move(data)});
    wake();
    return 0;
  }
  Connection* c = record.MODE == 1 ? find(record, packet.ONSOCKET, packet.SOCKID)
                                   : find(record, 0, 0);
  if (c == nullptr || c->kind == Kind::kListener) return err::kConnectionGone;
  if (c->phase == Phase::kResolving || c->phase == Phase::kConnecting ||
      (c->phase == Phase::kHandshaking && !c->switching)) {
    return err::kNotOpen;
  }
  if (c->phase != Phase::kOpen && c->phase != Phase::kHandshaking) return err::kConnectionGone;
  c->outBytes += data.size();
  c->out.push_back(std::move(data));
  wake();
  return 0;
}

void RealLibrary::release(std::int32_t id, bool reset) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  Connection& c = it->second;
  if (c.kind == Kind::kListener) {
    std::vector<std::int32_t> children;
    for (const auto& [childId, child] : connections_) {
      if (child.parent == id) children.push_back(childId);
    }
    for (std::int32_t childId : children) release(childId, reset);
  }
  c.channel.reset();
  closeDescriptor(c.fd, reset);
  packets_.dropConnection(c.event, c.id);
  connections_.erase(it);
}

std::int32_t RealLibrary::NetConnectionClose(ConnectionRecord& record, std::int32_t socket,
                                             std::int32_t sockId, std::int32_t action) {
  std::lock_guard lock(mutex_);
  Connection* c = find(record, socket, sockId);
  if (c == nullptr) return err::kConnectionGone;
  switch (action) {
    case close_action::kAbort:
      release(c->id, true);
      break;
    case close_action::kRelease:
      release(c->id, false);
      break;
    case close_action::kStopListening:
      if (c->kind != Kind::kListener) return err::kBadParameters;
      c->listening = false;
      closeDescriptor(c->fd);
      break;
    case close_action::kClose:
      if (c->phase == Phase::kClosing) return 0;
      if (c->kind == Kind::kListener) {
        c->listening = false;
        closeDescriptor(c->fd);
        for (auto& [childId, child] : connections_) {
          if (child.parent != c->id || child.phase == Phase::kFinished) continue;
          child.phase = Phase::kClosing;
          child.quietClose = true;
          child.closeDeadline = Clock::now() + kCloseLinger;
        }
      }
      if (c->phase != Phase::kOpen) {
        // Nothing was said on a connection still opening: it just ends.
        c->channel.reset();
        closeDescriptor(c->fd);
      }
      c->phase = Phase::kClosing;
      c->openDeadline = kNever;
      c->closeDeadline = Clock::now() + kCloseLinger;
      break;
    default:
      return err::kBadParameters;
  }
  wake();
  return 0;
}

std::int32_t RealLibrary::NetConnectionSSLSwitchToSSL(ConnectionRecord& record,
                                                      std::int32_t socket,
                                                      std::int32_t sockId) {
  std::lock_guard lock(mutex_);
  Connection* c = find(record, socket, sockId);
  if (c == nullptr) return err::kConnectionGone;
  if (c->phase != Phase::kOpen || c->channel || c->switchPending ||
      (c->kind != Kind::kClient && c->kind != Kind::kAccepted)) {
    return err::kSslGeneral;
  }
  bool server = c->kind == Kind::kAccepted;
  TlsContext context;
  if (server) {
    auto parent = connections_.find(c->parent);
    if (parent != connections_.end()) context = parent->second.context;
  }
  if (!context) {
    std::int32_t error = 0;
    context = makeTlsContext(tlsSettingsOf(record), server, error);
    if (!context) return error;
  }
  c->context = std::move(context);
  c->server = server;
  c->switchPending = true;
  wake();
  return 0;
}

std::int32_t RealLibrary::NetConnectionSSLGetRemoteCerticate(ConnectionRecord& record,
                                                             std::int32_t socket,
                                                             std::int32_t sockId,
                                                             std::int32_t& closing) {
  CertificateOptionsRecord* options =
      certificateOptionsFromHandle(record.SSL_CERTIFICATEOPTIONSPOINTER_);
  if (options == nullptr) return err::kBadParameters;
  X509* certificate = nullptr;
  {
    std::lock_guard lock(mutex_);
    Connection* c = find(record, socket, sockId);
    closing = (c == nullptr || c->phase == Phase::kClosing || c->phase == Phase::kFinished) ? 1 : 0;
    if (closing) return 0;
    if (c->channel && c->phase == Phase::kOpen) certificate = c->channel->peerCertificate();
  }
  fillRemoteCertificate(certificate, *options);
  X509_free(certificate);
  return 0;
}

std::int32_t RealLibrary::NetConnectionGetServerConnections(
    ConnectionRecord& record, std::vector<ServerConnectionRow>& rows) {
  rows.clear();
  std::lock_guard lock(mutex_);
  Connection* listener = find(record, 0, 0);
  if (listener == nullptr || listener->kind != Kind::kListener) return err::kSocketDead;
  for (const auto& [id, c] : connections_) {
    if (c.parent != listener->id || !c.reported || c.phase != Phase::kOpen) continue;
    ServerConnectionRow& row = rows.emplace_back();
    setFieldText(row.REMOTEIP, c.remoteIp);
    row.SOCKET = c.socket;
    row.SOCKID = c.id;
    row.REMOTEPORT = c.remotePort;
    setFieldText(row.LOCALIP, c.localIp);
  }
  return 0;
}

std::int32_t RealLibrary::NetOptions(std::int32_t option, std::span<char> buffer) {
  if (option == option::kLocalHostName) {
    if (buffer.empty()) return err::kBadParameters;
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    std::size_t n = std::min(std::strlen(name), buffer.size() - 1);
    std::memcpy(buffer.data(), name, n);
    buffer[n] = '\0';
    return 0;
  }
  if (option != option::kQueuedPackets && option != option::kQueuedPacketsAndBytes) {
    return err::kBadParameters;
  }
  if (buffer.size() < 8) return err::kBadStructureSize;
  std::int32_t socket = 0;
  std::int32_t sockId = 0;
  std::memcpy(&socket, buffer.data(), 4);
  std::memcpy(&sockId, buffer.data() + 4, 4);
  std::lock_guard lock(mutex_);
  auto it = connections_.find(sockId);
  if (it == connections_.end() || it->second.socket != socket) return err::kConnectionGone;
  const Connection& c = it->second;
  std::int32_t packets = static_cast<std::int32_t>(c.out.size() + c.datagrams.size());
  std::int32_t bytes = static_cast<std::int32_t>(c.outBytes - c.outOffset);
  for (const Datagram& d : c.datagrams) bytes += static_cast<std::int32_t>(d.data.size());
  if (option == option::kQueuedPacketsAndBytes) std::memcpy(buffer.data(), &bytes, 4);
  std::memcpy(buffer.data() + 4, &packets, 4);
  return 0;
}

void RealLibrary::NetCloseCallBackWindow() {
  std::unique_lock lock(mutex_);
  if (!io_.joinable()) return;
  stopping_ = true;
  wake();
  std::thread io = std::move(io_);
  lock.unlock();
  io.join();
  lock.lock();
  for (auto& [id, c] : connections_) {
    c.channel.reset();
    closeDescriptor(c.fd);
    if (c.waiter) c.waiter->set_value(err::kOpenFailed);
  }
  connections_.clear();
}

// ---- I/O thread ----

QueuedPacket RealLibrary::packetFor(const Connection& c, std::int32_t type) const {
  QueuedPacket packet;
  packet.type = type;
  packet.socket = c.socket;
  packet.sockId = c.id;
  packet.fromIp = c.remoteIp;
  return packet;
}

void RealLibrary::queuePacket(const Connection& c, QueuedPacket packet) {
  packets_.push(c.event, std::move(packet));
  posts_.push_back(PostedEvent{c.thread, c.event + kPacketWaits});
}

short RealLibrary::interest(const Connection& c) const {
  switch (c.phase) {
    case Phase::kConnecting:
      return POLLOUT;
    case Phase::kHandshaking:
      return c.wantsWrite ? POLLOUT : POLLIN;
    case Phase::kOpen:
      if (c.kind == Kind::kListener) return c.listening ? POLLIN : 0;
      if (c.kind == Kind::kUdp) return (backlogged(c) ? 0 : POLLIN) | (c.datagrams.empty() ? 0 : POLLOUT);
      return (backlogged(c) ? 0 : POLLIN) | (c.out.empty() && !c.wantsWrite ? 0 : POLLOUT);
    case Phase::kClosing:
      return POLLIN | (c.out.empty() ? 0 : POLLOUT);
    default:
      return 0;
  }
}

void RealLibrary::run() {
  std::unique_lock lock(mutex_);
  std::vector<pollfd> fds;
  std::vector<std::int32_t> ids;
  while (!stopping_) {
    Clock::time_point now = Clock::now();
    maintain(now);

    fds.assign(1, pollfd{wake_, POLLIN, 0});
    ids.assign(1, 0);
    Clock::time_point next = kNever;
    bool bufferedTls = false;
    for (auto& [id, c] : connections_) {
      next = std::min({next, c.openDeadline, c.releaseAt,
                       c.phase == Phase::kClosing ? c.closeDeadline : kNever});
      if (c.phase == Phase::kOpen && c.inactiveLimit > Clock::duration::zero() && !c.idleReported &&
          c.kind != Kind::kListener) {
        next = std::min(next, c.lastTraffic + c.inactiveLimit);
      }
      if (c.channel && c.phase == Phase::kOpen && c.channel->hasBufferedData() && !backlogged(c)) {
        bufferedTls = true;
      }
      if (c.fd < 0) continue;
      short events = interest(c);
      if (events == 0) continue;
      fds.push_back(pollfd{c.fd, events, 0});
      ids.push_back(id);
    }
    int timeout = -1;
    if (bufferedTls) {
      timeout = 0;
    } else if (next != kNever) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1;
      timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
    }

    std::vector<PostedEvent> posts;
    posts.swap(posts_);
    lock.unlock();
    for (const PostedEvent& event : posts) postEvent(event);
    ::poll(fds.data(), fds.size(), timeout);
    lock.lock();

    if (fds[0].revents != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] ssize_t n = ::read(wake_, &count, sizeof count);
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      short revents = fds[i].revents;
      if (revents == 0) continue;
      auto it = connections_.find(ids[i]);
      if (it == connections_.end() || it->second.fd != fds[i].fd) continue;
      Connection& c = it->second;
      switch (c.phase) {
        case Phase::kConnecting:
          onConnectReady(c);
          break;
        case Phase::kHandshaking:
          stepHandshake(c);
          break;
        case Phase::kOpen:
        case Phase::kClosing:
          if (c.kind == Kind::kListener) {
            accept(c);
          } else if (c.kind == Kind::kUdp) {
            if (revents & POLLOUT) writeDatagrams(c);
            if (revents & (POLLIN | POLLERR)) readDatagrams(c);
          } else {
            if (revents & POLLOUT) writeTo(c);
            auto again = connections_.find(ids[i]);
            if (again != connections_.end() && again->second.fd >= 0 &&
                (revents & (POLLIN | POLLHUP | POLLERR))) {
              readFrom(again->second);
            }
          }
          break;
        default:
          break;
      }
    }
    if (bufferedTls) {
      for (auto& [id, c] : connections_) {
        if (c.channel && c.phase == Phase::kOpen && c.channel->hasBufferedData() &&
            !backlogged(c)) {
          readFrom(c);
        }
      }
    }
  }
  std::vector<PostedEvent> posts;
  posts.swap(posts_);
  lock.unlock();
  for (const PostedEvent& event : posts) postEvent(event);
}

void RealLibrary::maintain(Clock::time_point now) {
  // Steps that may end a connection run after the walk over the table.
  std::vector<std::int32_t> unclaimed;
  std::vector<std::int32_t> toConnect;
  std::vector<std::int32_t> timedOut;
  for (auto& [id, c] : connections_) {
    switch (c.phase) {
      case Phase::kConnecting:
        if (c.fd < 0 && now < c.openDeadline) toConnect.push_back(id);
        break;
      case Phase::kOpen:
        if (c.switchPending && c.out.empty()) {
          c.switchPending = false;
          c.switching = true;
          startTls(c);
        } else if (c.inactiveLimit > Clock::duration::zero() && !c.idleReported &&
                   c.kind != Kind::kListener && now >= c.lastTraffic + c.inactiveLimit) {
          c.idleReported = true;
          queuePacket(c, packetFor(c, packet::kIdle));
        }
        break;
      case Phase::kClosing:
        if (c.kind == Kind::kListener) {
          bool childrenClosing = std::any_of(
              connections_.begin(), connections_.end(),
              [&](const auto& entry) {
                return entry.second.parent == c.id && entry.second.phase == Phase::kClosing;
              });
          if (!childrenClosing) finishFirstPhase(c);
        } else if (c.fd < 0 || now >= c.closeDeadline) {
          finishFirstPhase(c);
        } else if (c.out.empty() && !c.finSent) {
          // Everything queued went out: tell the peer we are done.
          if (c.channel) c.channel->sendCloseNotify();
          ::shutdown(c.fd, SHUT_WR);
          c.finSent = true;
        }
        break;
      case Phase::kFinished:
        if (now >= c.releaseAt) unclaimed.push_back(id);
        break;
      default:
        break;
    }
    bool opening = c.phase == Phase::kResolving || c.phase == Phase::kConnecting ||
                   (c.phase == Phase::kHandshaking && !c.switching);
    if (opening && now >= c.openDeadline) {
      (c.kind == Kind::kAccepted ? unclaimed : timedOut).push_back(id);
    }
  }
  for (std::int32_t id : toConnect) {
    auto it = connections_.find(id);
    if (it != connections_.end()) startConnect(it->second);
  }
  for (std::int32_t id : timedOut) {
    auto it = connections_.find(id);
    if (it != connections_.end() && it->second.phase != Phase::kFinished) {
      openFailed(it->second, packet::kOpenFailed, 0, wsa::kTimedOut, 0);
    }
  }
  for (std::int32_t id : unclaimed) release(id, true);
}

void RealLibrary::startConnect(Connection& c) {
  while (c.nextAddress < c.addresses.size()) {
    const SocketAddress& address = c.addresses[c.nextAddress];
    c.fd = ::socket(address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (c.fd < 0) {
      c.lastConnectError = winsockErrorFromErrno(errno);
      ++c.nextAddress;
      continue;
    }
    if (::connect(c.fd, address.get(), address.length) == 0) {
      connected(c);
      return;
    }
    if (errno == EINPROGRESS) return;
    c.lastConnectError = winsockErrorFromErrno(errno);
    closeDescriptor(c.fd);
    ++c.nextAddress;
  }
  openFailed(c, packet::kOpenFailed, c.lastConnectError, c.lastConnectError, 0);
}

void RealLibrary::onConnectReady(Connection& c) {
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &length);
  if (error == 0) {
    connected(c);
    return;
  }
  c.lastConnectError = winsockErrorFromErrno(error);
  closeDescriptor(c.fd);
  ++c.nextAddress;
  startConnect(c);
}

void RealLibrary::connected(Connection& c) {
  int yes = 1;
  setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  SocketAddress local = localAddress(c.fd);
  SocketAddress remote = remoteAddress(c.fd);
  c.localIp = addressText(local);
  c.localPort = addressPort(local);
  c.remoteIp = addressText(remote);
  c.remotePort = addressPort(remote);
  c.lastTraffic = Clock::now();
  if (c.tlsOnConnect) {
    startTls(c);
  } else {
    opened(c);
  }
}

void RealLibrary::startTls(Connection& c) {
  c.channel = std::make_unique<TlsChannel>(c.context, c.fd, c.server, c.host);
  c.phase = Phase::kHandshaking;
  stepHandshake(c);
}

void RealLibrary::stepHandshake(Connection& c) {
  TlsStep step = c.channel->handshake();
  c.wantsWrite = step.status == TlsStep::kWantWrite;
  if (step.status == TlsStep::kWantRead || step.status == TlsStep::kWantWrite) return;
  if (step.status == TlsStep::kDone) {
    c.lastTraffic = Clock::now();
    opened(c);
    return;
  }
  if (c.kind == Kind::kAccepted && !c.reported) {
    // A client that fails the handshake never became a connection of the owner.
    release(c.id, true);
    return;
  }
  if (c.switching) {
    remoteClosed(c, step.winsockError, step.sslError);
    return;
  }
  // The server's certificate did not verify: the owner learns of it as a
  // close carrying OpenSSL's reason; any other failure is a failed open.
  if (step.sslError == SSL_R_CERTIFICATE_VERIFY_FAILED) {
    openFailed(c, packet::kRemoteClosed, 0, 0, step.sslError);
  } else {
    openFailed(c, packet::kOpenFailed, err::kSslConnectFailed, step.winsockError, step.sslError);
  }
}

void RealLibrary::opened(Connection& c) {
  c.phase = Phase::kOpen;
  c.openDeadline = kNever;
  bool wasSwitching = c.switching;
  c.switching = false;
  if (c.kind == Kind::kAccepted && !c.reported) {
    c.reported = true;
    queuePacket(c, packetFor(c, packet::kNewConnection));
    return;
  }
  if (c.waiter) {
    c.waiter->set_value(0);
    c.waiter.reset();
    return;
  }
  if (c.kind == Kind::kClient || wasSwitching) queuePacket(c, packetFor(c, packet::kOpened));
}

void RealLibrary::openFailed(Connection& c, std::int32_t type, std::int32_t netError,
                             std::int32_t winsockError, std::int32_t sslError) {
  c.channel.reset();
  closeDescriptor(c.fd);
  c.openDeadline = kNever;
  if (c.waiter) {
    std::int32_t result = netError != 0 ? netError : winsockError;
    if (type == packet::kRemoteClosed) result = err::kSslVerifyFailed;
    c.waiter->set_value(result);
    c.waiter.reset();
    connections_.erase(c.id);
    return;
  }
  c.phase = Phase::kFinished;
  c.releaseAt = Clock::now() + kReleaseUnclaimed;
  QueuedPacket packet = packetFor(c, type);
  if (packet.fromIp.empty()) packet.fromIp = c.host;
  packet.netError = netError;
  packet.winsockError = winsockError;
  packet.sslError = sslError;
  queuePacket(c, std::move(packet));
}

void RealLibrary::accept(Connection& listener) {
  for (;;) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    int fd = ::accept4(listener.fd, reinterpret_cast<sockaddr*>(&storage), &length,
                       SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN, or a client that vanished before it was taken
    SocketAddress remote;
    remote.storage = storage;
    remote.length = length;
    std::string remoteIp = addressText(remote);
    long children = std::count_if(connections_.begin(), connections_.end(), [&](const auto& e) {
      return e.second.parent == listener.id && e.second.phase != Phase::kFinished;
    });
    if (banned_.contains(remoteIp) ||
        (listener.maxChildren > 0 && children >= listener.maxChildren)) {
      int closing = fd;
      closeDescriptor(closing, true);
      continue;
    }
    ConnectionRecord owner;
    owner.NOTIFYTHREAD = listener.thread;
    owner.NOTIFYEVENT = listener.event;
    std::int32_t listenerId = listener.id;
    Clock::duration inactive = listener.inactiveLimit;
    bool tls = listener.tlsOnConnect;
    TlsContext context = listener.context;
    Connection& c = addConnection(Kind::kAccepted, owner);
    c.parent = listenerId;
    c.fd = fd;
    c.inactiveLimit = inactive;
    c.remoteIp = remoteIp;
    c.remotePort = addressPort(remote);
    SocketAddress local = localAddress(fd);
    c.localIp = addressText(local);
    c.localPort = addressPort(local);
    c.server = true;
    c.context = std::move(context);
    if (tls) {
      c.openDeadline = Clock::now() + kAcceptHandshakeLimit;
      startTls(c);
    } else {
      opened(c);
    }
    auto again = connections_.find(listenerId);
    if (again == connections_.end() || again->second.fd < 0) return;
  }
}

void RealLibrary::readFrom(Connection& c) {
  char buffer[kMaxBinData];
  std::int32_t id = c.id;
  for (int round = 0; round < kReadsPerRound && !backlogged(c); ++round) {
    std::size_t got = 0;
    bool closed = false;
    std::int32_t winsockError = 0;
    std::int32_t sslError = 0;
    if (c.channel) {
      TlsStep step = c.channel->read(buffer, sizeof buffer);
      if (step.status == TlsStep::kWantRead) return;
      if (step.status == TlsStep::kWantWrite) {
        c.wantsWrite = true;
        return;
      }
      c.wantsWrite = false;
      closed = step.status == TlsStep::kClosed || step.status == TlsStep::kFailed;
      winsockError = step.winsockError;
      sslError = step.status == TlsStep::kFailed ? step.sslError : 0;
      got = step.bytes;
    } else {
      ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
      if (n < 0) winsockError = winsockErrorFromErrno(errno);
      closed = n <= 0;
      got = n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    if (closed) {
      if (c.phase == Phase::kClosing) {
        finishFirstPhase(c);
      } else {
        remoteClosed(c, winsockError, sslError);
      }
      return;
    }
    c.lastTraffic = Clock::now();
    c.idleReported = false;
    // Data arriving after the owner asked to close is of no use to it.
    if (c.phase == Phase::kClosing) continue;
    QueuedPacket packet = packetFor(c, packet::kData);
    packet.data.assign(buffer, got);
    queuePacket(c, std::move(packet));
    if (connections_.find(id) == connections_.end()) return;
  }
}

void RealLibrary::readDatagrams(Connection& c) {
  char buffer[kMaxBinData];
  for (int round = 0; round < kReadsPerRound && !backlogged(c); ++round) {
    SocketAddress from;
    from.length = sizeof from.storage;
    ssize_t n = ::recvfrom(c.fd, buffer, sizeof buffer, MSG_TRUNC,
                           reinterpret_cast<sockaddr*>(&from.storage), &from.length);
    if (n < 0) return;
    c.lastTraffic = Clock::now();
    c.idleReported = false;
    QueuedPacket packet = packetFor(c, packet::kData);
    packet.fromIp = addressText(from);
    packet.udpFromPort = addressPort(from);
    packet.data.assign(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer));
    queuePacket(c, std::move(packet));
  }
}

void RealLibrary::writeTo(Connection& c) {
  if (c.wantsWrite) {
    // A TLS read waited for the socket to take data: it can go on now.
    c.wantsWrite = false;
    std::int32_t id = c.id;
    readFrom(c);
    auto it = connections_.find(id);
    if (it == connections_.end() || it->second.fd < 0) return;
  }
  while (!c.out.empty()) {
    const std::string& chunk = c.out.front();
    const char* data = chunk.data() + c.outOffset;
    std::size_t size = chunk.size() - c.outOffset;
    std::size_t written = 0;
    if (c.channel) {
      TlsStep step = c.channel->write(data, size);
      if (step.status == TlsStep::kWantRead || step.status == TlsStep::kWantWrite) return;
      if (step.status != TlsStep::kDone) {
        remoteClosed(c, step.winsockError, step.sslError);
        return;
      }
      written = step.bytes;
    } else {
      ssize_t n = ::send(c.fd, data, size, MSG_NOSIGNAL);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
      if (n < 0) {
        remoteClosed(c, winsockErrorFromErrno(errno), 0);
        return;
      }
      written = static_cast<std::size_t>(n);
    }
    c.lastTraffic = Clock::now();
    c.idleReported = false;
    c.outOffset += written;
    if (c.outOffset == chunk.size()) {
      c.outBytes -= chunk.size();
      c.outOffset = 0;
      c.out.pop_front();
    }
  }
}

void RealLibrary::writeDatagrams(Connection& c) {
  while (!c.datagrams.empty()) {
    const Datagram& d = c.datagrams.front();
    ssize_t n = ::sendto(c.fd, d.data.data(), d.data.size(), MSG_NOSIGNAL, d.to.get(),
                         d.to.length);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    c.lastTraffic = Clock::now();
    c.datagrams.pop_front();
  }
}

void RealLibrary::remoteClosed(Connection& c, std::int32_t winsockError, std::int32_t sslError) {
  c.channel.reset();
  closeDescriptor(c.fd);
  c.phase = Phase::kFinished;
  c.releaseAt = Clock::now() + kReleaseUnclaimed;
  c.out.clear();
  c.outBytes = c.outOffset = 0;
  if (c.kind == Kind::kAccepted && !c.reported) return;
  QueuedPacket packet = packetFor(c, packet::kRemoteClosed);
  packet.winsockError = winsockError;
  packet.sslError = sslError;
  queuePacket(c, std::move(packet));
}

void RealLibrary::finishFirstPhase(Connection& c) {
  c.channel.reset();
  closeDescriptor(c.fd);
  c.phase = Phase::kFinished;
  c.releaseAt = Clock::now() + kReleaseUnclaimed;
  if (c.quietClose) return;
  if (c.kind == Kind::kAccepted) {
    queuePacket(c, packetFor(c, packet::kClosePhaseTwo));
  } else {
    posts_.push_back(PostedEvent{c.thread, c.event + kPhaseTwoDue});
  }
}

// The library lives for the whole process (background name look-ups may
// still refer to it); its I/O thread is stopped before static destruction.
RealLibrary& theLibrary() {
  static RealLibrary* library = [] {
    // OpenSSL registers its own clean-up at initialisation: it must run after
    // the I/O thread stopped, so it is initialised first.
    OPENSSL_init_ssl(0, nullptr);
    return new RealLibrary();
  }();
  static struct Stopper {
    ~Stopper() { library->NetCloseCallBackWindow(); }
  } stopper;
  return *library;
}

}  // namespace

SocketLibrary& realSocketLibrary() { return theLibrary(); }

}  // namespace rt::net
