// The reminders: the alarm walk raised by the frame's timer, the alarm form,
// the postponement on both forms, the removal of completed reminders under
// the busy count, and the reminders list and form.
#include "organiser/reminders.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/frame/activity_log.h"
#include "core/frame/frame.h"
#include "core/frame/global_settings.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/export_handover.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/probed_window.h"
#include "organiser/register_procedures.h"
#include "organiser/tests/organiser_test_kit.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "platform/base/ini_file.h"
#include "platform/base/outside_actions.h"
#include "platform/base/procedures.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"
#include "platform/data/testing/other_workstation.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace organiser {
namespace {

using core::AgendaRecordatoria;
using core::AGG;
using core::testing::Probed;
using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;
using rt::testing::waitUntil;

using testing::kTen;
using testing::kToday;
constexpr char kAlarmTitle[] = "Actualizando un registro de Agenda";

struct Reminder {
  const char* subject;
  rt::Date date;
  rt::Time time;
  int user = 0;
  int alarm = 1;
  int complete = 0;
  int priority = 3;
  int code = 0;  // numbered after the highest when 0
};

class Reminders : public testing::OrganiserTables {
 protected:
  static int add(const Reminder& r) {
    AgendaRecordatoria::table().clear();
    AGG().Asunto = r.subject;
    AGG().Fecha = r.date;
    AGG().Hora = r.time;
    AGG().Cod_Usuario = static_cast<std::uint16_t>(r.user);
    AGG().Alarma = static_cast<std::uint8_t>(r.alarm);
    AGG().Completa = static_cast<std::uint8_t>(r.complete);
    AGG().Prioridad = static_cast<std::uint8_t>(r.priority);
    AGG().CodigoInterno = static_cast<std::uint16_t>(r.code);
    rt::Table& t = AgendaRecordatoria::table();
    EXPECT_EQ(r.code != 0 ? t.add() : t.addNumbered(), 0);
    return AGG().CodigoInterno;
  }
  static bool read(int code) {
    AGG().CodigoInterno = static_cast<std::uint16_t>(code);
    return AgendaRecordatoria::table().fetch(AgendaRecordatoria::AGG00) == 0;
  }
  static void removeAll() {
    rt::Table& t = AgendaRecordatoria::table();
    t.setToStart(AgendaRecordatoria::AGG00);
    while (t.next() == 0) t.remove();
  }
};

// What each alarm form showed when it opened, and the beeps heard by then.
struct Rung {
  std::string subject;
  int beepsBefore;
};

// The frame running on a thread of its own, its timer posted by the test.
class FrameAlarms : public Reminders {
 protected:
  void SetUp() override {
    Reminders::SetUp();
    ASSERT_TRUE(
        rt::putIni("Usuario", "Usuario", "Consultorio", core::inProgramFolder("Dezedu.ini")));
    ASSERT_TRUE(rt::putIni("Login", "Login", "0", core::inProgramFolder("Dezedu.ini")));
    // Walks are counted as they end.
    rt::registerProcedure("ProcesoAgenda", [this](const rt::ProcedureArgs&) {
      ProcesoAgenda();
      ++walks_;
      return 0;
    });
    previousObserver_ = rt::WindowDriver::setOpenObserver([this](rt::WindowDriver& w) {
      if (w.window()->windowTitle() != kAlarmTitle) return;
      rung_.push_back({rt::fromQString(w.control<QLineEdit>("?AGG:ASUNTO")->text()), beeps_});
      answer_(w);
    });
    rt::start([this] {
      core::Frame f;
      frame_ = &f;
      f.Run();
      frame_ = nullptr;
      ended_ = true;
    });
    ASSERT_TRUE(waitUntil([&] { return frame_ && frame_->isOpen(); }, "the frame"));
  }
  void TearDown() override {
    if (frame_) frame_->post(rt::event::CloseWindow);
    waitUntil([&] { return ended_; }, "the frame to close");
    rt::WindowDriver::setOpenObserver(std::move(previousObserver_));
    Reminders::TearDown();
  }

