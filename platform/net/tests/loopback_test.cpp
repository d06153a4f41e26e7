// The real library against peers on loopback: plain connections, listening,
// refusals, time-outs, closes in two phases, limits.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/net/socket_library.h"
#include "platform/net/testing/event_waiter.h"
#include "platform/net/testing/raw_socket.h"
#include "platform/net/tests/endpoint.h"

namespace rt::net {
namespace {

using namespace std::chrono_literals;
using testing::Endpoint;
using testing::EventWaiter;
using testing::RawSocket;

// A client connected to a listening endpoint, with both sides' first packets taken.
struct Pair {
  explicit Pair(EventWaiter& events) : server(1), client(0) {
    EXPECT_EQ(server.listen(), 0);
    EXPECT_EQ(client.open("127.0.0.1", server.port), 0);
    opened = events.packet(client.record);
    accepted = events.packet(server.record);
  }
  Endpoint server;
  Endpoint client;
  PacketRecord opened;
  PacketRecord accepted;
};

// A client the server dropped as soon as it accepted it: depending on when
// the reset arrives, the open fails with it or the connection opens and closes.
bool droppedAtOnce(EventWaiter& events, Endpoint& client) {
  PacketRecord first = events.packet(client.record);
  if (first.PACKETTYPE == packet::kOpenFailed) return first.WINSOCKERROR == wsa::kConnectionReset;
  return first.PACKETTYPE == packet::kOpened &&
         events.packet(client.record).PACKETTYPE == packet::kRemoteClosed;
}

TEST(NetLoopback, ClientAndServerExchangeDataAndSeeEachOther) {
  EventWaiter events;
  Pair pair(events);
  ASSERT_EQ(pair.opened.PACKETTYPE, packet::kOpened);
  ASSERT_EQ(pair.accepted.PACKETTYPE, packet::kNewConnection);
  EXPECT_STREQ(pair.accepted.FROMIP, "127.0.0.1");
  EXPECT_NE(pair.accepted.SOCKID, pair.client.record.SOCKID);

  std::vector<ServerConnectionRow> rows;
  ASSERT_EQ(socketLibrary().NetConnectionGetServerConnections(pair.server.record, rows), 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].SOCKID, pair.accepted.SOCKID);
  EXPECT_EQ(rows[0].SOCKET, pair.accepted.ONSOCKET);
  EXPECT_STREQ(rows[0].REMOTEIP, "127.0.0.1");
  EXPECT_STREQ(rows[0].LOCALIP, "127.0.0.1");
  EXPECT_EQ(rows[0].REMOTEPORT, pair.client.record.LOCALPORT);
  EXPECT_STREQ(pair.client.record.LOCALIP, "127.0.0.1");

  ASSERT_EQ(pair.client.send("EHLO varneta\r\n"), 0);
  EXPECT_EQ(events.data(pair.server.record, 14), "EHLO varneta\r\n");
  ASSERT_EQ(pair.server.send("250 ok\r\n", pair.accepted.ONSOCKET, pair.accepted.SOCKID), 0);
  EXPECT_EQ(events.data(pair.client.record, 8), "250 ok\r\n");

