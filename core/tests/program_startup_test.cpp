#include "core/frame/program_startup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLocalSocket>
#include <QProcess>
#include <cstdlib>

#include "core/frame/command_line.h"
#include "core/frame/frame.h"
#include "core/frame/net_trace.h"
#include "core/frame/settings_store.h"
#include "core/frame/startup_hooks.h"
#include "core/frame/window_font_start.h"
#include "platform/base/debug_sink.h"
#include "platform/base/testing/test_environment.h"
#include "platform/base/text_order.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::runOnThread;
using rt::testing::waitUntil;

// Every hook of the start-up writes its name (and arguments) to the debug
// output, so one capture shows the hooks and the trace lines in their order.
void recordHooks(std::function<void()> onMain = {}) {
  const std::vector<std::string_view> names = {
      hook::ErrorReporterInit,          hook::TextTranslatorInit,
      hook::TableManagersInit,          hook::TableManagersKill,
      hook::RegistryAccessSetQuietMode, hook::TableUpgradeRegistration,
      hook::NetCloseCallBackWindow,     hook::TextTranslatorKill};
  for (std::string_view name : names) {
    rt::registerProcedure(name, [name = std::string(name)](const rt::ProcedureArgs& args) {
      std::string line = "> " + name;
      for (const std::string& a : args) line += " " + a;
      rt::debugOutput(line);
      return rt::kCompleted;
    });
  }
  rt::registerProcedure(hook::Main, [onMain](const rt::ProcedureArgs&) {
    rt::debugOutput("> Main, font " + windowFontStart().name + " " +
                    std::to_string(windowFontStart().size) + " " + windowFontStart().section +
                    ", settings " + settingsStore().file());
    if (onMain) onMain();
    return rt::kCompleted;
  });
}

std::vector<std::string> startTrace() {
  return {"[Rednet Template] Rednet Template version 11.05",
          "[Rednet Template] Rednet Template using Varneta 11000",
          "[Rednet Template] Rednet Object version 11.05",
          "[Rednet Template] Varneta Template Chain"};
}

std::vector<std::string> endTrace() {
  return {"[Rednet Template] Rednet Template version 11.05",
          "[Rednet Template] Rednet Template using Varneta 11000",
          "[Rednet Template] Closing Down Rednet (Object) version 11.05"};
}

// The lines of a capture without the table managers that a test's own
// threads get (their numbers vary; MainProgram's own call passes 1), and
// without the table registration that only the process's first run makes.
std::vector<std::string> programSteps(const rt::DebugCapture& capture) {
  std::vector<std::string> steps;
  for (const std::string& line : capture.lines()) {
    const bool threadManagers = line.starts_with("> TableManagers") && !line.ends_with(" 1");
    if (!threadManagers && line != "> TableUpgradeRegistration") steps.push_back(line);
  }
  return steps;
}

// The steps up to and including the single-instance check.
std::vector<std::string> stepsBeforeTheFrame(bool traced = true) {
  std::vector<std::string> steps = {"> ErrorReporter.Init", "> TextTranslator.Init",
                                    "> TableManagersInit 1"};
  if (traced) {
    for (const std::string& line : startTrace()) steps.push_back(line);
  }
  steps.push_back("> RegistryAccess.SetQuietMode 1");
  return steps;
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_ = rt::testing::testRoot() / "runtime";
    std::filesystem::create_directories(runtime_);
    std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override {
    registerFrame();
    rt::endAllThreads();
    rt::testing::waitIdle();
    removeThreadRoutines();
  }
  std::filesystem::path runtime_;
  rt::testing::Watchdog watchdog_{std::chrono::seconds(60)};
};

