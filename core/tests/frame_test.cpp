// The frame: its listing-mode cycle, its title, the timer gate that raises
// the reminders only while no other thread shows a window, the navigation
// toolbar relayed to the active window's thread, and the backup reminder's
// date rule.
#include "core/frame/frame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/frame/backup_reminder.h"
#include "core/frame/global_settings.h"
#include "core/frame/globals.h"
#include "core/frame/users_windows.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::waitUntil;

TEST(FrameRules, TheListingModeCyclesThroughItsFourModesWithTheirTexts) {
  const struct {
    const char* before;
    const char* after;
    const char* text;
  } cases[] = {{"A", "N", "Normal"},
               {"N", "M", "eMail"},
               {"M", "P", "Acrobat PDF"},
               {"P", "A", "Automático"_cp},
               {"A  ", "N", "Normal"}};
  for (const auto& c : cases) {
    const auto next = nextListingMode(c.before);
    ASSERT_TRUE(next) << c.before;
    EXPECT_EQ(next->mode, c.after);
    EXPECT_EQ(next->text, c.text);
  }
  EXPECT_FALSE(nextListingMode("X")) << "a mode outside the cycle stays";
  EXPECT_FALSE(nextListingMode(""));
}

TEST(FrameRules, TheTitleCarriesTheVersionTheUserAndTheLevel) {
  const std::string version = versionText(kBuildText);
  EXPECT_EQ(version.size(), 40u);
  EXPECT_EQ(version.rfind("Versión 9.0 (2025.09.29.4)"_cp, 0), 0u);
  EXPECT_EQ(titleText(version), "Varneta - " + version) << "all 40 characters";

  GLO::TituloSistema = titleText(version);
  GLO::Nombre_Usuario_Logueado = "";
  GLO::Nivel_Usuario_Logueado = 9;
  EXPECT_EQ(frameTitle(), "Varneta - Versión 9.0 (2025.09.29.4) - USUARIO:  <9>"_cp);
  GLO::Nombre_Usuario_Logueado = "Ana      ";
  GLO::Nivel_Usuario_Logueado = 5;
  EXPECT_EQ(frameTitle(), "Varneta - Versión 9.0 (2025.09.29.4) - USUARIO: Ana <5>"_cp);
  GLO::Nombre_Usuario_Logueado.clear();
  GLO::Nivel_Usuario_Logueado = 9;
}

TEST(FrameRules, TheBackupReminderShowsWhenOnAndTheLastBackupIsTwoDaysOld) {
  const rt::Date today = 82090;
  const struct {
    std::int64_t last, enabled;
    bool due;
  } cases[] = {{0, 1, true},      {today - 1, 1, false}, {today - 2, 1, true},
               {today, 1, false}, {today + 5, 1, false}, {today - 30, 0, false},
               {0, 0, false},     {today - 30, 2, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(backupReminderDue(today, c.last, c.enabled), c.due)
        << "last " << c.last << " enabled " << c.enabled;
  }
}

TEST(FrameRules, TheReminderTellsTheUserAndRunsTheBackupWindowWhenDue) {
  int backups = 0;
  rt::registerProcedure("Respaldo", [&](const rt::ProcedureArgs&) {
    ++backups;
    return rt::kCompleted;
  });
  const std::string ini = backupIniFile();
  for (const char* day : {"", "82089", "82088"}) {
    SCOPED_TRACE(day);
    rt::putIni("Respaldo", "Habilitado", "1", ini);
    rt::putIni("Respaldo", "Dia", day, ini);
    rt::testing::ScriptedMessages messages;
    const int before = backups;
    EXPECT_FALSE(AvisoRespaldo());
    const bool due = std::string_view(day) != "82089";  // yesterday is recent
    EXPECT_EQ(backups - before, due ? 1 : 0);
    ASSERT_EQ(messages.asked().size(), due ? 1u : 0u);
    if (due) {
      EXPECT_EQ(messages.asked()[0].caption, "Debe realizarse un respaldo");
    }
  }
  rt::unregisterProcedure("Respaldo");
  std::filesystem::remove(
      rt::resolvePath(ini));  // later frames of this process start without a reminder
}

TEST(FrameRules, TheResetEmptiesThePositionsOfEveryProcedureAndKeepsTheRest) {
  const std::string ini = ".\\varneta.INI";
  rt::putIni("ExaminarPacientes", "xpos", "120", ini);
  rt::putIni("ExaminarPacientes", "Orden", "2", ini);
  rt::putIni("AnyFont", "FontSize", "12", ini);
  rt::testing::ScriptedMessages messages;
  ResetearPosicionVentanas();
  ASSERT_EQ(windowPositionSections().size(), 79u);
  for (std::string_view section : windowPositionSections()) {
    for (const char* entry : {"maximize", "xpos", "ypos", "height", "width"}) {
      EXPECT_EQ(rt::getIni(section, entry, "missing", ini), "") << section << " " << entry;
    }
  }
  EXPECT_EQ(rt::getIni("ExaminarPacientes", "Orden", "", ini), "2");
  EXPECT_EQ(rt::getIni("AnyFont", "FontSize", "", ini), "12");
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "Proceso de Reseto de Ventanas Finalizado");
}

