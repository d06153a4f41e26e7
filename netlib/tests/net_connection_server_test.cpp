// The server side, the library's queue information, ping and the ban list,
// and the header-text and hexadecimal helpers of the connection class.
#include <gtest/gtest.h>

#include "netlib/tests/connection_harness.h"
#include "platform/base/debug_sink.h"
#include "platform/net/fake_socket_library.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

using rt::net::FakeSocketLibrary;
using testing::EventPump;
using testing::makeConnection;
using testing::TestConnection;
namespace close_action = rt::net::close_action;

class NetServerFake : public ::testing::Test {
 protected:
  void SetUp() override {
    server->Open("", 2525);
    ASSERT_EQ(server->OPENFLAG, 1);
  }
  void pump() { events.pump({server.get()}); }
  const FakeSocketLibrary::Call& lastCall() const { return fake.calls().back(); }

  FakeSocketLibrary fake;
  rt::net::ScopedSocketLibrary scope{fake};
  EventPump events;
  std::unique_ptr<TestConnection> server = makeConnection(1);
};

TEST_F(NetServerFake, AcceptedConnectionsAreCountedListedAndClosed) {
  fake.deliverNewConnection(server->CONNECTION_, 7, 77, "127.0.0.2");
  fake.deliverNewConnection(server->CONNECTION_, 8, 88, "127.0.0.3");
  fake.deliverData(server->CONNECTION_, "HELO", 7, 77);
  pump();
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 2);
  ASSERT_EQ(server->QSERVERCONNECTIONS->size(), 2u);
  EXPECT_EQ(rt::net::fieldText((*server->QSERVERCONNECTIONS)[1].REMOTEIP), "127.0.0.3");
  ASSERT_EQ(server->data.size(), 1u);
  EXPECT_EQ(server->PACKET.SOCKID, 77);

  // A reply goes to the packet's socket.
  rt::net::setFieldText(server->PACKET.TOIP, "127.0.0.2");
  server->SendString("250 ok\r\n");
  EXPECT_EQ(fake.sent(77), "250 ok\r\n");

  server->CloseServerConnection(7, 77);
  EXPECT_EQ(lastCall().operation, "NetConnectionGetServerConnections");
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 1);
  EXPECT_EQ(server->QSERVERCONNECTIONS->size(), 1u);

  rt::net::QueuedPacket hangUp;  // the other client hangs up
  hangUp.type = rt::net::packet::kRemoteClosed;
  hangUp.socket = 8;
  hangUp.sockId = 88;
  fake.deliver(server->CONNECTION_, hangUp);
  pump();
  EXPECT_EQ(server->closed, 1);
  EXPECT_TRUE(server->QSERVERCONNECTIONS->empty());
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 0);
  server->CloseServerConnection(8, 88);
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 0);

  server->Close();
  EXPECT_EQ(server->OPENFLAG, 0);
  EXPECT_TRUE(server->QSERVERCONNECTIONS->empty());
}

TEST_F(NetServerFake, AServerNeedsAnAddressAndSocketToSendTo) {
  server->PACKET.BINDATALEN = 3;
  server->Send();
  EXPECT_EQ(server->ERROR, -33);
  EXPECT_EQ(server->errors.back().text,
            "Hostname or Socket are not set to anything. (You must set self.packet.ToIp and "
            "OnSocket)");
}

TEST_F(NetServerFake, AbortingOneConnectionAndStoppingToListen) {
  fake.deliverNewConnection(server->CONNECTION_, 7, 77, "127.0.0.2");
  pump();
  fake.scriptResult("NetConnectionClose", -24);
  server->AbortServerConnection(7, 77);
  EXPECT_EQ(server->errors.back().text, "Unable to Abort connection");
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 1);

  server->PartiallyCloseServer();
  EXPECT_EQ(lastCall().action, close_action::kStopListening);
  EXPECT_EQ(server->OPENFLAG, 1);
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 1);

  auto client = makeConnection(0);
  client->LOGGINGON = 1;
  fake.clearCalls();
  client->PartiallyCloseServer();
  EXPECT_TRUE(fake.calls().empty());
}

