#include "textlib/debug_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/assertions.h"
#include "platform/base/current_event.h"
#include "platform/base/debug_sink.h"
#include "platform/base/events.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "textlib/register_procedures.h"

namespace textlib {
namespace {

std::vector<std::string> fileLines(const std::string& name) {
  std::ifstream in(rt::resolvePath(name), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string record(std::string_view message, std::string_view prefix = "!") {
  return "[||]X " + std::string(prefix) + ",T 1,P [||]" + std::string(message);
}

// Every message shown is recorded and answered with `answer`.
class ScriptedMessages {
 public:
  explicit ScriptedMessages(int answer = 1) {
    previous_ = rt::setMessageHandler([this, answer](const rt::MessageRequest& request) {
      shown.push_back(request);
      return answer;
    });
  }
  ~ScriptedMessages() { rt::setMessageHandler(previous_); }
  std::vector<rt::MessageRequest> shown;

 private:
  rt::MessageHandler previous_;
};

class DebugLogTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove(rt::iniFilePath({})); }
  void TearDown() override { rt::setAssertHook({}); }
  std::string storedOffset() { return rt::getIni("DebugLog", "EventOffset", "missing"); }

  DebugLog log;
};

TEST_F(DebugLogTest, InitFindsTheRuntimesOffsetAtOnceAndKillUndoesTheSetUp) {
  rt::DebugCapture capture;
  log.Init();
  EXPECT_EQ(log.EVENTOFFSET, 40960);
  EXPECT_TRUE(capture.lines().empty()) << "no calibration record";
  EXPECT_EQ(storedOffset(), "missing");
  EXPECT_EQ(log.SHOWALL, 1);
  EXPECT_TRUE(log.QPROCEDURES && log.QCURRENTPROCEDUREONTHREAD && log.EXCEPTIONQ);
  EXPECT_TRUE(rt::assertHookInstalled());
  log.Kill();
  EXPECT_FALSE(log.QPROCEDURES || log.QCURRENTPROCEDUREONTHREAD || log.EXCEPTIONQ ||
               log.CRITICALSECTION);
  EXPECT_FALSE(rt::assertHookInstalled());
}

TEST_F(DebugLogTest, AnObjectSwitchedOffMakesOnlyItsCriticalSection) {
  log.DEBUGOFF = 1;
  log.Init();
  EXPECT_TRUE(log.CRITICALSECTION);
  EXPECT_FALSE(log.QPROCEDURES);
  EXPECT_FALSE(rt::assertHookInstalled());
  log.Kill();
  EXPECT_TRUE(log.CRITICALSECTION) << "Kill does nothing while off";
}

TEST_F(DebugLogTest, EventNames) {
  log.Init();
  const std::vector<DebugEventName> own = {{1031, "Mine"}, {1, std::string(50, 'n')}};
  struct Case {
    int event;
    std::string name;
    bool own;
  };
  const Case cases[] = {
      {1, "EVENT:Accepted", false},        {rt::event::Timer, "EVENT:Timer", false},
      {1024, "EVENT:User", false},         {1030, "EVENT:User + 6", false},
      {4095, "EVENT:User + 3071", false},  {32768, "EVENT:App", false},
      {49151, "EVENT:App + 16383", false}, {1031, "Mine", true},
      {1, std::string(39, 'n'), true},  // cut to 39 characters
      {1030, "EVENT:User + 6", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    log.USEREVENTNAMEQ = c.own ? &own : nullptr;
    EXPECT_EQ(log.EventName(c.event), c.name);
  }
  log.USEREVENTNAMEQ = nullptr;
  rt::CurrentEventSource previous = rt::setCurrentEventSource([] { return 2; });
  EXPECT_EQ(log.EventName(), "EVENT:NewSelection");
  rt::setCurrentEventSource(previous);
  log.EVENTOFFSET = -2;
  EXPECT_EQ(log.EventName(1), "EVENT[1]");
  EXPECT_EQ(log.EventName(1030), "EVENT:User + 6");
}

// The caller's own name for event 1 makes every offset wrong.
TEST_F(DebugLogTest, CalibrationWithoutAWorkingOffset) {
  const std::vector<DebugEventName> own = {{1, "EVENT:Mine"}};
  const std::string trying =
      record("SELF.EventOffset is not correct, trying to find a correct value");
  const std::string notFound = record("Could not find a working offset for .EventOffset");
  struct Case {
    const char* stored;  // nullptr: no entry
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {"-2",
       {trying, record("Stored value for EventOffset indicates no valid offset to be found, not "
                       "searching")}},
      {nullptr,
       {trying, record("SELF.EventOffset is not correct, searching for correct value"), notFound}},
      {"1234", {trying, notFound}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "none");
    std::filesystem::remove(rt::iniFilePath({}));
    if (c.stored) rt::putIni("DebugLog", "EventOffset", c.stored);
    DebugLog calibrated;
    calibrated.USEREVENTNAMEQ = &own;
    rt::DebugCapture capture;
    calibrated.Init();
    EXPECT_EQ(capture.lines(), c.records);
    EXPECT_EQ(calibrated.EVENTOFFSET, -2);
    EXPECT_EQ(storedOffset(), "-2");
  }
}

TEST_F(DebugLogTest, WriteMakesOneRecordPerLine) {
  struct Case {
    std::string text;
    std::vector<std::string> records;
  };
  const std::string longLine(10005, 'x');
  std::string crAtChunkEnd = std::string(9998, 'a') + "\r\nb";
  const std::vector<Case> cases = {
      {"first\r\nsecond", {record("first"), record("second")}},
      {"one\r\n\r\n   \r\ntwo\r\n", {record("one"), record("two")}},
      {"   ", {}},
      {"[*DB*]tagged  ", {record("tagged", "DB")}},
      {"[*D*]kept", {record("[*D*]kept")}},
      {"[*DB*]", {record("", "DB")}},
      // A line across the end of a 9,999-character chunk is cut in two.
      {longLine, {record(std::string(9999, 'x')), record("xxxxxx")}},
      // The line feed of a carriage return that ends a chunk goes with it.
      {crAtChunkEnd, {record(std::string(9998, 'a')), record("b")}},
  };
  log.Init();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    rt::DebugCapture capture;
    log.Write(c.text);
    EXPECT_EQ(capture.lines(), c.records);
  }
}

TEST_F(DebugLogTest, WithoutLineSplittingTextsAreCutIntoPieces) {
  log.Init();
  log.DEBUGNOCR = 1;
  rt::DebugCapture capture;
  log.Write(std::string(8000, 'a') + "\r\nb   ");
  const auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], record(std::string(4000, 'a')));
  EXPECT_EQ(lines[2], record("\r\nb"));
}

