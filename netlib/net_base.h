#pragma once
// The base of every network object: error numbers and their texts, the
// logging switches and the "[rednet]" trace, the socket library's lock, and
// conversions between the runtime's dates and times and Unix time.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/base/clock.h"

namespace netlib {

// Kinds of logged line.
namespace log_type {
constexpr int kInformation = 0;
constexpr int kError = 1;
constexpr int kAlways = 2;
}  // namespace log_type

constexpr std::int32_t kUnixEpochDay = 61730;  // 1 January 1970

class NetBase_ {
 public:
  NetBase_();
  virtual ~NetBase_() = default;
  NetBase_(const NetBase_&) = delete;
  NetBase_& operator=(const NetBase_&) = delete;

  // ---- Fields, in declaration order -------------------------------------
  std::int32_t ERROR = 0;         // 0 none; < 0 library and class errors; > 0 socket layer
  std::int32_t WINSOCKERROR = 0;  // socket-layer error of the last operation
  std::int32_t SSLERROR = 0;      // TLS error of the last operation
  std::string ERRORSTRING;        // full text of the last reported error (256 at most)
  std::int32_t LOGGINGON = 0;
  std::int32_t LOGGINGERRORSONLY = 0;
  std::int32_t USETHISTHREAD = 0;  // 0: the thread that initialises the object
  std::int32_t NOCRITSECTIONPOINTER_ = 0;
  std::int32_t CODEPAGE = 0;
  std::recursive_mutex* NETCRITICAL_ = nullptr;

  // ---- Operations, in slot order ----------------------------------------
  // Makes a folder and its missing parents; 0, or -1 when the last step failed.
  virtual int CreateDirectory_(std::string_view path);
  virtual double MillisecondsSince_(rt::Date date);
  virtual std::int32_t ToUnixTime_(rt::Date date, rt::Time time);
  virtual std::int32_t UnixToDate_(std::int32_t seconds);
  virtual std::int32_t UnixToTime_(std::int32_t seconds);
  // The message for ERROR (the library's text for numbers the classes do not know).
  virtual std::string InterpretError();
  virtual void Log(std::string_view function, std::string_view text, int type = 0);
  virtual void ClearMessage_() = 0;
  virtual void Trace_(std::string_view text);
  // CODEPAGE := the code page of a Windows character set, or of the system's
  // default character set when useSystem is set.
  virtual void SetCodePage_(int charset, bool useSystem);
  virtual void LogVersion_();
  virtual void LoggingSetup_();
  virtual void Release();
  virtual void Trace(std::string_view text);
  virtual void Wait();

 protected:
  // ERROR, WINSOCKERROR and SSLERROR := 0.
  void clearErrors();
};

// Clears the process-wide switch defaults and flags, so that a test reads the
// command line again and sees the version lines once more.
void resetNetLoggingForTests();

}  // namespace netlib
