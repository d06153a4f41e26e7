#include "platform/ui/window_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>
#include <map>
#include <set>

#include "platform/base/current_event.h"
#include "platform/base/debug_sink.h"
#include "platform/ui/mnemonics.h"
#include "platform/ui/native_loop.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/title_width.h"
#include "platform/ui/window_placement.h"

namespace rt {
namespace {

using testing::click;
using testing::hostWindowsIn;
using testing::waitIdle;
using testing::waitUntil;
using namespace std::chrono_literals;

// A window with a few named controls. "?Formulario" opens a form of the same
// kind modally on the window's thread; "?OK" completes and closes.
class SampleWindow : public WindowDriver {
 public:
  explicit SampleWindow(std::string title) : title_(std::move(title)) {}

  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle(toQString(title_));
    auto* layout = new QVBoxLayout(w);
    for (const char* name : {"?OK", "?Formulario"}) {
      auto* b = new QPushButton(QString::fromLatin1(name).mid(1), w);
      b->setObjectName(name);
      layout->addWidget(b);
    }
    auto* edit = new QLineEdit(w);
    edit->setObjectName("?Nombre");
    layout->addWidget(edit);
    auto* list = new QListWidget(w);
    list->setObjectName("?Lista");
    list->addItems({"uno", "dos", "tres"});
    list->setCurrentRow(0);  // before binding: no spurious new-selection event
    layout->addWidget(list);
    Open(w);
    alertKey(Qt::Key_F2);
    if (timerHundredths > 0) setTimer(timerHundredths);
    return level::Benign;
  }

  int TakeEvent() override {
    seen.push_back({event(), field() ? fromQString(field()->objectName()) : std::string()});
    runtimeEvents.push_back(rt::currentEvent());
    if (event() == event::AlertKey) lastKey = keyCode();
    if (event() == event::Timer) ++ticks;
    return WindowDriver::TakeEvent();
  }

  int TakeAccepted() override {
    if (field() == control("?OK")) {
      Response = kCompleted;
      post(event::CloseWindow);
    } else if (field() == control("?Formulario") && formHook) {
      formHook();
    } else if (field() == control("?Formulario")) {
      SampleWindow form(title_ + " / formulario");
      form.timerHundredths = formTimer;
      formOpen = &form;
      formResponse = form.Run();
      formOpen = nullptr;
      timerQueuedAfterForm = hasQueued(event::Timer);
    }
    return level::Benign;
  }

  int TakeCloseEvent() override { return mayClose ? level::Benign : level::Notify; }

