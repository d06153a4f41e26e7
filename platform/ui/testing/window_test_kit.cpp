#include "platform/ui/testing/window_test_kit.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <map>
#include <optional>

#include "platform/ui/event_loop.h"
#include "platform/ui/mnemonics.h"
#include "platform/ui/qt_text.h"

namespace rt::testing {
namespace {

// One round of the event loop; returns at the latest after a short heartbeat
// so that the caller can check its deadline.
void pumpOnce() {
  QTimer heartbeat;
  heartbeat.setSingleShot(true);
  heartbeat.start(20);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
}

// The windows on screen, to tell what a wait that timed out was held by.
std::string shownWindows() {
  std::string out;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible()) continue;
    out += "\n  " + std::string(w->metaObject()->className()) + " \"" +
           w->windowTitle().toStdString() + "\"";
  }
  return out.empty() ? " none" : out;
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, std::string_view what,
               std::chrono::milliseconds limit) {
  if (onLogicalThread()) {
    ADD_FAILURE() << "waitUntil runs on the test's main context";
    return false;
  }
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit.count()) {
      ADD_FAILURE() << "timed out waiting for " << what << "; windows shown:" << shownWindows();
      return false;
    }
    pumpOnce();
  }
  return true;
}

void waitIdle(std::chrono::milliseconds limit) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (pendingLoopCalls() == 0 && runPendingCalls() == 0) {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      if (pendingLoopCalls() == 0) return;
    }
    if (clock.elapsed() > limit.count()) {
      ADD_FAILURE() << "the event loop never became idle";
      return;
    }
  }
}

bool runOnThread(std::function<void()> body, std::chrono::milliseconds limit) {
  bool ended = false;
  start([&ended, body = std::move(body)] {
    struct Mark {
      bool* ended;
      ~Mark() { *ended = true; }
    } mark{&ended};
    body();
  });
  return waitUntil([&] { return ended; }, "the logical thread to end", limit);
}

bool click(WindowDriver& window, std::string_view control) {
  QWidget* w = window.control(control);
  if (w == nullptr) {
    ADD_FAILURE() << "no control " << control;
    return false;
  }
  if (!w->isVisible() || !w->isEnabled()) {
    ADD_FAILURE() << "control " << control << " is " << (w->isVisible() ? "disabled" : "hidden");
    return false;
  }
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
  return true;
}

WindowScript::WindowScript() {
  previous_ = WindowDriver::setOpenObserver([this](WindowDriver& w) {
    const std::string title = fromQString(w.window()->windowTitle());
    for (Step& step : steps_) {
      if (!step.done && step.title == title) {
        step.done = true;
        step.action(w);
        return;
      }
    }
  });
}

WindowScript::~WindowScript() { WindowDriver::setOpenObserver(previous_); }

void checkMnemonicsOfEveryWindow() {
  WindowDriver::setOpenCheck([](WindowDriver& w) {
    std::map<QChar, int> count;
    for (const MarkedControl& m : markedControls(w.window())) {
      if (++count[m.letter] == 2) {
        ADD_FAILURE() << "two controls of \"" << fromQString(w.window()->windowTitle())
                      << "\" mark the letter " << QString(m.letter).toStdString();
      }
    }
  });
}

WindowScript& WindowScript::on(std::string title, std::function<void(WindowDriver&)> action) {
  steps_.push_back({std::move(title), std::move(action)});
  return *this;
}

int WindowScript::pending() const {
  int count = 0;
  for (const Step& step : steps_) count += step.done ? 0 : 1;
  return count;
}

ScriptedMessages::ScriptedMessages(std::vector<int> answers) : answers_(std::move(answers)) {
  previous_ = setMessageHandler([this](const MessageRequest& request) {
    const std::size_t index = asked_.size();
    asked_.push_back(request);
    return index < answers_.size() ? answers_[index] : defaultAnswer(request);
  });
}

ScriptedMessages::~ScriptedMessages() { setMessageHandler(previous_); }

Watchdog::Watchdog(std::chrono::milliseconds limit) {
  auto* timer = new QTimer;
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, [this, limit] {
    fired_ = true;
    ADD_FAILURE() << "watchdog: the test ran longer than " << limit.count() << " ms";
    // Fibers are switched from calls posted to the loop, not from a Qt callback.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { endAllThreads(); }, Qt::QueuedConnection);
  });
  timer->start(static_cast<int>(limit.count()));
  timer_ = timer;
}

Watchdog::~Watchdog() { delete static_cast<QTimer*>(timer_); }

QMdiArea* hostWindowsIn(QMainWindow& frame) {
  auto* area = new QMdiArea(&frame);
  frame.setCentralWidget(area);
  frame.resize(1000, 700);
  frame.show();
  constexpr ThreadNumber kFrameThread = 0x7fff;  // no logical thread of the test's
  WindowDriver::setChildHost(kFrameThread, [area](QWidget* w) {
    QMdiSubWindow* holder = area->addSubWindow(w);
    holder->show();
    area->setActiveSubWindow(holder);
    return true;
  });
  return area;
}

PlacesKept::PlacesKept() {
  WindowDriver::setPositionStore(
      {[this](const std::string& procedure) -> std::optional<QPoint> {
         const auto it = stored_.find(procedure);
         if (it == stored_.end()) return std::nullopt;
         return it->second;
       },
       [this](const std::string& procedure, QPoint at) { stored_[procedure] = at; }});
}

PlacesKept::~PlacesKept() { WindowDriver::setPositionStore({}); }

}  // namespace rt::testing
