#pragma once
// The records the network classes exchange with the socket library byte for
// byte: the connection record, the packet record, the TLS options record and
// one row of a server's accepted connections. Fields keep the classes' names;
// integers are little-endian and nothing is padded. Fields that refer to
// another object (certificate options, shared memory) hold a handle the
// library hands out, not an address: a 32-bit field cannot hold a pointer of
// a 64-bit process.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

namespace rt::net {

// An integer kept as little-endian bytes. Records made of these and of text
// need no packing, and any field may be bound to a reference (a packed int
// field may not: it is misaligned).
template <typename T>
class LittleEndian {
 public:
  LittleEndian() = default;
  LittleEndian(T value) { *this = value; }
  LittleEndian& operator=(T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
      bytes_[i] = static_cast<unsigned char>(bits >> (8 * i));
    return *this;
  }
  operator T() const {
    std::make_unsigned_t<T> bits = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
      bits = static_cast<std::make_unsigned_t<T>>((bits << 8) | bytes_[i]);
    }
    return static_cast<T>(bits);
  }
  friend std::ostream& operator<<(std::ostream& out, LittleEndian value) {
    return out << static_cast<std::int64_t>(static_cast<T>(value));
  }

 private:
  unsigned char bytes_[sizeof(T)] = {};
};
using Int32 = LittleEndian<std::int32_t>;
using Uint16 = LittleEndian<std::uint16_t>;

constexpr int kMaxBinData = 16384;  // data bytes one packet carries

struct ConnectionRecord {
  Int32 MODE;  // 0 client, 1 server
  char SERVER[80] = {};
  Uint16 PORT;
  Uint16 SPACER1_;
  Int32 SOCKET;  // set by the library
  Int32 SOCKID;  // set by the library
  Int32 NOTIFYTHREAD;
  Int32 NOTIFYEVENT;
  Int32 MAXSERVERCONNECTIONS;  // 0: no limit
  char LOCALIP[61] = {};       // set by the library
  Int32 IP;
  Int32 UDPMODE;
  Int32 ASYNCOPENTIMEOUT;  // hundredths; 0 opens synchronously
  Int32 INACTIVETIMEOUT;   // hundredths; 0 none
  Int32 SSL;
  Int32 SSL_METHOD;
  Int32 SSL_DONTCONNECTONOPEN;
  Int32 SSL_CERTIFICATEOPTIONSPOINTER_;  // handle of a CertificateOptionsRecord
  Int32 UDPOPTIONNAME;
  Int32 UDPOPTIONVALUE;
  Int32 LOCALPORT;  // set by the library
  char RESERVED2_[80] = {};
};

struct PacketRecord {
  char TOIP[61] = {};
  Int32 ONSOCKET;
  Int32 SOCKID;
  char FROMIP[61] = {};
  char BINDATA[kMaxBinData] = {};
  Int32 BINDATALEN;
  Int32 PACKETTYPE;
  Int32 DEBUGPACKETNUMBER_;
  Uint16 UDPTOPORT;
  Uint16 UDPFROMPORT;
  Int32 NETERROR;
  Int32 WINSOCKERROR;
  Int32 SSLERROR;
  Int32 SHAREDMEMORY;  // handle; 0: the data lies in BINDATA
  Int32 RANGESTART;
  Int32 RANGEEND;
  char RESERVED_[88] = {};
};

struct CertificateOptionsRecord {
  Int32 SIZE_;
  Int32 RESERVERED1_;
  Int32 DONTVERIFYREMOTECERTIFICATECOMMONNAME;
  Int32 DONTVERIFYREMOTECERTIFICATEWITHCAROOT;
  char CAROOTFILE[4096] = {};
  char CERTIFICATEFILE[4096] = {};
  char PRIVATEKEYFILE[4096] = {};
  Int32 REMOTECERTIFICATEHAVEDETAILS;
  Int32 REMOTECERTIFICATEVERSION;
  char REMOTECERTIFICATESUBJECT[1024] = {};
  char REMOTECERTIFICATEISSUER[1024] = {};
  Int32 REMOTECERTIFICATENOTBEFOREDATE;
  Int32 REMOTECERTIFICATENOTBEFORETIME;
  Int32 REMOTECERTIFICATENOTAFTERDATE;
  Int32 REMOTECERTIFICATENOTAFTERTIME;
  char REMOTECERTIFICATEPUBLICKEY[2048] = {};
  Int32 REMOTECERTIFICATEALGORITHM;
  Int32 REMOTECERTIFICATESERIALNUMBER;
  char CIPHERSALLOWED[260] = {};
  char SERVERNAME[4096] = {};
  char PASSPHRASE[4096] = {};
};

struct ServerConnectionRow {
  char REMOTEIP[61] = {};
  Int32 SOCKET;
  Int32 SOCKID;
  Uint16 REMOTEPORT;
  Uint16 SPACER1_;
  char LOCALIP[61] = {};
};

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
static_assert(alignof(PacketRecord) == 1);

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
