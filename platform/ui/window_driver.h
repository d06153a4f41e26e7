#pragma once
// The window driver: every window runs its own event loop on the logical
// thread that opened it (Init, the loop, Kill). The Qt signals of the window's
// controls become the window's events; the thread waits between events, so a
// window called from another window blocks only its own thread.
//
// A window called while its thread already shows windows is modal to that
// thread alone: the thread's other windows are disabled until it closes, and
// other threads' windows stay usable. It is shown as a plain, non-modal window;
// Qt's own modality would block every thread's windows.
#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/logical_threads.h"
#include "platform/ui/events.h"

namespace rt {

struct WindowEvent {
  int event = 0;
  QPointer<QWidget> control;  // the control of a field event, null for window events
  int controlNumber = 0;      // the control number of a posted event
  int key = 0;                // the key of an alert-key event (Qt key | modifiers)
};

class WindowDriver {
 public:
  WindowDriver();
  virtual ~WindowDriver();
  WindowDriver(const WindowDriver&) = delete;
  WindowDriver& operator=(const WindowDriver&) = delete;

  // Init; the loop when Init answered Benign; Kill. Returns Response, or
  // kCancelled when none was set. Only on a logical thread.
  virtual int Run();
  // Builds the window and calls Open; Benign to go on.
  virtual int Init();
  // Closes the window and gives the thread's other windows back.
  virtual int Kill();

  // The current event; by default window events go to TakeWindowEvent and
  // control events to TakeFieldEvent. Fatal ends the loop.
  virtual int TakeEvent();
  virtual int TakeWindowEvent();
  virtual int TakeFieldEvent();
  virtual int TakeAccepted();
  virtual int TakeSelected();
  virtual int TakeNewSelection();
  // A close request: Benign lets the window close, Notify keeps it open.
  virtual int TakeCloseEvent();

  // Shows the window (taking ownership of it), disables the thread's other
  // windows and queues the open-window event. Controls present now are bound;
  // controls added later are bound through bindControl.
  void Open(QWidget* window);
  void bindControl(QWidget* control);

  QWidget* window() const { return window_; }
  // A control by the name the window gave it ("?OK"); null (and a debug line) when missing.
  QWidget* control(std::string_view name) const;
  template <class T>
  T* control(std::string_view name) const {
    return qobject_cast<T*>(control(name));
  }

  const WindowEvent& currentEvent() const { return current_; }
  int event() const { return current_.event; }
  QWidget* field() const { return current_.control; }
  int keyCode() const { return current_.key; }

  // Queues an event for this window (a close request: event::CloseWindow).
  void post(int event, QWidget* control = nullptr);
  // Takes an event now, inside the one being taken, as if it had come next
  // (a close answered by pressing OK); the current event is restored after.
  int TakeNow(int event, QWidget* control = nullptr);
  // Keys that raise event::AlertKey instead of reaching the control.
  void alertKey(int key);
  // Timer events every `hundredths` of a second; 0 stops them. Ticks that come
  // while the thread shows a window above this one are dropped.
  void setTimer(int hundredths);

  // Whether an event of this number waits in the window's queue.
  bool hasQueued(int event) const;
  bool isOpen() const { return opened_ && !killed_; }
  ThreadNumber thread() const { return thread_; }

  // The result of the window (kCompleted, kCancelled ...); 0 when none.
  int Response = 0;

  // The innermost window of a thread; null when it shows none.
  static WindowDriver* topWindow(ThreadNumber thread);
  // The open windows of every thread, oldest first.
  static std::vector<WindowDriver*> openWindows();

  // The program's frame may host the main windows as its children: the host
  // adopts (and shows) the first window of each thread other than its own,
  // when the window lets itself be hosted; false leaves it a window of its own.
  using ChildHost = std::function<bool(QWidget* window)>;
  static void setChildHost(ThreadNumber hostThread, ChildHost host);
  // Whether a host may adopt this window (message windows stay on top).
  virtual bool hostable() const { return true; }
  // Whether Esc that no control takes closes the window (the program's frame
  // does not close on a key).
  virtual bool closesOnEscape() const { return true; }
  // Whether the window is shown inside the frame.
  bool hosted() const { return hosted_; }
  // Whether the window, one of its own, has been placed with the frame the
  // window manager drew around it known.
  bool placedInFrame() const { return framed_; }
  // Makes the window the active one, restored when minimised and raised
  // over the others; a hosted window becomes the frame's active child, and
  // a window over one (a form over its list) makes that one the active
  // child. The window's control that had the focus last has it again.
  void bringToFront();
  // Whether the window stands aside, hidden, while the frame shows another
  // thread's window in front (see showThreadInFront).
  bool setAside() const { return setAside_; }