  std::string title_;
  std::vector<std::pair<int, std::string>> seen;
  std::vector<int> runtimeEvents;  // the current event as code without windows sees it
  int ticks = 0;
  int lastKey = 0;
  int timerHundredths = 0;
  int formTimer = 0;
  bool mayClose = true;
  SampleWindow* formOpen = nullptr;
  int formResponse = 0;
  bool timerQueuedAfterForm = false;
  std::function<void()> formHook;  // opens another form instead of its own kind
};

// Runs a SampleWindow on a logical thread of its own.
struct ThreadWithWindow {
  explicit ThreadWithWindow(std::string title) : window(std::move(title)) {
    thread = start([this] {
      result = window.Run();
      ended = true;
    });
  }
  // A test that failed early must not leave a thread running on this object.
  ~ThreadWithWindow() {
    if (threadAlive(thread)) endAllThreads();
  }
  SampleWindow window;
  ThreadNumber thread = 0;
  int result = 0;
  bool ended = false;
};

bool enabled(WindowDriver* w) { return w != nullptr && w->window()->isEnabled(); }

class WindowDriverTest : public ::testing::Test {
 protected:
  void TearDown() override {
    endAllThreads();
    waitIdle();
    EXPECT_TRUE(WindowDriver::openWindows().empty());
  }
  testing::Watchdog watchdog_;
};

// Each of two threads calls a form; closing the forms in either order returns
// each call at once, and disables only the calling thread's own window.
class TwoModalForms : public WindowDriverTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TwoModalForms, ClosingInEitherOrderReturnsEachCallAtOnce) {
  const bool firstThreadFirst = GetParam();
  ThreadWithWindow a("Principal A"), b("Principal B");
  ASSERT_TRUE(waitUntil([&] { return a.window.isOpen() && b.window.isOpen(); }, "both windows"));
  EXPECT_EQ(otherThreadsShowingWindows(), 2);
  ASSERT_TRUE(click(a.window, "?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return a.window.formOpen != nullptr; }, "form A"));
  EXPECT_FALSE(enabled(&a.window));
  EXPECT_TRUE(enabled(&b.window)) << "another thread's window stays usable";
  ASSERT_TRUE(click(b.window, "?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return b.window.formOpen != nullptr; }, "form B"));
  EXPECT_FALSE(enabled(&b.window));
  EXPECT_TRUE(enabled(a.window.formOpen));
  EXPECT_TRUE(enabled(b.window.formOpen));

  ThreadWithWindow& first = firstThreadFirst ? a : b;
  ThreadWithWindow& second = firstThreadFirst ? b : a;
  ASSERT_TRUE(click(*first.window.formOpen, "?OK"));
  ASSERT_TRUE(
      waitUntil([&] { return first.window.formOpen == nullptr; }, "the first call to return"));
  EXPECT_EQ(first.window.formResponse, kCompleted);
  EXPECT_TRUE(enabled(&first.window));
  ASSERT_NE(second.window.formOpen, nullptr) << "the other thread's form is still open";
  EXPECT_FALSE(enabled(&second.window));
  EXPECT_TRUE(enabled(second.window.formOpen));

  second.window.formOpen->window()->close();  // closed by the user: the call answers cancelled
  ASSERT_TRUE(waitUntil([&] { return second.window.formOpen == nullptr; }, "the second call"));
  EXPECT_EQ(second.window.formResponse, kCancelled);
  EXPECT_TRUE(enabled(&second.window));

  ASSERT_TRUE(click(a.window, "?OK"));
  ASSERT_TRUE(click(b.window, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return a.ended && b.ended; }, "both threads to end"));
  EXPECT_EQ(a.result, kCompleted);
  EXPECT_EQ(otherThreadsShowingWindows(), 0);
}

INSTANTIATE_TEST_SUITE_P(Order, TwoModalForms, ::testing::Bool());

TEST_F(WindowDriverTest, AWindowClosesOnlyWhenItsCloseHandlingAgrees) {
  ThreadWithWindow t("Protegida");
  t.window.mayClose = false;
  ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
  QPointer<QWidget> widget = t.window.window();
  widget->close();
  waitIdle();
  EXPECT_TRUE(widget->isVisible());
  EXPECT_FALSE(t.ended);
  EXPECT_EQ(t.window.seen.back().first, event::CloseWindow);
  t.window.mayClose = true;
  widget->close();
  ASSERT_TRUE(waitUntil([&] { return t.ended; }, "the thread to end"));
  EXPECT_EQ(t.result, kCancelled);
  waitIdle();
  EXPECT_TRUE(widget.isNull()) << "the widget is deleted once the loop is idle";
}

// An action that fails with an exception (memory that cannot be had) is
// shown in a message naming the window; the window stays and goes on.
TEST_F(WindowDriverTest, AFailedActionIsShownNamingTheWindowWhichStaysOpen) {
  testing::ScriptedMessages messages;
  ThreadWithWindow t("Exportar Consultas");
  t.window.formHook = [] { throw std::bad_alloc(); };
  ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
  click(t.window, "?Formulario");
  ASSERT_TRUE(waitUntil([&] { return !messages.asked().empty(); }, "the message"));
  EXPECT_NE(messages.asked()[0].text.find("Exportar Consultas"), std::string::npos)
      << messages.asked()[0].text;
  EXPECT_NE(messages.asked()[0].text.find("No hay memoria suficiente"), std::string::npos);
  waitIdle();
  EXPECT_TRUE(t.window.isOpen());
  EXPECT_FALSE(t.ended);
  click(t.window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return t.ended; }, "the thread to end"));
  EXPECT_EQ(t.result, kCompleted);
  EXPECT_EQ(messages.asked().size(), 1u);
}

TEST_F(WindowDriverTest, SignalsOfTheControlsBecomeTheWindowsEvents) {
  ThreadWithWindow t("Eventos");
  ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
  waitIdle();
  ASSERT_FALSE(t.window.seen.empty());
  EXPECT_EQ(t.window.seen.front().first, event::OpenWindow);
  t.window.seen.clear();

  auto* edit = t.window.control<QLineEdit>("?nombre");  // names ignore case
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClicks(edit, "Ana");
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_F2);
  t.window.control<QListWidget>("?Lista")->setCurrentRow(2);
  waitIdle();
  const std::vector<std::pair<int, std::string>> expected = {
      {event::Accepted, "?Nombre"}, {event::AlertKey, ""}, {event::NewSelection, "?Lista"}};
  std::vector<std::pair<int, std::string>> got;
  for (const auto& e : t.window.seen) {
    if (e.first != event::Selected) got.push_back(e);
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(t.window.lastKey, Qt::Key_F2);
  EXPECT_EQ(edit->text(), "Ana") << "typing reached the entry; F2 did not";

  ASSERT_TRUE(post(event::User + 20, t.thread));
  waitIdle();
  EXPECT_EQ(t.window.seen.back().first, event::User + 20);
  std::vector<int> events;
  for (const auto& e : t.window.seen) events.push_back(e.first);
  const std::vector<int>& runtime = t.window.runtimeEvents;
  EXPECT_EQ(std::vector<int>(runtime.end() - events.size(), runtime.end()), events);
  click(t.window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return t.ended; }, "the thread to end"));
}

