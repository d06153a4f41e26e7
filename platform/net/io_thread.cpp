#include "platform/net/io_thread.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/net/real_library.h"

namespace rt::net {

namespace io {

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
      if (c.kind == Kind::kUdp)
        return (backlogged(c) ? 0 : POLLIN) | (c.datagrams.empty() ? 0 : POLLOUT);
      // Once the owner asked to switch to TLS, what the peer sends next is
      // the handshake's to read: plain text there fails it at once.
      return (backlogged(c) || c.switchPending ? 0 : POLLIN) |
             (c.out.empty() && !c.wantsWrite ? 0 : POLLOUT);
    case Phase::kClosing:
      return POLLIN | (c.out.empty() ? 0 : POLLOUT);
    default:
      return 0;
  }
}

// When the connection's phase next needs the I/O thread without any socket event.
Clock::time_point RealLibrary::deadlineOf(const Connection& c) const {
  switch (c.phase) {
    case Phase::kResolving:
    case Phase::kConnecting:
    case Phase::kHandshaking:
      return c.openDeadline;
    case Phase::kOpen:
      if (c.kind == Kind::kListener || c.idleReported ||
          c.inactiveLimit <= Clock::duration::zero()) {
        return kNever;
      }
      return c.lastTraffic + c.inactiveLimit;
    case Phase::kClosing:
      return c.kind == Kind::kListener ? kNever : c.closeDeadline;
    case Phase::kFinished:
      return c.releaseAt;
  }
  return kNever;
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
      next = std::min(next, deadlineOf(c));
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
                !again->second.switchPending && (revents & (POLLIN | POLLHUP | POLLERR))) {
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
          // A peer that stays silent after agreeing to switch is given the
          // connection's own inactivity limit, when it has one.
          c.openDeadline =
              now + (c.inactiveLimit > Clock::duration::zero() ? c.inactiveLimit : kHandshakeLimit);
          startTls(c);
        } else if (c.inactiveLimit > Clock::duration::zero() && !c.idleReported &&
                   c.kind != Kind::kListener && now >= c.lastTraffic + c.inactiveLimit) {
          c.idleReported = true;
          queuePacket(c, packetFor(c, packet::kIdle));
        }
        break;
      case Phase::kClosing:
        if (c.kind == Kind::kListener) {
          // A copy: clang 14 cannot capture a structured binding.
          const auto listenerId = c.id;
          bool childrenClosing =
              std::any_of(connections_.begin(), connections_.end(), [&](const auto& entry) {
                return entry.second.parent == listenerId && entry.second.phase == Phase::kClosing;
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
                   c.phase == Phase::kHandshaking;
    if (opening && now >= c.openDeadline) {
      (c.kind == Kind::kAccepted && !c.reported ? unclaimed : timedOut).push_back(id);
    }
  }
  for (std::int32_t id : toConnect) {
    auto it = connections_.find(id);
    if (it != connections_.end()) startConnect(it->second);
  }
  for (std::int32_t id : timedOut) {
    auto it = connections_.find(id);
    if (it == connections_.end() || it->second.phase == Phase::kFinished) continue;
    if (it->second.switching) {
      remoteClosed(it->second, wsa::kTimedOut, 0);
    } else {
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
      c.openDeadline = Clock::now() + kHandshakeLimit;
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
    ssize_t n = ::sendto(c.fd, d.data.data(), d.data.size(), MSG_NOSIGNAL, d.to.get(), d.to.length);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    c.lastTraffic = Clock::now();
    c.datagrams.pop_front();
  }
}

void RealLibrary::remoteClosed(Connection& c, std::int32_t winsockError, std::int32_t sslError) {
  c.channel.reset();
  closeDescriptor(c.fd);
  c.phase = Phase::kFinished;
  c.openDeadline = kNever;
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

namespace {

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

}  // namespace io

SocketLibrary& realSocketLibrary() { return io::theLibrary(); }

}  // namespace rt::net
