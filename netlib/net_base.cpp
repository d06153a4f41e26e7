#include "netlib/net_base.h"

#include <string>

#include "platform/base/command_line.h"
#include "platform/base/logical_threads.h"
#include "platform/base/text_order.h"
#include "platform/net/socket_library.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

// Shared by every object and written without a lock: the first objects are
// made on the main thread at start-up.
struct ProcessLogging {
  std::int32_t loggingOn = 0;
  std::int32_t errorsOnly = 0;
  bool commandLineRead = false;
  bool versionWritten = false;
};

ProcessLogging& processLogging() {
  static ProcessLogging state;
  return state;
}

std::string_view clipped(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

void readCommandLine() {
  ProcessLogging& p = processLogging();
  p.commandLineRead = true;
  if (rt::hasSwitch("/netnolog")) return;
  if (rt::hasSwitch("/rednetlog") || rt::hasSwitch("/netall")) p.loggingOn = 1;
  if (rt::hasSwitch("/rednetlogerrors") || rt::hasSwitch("/neterrors")) p.errorsOnly = 1;
}

}  // namespace

void resetNetLoggingForTests() { processLogging() = ProcessLogging{}; }

NetBase_::NetBase_() { LoggingSetup_(); }

void NetBase_::clearErrors() {
  ERROR = 0;
  WINSOCKERROR = 0;
  SSLERROR = 0;
}

void NetBase_::LoggingSetup_() {
  ProcessLogging& p = processLogging();
  const bool firstCall = !p.commandLineRead;
  if (firstCall) readCommandLine();
  // The defaults are copied before the banner so that the banner itself,
  // an error line, passes the errors-only switch it announces.
  LOGGINGON = p.loggingOn;
  LOGGINGERRORSONLY = p.errorsOnly;
  if (firstCall && p.errorsOnly != 0) {
    Log("", "======== Object Logging : Errors only (/rednetlogerrors) ========", log_type::kError);
  }
  if (LOGGINGON != 0) Log("_NetBase._LoggingSetup", "Initialisation", log_type::kInformation);
}

void NetBase_::Log(std::string_view function, std::string_view text, int type) {
  if (type != log_type::kAlways) {
    if (LOGGINGON == 0 && LOGGINGERRORSONLY == 0) return;
    if (LOGGINGON == 0 && type != log_type::kError) return;
  }
  ProcessLogging& p = processLogging();
  if (!p.versionWritten) {
    p.versionWritten = true;
    LogVersion_();
  }
  Trace_(std::string(clipped(function)) + " - " + std::string(text));
}

void NetBase_::SetCodePage_(int charset, bool useSystem) {
  CODEPAGE = textlib::TextBuffer::CharsetToCodePage(charset, useSystem);
}

void NetBase_::LogVersion_() {
  Log("", "Using Rednet (Object) version 11.05 in application " + rt::lower(rt::commandName()),
      log_type::kInformation);
  Log("",
      "Rednet (Object) Information: Net:MaxBinData = 16384 Size(Net:PacketType) = 17001"
      " Size(Net:PublicServicesQType) = 596 Size(Net:ServiceType) = 348"
      " Size(Net:RemoteType) = 148",
      log_type::kInformation);
  Log("", "Rednet (Object) running on Varneta 11000 (Linux)", log_type::kInformation);
}

void NetBase_::Trace_(std::string_view text) {
  textlib::TextBuffer line;
  line.SetValue("[rednet][thread=" + std::to_string(rt::currentThreadNumber()) + "] " +
                std::string(clipped(text)));
  line.DebugOut();
}

void NetBase_::Trace(std::string_view text) { Trace_(text); }

void NetBase_::Wait() {
  if (NOCRITSECTIONPOINTER_ != 0) return;
  if (NETCRITICAL_ == nullptr) {
    NETCRITICAL_ = rt::net::NetGet_NetCriticalSection();
    if (NETCRITICAL_ == nullptr) {
      NOCRITSECTIONPOINTER_ = 1;
      Log("_NetBase.Wait", "Error. Could not get address of Critical Section from the Rednet DLL.",
          log_type::kError);
      return;
    }
  }
  NETCRITICAL_->lock();
}

void NetBase_::Release() {
  if (NOCRITSECTIONPOINTER_ != 0) return;
  if (NETCRITICAL_ != nullptr) {
    NETCRITICAL_->unlock();
  } else {
    Log("_NetBase.Release", "Error. Calling _NetBase._Release() before calling Wait().",
        log_type::kError);
  }
}

}  // namespace netlib