  // One timer tick of the frame; the subjects rung, in order.
  std::vector<std::string> tick() {
    rung_.clear();
    const int before = walks_;
    frame_->post(rt::event::Timer);
    EXPECT_TRUE(waitUntil([&] { return walks_ == before + 1; }, "the walk"));
    std::vector<std::string> subjects;
    for (const Rung& r : rung_) subjects.push_back(r.subject);
    return subjects;
  }

  rt::testing::Watchdog watchdog_;
  core::Frame* frame_ = nullptr;
  bool ended_ = false;
  int walks_ = 0;
  std::vector<Rung> rung_;
  std::function<void(rt::WindowDriver&)> answer_ = [](rt::WindowDriver& w) { click(w, "?CANCEL"); };
  rt::WindowDriver::OpenObserver previousObserver_;
};

using Subjects = std::vector<std::string>;

TEST_F(FrameAlarms, TheWalkRingsDueRemindersOfTheUserInKeyOrderTwoBeepsEach) {
  const rt::Time minuteLater = rt::makeTime(10, 1);
  const struct Case {
    const char* what;
    int loggedIn;
    std::vector<Reminder> reminders;
    Subjects rung;
  } cases[] = {
      {"due this second", 0, {{"ahora", kToday, kTen}}, {"ahora"}},
      {"a minute later", 0, {{"luego", kToday, minuteLater}}, {}},
      {"yesterday, late", 0, {{"ayer", kToday - 1, rt::makeTime(23, 59)}}, {"ayer"}},
      {"as user 3",
       3,
       {{"de 3", kToday, kTen, 3}, {"de todos", kToday, kTen, 0}, {"de 5", kToday, kTen, 5}},
       {"de 3", "de todos"}},
      {"nobody logged in",
       0,
       {{"de 3", kToday, kTen, 3}, {"de 5", kToday, kTen, 5}},
       {"de 3", "de 5"}},
      {"alarm off, complete, tomorrow",
       0,
       {{"sin alarma", kToday, kTen, 0, 0},
        {"completa", kToday, kTen, 0, 1, 1},
        {"mañana", kToday + 1, kTen}},
       {}},
      {"oldest first, whatever the order they were added in",
       0,
       {{"hoy", kToday, kTen},
        {"mañana", kToday + 1, rt::makeTime(8, 0)},
        {"anteayer", kToday - 2, rt::makeTime(18, 0)},
        {"temprano", kToday, rt::makeTime(7, 30)}},
       {"anteayer", "temprano", "hoy"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    removeAll();
    for (const Reminder& r : c.reminders) add(r);
    GLO::Cod_Usuario_Logueado = static_cast<std::uint16_t>(c.loggedIn);
    const int before = beeps_;
    EXPECT_EQ(tick(), c.rung);
    EXPECT_EQ(beeps_ - before, 2 * static_cast<int>(c.rung.size()));
    for (std::size_t i = 0; i < rung_.size(); ++i) {
      // Two beeps before each form; the next ones only after it closed.
      EXPECT_EQ(rung_[i].beepsBefore - before, 2 * static_cast<int>(i + 1));
    }
  }
  GLO::Cod_Usuario_Logueado = 0;
}

TEST_F(FrameAlarms, CancelRingsAgainNextTickAndASavedChangeStopsIt) {
  const int code = add({"llamar", kToday, kTen});
  EXPECT_EQ(tick(), Subjects{"llamar"});
  EXPECT_EQ(tick(), Subjects{"llamar"}) << "cancelled: nothing saved";

  answer_ = [](rt::WindowDriver& w) {
    w.control<QCheckBox>("?AGG:ALARMA")->setChecked(false);
    click(w, "?OK");
  };
  EXPECT_EQ(tick(), Subjects{"llamar"});
  ASSERT_TRUE(read(code));
  EXPECT_EQ(AGG().Alarma, 0) << "OK stores the change";
  EXPECT_EQ(tick(), Subjects{});

  // Postponed and stored: silent until ten minutes later.
  AGG().Alarma = 1;
  ASSERT_EQ(AgendaRecordatoria::table().put(), 0);
  answer_ = [](rt::WindowDriver& w) {
    click(w, "?DEMORAR");
    w.post(rt::event::Accepted, w.control("?OK"));
  };
  EXPECT_EQ(tick(), Subjects{"llamar"});
  answer_ = [](rt::WindowDriver& w) { click(w, "?CANCEL"); };
  EXPECT_EQ(tick(), Subjects{});
  rt::setFixedClock(kToday, rt::makeTime(10, 10));
  EXPECT_EQ(tick(), Subjects{"llamar"});
}

TEST_F(FrameAlarms, OkOverAChangeMadeElsewhereIsRefusedAndReported) {
  const int code = add({"llamar", kToday, kTen});
  // The refusal, then No to saving on Cancel: the form shows the other's
  // reminder, which differs from the one it opened with.
  ScriptedMessages messages({rt::button::Ok, rt::button::No});
  answer_ = [code](rt::WindowDriver& w) {
    w.control<QLineEdit>("?AGG:ASUNTO")->setText("mio");
    // Another workstation stores the reminder meanwhile, then the user
    // presses OK and, after the refusal, Cancel.
    rt::start([&w, code] {
      core::TableAccess& a = core::access(AgendaRecordatoria::def());
      a.open();
      AGG().CodigoInterno = static_cast<std::uint16_t>(code);
      AgendaRecordatoria::table().fetch(AgendaRecordatoria::AGG00);
      AGG().Asunto = "otro";
      AgendaRecordatoria::table().put();
      a.close();
      w.post(rt::event::Accepted, w.control("?OK"));
      w.post(rt::event::Accepted, w.control("?CANCEL"));
    });
  };
  EXPECT_EQ(tick(), Subjects{"llamar"});
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[1].caption, "Guardar Registro");
  ASSERT_TRUE(read(code));
  EXPECT_EQ(AGG().Asunto.clipped(), "otro");
}

TEST_F(FrameAlarms, AReminderDeletedWhileAnEarlierFormIsOpenIsPassedOver) {
  add({"primero", kToday, kTen});
  const int second = add({"segundo", kToday, kTen});
  answer_ = [second](rt::WindowDriver& w) {
    rt::start([&w, second] {
      core::TableAccess& a = core::access(AgendaRecordatoria::def());
      a.open();
      AGG().CodigoInterno = static_cast<std::uint16_t>(second);
      if (AgendaRecordatoria::table().fetch(AgendaRecordatoria::AGG00) == 0) {
        AgendaRecordatoria::table().remove();
      }
      a.close();
      w.post(rt::event::Accepted, w.control("?CANCEL"));
    });
  };
  EXPECT_EQ(tick(), Subjects{"primero"});
}

// ------------------------------------------------------------ postponement

TEST(ReminderRules, PostponementTakesTenMinutesFromNowAndNeverGoesBack) {
  const struct {
    rt::Date reminder;
    rt::Time now;
    rt::Date date;
    rt::Time time;
  } cases[] = {
      {kToday, kTen, kToday, rt::makeTime(10, 10)},
      {kToday, rt::makeTime(23, 55), kToday + 1, rt::makeTime(0, 5)},
      {kToday - 1, kTen, kToday, rt::makeTime(10, 10)},
      {kToday + 1, kTen, kToday + 1, rt::makeTime(10, 10)},
  };
  for (const auto& c : cases) {
    const Moment m = postponed(c.reminder, kToday, c.now);
    EXPECT_EQ(m.date, c.date) << c.reminder << " " << c.now;
    EXPECT_EQ(m.time, c.time) << c.reminder << " " << c.now;
  }
}

// Steps written for both forms, for one of them.
template <class Form>
std::vector<std::function<void(Form&)>> as(
    const std::vector<std::function<void(ReminderFormBase&)>>& steps) {
  std::vector<std::function<void(Form&)>> typed;
  for (const auto& step : steps) typed.push_back([step](Form& f) { step(f); });
  return typed;
}

TEST_F(Reminders, DemorarOnBothFormsMovesTheTimeAndTheDateForward) {
  const struct {
    rt::Date reminder;
    rt::Time now;
    const char* date;
    const char* time;
  } cases[] = {
      {kToday, kTen, "10/12/2026", "10:10"},
      {kToday, rt::makeTime(23, 55), "11/12/2026", "00:05"},
      {kToday - 1, kTen, "10/12/2026", "10:10"},
      {kToday + 1, kTen, "11/12/2026", "10:10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.time);
    removeAll();
    const int code = add({"x", c.reminder, kTen});
    for (int which = 0; which < 2; ++which) {
      rt::setFixedClock(kToday, c.now);
      ScriptedMessages dontSave({rt::button::No});  // the reminder form asks on Cancel
      const std::vector<std::function<void(ReminderFormBase&)>> steps{
          [](ReminderFormBase& f) { click(f, "?DEMORAR"); },
          [&](ReminderFormBase& f) {
            EXPECT_EQ(f.control<QLineEdit>("?AGG:FECHA")->text(), c.date);
            EXPECT_EQ(f.control<QLineEdit>("?AGG:HORA")->text(), c.time);
            EXPECT_EQ(f.window()->focusWidget(), f.control("?OK"));
            click(f, "?CANCEL");
          }};
      auto readIt = [code] { EXPECT_TRUE(read(code)); };
      if (which == 0) {
        runProbed<AlarmForm>(
            core::request::Change, AgendaRecordatoria::def(), as<AlarmForm>(steps),
            [code] { return new Probed<AlarmForm>(static_cast<std::uint16_t>(code)); }, readIt);
      } else {
        runProbed<ReminderForm>(
            core::request::Change, AgendaRecordatoria::def(), as<ReminderForm>(steps),
            [] { return new Probed<ReminderForm>; }, readIt);
      }
    }
  }
}

// ------------------------------------------------------------------ removal

TEST_F(Reminders, LimpiarAgendaRemovesEveryCompletedReminderButNotWhileTheListIsOpen) {
  add({"hecha de 0", kToday, kTen, 0, 1, 1});
  add({"hecha de 3", kToday, kTen, 3, 0, 1});
  add({"hecha de 5", kToday - 9, kTen, 5, 1, 1});
  const int open = add({"pendiente", kToday, kTen});
  auto clean = [] { ASSERT_TRUE(runOnThread([] { LimpiarAgenda(); })); };

  // The list open, then also after one of its forms has closed.
  core::testing::Probed<ReminderList>* list = nullptr;
  bool closed = false;
  rt::start([&] {
    core::testing::Probed<ReminderList> l;
    list = &l;
    rt::ThreadRequest() = 0;
    l.Run();
    closed = true;
  });
  ASSERT_TRUE(waitUntil([&] { return list && list->isOpen(); }, "the list"));
  clean();
  EXPECT_EQ(AgendaRecordatoria::table().records(), 4);
  {
    rt::testing::WindowScript form;
    form.on(kAlarmTitle, [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
    list->post(rt::event::Accepted, list->control("?INSERT"));
    ASSERT_TRUE(waitUntil(
        [&] { return form.pending() == 0 && rt::WindowDriver::topWindow(list->thread()) == list; },
        "the form to close"));
  }
  clean();
  EXPECT_EQ(AgendaRecordatoria::table().records(), 4);
  list->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return closed; }, "the list to close"));

  clean();
  EXPECT_EQ(AgendaRecordatoria::table().records(), 1);
  EXPECT_TRUE(read(open));
  clean();  // none left to remove: silent
  EXPECT_EQ(AgendaRecordatoria::table().records(), 1);
}

TEST_F(Reminders, AFailedRemovalSaysWhyTracesTheStatementAndKeepsTheTable) {
  add({"hecha", kToday, kTen, 0, 1, 1});
  add({"hecha también", kToday, kTen, 0, 1, 1});
  // Another workstation holds the lock; the waits pass at once.
  auto other = std::make_unique<rt::testing::OtherWorkstation>(folder_ / "Varneta.dat");
  ASSERT_TRUE(other->holdWriteLock()) << other->error();
  auto previous = rt::setTimerHook([](int, std::function<void()> fire) { fire(); });
  ScriptedMessages messages;
  rt::DebugCapture trace;
  ASSERT_TRUE(runOnThread([] { LimpiarAgenda(); }));
  rt::setTimerHook(std::move(previous));
  other.reset();

  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text.rfind("AgendaRecordatoria - Error al Correr el Query = ", 0),
            0u)
      << messages.asked()[0].text;
  EXPECT_GT(messages.asked()[0].text.size(), 48u) << "the reason follows";
  const auto lines = trace.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Delete AgendaRecordatoria Where Completa = 1"),
            lines.end());
  EXPECT_EQ(AgendaRecordatoria::table().records(), 2);
}

