#include "platform/net/errors.h"

#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <utility>

namespace rt::net {

namespace {

struct ErrnoNumber {
  int errnoValue;
  std::int32_t winsock;
};

constexpr ErrnoNumber kErrnoNumbers[] = {
    {EINTR, wsa::kInterrupted},
    {EACCES, wsa::kAccessDenied},
    {EPERM, wsa::kAccessDenied},
    {EINVAL, wsa::kInvalidArgument},
    {EMFILE, wsa::kTooManySockets},
    {ENFILE, wsa::kTooManySockets},
    {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EBADF, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, wsa::kMessageTooLong},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {EOPNOTSUPP, 10045},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, wsa::kAddressInUse},
    {EADDRNOTAVAIL, wsa::kAddressNotAvailable},
    {ENETDOWN, wsa::kNetworkDown},
    {ENETUNREACH, wsa::kNetworkUnreachable},
    {ENETRESET, 10052},
    {ECONNABORTED, wsa::kConnectionAborted},
    {ECONNRESET, wsa::kConnectionReset},
    {ENOBUFS, wsa::kNoBuffers},
    {ENOMEM, wsa::kNoBuffers},
    {EISCONN, 10056},
    {ENOTCONN, wsa::kNotConnected},
    {EPIPE, wsa::kShutDown},
    {ETIMEDOUT, wsa::kTimedOut},
    {ECONNREFUSED, wsa::kConnectionRefused},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, wsa::kHostUnreachable},
};

}  // namespace

std::int32_t winsockErrorFromErrno(int errnoValue) {
  for (const ErrnoNumber& entry : kErrnoNumbers) {
    if (entry.errnoValue == errnoValue) return entry.winsock;
  }
  return wsa::kSystemCallFailure;
}

std::int32_t winsockErrorFromResolver(int gaiResult) {
  switch (gaiResult) {
    case EAI_NONAME:
      return wsa::kHostNotFound;
    case EAI_AGAIN:
      return wsa::kTryAgain;
    case EAI_FAIL:
      return wsa::kNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return wsa::kNoData;
#endif
    case EAI_MEMORY:
      return wsa::kNoBuffers;
    case EAI_SYSTEM:
      return winsockErrorFromErrno(errno);
    default:
      return wsa::kNoRecovery;
  }
}