// A window of another thread that records the navigation it receives.
class ListStandIn : public rt::WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget;
    w->setObjectName("ListStandIn");
    Open(w);
    return rt::level::Benign;
  }
  int TakeWindowEvent() override {
    if (event() == rt::event::Accepted) relayed.push_back(currentEvent().controlNumber);
    return WindowDriver::TakeWindowEvent();
  }
  std::vector<int> relayed;
};

class RunningFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(openPracticeDatabase(rt::workingFolder()), 0);
    // Nobody logged in yet, whatever an earlier test of the process left.
    GLO::Cod_Usuario_Logueado = 0;
    GLO::Nombre_Usuario_Logueado.clear();
    GLO::Nivel_Usuario_Logueado = 0;
    // Not a first run: the settings file is there, whatever a first run's
    // frame before left in the flag.
    GLO::PrimeraEjecucion = 1;
    ASSERT_TRUE(rt::putIni("Usuario", "Usuario", "Consultorio", inProgramFolder("Dezedu.ini")));
    ASSERT_TRUE(rt::putIni("Login", "Login", loginSwitch(), inProgramFolder("Dezedu.ini")));
    // No backup reminder, whatever backup setting an earlier test saved.
    std::filesystem::remove(rt::iniFilePath(backupIniFile()));
    rt::registerProcedure("ProcesoAgenda", [this](const rt::ProcedureArgs&) {
      ++agendaRuns_;
      return rt::kCompleted;
    });
    rt::start([this] {
      TableManagersInit();
      Frame f;
      frame_ = &f;
      f.Run();
      frame_ = nullptr;
      TableManagersKill();
      ended_ = true;
    });
    ASSERT_TRUE(waitUntil([&] { return frame_ && frame_->isOpen(); }, "the frame"));
  }
  void TearDown() override {
    if (frame_) frame_->post(rt::event::CloseWindow);
    waitUntil([&] { return ended_; }, "the frame to close");
    rt::unregisterProcedure("ProcesoAgenda");
    rt::closeDatabase();
  }

  virtual const char* loginSwitch() const { return "0"; }

  // Starts a list stand-in on a thread of its own.
  ListStandIn* openList() {
    ListStandIn* list = nullptr;
    rt::start([&list, this] {
      ListStandIn w;
      list = &w;
      ++lists_;
      w.Run();
      --lists_;
    });
    waitUntil([&] { return list && list->isOpen(); }, "the list");
    return list;
  }

  // Opens a new user's form on a thread of its own and types a name into
  // it; `formOpen` says whether it is still open and `response` what it
  // answered; `afterForm` runs on that thread, the users table still open.
  void openChangedUserForm(rt::testing::WindowScript& script, bool& formOpen, int& response,
                           std::function<void()> afterForm = {}) {
    script.on("Actualizando un registro de Usuarios", [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText("Ana");
    });
    rt::start([&formOpen, &response, afterForm] {
      TableManagersInit();
      relate(Usuarios::def()).open();
      rt::ThreadRequest() = 1;
      formOpen = true;
      FormularioUsuario();
      formOpen = false;
      response = rt::ThreadResponse();
      if (afterForm) afterForm();
      relate(Usuarios::def()).close();
      TableManagersKill();
    });
    ASSERT_TRUE(waitUntil([&] { return script.pending() == 0; }, "the form"));
  }

  rt::testing::Watchdog watchdog_;
  Frame* frame_ = nullptr;
  bool ended_ = false;
  int agendaRuns_ = 0;
  int lists_ = 0;
};

