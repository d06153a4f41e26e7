#pragma once
// The records the network classes exchange with the socket library byte for
// byte: the connection record, the packet record, the TLS options record and
// one row of a server's accepted connections. Fields keep the classes' names;
// integers are little-endian and nothing is padded. Fields that held
// addresses on the original platform hold library handles here (a 32-bit
// field cannot hold a pointer of a 64-bit process).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rt::net {

constexpr int kMaxBinData = 16384;  // data bytes one packet carries

#pragma pack(push, 1)

struct ConnectionRecord {
  std::int32_t MODE = 0;  // 0 client, 1 server
  char SERVER[80] = {};
  std::uint16_t PORT = 0;
  std::uint16_t SPACER1_ = 0;
  std::int32_t SOCKET = 0;  // set by the library
  std::int32_t SOCKID = 0;  // set by the library
  std::int32_t NOTIFYTHREAD = 0;
  std::int32_t NOTIFYEVENT = 0;
  std::int32_t MAXSERVERCONNECTIONS = 0;  // 0: no limit
  char LOCALIP[61] = {};                  // set by the library
  std::int32_t IP = 0;
  std::int32_t UDPMODE = 0;
  std::int32_t ASYNCOPENTIMEOUT = 0;  // hundredths; 0 opens synchronously
  std::int32_t INACTIVETIMEOUT = 0;   // hundredths; 0 none
  std::int32_t SSL = 0;
  std::int32_t SSL_METHOD = 0;
  std::int32_t SSL_DONTCONNECTONOPEN = 0;
  std::int32_t SSL_CERTIFICATEOPTIONSPOINTER_ = 0;  // handle of a CertificateOptionsRecord
  std::int32_t UDPOPTIONNAME = 0;
  std::int32_t UDPOPTIONVALUE = 0;
  std::int32_t LOCALPORT = 0;  // set by the library
  char RESERVED2_[80] = {};
};

struct PacketRecord {
  char TOIP[61] = {};
  std::int32_t ONSOCKET = 0;
  std::int32_t SOCKID = 0;
  char FROMIP[61] = {};
  char BINDATA[kMaxBinData] = {};
  std::int32_t BINDATALEN = 0;
  std::int32_t PACKETTYPE = 0;
  std::int32_t DEBUGPACKETNUMBER_ = 0;
  std::uint16_t UDPTOPORT = 0;
  std::uint16_t UDPFROMPORT = 0;
  std::int32_t NETERROR = 0;
  std::int32_t WINSOCKERROR = 0;
  std::int32_t SSLERROR = 0;
  std::int32_t SHAREDMEMORY = 0;  // handle; 0: the data lies in BINDATA
  std::int32_t RANGESTART = 0;
  std::int32_t RANGEEND = 0;
  char RESERVED_[88] = {};
};

struct CertificateOptionsRecord {
  std::int32_t SIZE_ = 0;
  std::int32_t RESERVERED1_ = 0;
  std::int32_t DONTVERIFYREMOTECERTIFICATECOMMONNAME = 0;
  std::int32_t DONTVERIFYREMOTECERTIFICATEWITHCAROOT = 0;
  char CAROOTFILE[4096] = {};
  char CERTIFICATEFILE[4096] = {};
  char PRIVATEKEYFILE[4096] = {};
  std::int32_t REMOTECERTIFICATEHAVEDETAILS = 0;
  std::int32_t REMOTECERTIFICATEVERSION = 0;
  char REMOTECERTIFICATESUBJECT[1024] = {};
  char REMOTECERTIFICATEISSUER[1024] = {};
  std::int32_t REMOTECERTIFICATENOTBEFOREDATE = 0;
  std::int32_t REMOTECERTIFICATENOTBEFORETIME = 0;
  std::int32_t REMOTECERTIFICATENOTAFTERDATE = 0;
  std::int32_t REMOTECERTIFICATENOTAFTERTIME = 0;
  char REMOTECERTIFICATEPUBLICKEY[2048] = {};
  std::int32_t REMOTECERTIFICATEALGORITHM = 0;
  std::int32_t REMOTECERTIFICATESERIALNUMBER = 0;
  char CIPHERSALLOWED[260] = {};
  char SERVERNAME[4096] = {};
  char PASSPHRASE[4096] = {};
};

struct ServerConnectionRow {
  char REMOTEIP[61] = {};
  std::int32_t SOCKET = 0;
  std::int32_t SOCKID = 0;
  std::uint16_t REMOTEPORT = 0;
  std::uint16_t SPACER1_ = 0;
  char LOCALIP[61] = {};
};

#pragma pack(pop)

static_assert(sizeof(ConnectionRecord) == 293);
static_assert(offsetof(ConnectionRecord, LOCALIP) == 108);
static_assert(offsetof(ConnectionRecord, SSL_CERTIFICATEOPTIONSPOINTER_) == 197);
static_assert(offsetof(ConnectionRecord, LOCALPORT) == 209);
static_assert(sizeof(PacketRecord) == 16642);
static_assert(offsetof(PacketRecord, BINDATALEN) == 16514);
static_assert(offsetof(PacketRecord, NETERROR) == 16530);
static_assert(offsetof(PacketRecord, SHAREDMEMORY) == 16542);
static_assert(sizeof(CertificateOptionsRecord) == 24884);
static_assert(offsetof(CertificateOptionsRecord, REMOTECERTIFICATEPUBLICKEY) == 14376);
static_assert(offsetof(CertificateOptionsRecord, SERVERNAME) == 16692);
static_assert(sizeof(ServerConnectionRow) == 134);

// A text field's value: up to the first NUL, trailing spaces dropped.
template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
  std::string_view text(field, N);
  text = text.substr(0, text.find('\0'));
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

// Stores a text NUL-terminated, cut to fit, the rest of the field zeroed.
template <std::size_t N>
void setFieldText(char (&field)[N], std::string_view text) {
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, n);
  for (std::size_t i = n; i < N; ++i) field[i] = '\0';
}

}  // namespace rt::net
