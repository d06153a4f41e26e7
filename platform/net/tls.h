#pragma once
// TLS over a connected non-blocking socket with OpenSSL: contexts made from a
// connection's TLS options, the handshake and data steps the I/O thread
// drives, and the remote certificate's details in the options record.
#include <openssl/ssl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/net/records.h"

namespace rt::net {

// What a connection's TLS needs, copied from its options record when the
// connection opens or switches (the I/O thread never reads the record).
struct TlsSettings {
  bool verifyWithCaRoot = true;
  std::string caRootFile;  // empty or missing: the system's store
  std::string certificateFile;
  std::string privateKeyFile;
  std::string passphrase;
  std::string ciphers;
  std::int32_t method = -1;  // 3: TLS 1.0 only; anything else: the library's choice
};

TlsSettings tlsSettingsOf(const ConnectionRecord& connection);

using TlsContext = std::shared_ptr<SSL_CTX>;
// Makes a client or server context; on failure returns null with error set to
// the library's number (-65 to -68, -61).
TlsContext makeTlsContext(const TlsSettings& settings, bool server, std::int32_t& error);

// The outcome of one TLS step on a non-blocking socket.
struct TlsStep {
  enum Status { kDone, kWantRead, kWantWrite, kClosed, kFailed } status = kDone;
  std::int32_t sslError = 0;      // OpenSSL's reason code of a failure
  std::int32_t winsockError = 0;  // socket error under a failure
  std::size_t bytes = 0;          // read or written
};

class TlsChannel {
 public:
  // hostName (a name, not an address) is sent as the server name indication.
  TlsChannel(TlsContext context, int fd, bool server, const std::string& hostName);
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  TlsStep handshake();
  TlsStep read(char* buffer, std::size_t size);
  TlsStep write(const char* data, std::size_t size);
  // Sends close_notify once; failures are of no interest while closing.
  void sendCloseNotify();
  bool hasBufferedData() const;
  // The peer's certificate (a new reference) or null.
  X509* peerCertificate() const;

 private:
  TlsStep stepResult(int result);
  TlsStep transferResult(int result, std::size_t bytes);
  TlsContext context_;
  SSL* ssl_;
  bool closeNotifySent_ = false;
};

// Fills the remote-certificate fields of the options record (details flag 0
// and the fields cleared when certificate is null).
void fillRemoteCertificate(X509* certificate, CertificateOptionsRecord& options);
// 1 when the certificate names the host (RFC 6125, through X509_check_host:
// no partial wildcards, a wildcard never spans two labels), else 0.
int certificateNamesHost(X509* certificate, std::string_view host);

}  // namespace rt::net