TEST_F(NetServerFake, GetInfoReadsTheLibrarysQueue) {
  fake.setQueued(3, 4096);
  server->GetInfo(2);
  EXPECT_EQ(server->OUTGOINGDLLPACKETS, 3);
  EXPECT_EQ(server->OUTGOINGDLLPACKETSBYTES, 4096);
  server->GetInfo(1);
  EXPECT_EQ(server->OUTGOINGDLLPACKETSBYTES, 0);

  rt::DebugCapture capture;
  server->LOGGINGON = 1;
  server->OUTGOINGDLLPACKETSBYTES = 9;
  fake.clearCalls();
  server->GetInfo(3);
  EXPECT_EQ(server->OUTGOINGDLLPACKETS, 3);
  EXPECT_EQ(server->OUTGOINGDLLPACKETSBYTES, 9);
  EXPECT_EQ(fake.count("NetOptions"), 0);
  bool logged = false;
  for (const std::string& line : capture.lines()) {
    logged |= line.find("NetConnection.GetInfo - Illegal p_Options = 3") != std::string::npos;
  }
  EXPECT_TRUE(logged);
}

TEST_F(NetServerFake, PingAndBanListPassTheirArgumentsThrough) {
  server->Ping("127.0.0.1", 2);
  EXPECT_EQ(lastCall().operation, "NetPing");
  EXPECT_EQ(lastCall().data, "127.0.0.1");
  EXPECT_EQ(lastCall().action, 2);
  server->Ban("10.0.0.9");
  server->Ban("10.0.0.8");
  EXPECT_EQ(server->IsBanned("10.0.0.9"), 1);
  server->UnBan("10.0.0.9");
  EXPECT_EQ(server->IsBanned("10.0.0.9"), 0);
  EXPECT_EQ(server->GetBanned(), "10.0.0.8");
}

TEST(NetConnectionText, HeaderValues) {
  NetConnection c;
  const std::string block =
      "From: a@b.c\r\nSubject: Hola\r\n  mundo\r\nTo: x@y.z\r\n\r\nX-Late: body";
  EXPECT_EQ(c.GetHeaderValue_(block, "Subject"), "Hola  mundo");
  EXPECT_EQ(c.GetHeaderValue_(block, "subject:"), "");
  EXPECT_EQ(c.GetHeaderValue_(block, "subject", 1, 0, 1), "Hola  mundo");
  EXPECT_EQ(c.GetHeaderValue_(block, "To"), "x@y.z");
  EXPECT_EQ(c.GetHeaderValue_(block, "X-Late"), "");
  EXPECT_EQ(c.GetHeaderValue_(block, "From", 5), "");  // the span starts inside the line
  EXPECT_EQ(c.GetHeaderValue_(block, "From", 10, 5), "");
  textlib::TextBuffer text;
  text.SetValue(block);
  EXPECT_EQ(c.HeaderValue_(text, "From"), "a@b.c");
}

TEST(NetConnectionText, Hexadecimal) {
  NetConnection c;
  EXPECT_EQ(c.HexToLong_("ff"), 255);
  EXPECT_EQ(c.HexToLong_("  1G"), 1);
  EXPECT_EQ(c.HexToLong_(""), 0);
  EXPECT_EQ(c.HexToLong_("xyz"), 0);
  EXPECT_EQ(c.HexToLong_("FFFFFFFF"), -1);
  EXPECT_EQ(c.LongToHex_(255), "000000ff");
  EXPECT_EQ(c.LongToHex_(-1), "ffffffff");
  EXPECT_EQ(c.LongToHex_(0x12AB34CD), "12ab34cd");
}

}  // namespace
}  // namespace netlib