  // Runs inside every window's loop right after its open-window event has been
  // taken, on the window's thread: the test kit drives windows through it.
  using OpenObserver = std::function<void(WindowDriver&)>;
  static OpenObserver setOpenObserver(OpenObserver observer);
  // Runs before the observer for every window, whoever observes: the test
  // kit checks every window that any test opens through it.
  static void setOpenCheck(OpenObserver check);

  // Where windows are left between runs, by the name of the procedure that
  // opened them (the top-left corner of the window's client area, the place
  // it is shown at again whatever frame the window manager draws around it);
  // none by default.
  struct PositionStore {
    std::function<std::optional<QPoint>(const std::string& procedure)> load;
    std::function<void(const std::string& procedure, QPoint at)> save;
  };
  static void setPositionStore(PositionStore store);

  // Closes the windows of every thread but the caller's as each one's own
  // close would, the newest first, waiting for each answer on the calling
  // thread: a window that stays open (a changed form whose question was
  // answered Cancel) stops the walk. True when none is left open.
  static bool closeOtherThreadsWindows();

  // Disables the thread's enabled windows and answers them; enableAgain gives
  // them back (when they still exist) and empties the list.
  static std::vector<QPointer<QWidget>> disableWindowsOf(ThreadNumber thread);
  static void enableAgain(std::vector<QPointer<QWidget>>& windows);

 private:
  class Filter;
  friend class Filter;
  void enqueue(WindowEvent e);
  WindowEvent nextEvent();
  void onTimer();
  bool handleKey(int key);
  void requestClose();
  // The innermost open window that holds the control; null when none.
  static WindowDriver* holding(const QWidget* control);
  // The window of the thread that the frame hosts; null when none.
  static WindowDriver* hostedWindowOf(ThreadNumber thread);
  // The frame shows the work of one thread in front: the windows the other
  // hosted threads show over the frame (a form over its list) stand aside,
  // hidden, and those of `front` are shown again. So the window the user
  // turns to in the frame is never behind another list's form, and that
  // form comes back with its list.
  static void showThreadInFront(ThreadNumber front);
  // The open window the user works in now; null when none.
  static WindowDriver* activeWindowDriver();
  // The window made active when this one closes; null when none.
  WindowDriver* successor() const;
  // Once the window's Init is done: on the screen whole, and a control with
  // the focus.
  void settleOpened();
  void placeOnScreen();
  // A size given to the window by the program, or reported by the window
  // manager (which may answer an earlier request late).
  void takeResize(bool byWindowManager, QSize size);
  // A hosted window is made to fit the frame's client area, centred there.
  void fitInHost();
  QWidget* ownerWindow() const;
  void focusFirstEntry();

  QPointer<QWidget> window_;
  std::unique_ptr<Filter> filter_;
  // Context of the signal connections; deleted with the window, which may go
  // first with the frame that hosts it.
  QPointer<QObject> connections_;
  std::deque<WindowEvent> queue_;
  WindowEvent current_;
  std::set<int> alertKeys_;
  std::vector<QPointer<QWidget>> disabled_;  // the thread's windows this one disabled
  QPointer<QWidget> lastFocus_;              // the window's control that had the focus last
  QPointer<QWidget> starter_;  // the active window when the thread's first window opened
  ThreadNumber thread_ = 0;
  bool opened_ = false;
  bool killed_ = false;
  bool closing_ = false;
  bool hosted_ = false;
  bool setAside_ = false;  // hidden while another thread's work is in front
  std::string procedure_;  // whose saved position the window takes
  // TakeEvent; an exception it lets out is shown naming the window.
  int takeEventReportingFailure();
  std::optional<QPoint> ownPosition_;  // where the window put itself before opening
  QSize wantedSize_;               // the size the program last gave the window, before any fitting
  std::vector<QSize> askedSizes_;  // the sizes given to the window, the last one last
  bool autoSized_ = false;         // sized by its contents, not by its own code
  bool framed_ = false;            // placed with the window manager's frame known
  bool settled_ = false;           // placed at its final size once its Init was done
  bool placing_ = false;           // being placed now
  std::uint64_t serial_ = 0;       // tells this window from a later one at its address
  int closeRefusals_ = 0;          // close requests answered by staying open
};

// The first control of the window, from `from` on in the window's control
// order (from the start when null), that takes typed input and may be typed
// in now; null when none.
QWidget* firstEntry(const QWidget* window, const QWidget* from = nullptr);
// The first such control after `control`; null when none.
QWidget* entryAfter(const QWidget* window, const QWidget* control);

// While alive, the calling logical thread's windows are disabled as under a
// window of its own: a short native loop run on the thread's behalf (a file
// or print dialog) holds one.
class ThreadWindowsDisabled {
 public:
  ThreadWindowsDisabled();
  ~ThreadWindowsDisabled();
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

 private:
  std::vector<QPointer<QWidget>> disabled_;
};

}  // namespace rt