// Enter, and the keypad's Enter, on a focused button press it as Space does;
// Enter in an entry stays the entry's. A window opens on its first entry.
TEST_F(WindowDriverTest, EnterPressesAFocusedButtonAndTheFirstEntryHasTheFocus) {
  for (Qt::KeyboardModifiers keypad :
       {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::KeypadModifier)}) {
    ThreadWithWindow t("Teclas");
    ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
    waitIdle();
    EXPECT_EQ(t.window.window()->focusWidget(), t.window.control("?Nombre"))
        << "the buttons come first, the entry has the focus";
    QTest::keyClick(t.window.control("?Nombre"), Qt::Key_Return);
    waitIdle();
    EXPECT_FALSE(t.ended) << "Enter in the entry pressed no button";
    QWidget* ok = t.window.control("?OK");
    ok->setFocus();
    QTest::keyClick(ok, keypad ? Qt::Key_Enter : Qt::Key_Return, keypad);
    ASSERT_TRUE(waitUntil([&] { return t.ended; }, "OK pressed by Enter"));
    EXPECT_EQ(t.result, kCompleted);
  }
}

// Alt with a letter that no control marks types nothing into the entry;
// AltGr (no Alt of its own, or Ctrl+Alt on some keyboards) still types its
// sign, as the "@" of an e-mail address on a Spanish keyboard.
TEST_F(WindowDriverTest, AltWithALetterNeverTypesWhileAltGrStillDoes) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
    const char* typed;
  };
  const Case cases[] = {
      {Qt::Key_S, Qt::AltModifier, "s", ""},
      {Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier, "Q", ""},
      {Qt::Key_5, Qt::AltModifier, "5", ""},
      {Qt::Key_At, Qt::NoModifier, "@", "@"},
      {Qt::Key_At, Qt::GroupSwitchModifier, "@", "@"},
      {Qt::Key_At, Qt::ControlModifier | Qt::AltModifier, "@", "@"},
  };
  ThreadWithWindow t("Teclas");
  ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
  auto* entry = qobject_cast<QLineEdit*>(t.window.control("?Nombre"));
  ASSERT_NE(entry, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + std::to_string(c.modifiers.toInt()));
    entry->clear();
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, QString::fromLatin1(c.text));
    QApplication::sendEvent(entry, &press);
    EXPECT_EQ(entry->text(), QString::fromLatin1(c.typed));
  }
}

// A control looked up by a name the window lacks is null, and the debug
// output names it; names ignore case.
TEST_F(WindowDriverTest, AMissingControlNameSaysSoInTheDebugOutput) {
  ThreadWithWindow t("Nombres");
  ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
  DebugCapture debug;
  EXPECT_EQ(t.window.control("?nombre"), t.window.control("?Nombre"));
  EXPECT_TRUE(debug.lines().empty()) << debug.lines().front();
  EXPECT_EQ(t.window.control("?Nombres"), nullptr);
  ASSERT_EQ(debug.lines().size(), 1u);
  EXPECT_NE(debug.lines()[0].find("\"?Nombres\""), std::string::npos) << debug.lines()[0];
  click(t.window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return t.ended; }, "the thread to end"));
}