TEST_F(Startup, MainProgramRunsItsStepsInOrderAndRegistersTheTablesOnce) {
  recordHooks();
  setCommandLine({"varneta-orden", "/netall"});
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    const bool registration = !tablesRegistered();
    if (run > 0) {
      EXPECT_FALSE(registration);
    }
    rt::DebugCapture capture;
    ASSERT_TRUE(runOnThread(MainProgram));
    const auto& lines = capture.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "> TableUpgradeRegistration"),
              registration ? 1 : 0);
    std::vector<std::string> expected = stepsBeforeTheFrame();
    expected.push_back("> Main, font Roboto Medium 9 AnyFont, settings .\\varneta.INI");
    expected.push_back("> NetCloseCallBackWindow");
    for (const std::string& line : endTrace()) expected.push_back(line);
    expected.push_back("> TextTranslator.Kill");
    EXPECT_EQ(programSteps(capture), expected);
    EXPECT_FALSE(settingsStore().isOpen()) << "ended at the close";
  }
  EXPECT_TRUE(tablesRegistered());
}

// A run that ends (a halt included) gives back the name's lock, so a copy
// started later under the name runs; a frame's server gives its own back.
TEST_F(Startup, ARunThatEndsLeavesTheNameFreeForTheNextCopy) {
  const auto lockFree = [] {
    std::filesystem::path lock = instanceSocketPath(instanceServiceName());
    lock += ".lock";
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
  };
  rt::HaltHandler previous = rt::setHaltHandler([](int) {});
  for (const bool halt : {false, true}) {
    SCOPED_TRACE(halt ? "halted" : "ended");
    recordHooks([halt] {
      if (halt) rt::halt(0);
    });
    setCommandLine({halt ? "varneta-libre-halt" : "varneta-libre"});
    ASSERT_TRUE(runOnThread(MainProgram));
    EXPECT_TRUE(lockFree());
    settingsStore().Kill();
  }
  rt::setHaltHandler(previous);
}

TEST_F(Startup, AHaltInTheFrameSkipsTheClosingSteps) {
  std::vector<int> halts;
  rt::HaltHandler previous = rt::setHaltHandler([&](int code) { halts.push_back(code); });
  recordHooks([] { rt::halt(0); });
  setCommandLine({"varneta-halt", "/rednetlog"});
  rt::DebugCapture capture;
  ASSERT_TRUE(runOnThread(MainProgram));
  rt::setHaltHandler(previous);
  EXPECT_EQ(halts, std::vector<int>{0});
  std::vector<std::string> expected = stepsBeforeTheFrame();
  expected.push_back("> Main, font Roboto Medium 9 AnyFont, settings .\\varneta.INI");
  EXPECT_EQ(programSteps(capture), expected);
  EXPECT_TRUE(settingsStore().isOpen()) << "not ended after a halt";
  settingsStore().Kill();
}

TEST_F(Startup, TheProcessObjectsAreMadeInOrderAndEndedInReverse) {
  const std::vector<std::string_view> names = {hook::RegistryAccessConstruct,
                                               hook::DebugLogDefaults,
                                               hook::DebugLogInit,
                                               hook::TextTranslatorConstruct,
                                               hook::ErrorReporterConstruct,
                                               hook::KeyFileDriverBind,
                                               hook::DebugLogKill,
                                               hook::ErrorReporterDestruct,
                                               hook::TextTranslatorDestruct,
                                               hook::RegistryAccessDestruct,
                                               hook::KeyFileDriverDestroy,
                                               hook::FreeDayQueue};
  std::vector<std::string> calls;
  for (std::string_view name : names) {
    rt::registerProcedure(name, [&calls, name = std::string(name)](const rt::ProcedureArgs&) {
      calls.push_back(name);
      return rt::kCompleted;
    });
  }
  settingsStore().Init(kProgramIni);
  ProcessInit();
  ProcessFilesBind();
  ProcessExit();
  for (std::string_view name : names) rt::unregisterProcedure(name);
  EXPECT_EQ(calls, std::vector<std::string>(names.begin(), names.end()));
  EXPECT_FALSE(settingsStore().isOpen()) << "the settings object ends first";
}

