#include "textlib/debug_log.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/assertions.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/current_event.h"
#include "platform/base/debug_sink.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/message_names.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/text_order.h"

namespace textlib {
namespace {

constexpr std::string_view kOpenClose = "[OpenClose]";
constexpr std::string_view kOffsetSection = "DebugLog";
constexpr std::string_view kOffsetEntry = "EventOffset";
constexpr int kNoOffset = -2;
constexpr int kFirstOffset = 40960;
constexpr int kSecondOffset = 5120;
constexpr std::size_t kEventNameLength = 39;
constexpr std::size_t kNoCrTextLength = 100000;
constexpr std::size_t kNoCrPiece = 4000;
constexpr std::size_t kChunk = 9999;
constexpr std::size_t kFileLineLength = 2048;
constexpr std::size_t kJsonLength = 10000;
constexpr int kPurgeStartTime = 30000;

std::string clipped(std::string_view text) { return std::string(rt::clip(text)); }

bool blank(std::string_view text) { return rt::clip(text).empty(); }

// Writing a record changes nothing that the runtime's error functions report.
class ErrorStatusKept {
 public:
  ErrorStatusKept()
      : code_(rt::errorCode()), fileCode_(rt::fileErrorCode()), fileMessage_(rt::fileError()) {}
  ~ErrorStatusKept() {
    if (code_ == rt::error::DriverError) {
      rt::setFileError(fileCode_, fileMessage_);
    } else {
      rt::setError(code_);
    }
  }
  ErrorStatusKept(const ErrorStatusKept&) = delete;
  ErrorStatusKept& operator=(const ErrorStatusKept&) = delete;