// A window narrower than its caption would have the caption shortened by the
// window manager ("Listas Guardadas [Exa... el archivo de Agenda]").
TEST_F(WindowDriverTest, AWindowIsAsWideAsItsCaption) {
  const std::string longTitle =
      "Listas Guardadas [Examinando el archivo de Agenda de Contactos del Consultorio]";
  for (const std::string& title : {std::string("Corto"), longTitle}) {
    SCOPED_TRACE(title);
    ThreadWithWindow t(title);
    ASSERT_TRUE(waitUntil([&] { return t.window.isOpen(); }, "the window"));
    const QWidget* w = t.window.window();
    EXPECT_GE(w->width(), titleBarWidth(w));
    if (title == longTitle) {
      EXPECT_GT(w->width(), w->sizeHint().width()) << "widened for it";
    }
    ASSERT_TRUE(click(t.window, "?OK"));
    ASSERT_TRUE(waitUntil([&] { return t.ended; }, "the window to close"));
  }
}

TEST_F(WindowDriverTest, TimerTicksAreDroppedWhileAModalWindowIsAbove) {
  ThreadWithWindow t("Reloj");
  t.window.timerHundredths = 1;
  t.window.formTimer = 1;
  ASSERT_TRUE(waitUntil([&] { return t.window.ticks >= 2; }, "ticks of the window"));
  ASSERT_TRUE(click(t.window, "?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return t.window.formOpen != nullptr; }, "the form"));
  SampleWindow* form = t.window.formOpen;
  ASSERT_TRUE(waitUntil([&] { return form->ticks >= 5; }, "ticks of the form"));
  const int ticksBelow = t.window.ticks;
  ASSERT_TRUE(click(*form, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return t.window.formOpen == nullptr; }, "the form to close"));
  EXPECT_EQ(t.window.ticks, ticksBelow);
  EXPECT_FALSE(t.window.timerQueuedAfterForm) << "ticks during the form were not kept";
  ASSERT_TRUE(waitUntil([&] { return t.window.ticks > ticksBelow; }, "ticks to come back"));
  click(t.window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return t.ended; }, "the thread to end"));
}

TEST_F(WindowDriverTest, HaltClosesTheWindowsOfEveryThread) {
  std::vector<int> codes;
  HaltHandler previous = setHaltHandler([&](int code) { codes.push_back(code); });
  ThreadWithWindow a("Uno"), b("Dos");
  ASSERT_TRUE(waitUntil([&] { return a.window.isOpen() && b.window.isOpen(); }, "both windows"));
  QPointer<QWidget> widgetA = a.window.window();
  start([] { halt(4); });
  ASSERT_TRUE(waitUntil([&] { return !codes.empty(); }, "the halt"));
  setHaltHandler(previous);
  EXPECT_EQ(codes, std::vector<int>{4});
  EXPECT_TRUE(WindowDriver::openWindows().empty());
  EXPECT_FALSE(a.ended) << "unwound, not returned";
  waitIdle();
  EXPECT_TRUE(widgetA.isNull());
}

// A window brought to the front is the active one: a window hosted by a
// frame becomes the frame's active child, restored when it was minimised;
// a window of its own is raised and activated.
TEST_F(WindowDriverTest, AWindowBroughtToTheFrontIsTheActiveOneHostedOrNot) {
  QMainWindow frame;
  QMdiArea* area = hostWindowsIn(frame);
  ThreadWithWindow planner("Planilla"), patients("Pacientes");
  ASSERT_TRUE(waitUntil([&] { return planner.window.isOpen() && patients.window.isOpen(); },
                        "both windows"));
  WindowDriver::setChildHost(0, {});
  ASSERT_TRUE(planner.window.hosted() && patients.window.hosted());
  auto* holder = qobject_cast<QMdiSubWindow*>(planner.window.window()->parentWidget());
  ASSERT_NE(holder, nullptr);
  ASSERT_EQ(area->activeSubWindow()->widget(), patients.window.window());
  holder->showMinimized();
  planner.window.bringToFront();
  waitIdle();
  ASSERT_NE(area->activeSubWindow(), nullptr);
  EXPECT_EQ(area->activeSubWindow(), holder);
  EXPECT_FALSE(holder->isMinimized());
  EXPECT_EQ(QApplication::activeWindow(), &frame);

  ThreadWithWindow own("Propia");
  ASSERT_TRUE(waitUntil([&] { return own.window.isOpen(); }, "a window of its own"));
  EXPECT_FALSE(own.window.hosted());
  frame.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &frame; }, "the frame"));
  own.window.bringToFront();
  EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == own.window.window(); },
                        "the window of its own to be active"));
  for (ThreadWithWindow* t : {&planner, &patients, &own}) click(t->window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return planner.ended && patients.ended && own.ended; }, "the ends"));
}