// ------------------------------------------------------- list and form

class ReminderWindows : public Reminders {
 protected:
  int runForm(int request, const std::vector<std::function<void(ReminderForm&)>>& steps,
              int code = 0) {
    return runProbed<ReminderForm>(
        request, AgendaRecordatoria::def(), steps, [] { return new Probed<ReminderForm>; },
        [code] {
          if (code != 0) {
            EXPECT_TRUE(read(code));
          }
        });
  }
  void runList(const std::vector<std::function<void(ReminderList&)>>& steps) {
    runProbed<ReminderList>(0, AgendaRecordatoria::def(), steps);
  }
};

bool ticked(rt::WindowDriver& w, const char* name) {
  return w.control<QCheckBox>(name)->isChecked();
}
QString text(rt::WindowDriver& w, const char* name) { return w.control<QLineEdit>(name)->text(); }

TEST_F(ReminderWindows, ANewReminderStartsNowForTheLoggedInUserWithPriorityThree) {
  core::USU().Cod_Usuario = 4;
  core::USU().Nombre_Usuario = "Ana";
  ASSERT_EQ(core::Usuarios::table().add(), 0);
  GLO::Cod_Usuario_Logueado = 4;
  rt::setFixedClock(kToday, rt::makeTime(15, 55));
  const int answer = runForm(core::request::Insert,
                             {[](ReminderForm& f) {
                                EXPECT_EQ(text(f, "?AGG:FECHA"), "10/12/2026");
                                EXPECT_EQ(text(f, "?AGG:HORA"), "15:55");
                                EXPECT_EQ(f.control<QSpinBox>("?AGG:PRIORIDAD")->value(), 3);
                                EXPECT_EQ(text(f, "?AGG:COD_USUARIO").trimmed(), "4");
                                EXPECT_EQ(text(f, "?USU:NOMBRE_USUARIO"), "Ana");
                                EXPECT_FALSE(ticked(f, "?AGG:ALARMA"));
                                EXPECT_FALSE(ticked(f, "?AGG:COMPLETA"));
                                EXPECT_EQ(GLO::AgendaOcupada, 1);
                                click(f, "?OK");  // the subject is required
                              },
                              [](ReminderForm& f) {
                                EXPECT_TRUE(f.isOpen());
                                EXPECT_EQ(f.window()->focusWidget(), f.control("?AGG:ASUNTO"));
                                f.control<QLineEdit>("?AGG:ASUNTO")->setText("Pagar luz");
                                click(f, "?OK");
                              }});
  GLO::Cod_Usuario_Logueado = 0;
  EXPECT_EQ(answer, rt::kCompleted);
  ASSERT_TRUE(read(1));
  EXPECT_EQ(AGG().Asunto.clipped(), "Pagar luz");
  EXPECT_EQ(AGG().Prioridad, 3);
  EXPECT_EQ(AGG().Hora, rt::makeTime(15, 55));
  EXPECT_EQ(AGG().Cod_Usuario, 4);
}

