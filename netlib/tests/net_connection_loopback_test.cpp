// The connection class over the real library with a real peer on loopback:
// plain and TLS connections, a refused port, certificates from the wrong CA
// or for another name, and a listening server accepting and closing clients.
// Every server here is a connection of the test and is aborted at its end.
#include <gtest/gtest.h>

#include "netlib/tests/connection_harness.h"
#include "platform/net/errors.h"
#include "platform/net/socket_library.h"
#include "platform/net/testing/raw_socket.h"
#include "platform/net/testing/test_certificates.h"

namespace netlib {
namespace {

using rt::net::testing::testCertificates;
using testing::EventPump;
using testing::makeConnection;
using testing::TestConnection;

constexpr std::int32_t kCertificateVerifyFailed = 134;

class NetConnectionLoopback : public ::testing::Test {
 protected:
  void TearDown() override {
    for (TestConnection* c : {client.get(), other.get(), server.get()}) {
      if (c->OPENFLAG != 0 || c->ASYNCOPENBUSY != 0) c->Abort();
      c->Kill();
    }
  }
  bool until(const std::function<bool()>& done) {
    return events.until(done, {server.get(), client.get(), other.get()});
  }
  void listen(bool tls) {
    if (tls) {
      server->SSL = 1;
      rt::net::setFieldText(server->SSLCERTIFICATEOPTIONS.CERTIFICATEFILE,
                            testCertificates().serverCert);
      rt::net::setFieldText(server->SSLCERTIFICATEOPTIONS.PRIVATEKEYFILE,
                            testCertificates().serverKey);
    }
    server->Open("127.0.0.1", 0);
    ASSERT_EQ(server->ERROR, 0);
    ASSERT_EQ(server->OPENFLAG, 1);
    port = static_cast<std::uint16_t>(server->CONNECTION_.LOCALPORT);
  }
  void trust(TestConnection& c, const std::string& caFile) {
    c.SSL = 1;
    rt::net::setFieldText(c.SSLCERTIFICATEOPTIONS.CAROOTFILE, caFile);
  }
  // The client's data reaches the server and the server's reply the client.
  void converse() {
    client->SendString("EHLO varneta\r\n");
    ASSERT_TRUE(until([&] { return server->received() == "EHLO varneta\r\n"; }));
    std::string reply(40000, 'r');
    rt::net::setFieldText(server->PACKET.TOIP, rt::net::fieldText(server->PACKET.FROMIP));
    server->SendString(reply);
    ASSERT_EQ(server->ERROR, 0);
    ASSERT_TRUE(until([&] { return client->received().size() >= reply.size(); }));
    EXPECT_EQ(client->received(), reply);
  }

  EventPump events;
  std::unique_ptr<TestConnection> server = makeConnection(1);
  std::unique_ptr<TestConnection> client = makeConnection(0);
  std::unique_ptr<TestConnection> other = makeConnection(0);
  std::uint16_t port = 0;
};

TEST_F(NetConnectionLoopback, ListeningServerAcceptsAndClosesClients) {
  listen(false);
  client->Open("127.0.0.1", port);
  ASSERT_TRUE(until([&] { return client->OPENFLAG == 1 && server->SERVERCONNECTIONSCOUNT == 1; }));
  EXPECT_EQ(server->QSERVERCONNECTIONS->size(), 1u);
  converse();
  EXPECT_TRUE(client->errors.empty());

  // The server closes the first client; the second one closes itself.
  other->Open("127.0.0.1", port);
  ASSERT_TRUE(until([&] { return other->OPENFLAG == 1 && server->SERVERCONNECTIONSCOUNT == 2; }));
  const ServerConnectionRow first = (*server->QSERVERCONNECTIONS)[0];
  server->CloseServerConnection(first.SOCKET, first.SOCKID);
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 1);
  ASSERT_TRUE(until([&] { return client->closed == 1; }));
  EXPECT_EQ(client->OPENFLAG, 0);

  other->Close();
  ASSERT_TRUE(until([&] { return server->closed == 1; }));
  EXPECT_EQ(server->SERVERCONNECTIONSCOUNT, 0);
  ASSERT_TRUE(until([&] { return server->QSERVERCONNECTIONS->empty(); }));
  EXPECT_EQ(other->closed, 0);

