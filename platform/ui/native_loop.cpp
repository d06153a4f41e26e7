#include "platform/ui/native_loop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <memory>

#include "platform/base/logical_threads.h"
#include "platform/ui/window_driver.h"

namespace rt {

void runNativeLoop(std::function<void()> loop) {
  if (!onLogicalThread()) {
    loop();
    return;
  }
  const ThreadNumber caller = currentThreadNumber();
  {
    const ThreadWindowsDisabled blocked;
    auto done = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [loop = std::move(loop), done, caller] {
          loop();
          *done = true;
          wakeThread(caller);
        },
        Qt::QueuedConnection);
    while (!*done) suspendCurrentThread();
  }
  // The dialog gone, the window manager activates whichever window it likes:
  // the work goes on in the caller's window, at the control it left.
  if (WindowDriver* window = WindowDriver::topWindow(caller)) window->bringToFront();
}

}  // namespace rt
