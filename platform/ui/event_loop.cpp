#include "platform/ui/event_loop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include "platform/base/cross_thread_posts.h"
#include "platform/base/current_event.h"
#include "platform/base/logical_threads.h"
#include "platform/base/outside_actions.h"
#include "platform/base/thread_timer.h"
#include "platform/ui/message_box.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

int g_pending = 0;

}  // namespace

void installWindowLayer() {
  setDispatcher([](std::function<void()> call) {
    ++g_pending;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [call = std::move(call)] {
          --g_pending;
          call();
        },
        Qt::QueuedConnection);
  });
  // From another OS thread: a queued call is the one thread-safe way into the
  // loop (the dispatcher above counts on the GUI thread only).
  setCrossThreadNotifier([] {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(
          app, [] { deliverCrossThreadPosts(); }, Qt::QueuedConnection);
    }
  });
  // A waiting thread's timer fires from the loop; the wake it gives is itself
  // posted, so the thread resumes outside the timer's callback.
  setTimerHook([](int milliseconds, std::function<void()> fire) {
    QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(fire));
  });
  installMessageBoxes();
  // The desktop's beep, unless a sound was chosen already (tests count them).
  if (WarningSound previous = setWarningSound({})) {
    setWarningSound(std::move(previous));
  } else {
    setWarningSound([] { QApplication::beep(); });
  }
  // The event a thread handles is the one its innermost window took last.
  setCurrentEventSource([] {
    const WindowDriver* window = WindowDriver::topWindow(currentThreadNumber());
    return window != nullptr ? window->event() : 0;
  });
}

int pendingLoopCalls() { return g_pending; }

}  // namespace rt