TEST_F(Startup, TheProgramEndsWhenThreadOneEndsOrHalts) {
  installThreadRoutines();
  struct Case {
    bool halt;
    int exitCode;
  };
  for (const Case& c : {Case{false, 0}, Case{true, 3}}) {
    SCOPED_TRACE(c.halt);
    rt::ThreadNumber other = 0;
    recordHooks([&] {
      // A main window left open on a thread of its own when the frame closes.
      other = rt::start([] {
        for (;;) rt::suspendCurrentThread();
      });
      if (c.halt) rt::halt(c.exitCode);
    });
    setCommandLine({"varneta-fin"});
    rt::DebugCapture capture;
    EXPECT_EQ(runProgramThreads(), c.exitCode);
    EXPECT_FALSE(rt::threadAlive(rt::kMainThread));
    EXPECT_FALSE(rt::threadAlive(other));
    const auto& lines = capture.lines();
    // The frame's return lets the other thread start before it is ended; a
    // halt ends it before it ever ran. Either way its end matches its start.
    const auto count = [&](const std::string& line) {
      return std::count(lines.begin(), lines.end(), line);
    };
    const std::string n = std::to_string(other);
    EXPECT_EQ(count("> TableManagersInit " + n), c.halt ? 0 : 1);
    EXPECT_EQ(count("> TableManagersKill " + n), c.halt ? 0 : 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "> TextTranslator.Kill"), c.halt ? 0 : 1);
  }
  settingsStore().Kill();
}

TEST_F(Startup, TraceLinesFollowTheNetworkSwitches) {
  struct Case {
    std::vector<std::string> line;
    bool traced;
  };
  const std::vector<Case> cases = {{{"varneta"}, false},
                                   {{"varneta", "/netall"}, true},
                                   {{"varneta", "/NETERRORS"}, true},
                                   {{"varneta", "/rednetlogerrors"}, true},
                                   {{"varneta", "/netnolog", "/netall"}, false},
                                   {{"varneta", "/netall", "/netnolog"}, false},
                                   {{"/netall"}, false}};  // item 0 is the command name
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.back());
    setCommandLine(c.line);
    rt::DebugCapture capture;
    writeStartTrace();
    writeEndTrace();
    EXPECT_EQ(capture.lines().size(), c.traced ? 7u : 0u);
  }
}

TEST_F(Startup, EveryThreadButTheFirstGetsItsManagersBeforeItsProcedure) {
  installThreadRoutines();
  recordHooks();
  rt::DebugCapture capture;
  rt::ThreadNumber thread = 0;
  std::vector<std::string> seenAtStart;
  int requestAtStart = -1;
  ASSERT_TRUE(runOnThread([&] {
    thread = rt::currentThreadNumber();
    seenAtStart = capture.lines();
    requestAtStart = rt::ThreadRequest() + rt::ThreadResponse() + rt::ThreadVcrRequest();
    rt::ThreadRequest() = 4;
  }));
  const std::string n = std::to_string(thread);
  EXPECT_EQ(seenAtStart, std::vector<std::string>{"> TableManagersInit " + n});
  EXPECT_EQ(requestAtStart, 0);
  EXPECT_EQ(capture.lines().back(), "> TableManagersKill " + n);

  capture.clear();
  bool ran = false;
  rt::startMainThread([&] { ran = true; });
  ASSERT_TRUE(waitUntil([&] { return ran && !rt::threadAlive(rt::kMainThread); }, "thread 1"));
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"> TableManagersKill 1"})
      << "thread 1 gets its managers from the program body";
}

// A window that serves the single-instance hand-over as the frame does.
class ServingFrame : public rt::WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget;
    w->setObjectName("Main");
    Open(w);
    instance_.listen(instanceServiceName(), *this);
    return rt::level::Benign;
  }
  int TakeEvent() override {
    const int result = WindowDriver::TakeEvent();
    SingleInstanceServe(*this, instance_);
    return result;
  }

 private:
  SingleInstanceServer instance_;
};

// Runs a serving frame on a thread of this process, as the running copy
// started under `commandName`.
struct RunningCopy {
  explicit RunningCopy(const std::string& name) {
    setCommandLine({name});
    rt::start([this] {
      ServingFrame f;
      frame = &f;
      f.Run();
      frame = nullptr;
      ended = true;
    });
  }
  ServingFrame* frame = nullptr;
  bool ended = false;
};

