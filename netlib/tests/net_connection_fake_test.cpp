// The connection class against the scripted library: what a real peer cannot
// produce on demand (split replies, late events, time-outs, refused sends).
#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include <string>

#include "netlib/tests/connection_harness.h"
#include "platform/base/debug_sink.h"
#include "platform/base/message_hook.h"
#include "platform/base/text_order.h"
#include "platform/net/fake_socket_library.h"

namespace netlib {
namespace {

using rt::net::FakeSocketLibrary;
using testing::EventPump;
using testing::makeConnection;
using testing::TestConnection;
namespace close_action = rt::net::close_action;
namespace packet = rt::net::packet;

bool anyLineHas(const rt::DebugCapture& capture, std::string_view text) {
  for (const std::string& line : capture.lines()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

class NetConnectionFake : public ::testing::Test {
 protected:
  void pump() { events.pump({client.get()}); }
  void openClient() {
    client->Open("mail.example.com", 25);
    fake.deliverOpened(client->CONNECTION_);
    pump();
    ASSERT_EQ(client->OPENFLAG, 1);
  }
  std::vector<FakeSocketLibrary::Call> closeCalls() const {
    std::vector<FakeSocketLibrary::Call> closes;
    for (const auto& call : fake.calls()) {
      if (call.operation == "NetConnectionClose") closes.push_back(call);
    }
    return closes;
  }

  FakeSocketLibrary fake;
  rt::net::ScopedSocketLibrary scope{fake};
  EventPump events;
  std::unique_ptr<TestConnection> client = makeConnection(0);
};

TEST_F(NetConnectionFake, AsynchronousOpenWaitsForTheLibraryThenProcesses) {
  client->Open("mail.example.com", 25);
  EXPECT_EQ(client->ASYNCOPENBUSY, 1);
  EXPECT_EQ(client->OPENFLAG, 0);
  EXPECT_EQ(client->CONNECTION_.ASYNCOPENTIMEOUT, 1200);
  EXPECT_TRUE(client->processed.empty());

  fake.deliverOpened(client->CONNECTION_);
  pump();
  EXPECT_EQ(client->OPENFLAG, 1);
  EXPECT_EQ(client->ASYNCOPENBUSY, 0);
  EXPECT_EQ(client->processed, std::vector<std::int32_t>{packet::kOpened});

  client->Open("mail.example.com", 25);  // already open
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].error, -55);
  EXPECT_EQ(fake.count("NetConnectionOpen"), 1);
}

TEST_F(NetConnectionFake, SplitRepliesReachProcessPacketByPacketInOrder) {
  openClient();
  fake.deliverData(client->CONNECTION_, "220 mail.example.com");
  fake.deliverData(client->CONNECTION_, " ESMTP ready\r\n250-SIZE");
  std::string large(40000, 'x');
  fake.deliverData(client->CONNECTION_, large);  // three packets of the library
  pump();
  ASSERT_EQ(client->data.size(), 5u);
  EXPECT_EQ(client->data[0], "220 mail.example.com");
  EXPECT_EQ(client->data[1], " ESMTP ready\r\n250-SIZE");
  EXPECT_EQ(client->data[4].size(), 40000u - 2 * 16384u);
  EXPECT_EQ(client->received(), "220 mail.example.com ESMTP ready\r\n250-SIZE" + large);
  EXPECT_TRUE(client->errors.empty());
}

TEST_F(NetConnectionFake, SendRefusesMoreThanOnePacketOfDataUnlessShared) {
  openClient();
  client->PACKET.BINDATALEN = 16385;
  client->Send();
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->ERROR, -4);
  EXPECT_EQ(client->errors[0].text,
            "Trying to send too much data in self.packet.binData and self.packet.binDataLen");
  EXPECT_EQ(fake.count("NetConnectionSend"), 0);

  client->PACKET.BINDATALEN = 16384;
  client->Send();
  EXPECT_EQ(client->ERROR, 0);
  EXPECT_EQ(fake.sent().size(), 16384u);

  client->PACKET.BINDATALEN = 0;
  client->Send();
  EXPECT_EQ(client->ERROR, -4);
  EXPECT_EQ(client->errors.back().text, "Data length is less than or equal to zero");
}

TEST_F(NetConnectionFake, SendStringCutsIntoPacketsAndStopsAtTheFirstFailure) {
  openClient();
  std::string text;
  for (int i = 0; i < 40000; ++i) text += static_cast<char>('a' + i % 26);
  client->SendString(text);
  std::vector<std::size_t> sizes;
  for (const auto& call : fake.calls()) {
    if (call.operation == "NetConnectionSend") sizes.push_back(call.data.size());
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{16384, 16384, 7232}));
  EXPECT_EQ(fake.sent(), text);

