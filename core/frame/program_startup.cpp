#include "core/frame/program_startup.h"

#include <QApplication>
#include <cfenv>
#include <optional>
#include <string>

#include "core/frame/activity_log.h"
#include "core/frame/command_line.h"
#include "core/frame/message_window.h"
#include "core/frame/net_trace.h"
#include "core/frame/runtime_locale.h"
#include "core/frame/settings_store.h"
#include "core/frame/single_instance.h"
#include "core/frame/startup_hooks.h"
#include "core/frame/window_font_start.h"
#include "platform/base/file_modes.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/private_temp.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/ui/application_look.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/window_driver.h"

namespace core {
namespace {

bool g_tablesRegistered = false;

// The start-up hooks are optional: a hook nobody plugged into is passed over
// (quietly, unlike a call of a procedure that must exist).
void call(std::string_view name, rt::ProcedureArgs args = {}) {
  if (rt::isProcedureRegistered(name)) rt::callProcedure(name, args);
}

// Windows reopen where the user left them: the client area's top-left corner
// in the procedure's section of the program INI (blank after a reset).
void keepWindowPositions() {
  rt::WindowDriver::setPositionStore(
      {[](const std::string& procedure) -> std::optional<QPoint> {
         const std::string x = settingsStore().fetch(procedure, "xpos", "");
         const std::string y = settingsStore().fetch(procedure, "ypos", "");
         if (x.find_first_not_of(' ') == std::string::npos ||
             y.find_first_not_of(' ') == std::string::npos)
           return std::nullopt;
         return QPoint(static_cast<int>(rt::textToNumber(x)),
                       static_cast<int>(rt::textToNumber(y)));
       },
       [](const std::string& procedure, QPoint at) {
         settingsStore().update(procedure, "xpos", std::to_string(at.x()));
         settingsStore().update(procedure, "ypos", std::to_string(at.y()));
       }});
}

// The runtime's locale texts, and the table registration once per process.
void prepareRuntimeAndTables() {
  applyRuntimeLocale();
  if (g_tablesRegistered) return;
  g_tablesRegistered = true;
  call(hook::TableUpgradeRegistration);
}

}  // namespace

int runProgramThreads() {
  int exitCode = 0;
  rt::HaltHandler previous = rt::setHaltHandler([&exitCode](int code) { exitCode = code; });
  rt::startMainThread([] {
    // Posted, so the loop ends after thread 1 has run its end routines.
    struct QuitWhenDone {
      ~QuitWhenDone() {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
      }
    } quit;
    MainProgram();
  });
  QApplication::exec();
  rt::endAllThreads();
  rt::setHaltHandler(std::move(previous));
  return exitCode;
}

int ProgramEntry(int argc, char** argv) {
  std::fesetenv(FE_DFL_ENV);
  rt::captureWorkingFolder();
  // Before anything is made: what the program makes follows the data
  // folder's rule, and what an earlier version left open is closed.
  rt::applyFileModes(rt::workingFolder());
  setCommandLine(argc, argv);
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");
  rt::applyApplicationLook();
  // Windows come and go on every thread; the program ends when thread 1 does.
  QApplication::setQuitOnLastWindowClosed(false);
  rt::installWindowLayer();
  // Messages go to the program's own window, which logs each of them.
  BuildArchivoLog();
  installMessageWindow();
  keepWindowPositions();
  installThreadRoutines();
  ProcessInit();
  ProcessFilesBind();
  const int exitCode = runProgramThreads();
  ProcessExit();
  return exitCode;
}

void ProcessInit() {
  // Process-wide variables of C++ start cleared or with their declared values.
  call(hook::RegistryAccessConstruct);
  call(hook::DebugLogDefaults);
  call(hook::DebugLogInit);
  call(hook::TextTranslatorConstruct);
  call(hook::ErrorReporterConstruct);
  // The settings object exists from the start; MainProgram opens and ends it.
}

void ProcessFilesBind() { call(hook::KeyFileDriverBind); }

void ProcessExit() {
  call(hook::DebugLogKill);
  settingsStore().Kill();
  call(hook::ErrorReporterDestruct);
  call(hook::TextTranslatorDestruct);
  call(hook::RegistryAccessDestruct);
  call(hook::KeyFileDriverDestroy);
  call(hook::FreeDayQueue);
}

namespace {
bool threadRoutinesInstalled = false;
}

void installThreadRoutines() {
  if (threadRoutinesInstalled) return;
  threadRoutinesInstalled = true;
  rt::addThreadHooks(rt::ThreadLayer::Program, ThreadStart, ThreadEnd);
}

void removeThreadRoutines() {
  if (!threadRoutinesInstalled) return;
  threadRoutinesInstalled = false;
  rt::removeThreadHooks(rt::ThreadLayer::Program);
}

void ThreadStart(rt::ThreadNumber thread) {
  // The thread's error status starts clear (and is freed when it ends).
  rt::clearError();
  call(hook::ErrorReporterThreadInit);
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  rt::ThreadVcrRequest() = 0;
  // Thread 1 gets its managers from MainProgram, after the global objects.
  if (thread != rt::kMainThread) call(hook::TableManagersInit, {std::to_string(thread)});
}

void ThreadEnd(rt::ThreadNumber thread) { call(hook::TableManagersKill, {std::to_string(thread)}); }

void MainProgram() {
  call(hook::ErrorReporterInit);
  call(hook::TextTranslatorInit);
  settingsStore().Init(kProgramIni);
  call(hook::TableManagersInit, {std::to_string(rt::kMainThread)});
  writeStartTrace();
  call(hook::RegistryAccessSetQuietMode, {"1"});
  prepareRuntimeAndTables();
  setWindowFontStartValues();
  // However the run ends (a halt included), the name's lock goes with it.
  struct EndCheck {
    ~EndCheck() { SingleInstanceCheckEnd(); }
  } endCheck;
  if (SingleInstanceCheck() != 0) return;
  // Copies of patient data left in the private temp folder by a run that
  // crashed (a backup's staging) go now.
  rt::removeStaleWorkFolders();
  call(hook::Main);
  NetCloseCallBackWindow();
  writeEndTrace();
  settingsStore().Kill();
  call(hook::TextTranslatorKill);
}

bool tablesRegistered() { return g_tablesRegistered; }

}  // namespace core