TEST_F(DebugLogTest, RecordsNameTheThreadsProcedureUnlessItIsExcepted) {
  log.Init();
  log.QPROCEDURES->push_back({"APP", "MODULE", "Cobros", "2025", 1, 7, 0});
  log.QCURRENTPROCEDUREONTHREAD->push_back({1, 7});
  rt::DebugCapture capture;
  log.Write("hello");
  log.USEPLAINFORMAT = 1;
  log.Write("hello");
  log.Write("[*[OpenClose]*]>>,M");
  log.Write("[*[OpenClose]*]<<");
  log.EXCEPTIONQ->push_back("COB");
  log.Write("dropped");
  EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                 "[||]X !,T 1,P Cobros[||]hello", "![1/APP/MODULE/Cobros]hello",
                                 "[OpenClose][1/APP/MODULE/Cobros]Entering Cobros",
                                 "[OpenClose][1/APP/MODULE/Cobros]Leaving Cobros"}));
}

TEST_F(DebugLogTest, TheLockIsTakenAndLeftOncePerRecord) {
  struct Traced : DebugLog {
    std::string Trace(std::string_view text) override {
      calls.emplace_back(text);
      return DebugLog::Trace(text);
    }
    std::vector<std::string> calls;
  } traced;
  traced.Init();
  traced.EXCEPTIONQ->push_back("X");
  traced.QPROCEDURES->push_back({"", "", "PX", "", 1, 1, 0});
  traced.QCURRENTPROCEDUREONTHREAD->push_back({1, 1});
  traced.Write("a\r\nb");  // excepted: the lock is still left
  EXPECT_EQ(traced.calls, (std::vector<std::string>{"wait 3", "release 3", "wait 3", "release 3"}));
  traced.TRACEON = 1;
  EXPECT_EQ(traced.DebugLog::Trace("wait 3  "), "[un] wait 3");
  traced.Kill();
}