  fake.clearCalls();
  fake.scriptResult("NetConnectionSend", rt::net::err::kConnectionGone);
  client->SendString(text);
  EXPECT_EQ(fake.count("NetConnectionSend"), 1);
  EXPECT_EQ(client->OPENFLAG, 0);
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].text, "Error sending data");
}

TEST_F(NetConnectionFake, SendChecksTheConnectionBeforeTheLibrary) {
  client->PACKET.BINDATALEN = 4;
  client->Send();
  EXPECT_EQ(client->ERROR, -36);

  openClient();
  client->PACKET.BINDATALEN = 4;
  client->DONTERRORTRAPINSENDIFCONNECTIONCLOSED = 1;
  fake.scriptResult("NetConnectionSend", rt::net::err::kConnectionGone);
  client->Send();
  EXPECT_EQ(client->ERROR, -34);
  EXPECT_EQ(client->errors.size(), 1u);  // only the not-open one

  TestConnection uninitialised;
  uninitialised.SUPPRESSERRORMSG = 1;
  uninitialised.Send();
  EXPECT_EQ(uninitialised.ERROR, -60);
  uninitialised.Open("mail.example.com", 25);
  EXPECT_EQ(uninitialised.ERROR, -60);
  EXPECT_EQ(fake.count("NetConnectionOpen"), 1);
}

TEST_F(NetConnectionFake, OpenTimeOutAndRefusalReachErrorTrapWithTheirOwnTexts) {
  client->Open("mail.example.com", 25);
  fake.deliverOpenTimeout(client->CONNECTION_);
  pump();
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].error, -53);
  EXPECT_EQ(client->errors[0].text.rfind("The requested connection to mail.example.com", 0), 0u);
  EXPECT_EQ(client->WINSOCKERROR, 10060);
  EXPECT_EQ(client->ASYNCOPENBUSY, 0);
  ASSERT_EQ(closeCalls().size(), 1u);
  EXPECT_EQ(closeCalls()[0].action, close_action::kRelease);

  client->Open("mail.example.com", 25);
  fake.deliverRefused(client->CONNECTION_);
  pump();
  ASSERT_EQ(client->errors.size(), 2u);
  EXPECT_EQ(client->errors[1].error, 10061);
  EXPECT_NE(client->ERRORSTRING.find("which means " + rt::net::NetErrorStr(10061) +
                                     " [listed by NetErrorStr]."),
            std::string::npos)
      << client->ERRORSTRING;
  EXPECT_EQ(client->closed, 0);
}

// A server that accepts the connection but no TLS version we offer: the
// handshake failure is reported as such, with OpenSSL's reason, not as a timeout.
TEST_F(NetConnectionFake, AFailedTlsHandshakeIsNoTimeout) {
  client->SSL = 1;
  client->Open("mail.example.com", 465);
  rt::net::QueuedPacket packet;
  packet.type = rt::net::packet::kOpenFailed;
  packet.netError = rt::net::err::kSslConnectFailed;
  packet.sslError = SSL_R_UNSUPPORTED_PROTOCOL;
  fake.deliver(client->CONNECTION_, packet);
  pump();
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].error, rt::net::err::kSslConnectFailed);
  EXPECT_EQ(
      client->errors[0].text,
      "The secure (TLS) connection to mail.example.com could not be opened: the TLS handshake "
      "failed (unsupported protocol)");
  EXPECT_EQ(client->ASYNCOPENBUSY, 0);
}

TEST_F(NetConnectionFake, IdleConnectionIsLeftToProcess) {
  openClient();
  fake.deliverIdle(client->CONNECTION_);
  pump();
  EXPECT_EQ(client->processed.back(), packet::kIdle);
}

TEST_F(NetConnectionFake, LateEventsOfAnEarlierConnectionCloseNothing) {
  openClient();
  client->Close();
  ASSERT_EQ(closeCalls().size(), 1u);
  EXPECT_EQ(closeCalls()[0].action, close_action::kClose);
  client->Open("mail.example.com", 25);
  fake.deliverOpened(client->CONNECTION_);
  pump();

  fake.clearCalls();
  fake.postBare(client->CONNECTION_, rt::net::kPhaseTwoDue);
  rt::net::QueuedPacket phaseTwo;
  phaseTwo.type = packet::kClosePhaseTwo;
  fake.deliver(client->CONNECTION_, phaseTwo);
  pump();
  EXPECT_TRUE(closeCalls().empty());
  EXPECT_EQ(client->OPENFLAG, 1);
  EXPECT_EQ(client->closed, 0);
}