  // A server names the accepted connection it sends to.
  EXPECT_EQ(pair.server.send("x", 0, 0), err::kConnectionGone);
}

TEST(NetLoopback, SynchronousOpenReturnsWhenConnected) {
  EventWaiter events;
  Endpoint server(1);
  ASSERT_EQ(server.listen(), 0);
  Endpoint client(0);
  ASSERT_EQ(client.open("127.0.0.1", server.port, 0), 0);
  EXPECT_NE(client.record.LOCALPORT, 0);
  EXPECT_STREQ(client.record.LOCALIP, "127.0.0.1");
  EXPECT_EQ(events.packet(server.record).PACKETTYPE, packet::kNewConnection);
  // No packet 7 for an open that already returned.
  ASSERT_EQ(client.send("ping"), 0);
  EXPECT_EQ(events.data(server.record, 4), "ping");
  EXPECT_FALSE(events.next(client.record.NOTIFYEVENT, 50ms));
}

TEST(NetLoopback, RefusedOpenReportsTheSocketError) {
  EventWaiter events;
  RawSocket bound;  // bound, never listening: connects are refused
  Endpoint client(0);
  ASSERT_EQ(client.open("127.0.0.1", bound.port), 0);
  PacketRecord failed = events.packet(client.record);
  EXPECT_EQ(failed.PACKETTYPE, packet::kOpenFailed);
  EXPECT_EQ(failed.NETERROR, 10061);
  EXPECT_EQ(failed.WINSOCKERROR, 10061);
  EXPECT_EQ(failed.SOCKID, client.record.SOCKID);
  EXPECT_EQ(NetErrorStr(10061), "Connection refused");
  EXPECT_EQ(socketLibrary().NetConnectionClose(client.record, failed.ONSOCKET, failed.SOCKID,
                                               close_action::kRelease),
            0);

  Endpoint synchronous(0);
  EXPECT_EQ(synchronous.open("127.0.0.1", bound.port, 0), 10061);
  EXPECT_EQ(synchronous.record.SOCKID, 0);
}

TEST(NetLoopback, OpenTimesOutWhenThePeerNeverAnswers) {
  // A listener with a full backlog drops further connection requests, so a
  // connect neither succeeds nor fails.
  RawSocket full;
  ASSERT_EQ(::listen(full.fd, 0), 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(full.port);
  std::vector<int> fillers;
  for (int i = 0; i < 3; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers.push_back(fd);
  }

  EventWaiter events;
  Endpoint client(0);
  ASSERT_EQ(client.open("127.0.0.1", full.port, 30), 0);
  PacketRecord failed = events.packet(client.record);
  EXPECT_EQ(failed.PACKETTYPE, packet::kOpenFailed);
  EXPECT_EQ(failed.NETERROR, 0);
  EXPECT_EQ(failed.WINSOCKERROR, 10060);
  for (int fd : fillers) ::close(fd);
}

TEST(NetLoopback, SendsUpToOnePacketOfDataAtATime) {
  EventWaiter events;
  Pair pair(events);
  std::string full(kMaxBinData, 'a');
  EXPECT_EQ(pair.client.send(full + "b"), err::kBadStructureSize);
  EXPECT_EQ(pair.client.send(""), err::kBadStructureSize);
  ASSERT_EQ(pair.client.send(full), 0);
  EXPECT_EQ(events.data(pair.server.record, full.size()), full);
}

TEST(NetLoopback, LargeTransferArrivesIntactWhileTheOwnerLagsBehind) {
  // More than the library keeps waiting for an owner: reading pauses and
  // resumes as the owner catches up, and nothing is lost or reordered.
  EventWaiter events;
  Pair pair(events);
  std::string sent;
  for (int i = 0; i < 8 * 1024 * 1024; ++i) sent.push_back(static_cast<char>(i % 251));
  for (std::size_t at = 0; at < sent.size(); at += kMaxBinData) {
    ASSERT_EQ(pair.server.send(std::string_view(sent).substr(at, kMaxBinData),
                               pair.accepted.ONSOCKET, pair.accepted.SOCKID),
              0);
  }
  std::string received = events.data(pair.client.record, sent.size());
  EXPECT_EQ(received.size(), sent.size());
  EXPECT_TRUE(received == sent);
}

TEST(NetLoopback, CloseRunsInTwoPhasesOnBothSides) {
  EventWaiter events;
  Pair pair(events);
  ASSERT_EQ(pair.client.send("QUIT\r\n"), 0);
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.client.record, 0, 0, close_action::kClose), 0);
  // Data queued before the close still reaches the peer, then the peer sees the close.
  EXPECT_EQ(events.data(pair.server.record, 6), "QUIT\r\n");
  PacketRecord closed = events.packet(pair.server.record);
  EXPECT_EQ(closed.PACKETTYPE, packet::kRemoteClosed);
  EXPECT_EQ(closed.SOCKID, pair.accepted.SOCKID);
  EXPECT_EQ(closed.WINSOCKERROR, 0);
  EXPECT_EQ(socketLibrary().NetConnectionClose(pair.server.record, closed.ONSOCKET, closed.SOCKID,
                                               close_action::kRelease),
            0);

  // The client's second phase is due once the peer closed its side.
  auto due = events.next(pair.client.record.NOTIFYEVENT);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->event, pair.client.record.NOTIFYEVENT + kPhaseTwoDue);
  EXPECT_EQ(socketLibrary().NetConnectionClose(pair.client.record, 0, 0, close_action::kRelease),
            0);
  EXPECT_EQ(pair.client.send("late"), err::kConnectionGone);
  EXPECT_EQ(socketLibrary().NetConnectionClose(pair.client.record, 0, 0, close_action::kRelease),
            err::kConnectionGone);
  pair.client.record.SOCKID = 0;
}