// A form stands over its list, outside the frame. A window the frame shows
// for another thread (a list opened from the menu) comes in front of it: the
// form stands aside until its own list is turned to again, or until the
// window opened over it closes.
TEST_F(WindowDriverTest, AWindowTheFrameShowsComesInFrontOfAnotherThreadsForm) {
  QMainWindow frame;
  QMdiArea* area = hostWindowsIn(frame);
  ThreadWithWindow doctors("Medicos");
  ASSERT_TRUE(waitUntil([&] { return doctors.window.isOpen(); }, "the first list"));
  ASSERT_TRUE(click(doctors.window, "?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return doctors.window.formOpen != nullptr; }, "its form"));
  SampleWindow& form = *doctors.window.formOpen;
  ASSERT_TRUE(
      waitUntil([&] { return form.isOpen() && form.window()->isVisible(); }, "the form shown"));
  ASSERT_FALSE(form.hosted());
  auto* doctorsHolder = qobject_cast<QMdiSubWindow*>(doctors.window.window()->parentWidget());
  ASSERT_NE(doctorsHolder, nullptr);

  auto patients = std::make_unique<ThreadWithWindow>("Pacientes");
  ASSERT_TRUE(waitUntil([&] { return patients->window.isOpen(); }, "the second list"));
  ASSERT_TRUE(patients->window.hosted());
  EXPECT_EQ(area->activeSubWindow()->widget(), patients->window.window());
  EXPECT_TRUE(waitUntil([&] { return !form.window()->isVisible(); }, "the form to stand aside"));
  EXPECT_TRUE(form.setAside());
  EXPECT_TRUE(
      waitUntil([&] { return QApplication::activeWindow() == &frame; }, "the frame active"));

  area->setActiveSubWindow(doctorsHolder);  // the user turns to the first list
  EXPECT_TRUE(waitUntil([&] { return form.window()->isVisible(); }, "the form back with its list"));
  EXPECT_FALSE(form.setAside());
  area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(patients->window.window()->parentWidget()));
  EXPECT_TRUE(waitUntil([&] { return !form.window()->isVisible(); }, "the form aside again"));

  // The list opened over the form closes: the form is where the work goes on.
  ASSERT_TRUE(click(patients->window, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return patients->ended; }, "the second list to close"));
  WindowDriver::setChildHost(0, {});
  EXPECT_TRUE(waitUntil([&] { return form.window()->isVisible(); }, "the form shown again"));
  EXPECT_EQ(area->activeSubWindow(), doctorsHolder);
  ASSERT_TRUE(click(form, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return doctors.window.formOpen == nullptr; }, "the form to close"));
  ASSERT_TRUE(click(doctors.window, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return doctors.ended; }, "the first list to close"));
}

// When a form called from a window closes, the work goes on where it was:
// the calling window is the active one again and its control that had the
// focus has it again, not the first control of the frame that hosts it.
TEST_F(WindowDriverTest, AClosedFormGivesTheFocusBackToTheControlItWasCalledFrom) {
  QMainWindow frame;
  auto* toolBar = new QPushButton("Pacientes", &frame);  // first in the frame's focus order
  frame.setMenuWidget(toolBar);
  hostWindowsIn(frame);
  frame.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &frame; }, "the frame"));
  ThreadWithWindow list("Pacientes");
  ASSERT_TRUE(waitUntil([&] { return list.window.isOpen(); }, "the list"));
  WindowDriver::setChildHost(0, {});
  ASSERT_TRUE(list.window.hosted());
  QWidget* rows = list.window.control("?Lista");
  rows->setFocus();
  ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == rows; }, "the rows' focus"));
  list.window.post(event::Accepted, list.window.control("?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return list.window.formOpen && list.window.formOpen->isOpen(); },
                        "the form"));
  click(*list.window.formOpen, "?OK");
  ASSERT_TRUE(waitUntil([&] { return list.window.formOpen == nullptr; }, "the form to close"));
  EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == rows; },
                        "the rows to have the focus again", 2s));
  click(list.window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return list.ended; }, "the list to end"));
}