TEST_F(Startup, ASecondCopyUnderTheSameNameHandsOverAndSkipsTheFrame) {
  RunningCopy first("varneta-unico");
  ASSERT_TRUE(waitUntil([&] { return first.frame != nullptr && first.frame->isOpen(); }, "frame"));
  first.frame->window()->showMinimized();
  recordHooks();
  rt::DebugCapture capture;
  ASSERT_TRUE(runOnThread(MainProgram));
  EXPECT_EQ(programSteps(capture), stepsBeforeTheFrame(false)) << "no frame, no closing steps";
  ASSERT_TRUE(waitUntil([&] { return !first.frame->window()->isMinimized(); }, "the restore"));
  first.frame->window()->close();
  ASSERT_TRUE(waitUntil([&] { return first.ended; }, "the frame to close"));
}

// A runtime folder deep in the account's folders makes a socket path longer
// than a local socket may have: the hand-over moves to a short folder of the
// account's own. Deep $XDG_RUNTIME_DIR, or deep $TMPDIR without it.
TEST_F(Startup, TheHandOverWorksFromADeepRuntimeFolder) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string savedTmp = tmp ? tmp : "";
  std::filesystem::path deep = rt::testing::freshFolder("hondo");
  while (deep.string().size() < 140) deep /= "una-carpeta-dentro-de-otra-carpeta";
  for (const bool xdg : {true, false}) {
    SCOPED_TRACE(xdg ? "deep XDG_RUNTIME_DIR" : "deep TMPDIR, no XDG_RUNTIME_DIR");
    std::filesystem::path runtime = deep / (xdg ? "runtime" : "tmp");
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    if (xdg) {
      setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
      setenv("TMPDIR", runtime.c_str(), 1);
    }
    // Copies of other test runs may share the short folder: a name of its own.
    const std::string name = "varneta-hondo-" + std::to_string(::getpid()) + (xdg ? "-x" : "-t");
    RunningCopy first(name);
    ASSERT_TRUE(
        waitUntil([&] { return first.frame != nullptr && first.frame->isOpen(); }, "frame"));
    const std::filesystem::path socket = instanceSocketPath(instanceServiceName());
    EXPECT_LE(socket.string().size(), 107u) << socket;
    struct stat folder {};
    ASSERT_EQ(::lstat(socket.parent_path().c_str(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_uid, ::geteuid());
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    first.frame->window()->showMinimized();
    recordHooks();
    ASSERT_TRUE(runOnThread(MainProgram));
    ASSERT_TRUE(waitUntil([&] { return !first.frame->window()->isMinimized(); }, "the restore"));
    first.frame->window()->close();
    ASSERT_TRUE(waitUntil([&] { return first.ended; }, "the frame to close"));
    std::filesystem::path lock = socket;
    lock += ".lock";
    std::error_code ec;
    std::filesystem::remove(lock, ec);
  }
  setenv("TMPDIR", savedTmp.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
}

TEST_F(Startup, TheProgramStartedTwiceUnderOneNameEndsAtOnceAndUnderAnotherRuns) {
  const QString binary = QStringLiteral(VARNETA_APP_BINARY);
  RunningCopy first(binary.toStdString());
  ASSERT_TRUE(waitUntil([&] { return first.frame != nullptr && first.frame->isOpen(); }, "frame"));
  QWidget* frameWindow = first.frame->window();
  frameWindow->showMinimized();

  // The copies start in a data folder and a Windows folder of their own: what
  // the tests before left in the shared ones (users to log in, tables marked
  // for maintenance) would hold them before their frame.
  const std::filesystem::path data = rt::testing::freshFolder("copies");
  const std::filesystem::path windows = rt::testing::freshFolder("copies-windows");
  auto startCopy = [&](QProcess& p, const QString& program) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VARNETA_WINDIR", QString::fromStdString(windows.string()));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(data.string()));
    p.setProgram(program);
    p.start();
  };

  QProcess same;
  startCopy(same, binary);
  ASSERT_TRUE(waitUntil([&] { return same.state() == QProcess::NotRunning; }, "the second copy",
                        std::chrono::seconds(30)));
  EXPECT_EQ(same.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(same.exitCode(), 0);
  ASSERT_TRUE(waitUntil([&] { return !frameWindow->isMinimized(); }, "the first to come forward"));
  EXPECT_TRUE(frameWindow->isVisible());

  // The same file under another spelling is another command name.
  frameWindow->showMinimized();
  const QString other = binary.section('/', 0, -2) + "/./" + binary.section('/', -1);
  QProcess another;
  startCopy(another, other);
  QLocalSocket probe;
  const QString otherSocket =
      QString::fromStdString(instanceSocketPath(rt::upper(other.toStdString())));
  ASSERT_TRUE(waitUntil(
      [&] {
        if (another.state() == QProcess::NotRunning) return true;
        probe.connectToServer(otherSocket);
        return probe.waitForConnected(100);
      },
      "the other copy to serve its own name", std::chrono::seconds(30)));
  EXPECT_EQ(another.state(), QProcess::Running) << "it runs its own frame";
  probe.disconnectFromServer();
  another.terminate();
  ASSERT_TRUE(waitUntil([&] { return another.state() == QProcess::NotRunning; }, "the end"));
  EXPECT_TRUE(frameWindow->isMinimized()) << "the first copy was not called forward";
  frameWindow->close();
  ASSERT_TRUE(waitUntil([&] { return first.ended; }, "the frame to close"));
}

// Two copies started at one moment under one name: one runs and serves the
// name, the other ends at once; the lock beside the socket decides.
TEST_F(Startup, TwoCopiesStartedAtOnceUnderOneNameLeaveOneRunning) {
  const QString binary = QStringLiteral(VARNETA_APP_BINARY);
  const QString name = binary.section('/', 0, -2) + "/././" + binary.section('/', -1);
  // A data folder and a Windows folder of their own, as the other started copies.
  const std::filesystem::path data = rt::testing::freshFolder("twin-copies");
  const std::filesystem::path windows = rt::testing::freshFolder("twin-copies-windows");
  QProcess copies[2];
  for (QProcess& p : copies) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VARNETA_WINDIR", QString::fromStdString(windows.string()));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(data.string()));
    p.setProgram(name);
  }
  const QString socket = QString::fromStdString(instanceSocketPath(rt::upper(name.toStdString())));
  QLocalSocket probe;
  // The practice's files are made first by a copy of its own: two copies
  // making them at one moment would meet each other's half-made files before
  // the lock is asked, which is not what this test is about.
  {
    QProcess maker;
    maker.setProcessEnvironment(copies[0].processEnvironment());
    maker.setWorkingDirectory(copies[0].workingDirectory());
    maker.setProgram(name);
    maker.start();
    ASSERT_TRUE(waitUntil(
        [&] {
          probe.connectToServer(socket);
          return probe.waitForConnected(100);
        },
        "the first copy to serve", std::chrono::seconds(30)));
    probe.disconnectFromServer();
    maker.terminate();
    ASSERT_TRUE(
        waitUntil([&] { return maker.state() == QProcess::NotRunning; }, "the first copy's end"));
  }
  for (QProcess& p : copies) p.start();
  ASSERT_TRUE(waitUntil(
      [&] {
        const bool oneEnded =
            copies[0].state() == QProcess::NotRunning || copies[1].state() == QProcess::NotRunning;
        if (!oneEnded) return false;
        probe.connectToServer(socket);
        return probe.waitForConnected(100) || (copies[0].state() == QProcess::NotRunning &&
                                               copies[1].state() == QProcess::NotRunning);
      },
      "one copy to end and the other to serve", std::chrono::seconds(60)));
  probe.disconnectFromServer();
  const int running = copies[0].state() == QProcess::Running ? 0 : 1;
  QProcess& ended = copies[1 - running];
  EXPECT_EQ(copies[running].state(), QProcess::Running) << "one copy runs";
  EXPECT_EQ(ended.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(ended.exitCode(), 0);
  copies[running].terminate();
  ASSERT_TRUE(
      waitUntil([&] { return copies[running].state() == QProcess::NotRunning; }, "the end"));
}

}  // namespace
}  // namespace core