TEST(NetLoopback, ServerClosesAndAbortsItsClients) {
  EventWaiter events;
  Pair pair(events);
  Endpoint second(0);
  ASSERT_EQ(second.open("127.0.0.1", pair.server.port), 0);
  ASSERT_EQ(events.packet(second.record).PACKETTYPE, packet::kOpened);
  PacketRecord secondAccepted = events.packet(pair.server.record);
  ASSERT_EQ(secondAccepted.PACKETTYPE, packet::kNewConnection);

  // Closing one accepted connection: its second phase arrives as packet 6.
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.server.record, pair.accepted.ONSOCKET,
                                               pair.accepted.SOCKID, close_action::kClose),
            0);
  EXPECT_EQ(events.packet(pair.client.record).PACKETTYPE, packet::kRemoteClosed);
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.client.record, 0, 0, close_action::kRelease),
            0);
  PacketRecord phaseTwo = events.packet(pair.server.record);
  EXPECT_EQ(phaseTwo.PACKETTYPE, packet::kClosePhaseTwo);
  EXPECT_EQ(phaseTwo.SOCKID, pair.accepted.SOCKID);
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.server.record, phaseTwo.ONSOCKET,
                                               phaseTwo.SOCKID, close_action::kRelease),
            0);
  std::vector<ServerConnectionRow> rows;
  socketLibrary().NetConnectionGetServerConnections(pair.server.record, rows);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].SOCKID, secondAccepted.SOCKID);

  // Aborting the other resets it.
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.server.record, secondAccepted.ONSOCKET,
                                               secondAccepted.SOCKID, close_action::kAbort),
            0);
  PacketRecord reset = events.packet(second.record);
  EXPECT_EQ(reset.PACKETTYPE, packet::kRemoteClosed);
  EXPECT_EQ(reset.WINSOCKERROR, wsa::kConnectionReset);
  socketLibrary().NetConnectionGetServerConnections(pair.server.record, rows);
  EXPECT_TRUE(rows.empty());
}

TEST(NetLoopback, ListenerStopsListeningAndClosesWithItsClients) {
  EventWaiter events;
  Pair pair(events);
  ASSERT_EQ(
      socketLibrary().NetConnectionClose(pair.server.record, 0, 0, close_action::kStopListening),
      0);
  Endpoint late(0);
  ASSERT_EQ(late.open("127.0.0.1", pair.server.port), 0);
  PacketRecord refused = events.packet(late.record);
  EXPECT_EQ(refused.PACKETTYPE, packet::kOpenFailed);
  EXPECT_EQ(refused.WINSOCKERROR, wsa::kConnectionRefused);
  // The accepted connection still works.
  ASSERT_EQ(pair.client.send("still here"), 0);
  EXPECT_EQ(events.data(pair.server.record, 10), "still here");

  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.server.record, 0, 0, close_action::kClose), 0);
  EXPECT_EQ(events.packet(pair.client.record).PACKETTYPE, packet::kRemoteClosed);
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.client.record, 0, 0, close_action::kRelease),
            0);
  auto due = events.next(pair.server.record.NOTIFYEVENT);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->event, pair.server.record.NOTIFYEVENT + kPhaseTwoDue);
  EXPECT_EQ(socketLibrary().NetConnectionClose(pair.server.record, 0, 0, close_action::kRelease),
            0);
  pair.server.record.SOCKID = 0;
}

TEST(NetLoopback, ReceiveWithoutAWaitingPacketAnswersNoRequest) {
  EventWaiter events;
  Pair pair(events);
  auto packet = std::make_unique<PacketRecord>();
  EXPECT_EQ(socketLibrary().NetConnectionReceive(pair.client.record, *packet), err::kNoRequest);
  // Aborting drops what waited, so late events find nothing.
  ASSERT_EQ(pair.server.send("late data", pair.accepted.ONSOCKET, pair.accepted.SOCKID), 0);
  ASSERT_TRUE(events.next(pair.client.record.NOTIFYEVENT));
  ASSERT_EQ(socketLibrary().NetConnectionClose(pair.client.record, 0, 0, close_action::kAbort), 0);
  EXPECT_EQ(socketLibrary().NetConnectionReceive(pair.client.record, *packet), err::kNoRequest);
  pair.client.record.SOCKID = 0;
}

TEST(NetLoopback, IdleConnectionIsReportedOnce) {
  EventWaiter events;
  Endpoint server(1);
  ASSERT_EQ(server.listen(), 0);
  Endpoint client(0);
  client.record.INACTIVETIMEOUT = 10;
  ASSERT_EQ(client.open("127.0.0.1", server.port), 0);
  ASSERT_EQ(events.packet(client.record).PACKETTYPE, packet::kOpened);
  EXPECT_EQ(events.packet(client.record).PACKETTYPE, packet::kIdle);
  EXPECT_FALSE(events.next(client.record.NOTIFYEVENT, 300ms));
  // Traffic starts a new idle period.
  ASSERT_EQ(client.send("x"), 0);
  EXPECT_EQ(events.packet(client.record).PACKETTYPE, packet::kIdle);
}

