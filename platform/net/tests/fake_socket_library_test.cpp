// The scripted fake behaves as the library does towards a connection's owner.
#include "platform/net/fake_socket_library.h"

#include <gtest/gtest.h>

#include "platform/net/testing/event_waiter.h"

namespace rt::net {
namespace {

using namespace std::chrono_literals;
using testing::EventWaiter;

class NetFake : public ::testing::Test {
 protected:
  NetFake() : installed(fake) {
    record.NOTIFYTHREAD = 3;
    record.NOTIFYEVENT = socketLibrary().NetGetUniqueEvent();
    setFieldText(record.SERVER, "smtp.example.test");
    record.PORT = 25;
    record.ASYNCOPENTIMEOUT = 1200;
  }
  PacketRecord& receive() {
    auto event = events.next(record.NOTIFYEVENT, 1s);
    EXPECT_TRUE(event);
    EXPECT_EQ(event ? event->thread : 0, 3);
    *packet = PacketRecord{};
    last = socketLibrary().NetConnectionReceive(record, *packet);
    return *packet;
  }

  std::string receiveText() {
    receive();
    return std::string(packet->BINDATA, static_cast<std::size_t>(packet->BINDATALEN));
  }

  FakeSocketLibrary fake;
  ScopedSocketLibrary installed;
  EventWaiter events;
  ConnectionRecord record;
  std::unique_ptr<PacketRecord> packet = std::make_unique<PacketRecord>();
  std::int32_t last = 0;
};

TEST_F(NetFake, SplitRepliesArriveAsSeparatePackets) {
  ASSERT_EQ(socketLibrary().NetConnectionOpen(record), 0);
  EXPECT_NE(record.SOCKID, 0);
  fake.deliverOpened(record);
  EXPECT_EQ(receive().PACKETTYPE, packet::kOpened);
  fake.deliverData(record, "250-smtp.example.test\r\n250-AUTH LO");
  fake.deliverData(record, "GIN\r\n250 OK\r\n");
  EXPECT_EQ(receiveText(), "250-smtp.example.test\r\n250-AUTH LO");
  EXPECT_EQ(packet->SOCKID, record.SOCKID);
  EXPECT_EQ(receiveText(), "GIN\r\n250 OK\r\n");

  // Longer data comes in packets of at most 16,384 bytes.
  fake.deliverData(record, std::string(40000, 'x'));
  EXPECT_EQ(receive().BINDATALEN, 16384);
  EXPECT_EQ(receive().BINDATALEN, 16384);
  EXPECT_EQ(receive().BINDATALEN, 7232);
}

TEST_F(NetFake, OpenFailuresCarryTheLibrarysErrorNumbers) {
  ASSERT_EQ(socketLibrary().NetConnectionOpen(record), 0);
  fake.deliverRefused(record);
  fake.deliverOpenTimeout(record);
  PacketRecord refused = receive();
  EXPECT_EQ(refused.PACKETTYPE, packet::kOpenFailed);
  EXPECT_EQ(refused.NETERROR, 10061);
  EXPECT_EQ(refused.WINSOCKERROR, 10061);
  PacketRecord timedOut = receive();
  EXPECT_EQ(timedOut.PACKETTYPE, packet::kOpenFailed);
  EXPECT_EQ(timedOut.NETERROR, 0);
  EXPECT_EQ(timedOut.WINSOCKERROR, 10060);

  fake.scriptResult("NetConnectionOpen", 11001);
  EXPECT_EQ(socketLibrary().NetConnectionOpen(record), 11001);
  setFieldText(record.SERVER, "");
  EXPECT_EQ(socketLibrary().NetConnectionOpen(record), err::kHostNotSpecified);
}

TEST_F(NetFake, LateEventsAfterCloseFindNoPacket) {
  ASSERT_EQ(socketLibrary().NetConnectionOpen(record), 0);
  fake.deliverData(record, "221 bye\r\n");
  ASSERT_EQ(socketLibrary().NetConnectionClose(record, 0, 0, close_action::kAbort), 0);
  EXPECT_EQ(receive().PACKETTYPE, 0);
  EXPECT_EQ(last, err::kNoRequest);

  fake.postBare(record, kPhaseTwoDue);
  auto due = events.next(record.NOTIFYEVENT, 1s);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->event, record.NOTIFYEVENT + 2);