TEST_F(NetConnectionFake, CloseRunsInTwoPhasesAndOnlyWhenOpen) {
  client->Close();
  EXPECT_EQ(client->ERROR, 0);
  EXPECT_TRUE(closeCalls().empty());

  openClient();
  client->Close();
  fake.postBare(client->CONNECTION_, rt::net::kPhaseTwoDue);
  pump();
  ASSERT_EQ(closeCalls().size(), 2u);
  EXPECT_EQ(closeCalls()[1].action, close_action::kRelease);
  EXPECT_EQ(client->closed, 0);
}

TEST_F(NetConnectionFake, EventsAfterCloseOrKillReachNoCallback) {
  openClient();
  fake.deliverRemoteClosed(client->CONNECTION_);
  fake.deliverData(client->CONNECTION_, "late");  // dropped with the connection
  pump();
  EXPECT_EQ(client->closed, 1);
  EXPECT_EQ(client->OPENFLAG, 0);
  EXPECT_TRUE(client->data.empty());
  EXPECT_TRUE(client->errors.empty());  // a receive that finds nothing is no error

  const std::int32_t event = client->NOTIFYEVENT();
  client->Kill();
  EXPECT_EQ(fake.count("NetFreeUniqueEvent"), 1);
  fake.postBare(client->CONNECTION_, rt::net::kPacketWaits);
  pump();
  EXPECT_TRUE(client->errors.empty());
  EXPECT_EQ(client->NOTIFYEVENT(), event);
  client->GetInfo(1);  // the disposed queue is not touched
}

TEST_F(NetConnectionFake, AbortStopsAnOpenUnderWayAndWarnsOtherwise) {
  rt::DebugCapture capture;
  client->Abort();
  EXPECT_TRUE(anyLineHas(capture, "Warning. Socket not open. Can not abort"));
  client->Open("mail.example.com", 25);
  client->Abort();
  ASSERT_EQ(closeCalls().size(), 1u);
  EXPECT_EQ(closeCalls()[0].action, close_action::kAbort);
  EXPECT_EQ(client->ASYNCOPENBUSY, 0);

  fake.scriptResult("NetConnectionClose", -24);
  client->Open("mail.example.com", 25);
  client->Abort();
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].text, "Unable to Abort (Close) connection");
}

class NetConnectionTls : public NetConnectionFake {
 protected:
  void SetUp() override {
    client->SSL = 1;
    fake.setRemoteCertificate("/O=Example/CN=*.Example.com", "/CN=Example CA");
  }
  void openTo(const std::string& host) {
    client->Open(host, 465);
    fake.deliverOpened(client->CONNECTION_);
    pump();
  }
};