// A native dialog run for a window (a folder chooser) takes the activation
// with it; once it is gone the calling window is the active one again, at the
// control that had the focus.
TEST_F(WindowDriverTest, ANativeDialogGivesTheFocusBackToTheCallingWindowsControl) {
  ThreadWithWindow settings("Configuración");
  ASSERT_TRUE(waitUntil([&] { return settings.window.isOpen(); }, "the window"));
  QWidget* name = settings.window.control("?Nombre");
  name->setFocus();
  ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == name; }, "the entry's focus"));
  bool chosen = false;
  settings.window.formHook = [&] {
    runNativeLoop([] {
      QWidget chooser;
      chooser.setWindowTitle("Seleccionar carpeta");
      chooser.show();
      chooser.activateWindow();
      waitUntil([&] { return QApplication::activeWindow() == &chooser; }, "the chooser");
    });
    chosen = true;
  };
  settings.window.post(event::Accepted, settings.window.control("?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return chosen; }, "the chooser to close"));
  EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == name; },
                        "the entry to have the focus again", 2s));
  click(settings.window, "?OK");
  ASSERT_TRUE(waitUntil([&] { return settings.ended; }, "the window to end"));
}

// Only the window a procedure opened first keeps that procedure's place: a
// window shown over it by the same procedure (a message, a question)
// neither takes nor leaves it.
TEST_F(WindowDriverTest, AWindowShownOverItsProceduresWindowLeavesThatPlaceAlone) {
  std::vector<std::string> savedBy;
  WindowDriver::setPositionStore(
      {[](const std::string&) { return std::optional<QPoint>(); },
       [&](const std::string& procedure, QPoint) { savedBy.push_back(procedure); }});
  SampleWindow* main = nullptr;
  bool ended = false;
  start([&] {
    ProcedureScope scope("Principal");
    SampleWindow window("Principal");
    main = &window;
    window.Run();
    ended = true;
  });
  ASSERT_TRUE(waitUntil([&] { return main != nullptr && main->isOpen(); }, "the window"));
  ASSERT_TRUE(click(*main, "?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return main->formOpen != nullptr; }, "the window over it"));
  ASSERT_TRUE(click(*main->formOpen, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return main->formOpen == nullptr; }, "the window over it to close"));
  ASSERT_TRUE(click(*main, "?OK"));
  ASSERT_TRUE(waitUntil([&] { return ended; }, "the window to close"));
  WindowDriver::setPositionStore({});
  EXPECT_EQ(savedBy, std::vector<std::string>{"Principal"});
}

TEST_F(WindowDriverTest, ARunOutsideALogicalThreadIsRefused) {
  SampleWindow w("Fuera");
  EXPECT_THROW(w.Run(), std::logic_error);
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

// A form whose own set-up, after it opened, grows its font and moves it to
// the screen's corner (as a font scaler does before the window is settled).
class GrowingForm : public WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget(nullptr, Qt::Dialog);
    w->setWindowTitle("Creciente");
    auto* layout = new QVBoxLayout(w);
    for (int i = 0; i < 6; ++i) layout->addWidget(new QLineEdit(w));
    Open(w);
    QFont big = w->font();
    big.setPointSize(big.pointSize() * 3);
    w->setFont(big);
    w->move(0, 0);
    return level::Benign;
  }
};