TEST_F(DebugLogTest, TheTextLogCarriesTheLabelAndTheStamp) {
  log.Init();
  log.DEBUGOFF = 1;
  log.ASCIIFILENAME = ".\\debug.log";
  rt::DebugCapture capture;
  log.Write("nothing happens", "L1 ");
  log.SAVETOFILE = 1;
  log.Write("first\r\nsecond", "L2 ");
  EXPECT_TRUE(capture.lines().empty()) << "off: nothing reaches the debug output";
  EXPECT_EQ(fileLines("debug.log"),
            (std::vector<std::string>{"[29/09/2025-10:30]- L2 [||]X !,T 1,P [||]first",
                                      "[29/09/2025-10:30]- L2 [||]X !,T 1,P [||]second"}));
}

TEST_F(DebugLogTest, JsonRecords) {
  log.Init();
  log.JSONFILENAME = "status.json";
  log.PROCEDURENAME = "Pacientes";
  log.SAVETOFILE = 1;
  log.ASCIIFILENAME = "other.log";
  log.SAVETOJSON = 1;
  rt::DebugCapture capture;
  log.Write("[*[OpenClose]*]>>,M");
  log.Write("[*[OpenClose]*]<<");
  EXPECT_EQ(fileLines("status.json"),
            (std::vector<std::string>{",{\"updated_date\":\"82090\",\"updated_time\":\"3780001\","
                                      "\"prefix\":\"[OpenClose]\",\"app\":\"\",\"modified\":\"\","
                                      "\"thread\":\"1\",\"module\":\"\",\"procedure\":\"\","
                                      "\"message\":\"Leaving Procedure Pacientes\"}"}));
  EXPECT_TRUE(fileLines("other.log").empty()) << "a record goes to one file at most";
  log.SAVETOJSON = 2;
  log.Write("say \"hi\"\\\tnow");
  const auto lines = fileLines("status.json");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[1].ends_with("\"message\":\"say \\\"hi\\\"\\\\\\tnow\"}")) << lines[1];
  EXPECT_EQ(capture.lines().size(), 3u);
}

TEST_F(DebugLogTest, QuietAssertionsAreTracedAndOthersAsk) {
  log.Init();
  ScriptedMessages messages(1);
  rt::DebugCapture capture;
  rt::assertionFailed(12, "cobros.cpp  ",
                      "\x04\x02\x07"
                      "count > 0");
  rt::assertionFailed(13, "cobros.cpp",
                      "\x04\x02\x07"
                      "[*DB*]total");
  rt::assertionFailed(14, "cobros.cpp", "\x04\x02\x07");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"[||]X [Assert],T 12,P cobros.cpp[||]count > 0",
                                      "[||]X DB,T 13,P cobros.cpp[||]total",
                                      "[||]X [Assert],T 14,P cobros.cpp[||]"}));
  rt::assertionFailed(20, "agenda.cpp", "slot free ");
  rt::assertionFailed(21, "agenda.cpp", "");
  ASSERT_EQ(messages.shown.size(), 2u);
  const rt::MessageRequest& shown = messages.shown[0];
  EXPECT_EQ(shown.text, "Assertion failed in [agenda.cpp] @[20]||slot free");
  EXPECT_EQ(shown.caption, "ASSERT");
  EXPECT_EQ(shown.icon, rt::MessageIcon::Information);
  EXPECT_EQ(shown.labels, "&Continue|&Halt");
  EXPECT_EQ(shown.defaultButton, 1);
  EXPECT_EQ(messages.shown[1].text, "Assertion failed in [agenda.cpp] @[21]");
  EXPECT_TRUE(rt::assertHookInstalled()) << "continuing keeps the hook";
}

TEST_F(DebugLogTest, HaltEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  log.Init();
  EXPECT_DEATH(
      {
        ScriptedMessages halt(2);
        rt::assertionFailed(30, "agenda.cpp", "broken");
      },
      "");
}

TEST_F(DebugLogTest, TheProcessObjectFollowsTheStartUpHooks) {
  registerProcedures();
  debugLog().DEBUGOFF = 1;
  debugLog().DEBUGPREFIX = "?";
  rt::callProcedure("DebugLog.Defaults");
  EXPECT_EQ(debugLog().DEBUGOFF, 0);
  EXPECT_EQ(debugLog().DEBUGPREFIX, "!");
  rt::callProcedure("DebugLog.Init");
  EXPECT_EQ(debugLog().EVENTOFFSET, 40960);
  EXPECT_TRUE(rt::assertHookInstalled());
  rt::callProcedure("DebugLog.Kill");
  EXPECT_FALSE(rt::assertHookInstalled());
}

}  // namespace
}  // namespace textlib