TEST_F(NetConnectionTls, CommonNameIsCheckedWhenTheConnectionOpens) {
  struct Case {
    const char* host;
    const char* extraName;
    int dontVerify;
    bool passes;
  };
  const Case cases[] = {
      {"mail.example.com", "", 0, true}, {"MAIL.EXAMPLE.COM", "", 0, true},
      {"a.b.example.com", "", 0, false}, {"evilexample.com", "", 0, false},
      {"example.com", "", 0, false},     {"evilexample.com", "smtp.example.com", 0, true},
      {"evilexample.com", "", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    fake.clearCalls();
    client->errors.clear();
    client->processed.clear();
    rt::net::setFieldText(client->SSLCERTIFICATEOPTIONS.SERVERNAME, c.extraName);
    client->SSLCERTIFICATEOPTIONS.DONTVERIFYREMOTECERTIFICATECOMMONNAME = c.dontVerify;
    openTo(c.host);
    if (c.passes) {
      EXPECT_TRUE(client->errors.empty());
      EXPECT_EQ(client->processed, std::vector<std::int32_t>{packet::kOpened});
      client->Abort();
      continue;
    }
    EXPECT_TRUE(client->processed.empty());
    ASSERT_EQ(client->errors.size(), 1u);
    EXPECT_EQ(client->errors[0].error, -71);
    EXPECT_EQ(client->errors[0].text,
              "The Remote TLS Certificate's Common Name (*.example.com) does not match the "
              "Server name (" +
                  rt::lower(c.host) + "). And so the connection failed to open");
    ASSERT_EQ(closeCalls().size(), 1u);
    EXPECT_EQ(closeCalls()[0].action, close_action::kAbort);
    EXPECT_EQ(client->OPENFLAG, 0);
  }
}

TEST_F(NetConnectionTls, MatchSubjectWithUrl) {
  struct Case {
    const char* subject;
    const char* host;
    int match;
  };
  const Case cases[] = {
      {"*.example.com", "smtp.example.com", 1},   {"*.example.com", "evilexample.com", 0},
      {"*.example.com", ".example.com", 0},       {"Mail.Example.com ", "mail.example.COM", 1},
      {"mail.example.com", "mail.example.co", 0}, {"*.", "x", 0},
      {"*.example.com", "a.b.example.com", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(client->MatchSubjectWithURL(c.subject, c.host), c.match)
        << c.subject << " " << c.host;
  }
}

TEST_F(NetConnectionTls, ClosingConnectionSkipsTheCheck) {
  fake.setCertificateClosing(true);
  openTo("evilexample.com");
  EXPECT_TRUE(client->errors.empty());
  EXPECT_EQ(client->processed, std::vector<std::int32_t>{packet::kOpened});
}

TEST_F(NetConnectionTls, CertificateThatFailsVerificationIsReportedNotJustClosed) {
  client->Open("mail.example.com", 465);
  fake.deliverRemoteClosed(client->CONNECTION_, 0, 134);
  pump();
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].error, -92);
  EXPECT_EQ(client->errors[0].text,
            "The remote server secure certificate verification failed, and so the connection "
            "was not opened");
  EXPECT_EQ(client->closed, 0);

  // The same failure while an open plain connection switches to TLS.
  client->SSLDONTCONNECTONOPEN_ = 1;
  openTo("mail.example.com");
  client->SSLSwitchToSSL_();
  EXPECT_EQ(fake.count("NetConnectionSSLSwitchToSSL"), 1);
  fake.deliverRemoteClosed(client->CONNECTION_, 0, 134);
  pump();
  ASSERT_EQ(client->errors.size(), 2u);
  EXPECT_EQ(client->errors[1].error, -92);
  EXPECT_EQ(client->closed, 0);
  EXPECT_EQ(client->OPENFLAG, 0);

  // Once switched, a close is an ordinary close.
  openTo("mail.example.com");
  client->SSLSwitchToSSL_();
  fake.deliverOpened(client->CONNECTION_);
  fake.deliverRemoteClosed(client->CONNECTION_, 0, 134);
  pump();
  EXPECT_EQ(client->errors.size(), 2u);
  EXPECT_EQ(client->closed, 1);
}

TEST_F(NetConnectionTls, SwitchFailureNamesTheError) {
  openTo("mail.example.com");
  fake.scriptResult("NetConnectionSSLSwitchToSSL", -62);
  client->SSLSwitchToSSL_();
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0].text, "SSL (Secure) Client Connection failed. -62");
}

TEST(NetConnectionErrorTrap, ShowsTheMessageOrOnlyLogsIt) {
  FakeSocketLibrary fake;
  rt::net::ScopedSocketLibrary scope{fake};
  std::vector<rt::MessageRequest> shown;
  rt::MessageHandler previous = rt::setMessageHandler([&](const rt::MessageRequest& request) {
    shown.push_back(request);
    return rt::button::Ok;
  });
  NetConnection connection;
  connection.Init(0);
  connection.ERROR = -53;
  connection.WINSOCKERROR = 10060;
  connection.ErrorTrap("Could not open ", "NetConnection.TakeEvent");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Rednet Object Error");
  EXPECT_EQ(shown[0].text,
            "A network communication error has occurred.||Error = Could not open.||The error "
            "number was -53 which means Open Timeout or Failure error - [WinSock Error = 10060 : " +
                rt::net::NetErrorStr(10060) +
                "].||Error occurred in function NetConnection.TakeEvent");
  EXPECT_EQ(connection.ERRORSTRING,
            "Could not open. The error number was -53 which means Open Timeout or Failure error.");

  rt::DebugCapture capture;
  connection.SUPPRESSERRORMSG = 1;
  connection.ERROR = 0;
  connection.WINSOCKERROR = 0;
  connection.ErrorTrap("Quiet", "F");
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(connection.ERRORSTRING, "Quiet.");
  EXPECT_TRUE(anyLineHas(capture, "NetConnection.ErrorTrap 0 Quiet F"));
  rt::setMessageHandler(previous);
}

}  // namespace
}  // namespace netlib