TEST_F(ReminderWindows, CompletaSwitchesTheAlarmOffAndCancelThenAsksToSave) {
  const int done = add({"hecha", kToday, kTen, 0, 1, 1});
  // Stored complete with the alarm on: shown off, so Cancel asks.
  ScriptedMessages messages({rt::button::No});
  runForm(core::request::Change, {[](ReminderForm& f) {
            EXPECT_FALSE(ticked(f, "?AGG:ALARMA"));
            click(f, "?CANCEL");
          }},
          done);
  EXPECT_EQ(messages.asked().size(), 1u) << "the save question";

  const int open = add({"abierta", kToday, kTen, 0, 1, 0});
  ScriptedMessages none;
  runForm(core::request::Change,
          {[](ReminderForm& f) {
             EXPECT_TRUE(ticked(f, "?AGG:ALARMA"));
             click(f, "?AGG:COMPLETA");
           },
           [](ReminderForm& f) {
             EXPECT_FALSE(ticked(f, "?AGG:ALARMA"));
             click(f, "?AGG:COMPLETA");  // unticked again: the alarm stays off
           },
           [](ReminderForm& f) {
             EXPECT_FALSE(ticked(f, "?AGG:ALARMA"));
             click(f, "?AGG:COMPLETA");
             f.post(rt::event::Accepted, f.control("?OK"));
           }},
          open);
  for (const auto& m : none.asked()) ADD_FAILURE() << m.text;
  ASSERT_TRUE(read(open));
  EXPECT_EQ(AGG().Completa, 1);
  EXPECT_EQ(AGG().Alarma, 0);
}