TEST_F(WindowDriverTest, AFormIsPlacedCentredOverItsOwnerOnceItHasItsFinalSize) {
  ThreadWithWindow owner("Lista");
  ASSERT_TRUE(waitUntil([&] { return owner.window.isOpen(); }, "the owner"));
  GrowingForm* form = nullptr;
  QSize settledSize;
  QRect settled;
  QPointer<QWidget> opened;
  // The form runs on the owner's thread as a modal window of it.
  WindowDriver::OpenObserver before = WindowDriver::setOpenObserver([&](WindowDriver& w) {
    if (&w == form) opened = w.window();
  });
  owner.window.formHook = [&] {
    GrowingForm f;
    form = &f;
    f.Run();
    form = nullptr;
  };
  ASSERT_TRUE(click(owner.window, "?Formulario"));
  ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }, "the form"));
  waitIdle();
  settledSize = opened->size();
  settled = opened->frameGeometry();
  form->post(event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return form == nullptr; }, "the form to close"));
  WindowDriver::setOpenObserver(before);
  const QRect ownerFrame = owner.window.window()->frameGeometry();
  const QRect area = availableArea(owner.window.window());
  EXPECT_TRUE(area.contains(settled)) << "whole on the screen";
  EXPECT_GE(settledSize.height(), 6 * QFontMetrics(QFont()).height() * 2) << "its final size";
  // Centred over the owner unless the screen's edge pulled it in.
  if (pulledInto(area, ownerFrame.center() - QPoint(settled.width() / 2, settled.height() / 2),
                 settled.size()) ==
      ownerFrame.center() - QPoint(settled.width() / 2, settled.height() / 2)) {
    EXPECT_LE((settled.center() - ownerFrame.center()).manhattanLength(), 4);
  }
  EXPECT_NE(settled.topLeft(), QPoint(0, 0)) << "its own move was not the last word";
}

// A form too large for the screen in the font it is built in, which its own
// set-up then makes smaller (as a font scaler may).
class ShrinkingForm : public WindowDriver {
 public:
  static constexpr int kEntries = 16;
  static constexpr int kFactor = 4;
  int Init() override {
    auto* w = new QWidget(nullptr, Qt::Dialog);
    w->setWindowTitle("Menguante");
    QFont large = w->font();
    large.setPointSize(large.pointSize() * kFactor);
    w->setFont(large);
    auto* layout = new QVBoxLayout(w);
    for (int i = 0; i < kEntries; ++i) layout->addWidget(new QLineEdit(w));
    Open(w);
    QFont small = w->font();
    small.setPointSize(small.pointSize() / kFactor);
    w->setFont(small);
    return level::Benign;
  }
};

TEST_F(WindowDriverTest, AFormThatFitsOnceItsSetUpIsDoneShowsNoScrollBar) {
  QFont large;
  large.setPointSize(large.pointSize() * ShrinkingForm::kFactor);
  ASSERT_GT(ShrinkingForm::kEntries * QFontMetrics(large).height(), availableArea(nullptr).height())
      << "too tall as built";
  ShrinkingForm* form = nullptr;
  bool ended = false;
  start([&] {
    ShrinkingForm f;
    form = &f;
    f.Run();
    form = nullptr;
    ended = true;
  });
  ASSERT_TRUE(waitUntil([&] { return form != nullptr && form->isOpen(); }, "the form"));
  waitIdle();
  EXPECT_EQ(form->window()->findChild<QScrollArea*>(), nullptr) << "no scroll bar";
  EXPECT_TRUE(availableArea(form->window()).contains(form->window()->frameGeometry()));
  form->post(event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return ended; }, "the form to close"));
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

TEST(Mnemonics, TheCloseButtonKeepsAClashingLetterAndTheOtherTakesAFreeOne) {
  QWidget window;
  auto* query = new QPushButton("&Consulta", &window);
  auto* add = new QPushButton("&Agregar", &window);
  auto* close = new QPushButton("&Cerrar", &window);
  close->setObjectName("?CLOSE");
  auto* entry = new QLineEdit(&window);
  auto* prompt = new QLabel("&Cobertura:", &window);
  prompt->setBuddy(entry);
  auto* copy = new QPushButton("C&opiar", &window);
  EXPECT_EQ(resolveMnemonicClashes(&window), 2);
  EXPECT_EQ(close->text(), "&Cerrar") << "the close button keeps its letter";
  EXPECT_EQ(add->text(), "&Agregar");
  EXPECT_EQ(copy->text(), "C&opiar");
  EXPECT_EQ(query->text(), "Co&nsulta") << "C and O are taken";
  EXPECT_EQ(prompt->text(), "Co&bertura:");
  std::set<QChar> letters;
  for (const MarkedControl& m : markedControls(&window)) {
    EXPECT_TRUE(letters.insert(m.letter).second) << QString(m.letter).toStdString();
  }
}

}  // namespace
}  // namespace rt