  server->Close();
  EXPECT_EQ(server->OPENFLAG, 0);
  EXPECT_TRUE(server->errors.empty());
  EXPECT_TRUE(other->errors.empty());
}

TEST_F(NetConnectionLoopback, RefusedPortReportsTheRefusalsOwnText) {
  rt::net::testing::RawSocket bound;  // bound, never listening
  client->Open("127.0.0.1", bound.port);
  ASSERT_TRUE(until([&] { return !client->errors.empty(); }));
  EXPECT_EQ(client->errors[0].error, 10061);
  EXPECT_EQ(client->WINSOCKERROR, 10061);
  EXPECT_EQ(client->ERRORSTRING,
            "The requested connection to 127.0.0.1 could not be opened. The Open command timed "
            "out or failed to connect. The error number was 10061 which means " +
                rt::net::NetErrorStr(10061) + " [listed by NetErrorStr].");
  EXPECT_EQ(client->ASYNCOPENBUSY, 0);
  EXPECT_EQ(client->OPENFLAG, 0);
}

TEST_F(NetConnectionLoopback, DatagramsNeedNoOpenConnection) {
  server->CONNECTION_.UDPMODE = 1;
  listen(false);
  client->CONNECTION_.UDPMODE = 1;
  client->Open("", 0);
  ASSERT_EQ(client->ERROR, 0);
  client->SendString("ping?");
  EXPECT_EQ(client->ERROR, -33) << "a datagram names its address and port";
  rt::net::setFieldText(client->PACKET.TOIP, "127.0.0.1");
  client->PACKET.UDPTOPORT = port;
  client->SendString("ping?");
  ASSERT_EQ(client->ERROR, 0);
  ASSERT_TRUE(until([&] { return server->received() == "ping?"; }));
  EXPECT_EQ(server->PACKET.UDPFROMPORT, client->CONNECTION_.LOCALPORT);
}

class NetConnectionLoopbackTls : public NetConnectionLoopback {
 protected:
  void SetUp() override { ASSERT_TRUE(testCertificates().made) << "openssl could not make them"; }
};

TEST_F(NetConnectionLoopbackTls, TlsConnectionCarriesDataAfterTheNameCheck) {
  listen(true);
  trust(*client, testCertificates().ca);
  client->Open("localhost", port);
  ASSERT_TRUE(until([&] { return client->OPENFLAG == 1; }));
  EXPECT_TRUE(client->errors.empty());
  EXPECT_EQ(client->SubjectField_("CN"), "localhost");
  EXPECT_EQ(client->IssuerField_("CN"), "Varneta Test CA");
  converse();
}

TEST_F(NetConnectionLoopbackTls, CertificateFromAnotherCaFailsVerification) {
  listen(true);
  trust(*client, testCertificates().otherCa);
  client->Open("localhost", port);
  ASSERT_TRUE(until([&] { return !client->errors.empty(); }));
  EXPECT_EQ(client->errors[0].error, -92);
  EXPECT_EQ(client->SSLERROR, kCertificateVerifyFailed);
  EXPECT_EQ(client->errors[0].text,
            "The remote server secure certificate verification failed, and so the connection "
            "was not opened");
  EXPECT_EQ(client->closed, 0);
  EXPECT_EQ(client->OPENFLAG, 0);
}

TEST_F(NetConnectionLoopbackTls, CertificateForAnotherNameFailsTheCommonNameCheck) {
  listen(true);
  trust(*client, testCertificates().ca);
  client->Open("127.0.0.1", port);
  ASSERT_TRUE(until([&] { return !client->errors.empty(); }));
  EXPECT_EQ(client->errors[0].error, -71);
  EXPECT_EQ(client->errors[0].text,
            "The Remote TLS Certificate's Common Name (localhost) does not match the Server name "
            "(127.0.0.1). And so the connection failed to open");
  EXPECT_EQ(client->OPENFLAG, 0);
  EXPECT_TRUE(client->processed.empty());
  // The server sees its client go.
  ASSERT_TRUE(until([&] { return server->closed == 1; }));
}

TEST_F(NetConnectionLoopbackTls, VerificationFailureWhileSwitchingIsReported) {
  server->SSLDONTCONNECTONOPEN_ = 1;
  listen(true);
  trust(*client, testCertificates().otherCa);
  client->SSLDONTCONNECTONOPEN_ = 1;
  client->Open("localhost", port);
  ASSERT_TRUE(until([&] { return client->OPENFLAG == 1 && server->SERVERCONNECTIONSCOUNT == 1; }));
  const ServerConnectionRow accepted = (*server->QSERVERCONNECTIONS)[0];
  server->SSLSwitchToSSL_(accepted.SOCKET, accepted.SOCKID);
  client->SSLSwitchToSSL_();
  ASSERT_EQ(client->ERROR, 0);
  ASSERT_TRUE(until([&] { return !client->errors.empty(); }));
  EXPECT_EQ(client->errors[0].error, -92);
  EXPECT_EQ(client->SSLERROR, kCertificateVerifyFailed);
  EXPECT_EQ(client->closed, 0);
  EXPECT_EQ(client->OPENFLAG, 0);
}

}  // namespace
}  // namespace netlib