TEST(NetLoopback, BannedAddressesAreTurnedAway) {
  EventWaiter events;
  Endpoint server(1);
  ASSERT_EQ(server.listen(), 0);
  socketLibrary().NetBan("127.0.0.1");
  socketLibrary().NetBan("10.0.0.9");
  EXPECT_EQ(socketLibrary().NetIsBanned("127.0.0.1"), 1);
  EXPECT_EQ(socketLibrary().NetGetBanned(), "10.0.0.9, 127.0.0.1");
  Endpoint client(0);
  ASSERT_EQ(client.open("127.0.0.1", server.port), 0);
  // The connection is made and dropped at once; the server's owner never hears of it.
  EXPECT_TRUE(droppedAtOnce(events, client));
  EXPECT_FALSE(events.next(server.record.NOTIFYEVENT, 100ms));

  socketLibrary().NetUnBan("127.0.0.1");
  EXPECT_EQ(socketLibrary().NetIsBanned("127.0.0.1"), 0);
  socketLibrary().NetUnBan("10.0.0.9");
  Endpoint welcome(0);
  ASSERT_EQ(welcome.open("127.0.0.1", server.port), 0);
  EXPECT_EQ(events.packet(server.record).PACKETTYPE, packet::kNewConnection);
}

TEST(NetLoopback, OptionsReportQueuesAndHostName) {
  EventWaiter events;
  Pair pair(events);
  char buffer[8];
  std::memcpy(buffer, &pair.client.record.SOCKET, 4);
  std::memcpy(buffer + 4, &pair.client.record.SOCKID, 4);
  ASSERT_EQ(socketLibrary().NetOptions(option::kQueuedPacketsAndBytes, buffer), 0);
  std::int32_t bytes = -1;
  std::int32_t packets = -1;
  std::memcpy(&bytes, buffer, 4);
  std::memcpy(&packets, buffer + 4, 4);
  EXPECT_EQ(bytes, 0);
  EXPECT_EQ(packets, 0);
  char unknown[8] = {};
  EXPECT_EQ(socketLibrary().NetOptions(option::kQueuedPackets, unknown), err::kConnectionGone);

  char name[64] = {};
  ASSERT_EQ(socketLibrary().NetOptions(option::kLocalHostName, name), 0);
  EXPECT_GT(std::strlen(name), 0u);
}

TEST(NetLoopback, MaximumServerConnectionsTurnsAwayTheRest) {
  EventWaiter events;
  Endpoint server(1);
  server.record.MAXSERVERCONNECTIONS = 1;
  ASSERT_EQ(server.listen(), 0);
  Endpoint first(0);
  ASSERT_EQ(first.open("127.0.0.1", server.port), 0);
  EXPECT_EQ(events.packet(server.record).PACKETTYPE, packet::kNewConnection);
  Endpoint second(0);
  ASSERT_EQ(second.open("127.0.0.1", server.port), 0);
  EXPECT_TRUE(droppedAtOnce(events, second));
  EXPECT_FALSE(events.next(server.record.NOTIFYEVENT, 100ms));
}

TEST(NetLoopback, DatagramsGoToTheAddressAndPortTheyName) {
  EventWaiter events;
  Endpoint server(1);
  server.record.UDPMODE = 1;
  ASSERT_EQ(server.listen(), 0);
  Endpoint client(0);
  client.record.UDPMODE = 1;
  ASSERT_EQ(socketLibrary().NetConnectionOpen(client.record), 0);

  auto packet = std::make_unique<PacketRecord>();
  std::string_view text = "ping?";
  text.copy(packet->BINDATA, text.size());
  packet->BINDATALEN = static_cast<std::int32_t>(text.size());
  EXPECT_EQ(socketLibrary().NetConnectionSend(client.record, *packet), err::kHostNotSpecified);
  setFieldText(packet->TOIP, "127.0.0.1");
  packet->UDPTOPORT = server.port;
  ASSERT_EQ(socketLibrary().NetConnectionSend(client.record, *packet), 0);

  PacketRecord received = events.packet(server.record);
  EXPECT_EQ(received.PACKETTYPE, packet::kData);
  EXPECT_EQ(std::string(received.BINDATA, received.BINDATALEN), "ping?");
  EXPECT_STREQ(received.FROMIP, "127.0.0.1");
  EXPECT_EQ(received.UDPFROMPORT, client.record.LOCALPORT);
}

TEST(NetLoopback, ClosingDownDropsEveryConnectionAndALaterOpenStartsAgain) {
  EventWaiter events;
  {
    Pair pair(events);
    socketLibrary().NetCloseCallBackWindow();
    EXPECT_EQ(pair.client.send("after the end"), err::kConnectionGone);
    pair.client.record.SOCKID = pair.server.record.SOCKID = 0;
  }
  Pair again(events);
  EXPECT_EQ(again.opened.PACKETTYPE, packet::kOpened);
  EXPECT_EQ(again.accepted.PACKETTYPE, packet::kNewConnection);
}

TEST(NetLoopback, PingAnswersOnLoopback) {
  std::int32_t result = socketLibrary().NetPing("127.0.0.1", 1);
  if (result == wsa::kAccessDenied) GTEST_SKIP() << "ICMP sockets are not allowed for this user";
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace rt::net
