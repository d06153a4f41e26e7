#pragma once
// Helpers for tests of windows. The test body runs on the main context and
// pumps the event loop while it waits; windows run on logical threads. Every
// wait is bounded: a test that would hang fails instead.
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/ui/window_driver.h"

class QMainWindow;
class QMdiArea;

namespace rt::testing {

using namespace std::chrono_literals;

// Pumps the event loop until `done` holds; false (and a test failure naming
// `what`) when `limit` passes first. Waits on events, never sleeps.
bool waitUntil(const std::function<bool()>& done, std::string_view what,
               std::chrono::milliseconds limit = 10s);
// Runs the event loop until nothing is left to do: no call posted to the loop
// is pending and no widget waits for deletion.
void waitIdle(std::chrono::milliseconds limit = 10s);

// Runs `body` on a new logical thread and waits until the thread has ended.
bool runOnThread(std::function<void()> body, std::chrono::milliseconds limit = 10s);

// Clicks a control of the window by its name ("?OK"), as a user could: only a
// visible and enabled control is clicked; otherwise the test fails and false
// is returned. Works from the test body and from inside a window's loop.
bool click(WindowDriver& window, std::string_view control);

// Drives windows from inside their own loops: when a window whose title is
// `title` opens, `action` runs on the window's thread right after the window
// took its open-window event. Each scripted step runs once, in order of
// opening. Unscripted windows are left alone.
class WindowScript {
 public:
  WindowScript();
  ~WindowScript();
  WindowScript& on(std::string title, std::function<void(WindowDriver&)> action);
  // Steps whose window has not opened yet.
  int pending() const;

 private:
  struct Step {
    std::string title;
    std::function<void(WindowDriver&)> action;
    bool done = false;
  };
  std::vector<Step> steps_;
  WindowDriver::OpenObserver previous_;
};

// Shows `frame` with an MDI area that, as the program's frame does, holds
// the first window of every thread opened from now on; the host stays until
// the test takes it away (WindowDriver::setChildHost(0, {})).
QMdiArea* hostWindowsIn(QMainWindow& frame);

// From now on every window that opens, in any test, is checked: no two of its
// controls mark the same letter (a failure names the window and the letter).
void checkMnemonicsOfEveryWindow();

// Answers messages with the given button values in turn (then the default
// button) and records what was asked.
class ScriptedMessages {
 public:
  explicit ScriptedMessages(std::vector<int> answers = {});
  ~ScriptedMessages();
  const std::vector<MessageRequest>& asked() const { return asked_; }

 private:
  std::vector<int> answers_;
  std::vector<MessageRequest> asked_;
  MessageHandler previous_;
};

// While alive, a test that runs longer than `limit` fails, and every logical
// thread is ended so that the waits of the test return.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit = 30s);
  ~Watchdog();
  bool fired() const { return fired_; }

 private:
  void* timer_;
  bool fired_ = false;
};

// While alive, windows keep the places they are left at in memory, by the
// name of the procedure that opened them; clear() forgets them, as the
// frame's reset of the window positions does.
class PlacesKept {
 public:
  PlacesKept();
  ~PlacesKept();
  PlacesKept(const PlacesKept&) = delete;
  PlacesKept& operator=(const PlacesKept&) = delete;
  void clear() { stored_.clear(); }

 private:
  std::map<std::string, QPoint> stored_;
};

}  // namespace rt::testing