  ASSERT_EQ(fake.count("NetConnectionClose"), 1);
  const auto& close = fake.calls()[fake.calls().size() - 2];
  EXPECT_EQ(close.operation, "NetConnectionClose");
  EXPECT_EQ(close.action, close_action::kAbort);
}

TEST_F(NetFake, SendsAreCheckedAndRecorded) {
  ASSERT_EQ(socketLibrary().NetConnectionOpen(record), 0);
  auto big = std::make_unique<PacketRecord>();
  big->BINDATALEN = kMaxBinData + 1;
  EXPECT_EQ(socketLibrary().NetConnectionSend(record, *big), err::kBadStructureSize);
  big->BINDATALEN = kMaxBinData;
  std::fill_n(big->BINDATA, kMaxBinData, 'd');
  EXPECT_EQ(socketLibrary().NetConnectionSend(record, *big), 0);
  fake.scriptResult("NetConnectionSend", err::kConnectionGone);
  EXPECT_EQ(socketLibrary().NetConnectionSend(record, *big), err::kConnectionGone);
  EXPECT_EQ(fake.sent(record.SOCKID), std::string(kMaxBinData, 'd'));
  EXPECT_EQ(fake.count("NetConnectionSend"), 3);
}

TEST_F(NetFake, ServerSideAndCertificateAreScripted) {
  record.MODE = 1;
  CertificateOptionsRecord options;
  record.SSL_CERTIFICATEOPTIONSPOINTER_ = certificateOptionsHandle(options);
  ASSERT_EQ(socketLibrary().NetConnectionOpen(record), 0);
  fake.deliverNewConnection(record, 7, 77, "127.0.0.1");
  PacketRecord accepted = receive();
  EXPECT_EQ(accepted.PACKETTYPE, packet::kNewConnection);
  EXPECT_EQ(accepted.SOCKID, 77);
  EXPECT_STREQ(accepted.FROMIP, "127.0.0.1");
  std::vector<ServerConnectionRow> rows;
  ASSERT_EQ(socketLibrary().NetConnectionGetServerConnections(record, rows), 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].SOCKID, 77);
  socketLibrary().NetConnectionClose(record, 7, 77, close_action::kClose);
  socketLibrary().NetConnectionGetServerConnections(record, rows);
  EXPECT_TRUE(rows.empty());

  fake.setRemoteCertificate("/CN=*.example.test", "/CN=Test CA");
  std::int32_t closing = -1;
  ASSERT_EQ(socketLibrary().NetConnectionSSLGetRemoteCerticate(record, 0, 0, closing), 0);
  EXPECT_EQ(closing, 0);
  EXPECT_EQ(fieldText(options.REMOTECERTIFICATESUBJECT), "/CN=*.example.test");
  EXPECT_EQ(options.REMOTECERTIFICATEHAVEDETAILS, 1);
  fake.setCertificateClosing(true);
  ASSERT_EQ(socketLibrary().NetConnectionSSLGetRemoteCerticate(record, 0, 0, closing), 0);
  EXPECT_EQ(closing, 1);
  releaseCertificateOptionsHandle(record.SSL_CERTIFICATEOPTIONSPOINTER_);
}

TEST_F(NetFake, EventNumbersComeInThreesAndRunOut) {
  std::int32_t first = socketLibrary().NetGetUniqueEvent();
  std::int32_t second = socketLibrary().NetGetUniqueEvent();
  EXPECT_EQ(second - first, 3);
  fake.scriptResult("NetGetUniqueEvent", 0);
  EXPECT_EQ(socketLibrary().NetGetUniqueEvent(), 0) << "none left";
  EventNumberPool pool;
  std::set<std::int32_t> taken;
  for (std::int32_t event = pool.take(); event != 0; event = pool.take()) taken.insert(event);
  EXPECT_EQ(taken.size(), 8192u);
  pool.give(*taken.begin());
  EXPECT_EQ(pool.take(), *taken.begin());
}

}  // namespace
}  // namespace rt::net
