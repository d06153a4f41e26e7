#pragma once
// One TCP or UDP connection over the socket library, as a client or as a
// listening server. The library posts the connection's events to the thread
// that owns the object; the owner hands each event number to TakeEvent, which
// turns packets into calls of Process, ConnectionClosed and ErrorTrap.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netlib/net_base.h"
#include "platform/net/records.h"

namespace textlib {
class TextBuffer;
}

namespace netlib {

using rt::net::CertificateOptionsRecord;
using rt::net::ConnectionRecord;
using rt::net::PacketRecord;
using rt::net::ServerConnectionRow;
using ServerConnections = std::vector<ServerConnectionRow>;

class NetConnection : public NetBase_ {
 public:
  NetConnection();
  ~NetConnection() override;

  // ---- Fields, in declaration order -------------------------------------
  PacketRecord PACKET;
  std::int32_t OPENFLAG = 0;
  std::int32_t OUTGOINGDLLPACKETS = 0;
  std::int32_t OUTGOINGDLLPACKETSBYTES = 0;
  ServerConnections* QSERVERCONNECTIONS = nullptr;  // accepted connections of a server
  std::int32_t SERVERCONNECTIONSCOUNT = 0;
  std::int32_t SUPPRESSERRORMSG = 0;
  std::int32_t DONTERRORTRAPINSENDIFCONNECTIONCLOSED = 0;
  std::int32_t ASYNCOPENUSE = 1;
  std::int32_t ASYNCOPENTIMEOUT = 1200;  // hundredths
  std::int32_t ASYNCOPENBUSY = 0;
  std::int32_t INACTIVETIMEOUT = 0;  // hundredths; 0 none
  std::int32_t LOGDATABYTES = 0;
  std::int32_t SSL = 0;
  std::int32_t SSLMETHOD = -1;
  CertificateOptionsRecord SSLCERTIFICATEOPTIONS;
  std::int32_t SSLDONTCONNECTONOPEN_ = 0;
  ConnectionRecord CONNECTION_;
  std::int32_t INITALISED_ = 0;
  std::unique_ptr<ServerConnections> QSERVERCONNECTIONS_;  // the queue the object owns
  std::int32_t BETWEENPHASEONEANTWO_ = 0;
  std::int32_t IGNOREPHASETWO_ = 0;
  std::int32_t INITED_ = 0;

  // ---- Operations, in slot order after the base's -------------------------
  virtual void Init(std::int32_t mode = 0);  // 0 client, otherwise server
  virtual void Open(std::string_view server, std::uint16_t port = 0);
  virtual void Close();
  // 1 when the certificate's name failed and the connection was aborted.
  virtual int CheckCommonName_();
  virtual void Process() {}
  virtual void Send();
  virtual void SendStringObject(const textlib::TextBuffer& text);
  virtual void SendString(std::string_view text);
  // The owner calls this with every event of its event loop; only the
  // object's own three event numbers do anything.
  virtual void TakeEvent(std::int32_t event);
  virtual void ErrorTrap(std::string_view errorText, std::string_view functionName);
  virtual void ConnectionClosed() {}
  virtual void Prime();
  virtual void Kill();
  virtual void CloseServerConnection(std::int32_t socket, std::int32_t sockId);
  virtual void Abort();
  virtual void GetInfo(std::int32_t option, std::int32_t socket = 0, std::int32_t sockId = 0);
  virtual void AbortServerConnection(std::int32_t socket, std::int32_t sockId);
  virtual std::int32_t Ping(std::string_view address, std::int32_t count);
  virtual void Ban(std::string_view address);
  virtual void UnBan(std::string_view address);
  virtual std::int32_t IsBanned(std::string_view address);
  virtual std::string GetBanned();
  virtual void CallErrorTrap_(std::string_view errorText, std::string_view functionName);
  virtual void SSLSwitchToSSL_(std::int32_t socket = 0, std::int32_t sockId = 0);
  // The peer sent plain text where the TLS handshake was due (with or right
  // after its agreement to switch): no TLS record, so the switch fails at
  // once, reported as the failed handshake it is, and the connection ends.
  void failSwitchOnPlainText();
  virtual void PartiallyCloseServer();
  virtual void GetServerConnections_(std::int32_t empty = 0);
  virtual std::int32_t GetRemoteCertificate_(std::int32_t socket, std::int32_t sockId,
                                             std::int32_t& closing);
  virtual int MatchSubjectWithURL(std::string_view subject, std::string_view host);
  virtual std::string SubjectField_(std::string_view key);
  virtual std::string IssuerField_(std::string_view key);
  virtual std::int32_t HexToLong_(std::string_view text);
  virtual std::string LongToHex_(std::int32_t number);
  virtual std::string HeaderValue_(const textlib::TextBuffer& text, std::string_view name,
                                   int start = 1, int end = 0, int noCase = 0);
  virtual std::string GetHeaderValue_(std::string_view text, std::string_view name, int start = 1,
                                      int end = 0, int noCase = 0);
  void ClearMessage_() override {}

  std::string SERVER() const { return rt::net::fieldText(CONNECTION_.SERVER); }
  std::uint16_t PORT() const { return CONNECTION_.PORT; }
  std::int32_t NOTIFYEVENT() const { return CONNECTION_.NOTIFYEVENT; }

 private:
  bool isServer() const { return CONNECTION_.MODE != 0; }
  bool isUdp() const { return CONNECTION_.UDPMODE != 0; }
  void takePacket();
  void remoteClosed(std::int32_t socket, std::int32_t sockId);
  void phaseTwo();
  void openFailed();
  void tlsHandshakeFailed();
  void newConnection();
  void afterServerClose();
  void closeAcceptedConnection(std::int32_t socket, std::int32_t sockId, std::int32_t action,
                               std::string_view errorText, std::string_view functionName);
  void traceData();
  std::string serverAndPort() const;

  std::int32_t optionsHandle_ = 0;
  // A client asked for TLS on its open connection and packet 7 has not come.
  bool switchingToTls_ = false;
};

}  // namespace netlib