TEST_F(ReminderWindows, AnUnknownUserOpensTheUsersListAndACancelKeepsTheCode) {
  core::USU().Cod_Usuario = 2;
  core::USU().Nombre_Usuario = "Beto";
  ASSERT_EQ(core::Usuarios::table().add(), 0);
  const int code = add({"x", kToday, kTen});
  int calls = 0;
  int answer = rt::kCancelled;
  rt::registerProcedure("ExaminarUsuarios", [&](const rt::ProcedureArgs&) {
    ++calls;
    EXPECT_EQ(rt::ThreadRequest(), core::request::Select);
    EXPECT_EQ(core::USU().Cod_Usuario, 7);
    core::USU().Cod_Usuario = 2;
    core::USU().Nombre_Usuario = "Beto";
    return answer;
  });
  auto enter = [](ReminderForm& f, const char* value) {
    auto* e = f.control<QLineEdit>("?AGG:COD_USUARIO");
    e->setText(value);
    f.post(rt::event::Accepted, e);
  };
  runForm(core::request::Change,
          {[&](ReminderForm& f) { enter(f, "7"); },
           [&](ReminderForm& f) {
             EXPECT_EQ(calls, 1);
             EXPECT_EQ(text(f, "?AGG:COD_USUARIO").trimmed(), "7");
             EXPECT_EQ(f.window()->focusWidget(), f.control("?AGG:COD_USUARIO"));
             answer = rt::kCompleted;
             enter(f, "7");
           },
           [&](ReminderForm& f) {
             EXPECT_EQ(calls, 2);
             EXPECT_EQ(text(f, "?AGG:COD_USUARIO").trimmed(), "2");
             EXPECT_EQ(text(f, "?USU:NOMBRE_USUARIO"), "Beto");
             EXPECT_EQ(text(f, "?AGG:ASUNTO"), "x") << "the form's record is kept";
             enter(f, "0");  // nobody in particular: no lookup
           },
           [&](ReminderForm& f) {
             EXPECT_EQ(calls, 2);
             EXPECT_EQ(text(f, "?USU:NOMBRE_USUARIO"), "") << "no name beside user 0";
             click(f, "?CANCEL");
           }},
          code);
}

