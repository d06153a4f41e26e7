#pragma once
// Error numbers of the socket library. Negative numbers are the library's own;
// positive numbers are socket-layer errors in the WinSock numbering the network
// classes were written against, mapped from errno. TLS failures carry
// OpenSSL's reason code in a packet's SSLERROR.
#include <cstdint>
#include <string>

namespace rt::net {

namespace err {
constexpr std::int32_t kBadStructureSize = -4;
constexpr std::int32_t kNoRequest = -13;  // no packet waits for this connection
constexpr std::int32_t kBadParameters = -22;
constexpr std::int32_t kSocketDead = -24;
constexpr std::int32_t kHostNotSpecified = -33;
constexpr std::int32_t kConnectionGone = -34;
constexpr std::int32_t kNotOpen = -36;
constexpr std::int32_t kNoLongerSupported = -38;
constexpr std::int32_t kOpenFailed = -39;
constexpr std::int32_t kOpenTimeout = -53;
constexpr std::int32_t kPingFailed = -54;
constexpr std::int32_t kAlreadyOpen = -55;
constexpr std::int32_t kSslGeneral = -61;
constexpr std::int32_t kSslConnectFailed = -62;
constexpr std::int32_t kSslAcceptFailed = -64;
constexpr std::int32_t kSslCertificateLoad = -65;
constexpr std::int32_t kSslPrivateKeyLoad = -66;
constexpr std::int32_t kSslKeyMismatch = -67;
constexpr std::int32_t kSslCaRootLoad = -68;
constexpr std::int32_t kSslVerifyFailed = -69;
}  // namespace err

namespace wsa {
constexpr std::int32_t kInterrupted = 10004;
constexpr std::int32_t kAccessDenied = 10013;
constexpr std::int32_t kInvalidArgument = 10022;
constexpr std::int32_t kTooManySockets = 10024;
constexpr std::int32_t kMessageTooLong = 10040;
constexpr std::int32_t kAddressInUse = 10048;
constexpr std::int32_t kAddressNotAvailable = 10049;
constexpr std::int32_t kNetworkDown = 10050;
constexpr std::int32_t kNetworkUnreachable = 10051;
constexpr std::int32_t kConnectionAborted = 10053;
constexpr std::int32_t kConnectionReset = 10054;
constexpr std::int32_t kNoBuffers = 10055;
constexpr std::int32_t kNotConnected = 10057;
constexpr std::int32_t kShutDown = 10058;
constexpr std::int32_t kTimedOut = 10060;
constexpr std::int32_t kConnectionRefused = 10061;
constexpr std::int32_t kHostUnreachable = 10065;
constexpr std::int32_t kSystemCallFailure = 10107;
constexpr std::int32_t kHostNotFound = 11001;
constexpr std::int32_t kTryAgain = 11002;
constexpr std::int32_t kNoRecovery = 11003;
constexpr std::int32_t kNoData = 11004;
}  // namespace wsa

// The socket-layer number for an errno value (10107 for one it does not know).
std::int32_t winsockErrorFromErrno(int errnoValue);
// The socket-layer number for a getaddrinfo() result.
std::int32_t winsockErrorFromResolver(int gaiResult);

// The text of a library or socket-layer error number.
std::string NetErrorStr(std::int32_t error);
// OpenSSL's words for a TLS reason code ("unsupported protocol"); empty
// when it has none.
std::string TlsReasonText(std::int32_t reason);

}  // namespace rt::net