TEST_F(RunningFrame, TheTimerRunsTheRemindersOnlyWhileNoOtherThreadShowsAWindow) {
  EXPECT_EQ(GLO::ModoListado, "A");
  frame_->post(rt::event::Timer);
  ASSERT_TRUE(waitUntil([&] { return agendaRuns_ == 1; }, "the reminders"));

  ListStandIn* list = openList();
  ASSERT_NE(list, nullptr);
  frame_->post(rt::event::Timer);
  ASSERT_TRUE(waitUntil([&] { return frame_->openWindowCount() == 1; }, "the count"));
  EXPECT_EQ(agendaRuns_, 1) << "a list is open";

  list->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return lists_ == 0; }, "the list to close"));
  frame_->post(rt::event::Timer);
  ASSERT_TRUE(waitUntil([&] { return agendaRuns_ == 2; }, "the first tick after it closed"));
  EXPECT_EQ(frame_->openWindowCount(), 0);
}

TEST_F(RunningFrame, TheNavigationToolbarReachesTheActiveWindowOfAnotherThread) {
  ListStandIn* list = openList();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->hosted()) << "a main window is shown inside the frame";
  ASSERT_EQ(frame_->mdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(frame_->mdiArea()->subWindowList().front()->widget(), list->window());
  ASSERT_TRUE(
      waitUntil([&] { return activeWindowThread() == list->thread(); }, "the list to be active"));
  frame_->post(rt::event::Accepted, frame_->control("?TOOLBAR:DOWN"));
  frame_->post(rt::event::Accepted, frame_->control("?TOOLBAR:INSERT"));
  ASSERT_TRUE(waitUntil([&] { return list->relayed.size() == 2; }, "the relayed presses"));
  EXPECT_EQ(list->relayed, (std::vector<int>{3009, 3001}));
  list->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return lists_ == 0; }, "the list to close"));
  ASSERT_TRUE(
      waitUntil([&] { return frame_->mdiArea()->subWindowList().empty(); }, "its holder to go"));
}

TEST_F(RunningFrame, TheListingModeButtonCyclesAndTheTitleShowsTheUser) {
  auto* mode = frame_->control<QToolButton>("?TIPOLISTADO");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->text(), "Automatico") << "the text set at start";
  const char* texts[] = {"Normal", "eMail", "Acrobat PDF", "Automático"_cp};
  for (const char* text : texts) {
    ASSERT_TRUE(rt::testing::click(*frame_, "?TIPOLISTADO"));
    ASSERT_TRUE(waitUntil([&] { return mode->text() == rt::toQString(text); }, text));
  }
  EXPECT_EQ(GLO::ModoListado, "A");

  // A listing that ends on its own thread puts the mode back to automatic:
  // the button says so at once, and one press goes one step on from it.
  for (int press = 0; press < 3; ++press) ASSERT_TRUE(rt::testing::click(*frame_, "?TIPOLISTADO"));
  ASSERT_TRUE(waitUntil([&] { return mode->text() == "Acrobat PDF"; }, "Acrobat PDF"));
  ASSERT_TRUE(rt::testing::runOnThread([] { finishReportGlobals(); }));
  EXPECT_EQ(GLO::ModoListado, "A");
  EXPECT_EQ(mode->text(), rt::toQString("Automático"_cp));
  ASSERT_TRUE(rt::testing::click(*frame_, "?TIPOLISTADO"));
  ASSERT_TRUE(waitUntil([&] { return mode->text() == "Normal"; }, "Normal"));
  EXPECT_EQ(GLO::ModoListado, "N");
  setListingMode("A");
  EXPECT_TRUE(frame_->window()->windowTitle().endsWith(" - USUARIO:  <9>"))
      << frame_->window()->windowTitle().toStdString();
  EXPECT_TRUE(std::filesystem::is_directory(rt::workingFolder() / "PDF"));
}

TEST_F(RunningFrame, ClosingTheFrameClosesAChangedFormThroughItsOwnQuestion) {
  // Cancel keeps the form and the program; No closes the form unsaved, then
  // the frame.
  rt::testing::ScriptedMessages answers({rt::button::Cancel, rt::button::No});
  bool formOpen = false;
  int response = 0;
  rt::testing::WindowScript script;
  openChangedUserForm(script, formOpen, response);
  if (HasFatalFailure()) return;
  frame_->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return answers.asked().size() == 1; }, "the form's question"));
  EXPECT_EQ(answers.asked()[0].text, "¿ Desea guardar los cambios?"_cp);
  EXPECT_EQ(answers.asked()[0].caption, "Guardar Registro");
  rt::testing::waitIdle();
  EXPECT_TRUE(formOpen);
  EXPECT_FALSE(ended_) << "Cancel keeps the program";
  ASSERT_TRUE(frame_->isOpen());

  frame_->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return ended_; }, "the program to end"));
  EXPECT_EQ(answers.asked().size(), 2u);
  EXPECT_FALSE(formOpen);
  EXPECT_EQ(response, rt::kCancelled) << "nothing saved";
}