TEST_F(ReminderWindows, TheListColoursByPriorityShowsIconsAndFiltersWithTheBoxAndF4) {
  add({"urgente", kToday, kTen, 0, 1, 0, 1});
  add({"tarde", kToday, rt::makeTime(11, 0), 0, 0, 0, 5});
  add({"sin color", kToday, rt::makeTime(12, 0), 0, 1, 0, 6});
  add({"hecha", kToday - 1, kTen, 0, 0, 1, 2});
  rt::testing::WindowScript search;
  search.on("Busqueda...", [](rt::WindowDriver& w) {
    w.control<QComboBox>("?SEARCHFIELDS")->setCurrentIndex(2);  // Asunto
    w.post(rt::event::Accepted, w.control("?SEARCHFIELDS"));
    w.control<QLineEdit>("?SEARCHVALUE")->setText("tar");
    w.post(rt::event::Accepted, w.control("?FINDNEXT"));
  });
  search.on("Busqueda...", [](rt::WindowDriver& w) { click(w, "?FIND"); });
  runList(
      {[](ReminderList& l) {
         ASSERT_EQ(l.browser().RecordsInView(), 3) << "only the incomplete ones";
         QAbstractItemModel* m = l.browser().list()->model();
         EXPECT_EQ(m->data(m->index(0, 2)).toString(), "urgente");
         EXPECT_EQ(m->headerData(7, Qt::Horizontal).toString(), "Cod");
         EXPECT_EQ(
             m->data(m->index(0, 7), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
         EXPECT_EQ(m->data(m->index(0, 2), Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
         EXPECT_EQ(m->data(m->index(1, 2), Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0, 0));
         EXPECT_FALSE(m->data(m->index(2, 2), Qt::ForegroundRole).isValid());
         EXPECT_EQ(l.browser().field(0, 10), "1") << "the empty box";
         EXPECT_EQ(l.browser().field(0, 12), "3") << "the alarm";
         EXPECT_EQ(l.browser().field(1, 12), "0");
         click(l, "?LOC:SOLOINCOMPLETOS");
       },
       [](ReminderList& l) {
         ASSERT_EQ(l.browser().RecordsInView(), 4);
         EXPECT_EQ(l.browser().field(0, 3), "hecha");
         EXPECT_EQ(l.browser().field(0, 10), "2") << "the tick";
         click(l, "?LOC:SOLOINCOMPLETOS");
       },
       [](ReminderList& l) { l.search()->TakeKey(Qt::Key_F4); },
       [](ReminderList& l) {
         EXPECT_EQ(l.browser().RecordsInView(), 1) << "F4 and the box together";
         l.search()->TakeKey(Qt::Key_F4);
       },
       [](ReminderList& l) {
         EXPECT_EQ(l.browser().RecordsInView(), 3);
         click(l, "?CLOSE");
       }});
  EXPECT_EQ(search.pending(), 0);
}

TEST_F(ReminderWindows, EqualDatesAndTimesRunByPriorityThenCode) {
  const rt::Time nine = rt::makeTime(9, 0);
  add({"cinco", kToday, kTen, 0, 1, 0, 5, 1});
  add({"uno tarde", kToday, kTen, 0, 1, 0, 1, 7});
  add({"uno", kToday, kTen, 0, 1, 0, 1, 4});
  add({"antes", kToday, nine, 0, 1, 0, 9, 2});
  runList({[](ReminderList& l) {
    std::vector<std::string> subjects;
    for (std::size_t row = 0; row < l.browser().rowCount(); ++row) {
      subjects.push_back(l.browser().field(row, 3));
    }
    EXPECT_EQ(subjects, (std::vector<std::string>{"antes", "uno", "uno tarde", "cinco"}));
    EXPECT_EQ(l.browser().orderText(), "+AGG:Fecha,+AGG:Hora,+AGG:Prioridad,+AGG:CodigoInterno");
    click(l, "?CLOSE");
  }});
}

TEST_F(ReminderWindows, TheExportHandsOverTheNumberedFieldsOfEveryRow) {
  core::USU().Cod_Usuario = 4;
  core::USU().Nombre_Usuario = "Ana";
  ASSERT_EQ(core::Usuarios::table().add(), 0);
  add({"urgente", kToday, kTen, 4, 1, 0, 1});
  add({"sin usuario", kToday, rt::makeTime(11, 0), 9, 0, 0, 2});
  std::string procedure, fields;
  std::vector<std::vector<std::string>> rows;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    const core::ExportHandOver* h = core::currentExportHandOver();
    procedure = h->group->procedure;
    fields = h->parameters.at(0);
    for (const std::vector<std::string>& all : core::allExportRows(*h->rows, 15)) {
      std::vector<std::string> row;
      for (int f : {1, 2, 3, 8, 9, 11, 13, 15}) row.push_back(all[f - 1]);
      rows.push_back(row);
    }
    return 0;
  });
  runList(
      {[](ReminderList& l) { click(l, "?EXPORT"); }, [](ReminderList& l) { click(l, "?CLOSE"); }});
  rt::unregisterProcedure(core::kExportWindow);
  EXPECT_EQ(procedure, "ExaminarAgenda7");
  EXPECT_EQ(fields, "1,2,3,8,9,11,13,15,");
  const std::vector<std::vector<std::string>> expected{
      {std::to_string(kToday), std::to_string(kTen), "urgente", "1", "0", "1", "Ana", "1"},
      {std::to_string(kToday), std::to_string(rt::makeTime(11, 0)), "sin usuario", "2", "0", "0",
       "", "2"}};
  EXPECT_EQ(rows, expected);
}

}  // namespace
}  // namespace organiser
