#pragma once
// DebugLog: the process-wide debug-output object. It writes diagnostic records
// to the debug output (rt::debugOutput) and, when switched on, to a text log
// file or a JSON status file; it names runtime events; and it is the runtime's
// assertion hook. One object per process (debugLog()): the process start sets
// its defaults, Init runs once at start and Kill once at the end.
//
// Texts are runtime text (CP1252), kept without their padding; files are
// written in UTF-8, one record per line.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace textlib {

// A procedure known to the object. Nothing in this class adds any; a caller
// that fills the queues gets the procedure parts of its records.
struct DebugProcedure {
  std::string APPNAME;
  std::string MODULENAME;
  std::string PROCEDURENAME;
  std::string MODIFIED;
  int THREAD = 0;
  int ID = 0;
  int COUNT = 0;
};

// The procedure a thread is in.
struct DebugThreadProcedure {
  int THREAD = 0;
  int ID = 0;
};

// A caller's own name for an event number.
struct DebugEventName {
  int EVENTNO = 0;
  std::string EVENTNAME;
};

class DebugLog {
 public:
  // The lead bytes of a quiet assertion's message: traced, never shown.
  static constexpr std::string_view kQuietAssertion = "\x04\x02\x07";

  // ---- Fields --------------------------------------------------------------
  // Non-zero switches the object off: Init makes only the critical section,
  // records do not reach the debug output, and Write acts only when forced or
  // when SAVETOFILE or SAVETOJSON is 1.
  std::uint8_t DEBUGOFF = 0;
  std::string DEBUGPREFIX = "!";
  std::uint8_t SAVETOFILE = 0;  // 1: records also go to ASCIIFILENAME
  std::string ASCIIFILENAME;
  // 1: "[OpenClose]" records go to JSONFILENAME as its only line; 2: every
  // record goes there.
  std::uint8_t SAVETOJSON = 0;
  std::string JSONFILENAME;
  std::uint8_t USEPLAINFORMAT = 0;
  std::uint8_t DEBUGNOCR = 0;  // Write cuts texts into pieces instead of lines
  // The procedure queues, made by Init and disposed of by Kill (null outside).
  // Records of a procedure whose name holds an EXCEPTIONQ name are dropped.
  std::unique_ptr<std::vector<DebugProcedure>> QPROCEDURES;
  std::unique_ptr<std::vector<DebugThreadProcedure>> QCURRENTPROCEDUREONTHREAD;
  std::unique_ptr<std::vector<std::string>> EXCEPTIONQ;
  std::string PROCEDURENAME;  // the procedure named in "[OpenClose]" JSON records
  double PURGESTARTIME = 0;
  std::unique_ptr<std::recursive_mutex> CRITICALSECTION;  // guards the procedure queues
  // Added to an event number before the runtime names it; -2: none works.
  int EVENTOFFSET = 0;
  // The caller's own event names, which win; not owned, null when unset.
  const std::vector<DebugEventName>* USEREVENTNAMEQ = nullptr;
  int SHOWALL = 0;
  int SHOWFIELD = 0;
  int SHOWFOCUS = 0;
  int SHOWSELECTED = 0;
  int SHOWSELSTART = 0;
  int SHOWSELEND = 0;
  int SHOWKEYCODE = 0;
  int SHOWERROR = 0;
  int SHOWTHREAD = 0;
  int SHOWCONTENTS = 0;
  int SHOWSCREENTEXT = 0;
  int SHOWACCEPTALL = 0;
  int TRACEON = 0;  // non-zero: Trace forms its line

  DebugLog() = default;
  virtual ~DebugLog();
  DebugLog(const DebugLog&) = delete;
  DebugLog& operator=(const DebugLog&) = delete;

  // Set-up: the critical section; unless off, the queues, the event offset
  // (calibrated against WIN.INI [DebugLog] EventOffset) and the assertion hook.
  void Init();
  // Unless off: disposes of the queues and the critical section and clears
  // the runtime's assertion hook.
  void Kill();

  // Writes a text as one record per line (or per 4,000 characters with
  // DEBUGNOCR). The label is carried by the text log file's line only; force
  // makes the object act even when it is off.
  void Write(std::string_view text, std::string_view label = {}, bool force = false);

  // The name of a runtime event (-1: the current event), at most 39
  // characters: "EVENT:Accepted", "EVENT:User + 6", "EVENT[12]".
  std::string EventName(int event = -1) const;

  // The runtime's assertion hook: a quiet assertion (kQuietAssertion first)
  // is traced; any other is shown with "&Continue" and "&Halt".
  void AssertHook(int line, std::string_view source, std::string_view message);

  // ---- Overridable ---------------------------------------------------------
  // Enter and leave the critical section, tracing "wait n" / "release n".
  virtual void Wait(int number);
  virtual void Release(int number);
  // The trace line "[un] text" when TRACEON is set, else empty. This class
  // sends it nowhere; a derived class may.
  virtual std::string Trace(std::string_view text);

 private:
  bool eventOffsetRight() const;
  void calibrateEventOffset();
  void writeRecord(std::string_view message, std::string_view label);

  bool assertHookSet_ = false;
};

// The process's object.
DebugLog& debugLog();

}  // namespace textlib
