#include <string>

#include "netlib/net_connection.h"
#include "platform/base/text_order.h"
#include "platform/net/socket_library.h"

namespace netlib {
namespace {

rt::net::SocketLibrary& library() { return rt::net::socketLibrary(); }

constexpr std::int32_t kWrongVersionNumber = 267;  // OpenSSL's SSL_R_WRONG_VERSION_NUMBER

std::string_view clipped(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The value of "/key=" in a distinguished name, up to the next "/".
std::string fieldOf(std::string_view name, std::string_view key) {
  name = clipped(name);
  const std::string marker = "/" + std::string(key) + "=";
  const std::size_t at = name.find(marker);
  if (at == std::string_view::npos) return {};
  std::string_view value = name.substr(at + marker.size());
  value = value.substr(0, value.find('/'));
  while (!value.empty() && value.back() == '\0') value.remove_suffix(1);
  return std::string(value);
}

}  // namespace

void NetConnection::SSLSwitchToSSL_(std::int32_t socket, std::int32_t sockId) {
  WINSOCKERROR = 0;
  SSLERROR = 0;
  if (!isServer()) {
    ERROR = library().NetConnectionSSLSwitchToSSL(CONNECTION_, 0, 0);
    if (ERROR != 0) {
      CallErrorTrap_("SSL (Secure) Client Connection failed. " + std::to_string(ERROR),
                     "NetConnection._SSLSwitchToSSL");
      return;
    }
    // Packet 7 completes the switch; a certificate failure comes as packet 5.
    switchingToTls_ = true;
    return;
  }
  ERROR = library().NetConnectionSSLSwitchToSSL(CONNECTION_, socket, sockId);
  if (ERROR != 0) {
    CallErrorTrap_("SSL (Secure) Server Connection failed.", "NetConnection._SSLSwitchToSSL");
  }
}

void NetConnection::failSwitchOnPlainText() {
  Log("NetConnection.failSwitchOnPlainText",
      "TLS. The server sent plain text instead of the TLS handshake (" + SERVER() + ")",
      log_type::kError);
  NetConnection::Abort();
  // The reason OpenSSL gives for plain text where a TLS record should be.
  SSLERROR = kWrongVersionNumber;
  tlsHandshakeFailed();
}

std::int32_t NetConnection::GetRemoteCertificate_(std::int32_t socket, std::int32_t sockId,
                                                  std::int32_t& closing) {
  closing = 0;
  return library().NetConnectionSSLGetRemoteCerticate(CONNECTION_, socket, sockId, closing);
}

int NetConnection::CheckCommonName_() {
  std::int32_t closing = 0;
  GetRemoteCertificate_(0, 0, closing);
  if (SSLCERTIFICATEOPTIONS.DONTVERIFYREMOTECERTIFICATECOMMONNAME != 0 || isServer()) return 0;
  if (closing != 0) {
    Log("NetConnection._CheckCommonName",
        "SSL. Won't compare the Common Name and the Server. The Rednet DLL knows that this SSL "
        "connection is closing down, and therefore the Certificate information is not "
        "available. We won't worry about this for now",
        log_type::kInformation);
    return 0;
  }
  const std::string name = rt::lower(clipped(SubjectField_("CN")));
  // The certificate itself is asked first (subjectAltName included); the
  // subject's common name serves only where the certificate is not at hand.
  auto names = [&](std::string_view host) {
    const int found = library().NetConnectionSSLHostMatches(CONNECTION_, host);
    return found >= 0 ? found : MatchSubjectWithURL(name, host);
  };
  int match = names(SERVER());
  const std::string extraName = rt::net::fieldText(SSLCERTIFICATEOPTIONS.SERVERNAME);
  if (match == 0 && !extraName.empty()) match = names(extraName);
  if (match != 0) {
    Trace("Certificate Verified: " + name + " = " + SERVER());
    return 0;
  }
  const std::string server = rt::lower(SERVER());
  Log("NetConnection._CheckCommonName",
      "TLS. Warning the Common Name (" + name + ") does not match the Server name (" + server + ")",
      log_type::kError);
  if (isServer()) {
    AbortServerConnection(PACKET.ONSOCKET, PACKET.SOCKID);
  } else {
    Abort();
  }
  ERROR = -71;
  WINSOCKERROR = 0;
  SSLERROR = 0;
  std::string text = "The Remote TLS Certificate's Common Name (" + name +
                     ") does not match the Server name (" + server +
                     "). And so the connection failed to open";
  if (text.size() > 160) text.resize(160);
  CallErrorTrap_(text, "NetConnection.TakeEvent");
  return 1;
}

int NetConnection::MatchSubjectWithURL(std::string_view subject, std::string_view host) {
  Trace("MatchSubjectWithURL [" + std::string(subject) + "] =?= [" + std::string(host) + "]");
  const std::string pattern = rt::lower(clipped(subject));
  const std::string name = rt::lower(clipped(host));
  if (pattern.size() >= 2 && pattern.compare(0, 2, "*.") == 0) {
    // "*.example.com" stands for one label in that domain: the host must end
    // in ".example.com" ("evilexample.com" does not), and the wildcard never
    // spans a dot ("a.b.example.com" does not match).
    const std::string_view domain = std::string_view(pattern).substr(1);  // ".example.com"
    if (name.size() <= domain.size() ||
        name.compare(name.size() - domain.size(), domain.size(), domain) != 0)
      return 0;
    return name.find('.') == name.size() - domain.size() ? 1 : 0;
  }
  return pattern == name ? 1 : 0;
}

std::string NetConnection::SubjectField_(std::string_view key) {
  return fieldOf(rt::net::fieldText(SSLCERTIFICATEOPTIONS.REMOTECERTIFICATESUBJECT), key);
}

std::string NetConnection::IssuerField_(std::string_view key) {
  return fieldOf(rt::net::fieldText(SSLCERTIFICATEOPTIONS.REMOTECERTIFICATEISSUER), key);
}

}  // namespace netlib
