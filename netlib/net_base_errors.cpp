#include <string>

#include "netlib/net_base.h"
#include "platform/net/errors.h"

namespace netlib {
namespace {

struct ErrorText {
  std::int32_t number;
  const char* text;
};

// The classes' own numbers; the library's texts serve every other one.
constexpr ErrorText kErrorTexts[] = {
    {0, "General Object level error"},
    {2, "File Not Found"},
    {3, "Path not Found"},
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
};

const char* fixedText(std::int32_t number) {
  for (const ErrorText& e : kErrorTexts) {
    if (e.number == number) return e.text;
  }
  return nullptr;
}

std::string clippedText(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string NetBase_::InterpretError() {
  if (const char* text = fixedText(ERROR)) return text;
  if (ERROR == -91) return "Rednet WinSock Error (" + std::to_string(WINSOCKERROR) + ")";
  if (ERROR == -92) return "Rednet SSL Error (" + std::to_string(SSLERROR) + ")";
  if (LOGGINGON != 0) {
    Log("_NetBase.InterpretError",
        "Not an object level error - need to ask the Rednet DLL (NetErrorStr)", log_type::kError);
  }
  std::string text = clippedText(rt::net::NetErrorStr(ERROR));
  if (LOGGINGON != 0) {
    Log("_NetBase.InterpretError",
        "Error = " + std::to_string(ERROR) + " NetErrorStr returned : " + text, log_type::kError);
  }
  std::string meaning = text + " [listed by NetErrorStr]";
  return meaning.size() > 512 ? meaning.substr(0, 512) : meaning;
}

}  // namespace netlib