TEST_F(RunningFrame, YesToAChangedFormsQuestionStoresItAndTheFrameStillCloses) {
  rt::testing::ScriptedMessages answers({rt::button::Yes});
  bool formOpen = false;
  int response = 0;
  std::int64_t users = 0;
  rt::testing::WindowScript script;
  openChangedUserForm(script, formOpen, response, [&users] {
    users = Usuarios::table().records();
    // The practice's folder serves the later tests: the user goes again.
    Usuarios::table().setToStart(Usuarios::USU01);
    while (Usuarios::table().next() == 0) Usuarios::table().remove();
  });
  if (HasFatalFailure()) return;
  frame_->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return ended_; }, "the program to end"));
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].caption, "Guardar Registro");
  EXPECT_FALSE(formOpen);
  EXPECT_EQ(response, rt::kCompleted);
  EXPECT_EQ(users, 1);
}

class RunningFrameWithLogin : public RunningFrame {
 protected:
  void SetUp() override {
    registerUserProcedures();
    RunningFrame::SetUp();
  }
  void TearDown() override {
    RunningFrame::TearDown();
    rt::unregisterProcedure("VentanaPresentacionLogin");
  }
  const char* loginSwitch() const override { return "1"; }
};

TEST_F(RunningFrameWithLogin, TheLoginRunsOnOpeningAndTheReloginButtonShows) {
  // Without users the login window lets everyone in at once.
  const QString expected = rt::toQString(" - USUARIO: Sin Restricción"_cp);
  ASSERT_TRUE(waitUntil([&] { return frame_->window()->windowTitle().endsWith(expected); },
                        "the title after the login"));
  EXPECT_TRUE(frame_->window()->windowTitle().contains(" - USUARIO:  <0>"))
      << "the title set before the login";
  EXPECT_TRUE(frame_->control("?BUTTON22")->isVisibleTo(frame_->window()));
}

// A window of a report's run: it opens (with a window of its own above it
// when `nested`) and closes again at once.
class ReportStepStandIn : public rt::WindowDriver {
 public:
  explicit ReportStepStandIn(bool nested) : nested_(nested) {}
  bool hostable() const override { return !nested_; }
  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle("Paso del listado");
    auto* entry = new QLineEdit(w);
    entry->setObjectName("?ENTRY");
    Open(w);
    return rt::level::Benign;
  }
  int TakeWindowEvent() override {
    if (event() == rt::event::OpenWindow) {
      if (!nested_) ReportStepStandIn(true).Run();
      post(rt::event::CloseWindow);
    }
    return WindowDriver::TakeWindowEvent();
  }

 private:
  bool nested_;
};

// A report runs on a thread of its own, its windows one after another (the
// destination, the progress, the preview): when it ends, the list that
// started it is the active window again, not the list opened first.
TEST_F(RunningFrame, TheListThatStartedAReportIsActiveWhenTheReportEnds) {
  ListStandIn* patients = openList();
  ListStandIn* visits = openList();
  ASSERT_TRUE(patients != nullptr && visits != nullptr);
  ASSERT_TRUE(waitUntil([&] { return activeWindowThread() == visits->thread(); },
                        "the second list to be active"));
  bool reportEnded = false;
  rt::start([&] {
    for (int step = 0; step < 3; ++step) ReportStepStandIn(false).Run();
    reportEnded = true;
  });
  ASSERT_TRUE(waitUntil([&] { return reportEnded; }, "the report to end"));
  rt::testing::waitIdle();
  EXPECT_EQ(activeWindowThread(), visits->thread()) << "the list that started the report";
  EXPECT_EQ(frame_->mdiArea()->activeSubWindow()->widget(), visits->window());
  patients->post(rt::event::CloseWindow);
  visits->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return lists_ == 0; }, "the lists to close"));
}

}  // namespace
}  // namespace core
