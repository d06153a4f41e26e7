#pragma once
// The socket library under the network classes: TCP and UDP connections with
// optional TLS, whose events are posted to the logical thread that owns each
// connection.
//
// Events. A connection's owner is its record's NOTIFYTHREAD and NOTIFYEVENT
// (N, taken from NetGetUniqueEvent). The library posts N when a packet waits
// for the owner (one post per packet; NetConnectionReceive fetches it) and
// N+2 when the second phase of a local close of the owner's own connection is
// due. N+1 stands for a remote close without a packet: this library reports
// every remote close as packet 5, which names the connection, and only the
// fake posts N+1. Events are delivered
// through the poster the program installs (setEventPoster), called from the
// library's I/O thread; the receiving side queues them and wakes the owner.
//
// Packet types: 2 new connection to a server, 3 data, 4 no connection,
// 5 closed by the remote end (or a TLS failure), 6 second phase of the local
// close of a server's accepted connection, 7 asynchronous open (or switch to
// TLS) succeeded, 8 asynchronous open failed, 9 idle for INACTIVETIMEOUT.
//
// A refused open arrives as packet 8 with NETERROR and WINSOCKERROR 10061, an
// open time-out as packet 8 with NETERROR 0 and WINSOCKERROR 10060, and a
// server certificate that fails verification while opening as packet 5 with
// SSLERROR the OpenSSL reason code (134).
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/logical_threads.h"
#include "platform/net/errors.h"
#include "platform/net/records.h"

namespace rt::net {

namespace packet {
constexpr std::int32_t kNewConnection = 2;
constexpr std::int32_t kData = 3;
constexpr std::int32_t kNoConnection = 4;
constexpr std::int32_t kRemoteClosed = 5;
constexpr std::int32_t kClosePhaseTwo = 6;
constexpr std::int32_t kOpened = 7;
constexpr std::int32_t kOpenFailed = 8;
constexpr std::int32_t kIdle = 9;
}  // namespace packet

namespace close_action {
constexpr std::int32_t kAbort = -1;
constexpr std::int32_t kClose = 1;          // first phase
constexpr std::int32_t kRelease = 2;        // second phase, also after a remote close
constexpr std::int32_t kStopListening = 3;  // accepted connections stay
}  // namespace close_action

namespace option {
constexpr std::int32_t kLocalHostName = 12;
constexpr std::int32_t kQueuedPackets = 36;
constexpr std::int32_t kQueuedPacketsAndBytes = 37;
}  // namespace option

// Offsets of an event posted for the owner's event number N.
constexpr std::int32_t kPacketWaits = 0;
constexpr std::int32_t kRemoteClosedEvent = 1;
constexpr std::int32_t kPhaseTwoDue = 2;

struct PostedEvent {
  ThreadNumber thread = 0;
  std::int32_t event = 0;
};
using EventPoster = std::function<void(const PostedEvent&)>;

// Installs the delivery of posted events (empty: events are dropped). Called
// from the I/O thread, it must only queue the event and wake the owner.
void setEventPoster(EventPoster poster);
void postEvent(const PostedEvent& event);

// The operations the network classes call; the real library and the scripted
// fake of tests implement them.
class SocketLibrary {
 public:
  virtual ~SocketLibrary() = default;

  // A fresh event number N (N, N+1 and N+2 are the owner's); 0 when none is left.
  virtual std::int32_t NetGetUniqueEvent() = 0;
  virtual void NetFreeUniqueEvent(std::int32_t event) = 0;

  // 0 or an error number; SOCKET, SOCKID, LOCALIP and LOCALPORT are filled. A
  // client with ASYNCOPENTIMEOUT above 0 opens asynchronously (packet 7 or 8).
  virtual std::int32_t NetConnectionOpen(ConnectionRecord& connection) = 0;
  // 0 and the packet filled, or -13 when no packet waits for the connection.
  virtual std::int32_t NetConnectionReceive(ConnectionRecord& connection, PacketRecord& packet) = 0;
  // 0 or an error number (-34: the connection is gone, -4: too much data).
  virtual std::int32_t NetConnectionSend(ConnectionRecord& connection,
                                         const PacketRecord& packet) = 0;
  // Socket and id 0 mean the record's own connection; action: close_action.
  virtual std::int32_t NetConnectionClose(ConnectionRecord& connection, std::int32_t socket,
                                          std::int32_t sockId, std::int32_t action) = 0;
  // Starts TLS on an open connection (0, 0 for a client); packet 7 follows.
  virtual std::int32_t NetConnectionSSLSwitchToSSL(ConnectionRecord& connection,
                                                   std::int32_t socket, std::int32_t sockId) = 0;
  // Fills the remote-certificate fields of the record's TLS options; closing
  // is set when the connection is closing and no details are available.
  virtual std::int32_t NetConnectionSSLGetRemoteCerticate(ConnectionRecord& connection,
                                                          std::int32_t socket, std::int32_t sockId,
                                                          std::int32_t& closing) = 0;
  // Whether the peer's certificate names `host`, as RFC 6125 reads it (DNS
  // names of subjectAltName, the common name only when there are none, a
  // wildcard only as the whole leftmost label): 1 yes, 0 no, -1 when no
  // certificate is at hand (the caller then judges by the subject it has).
  virtual std::int32_t NetConnectionSSLHostMatches(ConnectionRecord&, std::string_view) {
    return -1;
  }
  // One row per accepted connection of a listening server.
  virtual std::int32_t NetConnectionGetServerConnections(
      ConnectionRecord& connection, std::vector<ServerConnectionRow>& rows) = 0;
  // 12: the local host name; 36, 37: the buffer holds socket and socket id
  // and returns the packets (second number) and, for 37, bytes (first) queued.
  virtual std::int32_t NetOptions(std::int32_t option, std::span<char> buffer) = 0;

  // Sends echo requests to a host; 0 when one was answered.
  virtual std::int32_t NetPing(std::string_view address, std::int32_t count) = 0;
  // Connections from a banned address are closed as soon as they are accepted.
  virtual void NetBan(std::string_view address) = 0;
  virtual void NetUnBan(std::string_view address) = 0;
  virtual std::int32_t NetIsBanned(std::string_view address) = 0;
  virtual std::string NetGetBanned() = 0;  // addresses separated by ", "

  // The program ends: every connection is dropped and the I/O thread stops.
  virtual void NetCloseCallBackWindow() = 0;
};

// The library in use: the real one unless a test installed another.
SocketLibrary& socketLibrary();

// Installs a replacement library while alive (tests).
class ScopedSocketLibrary {
 public:
  explicit ScopedSocketLibrary(SocketLibrary& replacement);
  ~ScopedSocketLibrary();
  ScopedSocketLibrary(const ScopedSocketLibrary&) = delete;
  ScopedSocketLibrary& operator=(const ScopedSocketLibrary&) = delete;

 private:
  SocketLibrary* previous_;
};

// The library's process-wide lock (never null).
std::recursive_mutex* NetGet_NetCriticalSection();

// Handles for the TLS options record a connection record points at.
std::int32_t certificateOptionsHandle(CertificateOptionsRecord& options);
void releaseCertificateOptionsHandle(std::int32_t handle);
CertificateOptionsRecord* certificateOptionsFromHandle(std::int32_t handle);

// Base64 text of data (lines are not broken).
std::string NetBase64Encode(std::string_view data);
// The local offset from UTC now: sign, two digits of hours, two of minutes.
std::string NetGetTimeZone();
// Writes one line to the debug output.
void NetDebugTrace(std::string_view text);

}  // namespace rt::net
