#include <netinet/in.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "platform/net/ping.h"
#include "platform/net/real_library.h"

namespace rt::net::io {

RealLibrary::RealLibrary() { wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

std::int32_t RealLibrary::NetPing(std::string_view address, std::int32_t count) {
  return pingHost(std::string(address), count);
}

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

std::int32_t RealLibrary::openClient(ConnectionRecord& record, std::unique_lock<std::mutex>& lock) {
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
  c.openDeadline = Clock::now() +
                   (synchronous ? std::chrono::duration_cast<Clock::duration>(kSynchronousOpenLimit)
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
  Connection* c =
      record.MODE == 1 ? find(record, packet.ONSOCKET, packet.SOCKID) : find(record, 0, 0);
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

std::int32_t RealLibrary::NetConnectionSSLSwitchToSSL(ConnectionRecord& record, std::int32_t socket,
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

std::int32_t RealLibrary::NetConnectionSSLHostMatches(ConnectionRecord& record,
                                                      std::string_view host) {
  X509* certificate = nullptr;
  {
    std::lock_guard lock(mutex_);
    Connection* c = find(record, 0, 0);
    if (c != nullptr && c->channel && c->phase == Phase::kOpen)
      certificate = c->channel->peerCertificate();
  }
  if (certificate == nullptr) return -1;
  const int matches = certificateNamesHost(certificate, host);
  X509_free(certificate);
  return matches;
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

}  // namespace rt::net::io