 private:
  int code_;
  std::string fileCode_;
  std::string fileMessage_;
};

// A message "[*DB*]text" names its own prefix ("DB") and keeps "text"; the
// closing "*]" must stand at the fifth character or later, so a prefix has
// at least two characters. False leaves both as they are.
bool takeOwnPrefix(std::string& message, std::string& prefix) {
  const std::string_view text = rt::clip(message);
  if (text.size() <= 4 || !text.starts_with("[*")) return false;
  const std::size_t close = text.find("*]");
  if (close == std::string_view::npos || close < 4) return false;
  prefix = std::string(text.substr(2, close - 2));
  message.erase(0, close + 2);
  return true;
}

std::string jsonEscaped(std::string_view text) {
  std::string out;
  for (char c : rt::clip(text)) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string jsonMember(std::string_view name, std::string_view value) {
  return "\"" + std::string(name) + "\":\"" + std::string(value) + "\"";
}

// One line appended to a log file, opened for this line only (created when
// missing; `fresh` empties it first). A line break inside the record would
// make two lines of it: it becomes a blank. A file that cannot be written
// loses the line.
void appendLine(std::string_view fileName, std::string_view line, std::size_t limit, bool fresh) {
  std::string text(line.substr(0, limit));
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string utf8 = rt::cp1252ToUtf8(text) + "\n";
  std::FILE* file = std::fopen(rt::resolvePath(rt::clip(fileName)).c_str(), fresh ? "wb" : "ab");
  if (file == nullptr) return;
  std::fwrite(utf8.data(), 1, utf8.size(), file);
  std::fclose(file);
}

}  // namespace

// ---- Life cycle ---------------------------------------------------------------

DebugLog::~DebugLog() {
  // An object that goes away without Kill leaves no hook pointing at it.
  if (assertHookSet_) rt::setAssertHook({});
}

void DebugLog::Init() {
  CRITICALSECTION = std::make_unique<std::recursive_mutex>();
  if (DEBUGOFF != 0) return;
  QPROCEDURES = std::make_unique<std::vector<DebugProcedure>>();
  QCURRENTPROCEDUREONTHREAD = std::make_unique<std::vector<DebugThreadProcedure>>();
  EXCEPTIONQ = std::make_unique<std::vector<std::string>>();
  PURGESTARTIME = (kPurgeStartTime - 1) / 8640000.0;
  calibrateEventOffset();
  SHOWALL = 1;
  SHOWFIELD = SHOWFOCUS = SHOWSELECTED = SHOWSELSTART = SHOWSELEND = SHOWKEYCODE = SHOWERROR =
      SHOWTHREAD = SHOWCONTENTS = SHOWSCREENTEXT = SHOWACCEPTALL = 0;
  rt::setAssertHook([this](int line, std::string_view source, std::string_view message) {
    AssertHook(line, source, message);
  });
  assertHookSet_ = true;
}

void DebugLog::Kill() {
  if (DEBUGOFF != 0) return;
  QPROCEDURES.reset();
  QCURRENTPROCEDUREONTHREAD.reset();
  EXCEPTIONQ.reset();
  CRITICALSECTION.reset();
  rt::setAssertHook({});
  assertHookSet_ = false;
}

// ---- Event names --------------------------------------------------------------

bool DebugLog::eventOffsetRight() const { return rt::upper(EventName(1)) == "EVENT:ACCEPTED"; }

void DebugLog::calibrateEventOffset() {
  EVENTOFFSET = kFirstOffset;
  if (eventOffsetRight()) return;
  Write("SELF.EventOffset is not correct, trying to find a correct value");
  EVENTOFFSET = kSecondOffset;
  if (eventOffsetRight()) return;
  const auto stored = rt::textToNumber(rt::getIni(kOffsetSection, kOffsetEntry, "-1"));
  EVENTOFFSET = static_cast<int>(stored);
  if (stored == kNoOffset) {
    Write("Stored value for EventOffset indicates no valid offset to be found, not searching");
    return;
  }
  if (stored == -1) {
    Write("SELF.EventOffset is not correct, searching for correct value");
  } else if (eventOffsetRight()) {
    Write("Using stored value for SELF.EventOffset");
    return;
  }
  struct Range {
    int first;
    int last;
  };
  for (const Range range :
       {Range{40960, 45055}, Range{4096, 8191}, Range{0, 4095}, Range{45056, 65535}}) {
    for (EVENTOFFSET = range.first; EVENTOFFSET <= range.last; ++EVENTOFFSET) {
      if (eventOffsetRight()) {
        rt::putIni(kOffsetSection, kOffsetEntry, std::to_string(EVENTOFFSET));
        return;
      }
    }
  }
  Write("Could not find a working offset for .EventOffset");
  EVENTOFFSET = kNoOffset;
  rt::putIni(kOffsetSection, kOffsetEntry, std::to_string(kNoOffset));
}

std::string DebugLog::EventName(int event) const {
  const int number = event == -1 ? rt::currentEvent() : event;
  std::string name = [&]() -> std::string {
    if (USEREVENTNAMEQ != nullptr) {
      for (const DebugEventName& row : *USEREVENTNAMEQ) {
        if (row.EVENTNO == number) return row.EVENTNAME;
      }
    }
    if (number == 1024) return "EVENT:User";
    if (number > 1024 && number <= 4095) return "EVENT:User + " + std::to_string(number - 1024);
    if (number == 32768) return "EVENT:App";
    if (number > 32768 && number <= 49151) return "EVENT:App + " + std::to_string(number - 32768);
    if (EVENTOFFSET == kNoOffset) return "EVENT[" + std::to_string(number) + "]";
    return rt::nameMessage(number + EVENTOFFSET);
  }();
  if (name.size() > kEventNameLength) name.resize(kEventNameLength);
  return name;
}

// ---- Writing ------------------------------------------------------------------

void DebugLog::Write(std::string_view text, std::string_view label, bool force) {
  ErrorStatusKept kept;
  if (!force && DEBUGOFF != 0 && SAVETOFILE != 1 && SAVETOJSON != 1) return;
  const auto writePiece = [&](std::string_view piece) {
    if (!blank(piece)) writeRecord(piece, label);
  };
  if (DEBUGNOCR != 0) {
    const std::string_view all = rt::clip(text).substr(0, kNoCrTextLength);
    for (std::size_t at = 0; at < all.size(); at += kNoCrPiece)
      writePiece(all.substr(at, kNoCrPiece));
    return;
  }
  if (blank(text)) return;
  // Every carriage return ends a line and takes the character after it (the
  // line feed) along, also when that character starts the next chunk.
  bool skipFirst = false;
  for (std::size_t start = 0; start < text.size(); start += kChunk) {
    const std::string_view chunk = text.substr(start, kChunk);
    std::size_t from = skipFirst ? 1 : 0;
    skipFirst = false;
    for (std::size_t cr = chunk.find('\r', from); cr != std::string_view::npos;
         cr = chunk.find('\r', from)) {
      writePiece(chunk.substr(from, cr - from));
      from = cr + 2;
      if (from > chunk.size()) {
        skipFirst = true;
        break;
      }
    }
    if (from < chunk.size()) writePiece(chunk.substr(from));
  }
}

void DebugLog::writeRecord(std::string_view text, std::string_view label) {
  Wait(3);
  const DebugProcedure* current = nullptr;
  if (QCURRENTPROCEDUREONTHREAD && QPROCEDURES) {
    const int thread = rt::currentThreadNumber();
    for (const DebugThreadProcedure& row : *QCURRENTPROCEDUREONTHREAD) {
      if (row.THREAD != thread) continue;
      for (const DebugProcedure& procedure : *QPROCEDURES) {
        if (procedure.ID == row.ID) {
          current = &procedure;
          break;
        }
      }
      break;
    }
  }
  const DebugProcedure none;
  const DebugProcedure procedureRecord = current != nullptr ? *current : none;
  if (EXCEPTIONQ && !EXCEPTIONQ->empty()) {
    const std::string procedureName = rt::upper(procedureRecord.PROCEDURENAME);
    for (const std::string& name : *EXCEPTIONQ) {
      if (!blank(name) && procedureName.find(rt::clip(name)) != std::string::npos) {
        Release(3);
        return;
      }
    }
  }
  Release(3);

  const std::string app = clipped(procedureRecord.APPNAME);
  const std::string module = clipped(procedureRecord.MODULENAME);
  const std::string procedure = clipped(procedureRecord.PROCEDURENAME);
  const std::string modified = clipped(procedureRecord.MODIFIED);
  const std::string thread = std::to_string(rt::currentThreadNumber());
  std::string message(text);
  std::string prefix = DEBUGPREFIX;
  takeOwnPrefix(message, prefix);
  const bool openClose = rt::clip(prefix) == kOpenClose;
  const bool entering = message.find(">>,M") != std::string::npos;

  std::string json;
  if (SAVETOJSON != 0 && ((openClose && SAVETOJSON == 1) || SAVETOJSON == 2)) {
    std::string jsonMessage = message;
    if (openClose) {
      jsonMessage =
          (entering ? "Entering Procedure " : "Leaving Procedure ") + clipped(PROCEDURENAME);
    }
    json = "{" + jsonMember("updated_date", std::to_string(rt::today())) + "," +
           jsonMember("updated_time", std::to_string(rt::clockTime())) + "," +
           jsonMember("prefix", jsonEscaped(prefix)) + "," + jsonMember("app", jsonEscaped(app)) +
           "," + jsonMember("modified", jsonEscaped(modified)) + "," +
           jsonMember("thread", thread) + "," + jsonMember("module", jsonEscaped(module)) + "," +
           jsonMember("procedure", jsonEscaped(procedure)) + "," +
           jsonMember("message", jsonEscaped(jsonMessage)) + "}";
    if (json.size() > kJsonLength) json.resize(kJsonLength);
  }

  std::string line;
  if (USEPLAINFORMAT != 0) {
    if (openClose) message = (entering ? "Entering " : "Leaving ") + procedure;
    line = clipped(prefix) + "[" + thread;
    for (const std::string* part : {&app, &module, &procedure}) {
      if (!part->empty()) line += "/" + *part;
    }
    line += "]" + clipped(message);
  } else {
    line =
        "[||]X " + clipped(prefix) + ",T " + thread + ",P " + procedure + "[||]" + clipped(message);
  }
  if (DEBUGOFF == 0) rt::debugOutput(line);

  if (!json.empty()) {
    appendLine(JSONFILENAME, "," + json, kJsonLength + 1, openClose && SAVETOJSON == 1);
  } else if (SAVETOFILE == 1) {
    const std::string stamp = "[" + rt::format(static_cast<double>(rt::today()), "@d17") + "-" +
                              rt::format(static_cast<double>(rt::clockTime()), "@t7") + "]- ";
    appendLine(ASCIIFILENAME, stamp + std::string(label) + line, kFileLineLength, false);
  }
}

// ---- Critical section and tracing --------------------------------------------

void DebugLog::Wait(int number) {
  Trace("wait " + std::to_string(number));
  if (CRITICALSECTION) CRITICALSECTION->lock();
}

void DebugLog::Release(int number) {
  Trace("release " + std::to_string(number));
  if (CRITICALSECTION) CRITICALSECTION->unlock();
}

std::string DebugLog::Trace(std::string_view text) {
  if (TRACEON == 0) return {};
  return "[un] " + clipped(text);
}

// ---- Assertions ---------------------------------------------------------------

void DebugLog::AssertHook(int line, std::string_view source, std::string_view message) {
  std::string text(message);
  const bool quiet = text.starts_with(kQuietAssertion);
  if (quiet) {
    text.erase(0, kQuietAssertion.size());
    std::string prefix = "[Assert]";
    takeOwnPrefix(text, prefix);
    rt::debugOutput("[||]X " + prefix + ",T " + std::to_string(line) + ",P " + clipped(source) +
                    "[||]" + clipped(text));
    return;
  }
  rt::MessageRequest request;
  request.text = "Assertion failed in [" + clipped(source) + "] @[" + std::to_string(line) + "]";
  if (!blank(text)) request.text += "||" + clipped(text);
  request.caption = "ASSERT";
  request.icon = rt::MessageIcon::Information;
  request.labels = "&Continue|&Halt";
  request.defaultButton = 1;
  if (rt::showMessage(request) == 2) {
    // No debugger takes over here: halting ends the program where it stands.
    rt::setAssertHook({});
    assertHookSet_ = false;
    std::abort();
  }
}

DebugLog& debugLog() {
  static DebugLog object;
  return object;
}

}  // namespace textlib