namespace {

struct ErrorText {
  std::int32_t number;
  const char* text;
};

// The library's own numbers share their meaning with the network classes.
constexpr ErrorText kTexts[] = {
    {-1, "Unknown Error (was previously Rednet DLL not actively initiated)"},
    {-2, "Rednet DLL already active. Certain options can't be set once the DLL is loaded."},
    {-3, "Too many Rednet NetAuto Instances on one machine"},
    {-4, "Invalid structure size"},
    {-5, "Main start sequence faile"},
    {-6, "CallBack window timeout"},
    {-7, "Accepted data too short"},
    {-8, "Data is out of topic"},
    {-9, "Unknown packet type received"},
    {-10, "Not all data sent"},
    {-11, "Not all data received"},
    {-12, "You are trying to send data to someone who is not in the receivers (servers) list."},
    {-13, "No request"},
    {-14, "Request not found"},
    {-15, "No servers"},
    {-16, "Server not found"},
    {-17, "Service not supported"},
    {-18, "Bad response address"},
    {-19, "New thread failed"},
    {-20, "Address not found"},
    {-21, "Incorrect WinSock DLL version"},
    {-22, "Bad parameters passed to function"},
    {-23, "Too many listening sockets. The maximum has been reached"},
    {-24, "Socket dead. Could not find socket in listening queue"},
    {-25, "An incompatible packet version was received"},
    {-26, "This machine has no IP address"},
    {-27, "The service is marked as inactive, because a previous error occurred"},
    {-28, "The simple connection was not closed properly"},
    {-29, "Too many sending sockets. The maximum has been reached"},
    {-30,
     "An error occurred while trying to access a memory queue (read or write error). The queue "
     "could be full or there is not enough memory"},
    {-31, "An error occurred while trying to load the Rednet DLL. The DLL could not be loaded."},
    {-32, "Unable to allocate the requested memory"},
    {-33,
     "Host or Socket not specified. Please set the <object>.packet.ToIp and "
     "<object>.packet.OnSocket before sending data."},
    {-34, "Could not find connected client in Simple Connect Client or Server"},
    {-35, "An error occurred while trying to access a file"},
    {-36, "The connection is not open"},
    {-37, "The Rednet object requires more properties to contain valid values"},
    {-38, "This functionality is no longer supported"},
    {-39, "Could not open a connection to the specified host machine"},
    {-40, "Could not send NetConnection Data"},
    {-41, "a General FTP error occurred"},
    {-42, "Invalid String Size"},
    {-43, "No Phone Book Entry. You need a Phone Book Entry before you can dial."},
    {-44, "The Ras Object is not in the DLL queue."},
    {-45, "The Ras Object is busy opening another RAS connection."},
    {-46, "Could Not Load the Dial-Up Networking Windows Procedures. DUN will be disabled."},
    {-47, "Could not load the WinSock DLL. Rednet needs this to be able to work."},
    {-48, "Call Back Window Already Closed"},
    {-49, "Could not create new thread to start Rednet DLL Callback Window"},
    {-50, "Could not load some run-time procedures"},
    {-51, "Received a corrupt packet"},
    {-52, "No Posting allowing"},
    {-53, "Open Timeout or Failure error"},
    {-54, "Ping unsuccessful"},
    {-55, "Connection already open"},
    {-56, "Rednet DLL not actively initiated"},
    {-57, "Connection was closed because it was idle (inactive)"},
    {-58, "Already busy with a command"},
    {-59, "No Data was received"},
    {-60, "Object's Init method not called before the Object was used"},
    {-61, "SSL General Failure"},
    {-62, "SSL Client failed to Connect"},
    {-63, "SSL Server failed to Listen"},
    {-64, "SSL Server failed to Accept New Connection"},
    {-65, "SSL Failed to Load Certificate"},
    {-66, "SSL Failed to Load Private Key"},
    {-67, "SSL Local Certificate or Private Key are Invalid"},
    {-68, "SSL Failed to Load CA Root File"},
    {-69, "The SSL Remote Certificate Failed Verification"},
    {-70, "The SSL Remote Certificate Had Invalid Dates"},
    {-71, "The SSL Remote Certificate Common Name did not match the Server Name"},
    {-72, "SSL Incorrect SSL DLL Version"},
    {-73,
     "SSL Could Not Load TLS DLLs [Could not load the TLS DLLs - libssl-1_1.dll, "
     "libcrypto-1_1.dll, msvcr120.dll]"},
    {-74, "SSL Write Failed"},
    {-75, "SSL Read Failed"},
    {-90, "Rednet Object and DLL versions do not match"},
    {10004, "Interrupted function call"},
    {10013, "Permission denied"},
    {10022, "Invalid argument"},
    {10024, "Too many open sockets"},
    {10035, "Resource temporarily unavailable"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on nonsocket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10045, "Operation not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Cannot assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection on reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Cannot send after socket shutdown"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10107, "System call failure"},
    {11001, "Host not found"},
    {11002, "Nonauthoritative host not found"},
    {11003, "This is a nonrecoverable error"},
    {11004, "Valid name, no data record of requested type"},
};

}  // namespace

std::string NetErrorStr(std::int32_t error) {
  if (error == 0) return "No error";
  for (const ErrorText& entry : kTexts) {
    if (entry.number == error) return entry.text;
  }
  return "Unknown error " + std::to_string(error);
}

std::string TlsReasonText(std::int32_t reason) {
  if (reason <= 0) return {};
  OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS, nullptr);
  const char* text = ERR_reason_error_string(ERR_PACK(ERR_LIB_SSL, 0, reason));
  return text != nullptr ? text : std::string();
}

}  // namespace rt::net
