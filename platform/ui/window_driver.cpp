#include "platform/ui/window_driver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <stdexcept>

#include "platform/base/debug_sink.h"
#include "platform/base/failure_report.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/entry_refusal.h"
#include "platform/ui/mnemonics.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/title_width.h"
#include "platform/ui/window_placement.h"

namespace rt {
namespace {

std::vector<WindowDriver*>& openList() {
  static std::vector<WindowDriver*> windows;
  return windows;
}

struct Host {
  ThreadNumber thread = 0;
  WindowDriver::ChildHost adopt;
};
Host& childHost() {
  static Host host;
  return host;
}

// Threads waiting for another thread's window to answer a close request.
std::set<ThreadNumber>& closeWaiters() {
  static std::set<ThreadNumber> waiters;
  return waiters;
}

void wakeCloseWaiters() {
  for (ThreadNumber waiter : closeWaiters()) wakeThread(waiter);
}

WindowDriver::OpenObserver& openObserver() {
  static WindowDriver::OpenObserver observer;
  return observer;
}

WindowDriver::OpenObserver& openCheck() {
  static WindowDriver::OpenObserver check;
  return check;
}

// A control's own inner widgets (the line edit of a combo box or spin box)
// stand for the control.
QWidget* outerControl(QWidget* w) {
  QWidget* parent = w != nullptr ? w->parentWidget() : nullptr;
  if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent)) return parent;
  return w;
}

bool isInnerWidget(QWidget* w) { return outerControl(w) != w; }

int keyWithModifiers(const QKeyEvent* e) {
  return e->key() | static_cast<int>(e->modifiers() & ~Qt::KeypadModifier);
}

// Enter (or the keypad's Enter) on a push or tool button presses it, as
// Space does. Check boxes and radio buttons keep Enter for the key
// navigation; a push button that Qt itself presses on Enter (a dialog's
// default buttons) is left to Qt.
bool pressButtonOnEnter(QWidget* widget, const QKeyEvent* e) {
  if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) return false;
  if ((e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (button == nullptr || !button->isEnabled() || !button->isVisible()) return false;
  if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) return false;
  if (auto* push = qobject_cast<QPushButton*>(button);
      push && (push->autoDefault() || push->isDefault()))
    return false;
  button->click();
  return true;
}

// Alt with a letter is a command: where no control marks that letter it
// does nothing, and never types the letter into the focused entry. AltGr
// is no Alt: it types the third sign of a key ("@" on a Spanish keyboard),
// and some keyboards give it as Ctrl+Alt. An open menu keeps Alt with its
// items' letters.
bool isUnmarkedAltLetter(QWidget* widget, const QKeyEvent* e) {
  const Qt::KeyboardModifiers modifiers = e->modifiers();
  if (!modifiers.testFlag(Qt::AltModifier)) return false;
  if (modifiers.testAnyFlags(Qt::ControlModifier | Qt::GroupSwitchModifier)) return false;
  if (e->text().isEmpty() || !e->text().at(0).isPrint()) return false;
  return qobject_cast<QMenu*>(widget) == nullptr && qobject_cast<QMenuBar*>(widget) == nullptr;
}

// Alerted keys are taken before any control of the window sees them; an
// entry left with a text that cannot be stored is reported to its window.
class AlertKeyFilter : public QObject {
 public:
  using QObject::QObject;
  std::function<bool(QWidget*, int)> handler;
  std::function<void(QWidget*)> leftEntry;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::FocusOut) {
      // Another window taking the keyboard (a message, a drop-down) is no
      // leaving of the entry.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget != nullptr && reason != Qt::ActiveWindowFocusReason &&
          reason != Qt::PopupFocusReason) {
        leftEntry(widget);
      }
      return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    return handler(widget, keyWithModifiers(key)) || pressButtonOnEnter(widget, key) ||
           isUnmarkedAltLetter(widget, key);
  }
};

// Kinds of control that take typed input: a window without a focused
// control starts on the first of them.
bool isEntryKind(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry:
    case ControlKind::Spin:
    case ControlKind::Text:
    case ControlKind::RichText:
    case ControlKind::Combo:
    case ControlKind::DropList:
      return true;
    default:
      return false;
  }
}

WindowDriver::PositionStore& positionStore() {
  static WindowDriver::PositionStore store;
  return store;
}

void installAlertKeyFilter(std::function<bool(QWidget*, int)> handler,
                           std::function<void(QWidget*)> leftEntry) {
  static AlertKeyFilter* filter = nullptr;
  if (filter != nullptr) return;
  filter = new AlertKeyFilter(QCoreApplication::instance());
  filter->handler = std::move(handler);
  filter->leftEntry = std::move(leftEntry);
  QCoreApplication::instance()->installEventFilter(filter);
}

}  // namespace

// The thread's enabled windows, disabled now; enableAgain gives them back.
std::vector<QPointer<QWidget>> WindowDriver::disableWindowsOf(ThreadNumber thread) {
  std::vector<QPointer<QWidget>> disabled;
  for (WindowDriver* other : openList()) {
    if (other->thread_ == thread && other->window_ && other->window_->isEnabled()) {
      other->window_->setEnabled(false);
      disabled.emplace_back(other->window_);
    }
  }
  return disabled;
}

void WindowDriver::enableAgain(std::vector<QPointer<QWidget>>& windows) {
  for (const QPointer<QWidget>& w : windows) {
    if (w) w->setEnabled(true);
  }
  windows.clear();
}

ThreadWindowsDisabled::ThreadWindowsDisabled()
    : disabled_(WindowDriver::disableWindowsOf(currentThreadNumber())) {}

ThreadWindowsDisabled::~ThreadWindowsDisabled() { WindowDriver::enableAgain(disabled_); }

// A close request is ignored by the widget and answered by the window's own
// handler, which may close the window later.
class WindowDriver::Filter : public QObject {
 public:
  explicit Filter(WindowDriver* driver) : driver_(driver) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (!driver_->window_) return false;
    if (watched == driver_->window_->windowHandle()) {
      // Shown on the screen, the window has its frame: a window manager that
      // frames a window without moving it sends no other sign.
      if (e->type() == QEvent::Expose) placeInFrame();
      return false;
    }
    if (watched != driver_->window_) return false;
    if (e->type() == QEvent::Close && !driver_->closing_) {
      e->ignore();
      driver_->requestClose();
      return true;
    }
    // Esc that no control of the window took asks to close it, as the
    // close box does.
    if (e->type() == QEvent::KeyPress && driver_->closesOnEscape()) {
      const auto* key = static_cast<QKeyEvent*>(e);
      if (key->key() == Qt::Key_Escape &&
          (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        driver_->requestClose();
        return true;
      }
    }
    if (e->type() == QEvent::Resize && !driver_->hosted_) {
      driver_->takeResize(e->spontaneous(), static_cast<QResizeEvent*>(e)->size());
    }
    if (e->type() == QEvent::Move || e->type() == QEvent::Resize) placeInFrame();
    // A settled window that grows afterwards (its own code sizing it to
    // its columns) is placed again when it no longer lies whole on the screen.
    if (e->type() == QEvent::Resize && driver_->settled_ && !driver_->hosted_ &&
        !driver_->placing_ && driver_->window_->isVisible()) {
      const QWidget* w = driver_->window_;
      const QRect frame = w->geometry().marginsAdded(frameMargins(w));
      if (!availableArea(w).contains(frame)) driver_->placeOnScreen();
    }
    return false;
  }

 private:
  // Placed before the window manager framed it (its frame guessed), the
  // window is placed again once, when the frame's true size is known.
  void placeInFrame() {
    QWidget* w = driver_->window_;
    if (driver_->framed_ || driver_->hosted_ || driver_->placing_ || !w->isVisible() ||
        w->frameGeometry() == w->geometry())
      return;
    driver_->framed_ = true;
    driver_->placeOnScreen();
  }

  WindowDriver* driver_;
};

WindowDriver::WindowDriver() = default;

WindowDriver::~WindowDriver() {
  if (isOpen()) Kill();
}

int WindowDriver::Run() {
  if (!onLogicalThread()) throw std::logic_error("a window runs on a logical thread");
  try {
    if (Init() == level::Benign) {
      for (;;) {
        current_ = nextEvent();
        if (current_.event == event::OpenWindow && current_.control == nullptr) settleOpened();
        // An entry left for the window's Cancel or Close is not taken: the
        // closing question and OK take it again, so leaving is never barred.
        if (current_.event == event::Accepted && current_.control &&
            isCloseButton(QApplication::focusWidget()) &&
            !entryRefusalText(current_.control).empty()) {
          continue;
        }
        if (current_.event == event::Accepted && current_.control &&
            refuseEntry(current_.control)) {
          // The press that left the entry waits until the entry is mended.
          std::erase_if(queue_, [](const WindowEvent& e) { return e.event == event::Accepted; });
          continue;
        }
        if (takeEventReportingFailure() == level::Fatal) break;
        if (current_.event == event::CloseWindow && current_.control == nullptr) {
          ++closeRefusals_;
          wakeCloseWaiters();
        }
        if (current_.event == event::OpenWindow && current_.control == nullptr && openCheck()) {
          openCheck()(*this);
        }
        if (current_.event == event::OpenWindow && openObserver()) {
          OpenObserver observer = openObserver();
          observer(*this);
        }
      }
    }
  } catch (...) {
    Kill();
    throw;
  }
  Kill();
  return Response != 0 ? Response : kCancelled;
}

int WindowDriver::takeEventReportingFailure() {
  try {
    return TakeEvent();
  } catch (const HaltUnwind&) {
    throw;
  } catch (...) {
    // The action is abandoned (what it held is unwound by now); the window
    // says so by its name and goes on taking events.
    std::string name = window_ ? fromQString(window_->windowTitle()) : std::string();
    if (name.empty()) name = procedure_;
    reportFailure(name, std::current_exception());
    return level::Benign;
  }
}

int WindowDriver::Init() { return level::Benign; }

int WindowDriver::Kill() {
  if (!opened_ || killed_) return level::Benign;
  killed_ = true;
  queue_.clear();
  delete connections_;  // disconnects every signal, stops the timer
  connections_ = nullptr;
  auto& windows = openList();
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
  noteWindowClosed();
  wakeCloseWaiters();
  enableAgain(disabled_);
  if (window_ && !hosted_ && !procedure_.empty() && positionStore().save &&
      (window_->isVisible() || setAside_)) {
    positionStore().save(procedure_, window_->geometry().topLeft());
  }
  // The window that takes over is made the active one before this one goes:
  // hiding a window that holds the focus passes it to the next control of
  // the frame, which may lie in any other thread's window.
  if (WindowDriver* next = successor(); next != nullptr && next->window_) next->bringToFront();
  if (window_) {
    window_->removeEventFilter(filter_.get());
    if (QWindow* handle = window_->windowHandle()) handle->removeEventFilter(filter_.get());
    closing_ = true;
    // A hosted window goes with the frame's child window that holds it.
    QWidget* holder = hosted_ ? window_->parentWidget() : nullptr;
    window_->hide();
    if (holder != nullptr) {
      holder->hide();
      holder->deleteLater();
    } else {
      window_->deleteLater();
    }
  }
  return level::Benign;
}

WindowDriver* WindowDriver::successor() const {
  if (WindowDriver* below = topWindow(thread_)) return below;
  // The last window of its thread gives way to the window that was active
  // when the thread's first one opened (the list that started a report), or
  // to the window now above that one.
  WindowDriver* starter = starter_ ? holding(starter_) : nullptr;
  return starter != nullptr ? topWindow(starter->thread_) : nullptr;
}

int WindowDriver::TakeEvent() { return current_.control ? TakeFieldEvent() : TakeWindowEvent(); }

int WindowDriver::TakeNow(int event, QWidget* control) {
  const WindowEvent taking = current_;
  current_ = WindowEvent{};
  current_.event = event;
  current_.control = control;
  const int result = TakeEvent();
  current_ = taking;
  return result;
}

int WindowDriver::TakeWindowEvent() {
  if (current_.event == event::CloseWindow) {
    return TakeCloseEvent() == level::Benign ? level::Fatal : level::Benign;
  }
  return level::Benign;
}

int WindowDriver::TakeFieldEvent() {
  switch (current_.event) {
    case event::Accepted:
      return TakeAccepted();
    case event::Selected:
      return TakeSelected();
    case event::NewSelection:
      return TakeNewSelection();
    default:
      return level::Benign;
  }
}

int WindowDriver::TakeAccepted() { return level::Benign; }
int WindowDriver::TakeSelected() { return level::Benign; }
int WindowDriver::TakeNewSelection() { return level::Benign; }
int WindowDriver::TakeCloseEvent() { return level::Benign; }

void WindowDriver::Open(QWidget* window) {
  if (!onLogicalThread()) throw std::logic_error("a window opens on a logical thread");
  if (opened_) throw std::logic_error("the window is already open");
  static std::uint64_t serials = 0;
  serial_ = ++serials;
  thread_ = currentThreadNumber();
  procedure_ = currentProcedure();
  // A window shown while its procedure's own window is open (a message, a
  // question) neither takes nor leaves that window's place.
  for (const WindowDriver* other : openList()) {
    if (other->thread_ == thread_ && other->procedure_ == procedure_) procedure_.clear();
  }
  window_ = window;
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->setWindowModality(Qt::NonModal);
  connections_ = new QObject(window);
  filter_ = std::make_unique<Filter>(this);
  window->installEventFilter(filter_.get());

  const bool firstOfThread = topWindow(thread_) == nullptr;
  if (firstOfThread) {
    if (WindowDriver* active = activeWindowDriver()) starter_ = active->window_;
  }
  disabled_ = disableWindowsOf(thread_);
  openList().push_back(this);
  noteWindowOpened();
  opened_ = true;

  for (QWidget* child : window->findChildren<QWidget*>()) bindControl(child);
  QObject::connect(qApp, &QApplication::focusChanged, connections_, [this](QWidget*, QWidget* now) {
    if (now != nullptr && window_ && window_->isAncestorOf(now)) {
      lastFocus_ = now;
      post(event::Selected, outerControl(now));
    }
  });
  installAlertKeyFilter(
      [](QWidget* target, int key) {
        WindowDriver* holder = holding(target);
        return holder != nullptr && holder->handleKey(key);
      },
      [](QWidget* entry) {
        if (entryRefusalText(entry).empty()) return;
        if (WindowDriver* holder = holding(entry)) holder->post(event::Accepted, entry);
      });
  post(event::OpenWindow);  // first, before the focus events that showing brings
  const Host& host = childHost();
  hosted_ =
      firstOfThread && host.adopt && host.thread != thread_ && hostable() && host.adopt(window);
  if (hosted_) {
    // The child the user turns to brings its thread's work to the front.
    if (auto* holder = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
      QObject::connect(holder, &QMdiSubWindow::aboutToActivate, connections_,
                       [this] { showThreadInFront(thread_); });
    }
    bringToFront();
  } else {
    autoSized_ = !window->testAttribute(Qt::WA_Resized);
    if (autoSized_) window->adjustSize();
    widenToTitle(window);
    // A window that placed itself (a pop-up at the pointer) keeps its place.
    if (window->testAttribute(Qt::WA_Moved)) ownPosition_ = window->pos();
    wantedSize_ = window->size();
    placeOnScreen();
    window->winId();
    window->windowHandle()->installEventFilter(filter_.get());
    // Kept above its owner by the window manager, which would otherwise
    // stack it below a frame clicked last.
    if (QWidget* owner = ownerWindow(); owner != nullptr && owner->window()->windowHandle()) {
      window->windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
    window->show();
    window->raise();
    window->activateWindow();
  }
}

bool WindowDriver::closeOtherThreadsWindows() {
  const ThreadNumber self = currentThreadNumber();
  auto newestOfOthers = []() -> WindowDriver* {
    const auto& windows = openList();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
      if ((*it)->thread_ != currentThreadNumber() && (*it)->isOpen()) return *it;
    }
    return nullptr;
  };
  auto stillOpen = [](WindowDriver* w, std::uint64_t serial) {
    const auto& windows = openList();
    return std::find(windows.begin(), windows.end(), w) != windows.end() && w->serial_ == serial;
  };
  closeWaiters().insert(self);
  struct Leave {
    ThreadNumber self;
    ~Leave() { closeWaiters().erase(self); }
  } leave{self};
  while (WindowDriver* target = newestOfOthers()) {
    const std::uint64_t serial = target->serial_;
    const int refusals = target->closeRefusals_;
    // Shown again where the user can answer it.
    if (target->setAside_) {
      target->bringToFront();
    } else if (target->window_ && !target->hosted_) {
      target->window_->raise();
    }
    target->requestClose();
    for (;;) {
      if (!stillOpen(target, serial)) break;
      if (target->closeRefusals_ != refusals) return false;
      suspendCurrentThread();
    }
  }
  return true;
}

WindowDriver* WindowDriver::activeWindowDriver() {
  // The window of the focused control; in a frame, the child window that
  // holds the focus (the child itself may have it), else the active child.
  QWidget* active = QApplication::focusWidget();
  QWidget* top = active != nullptr ? active->window() : QApplication::activeWindow();
  if (top == nullptr) return nullptr;
  QWidget* child = nullptr;
  for (QWidget* w = active; w != nullptr && child == nullptr; w = w->parentWidget()) {
    if (auto* holder = qobject_cast<QMdiSubWindow*>(w)) child = holder->widget();
  }
  if (child == nullptr) {
    if (const auto* area = top->findChild<QMdiArea*>(); area && area->activeSubWindow())
      child = area->activeSubWindow()->widget();
  }
  if (child != nullptr) active = child;
  return holding(active != nullptr ? active : top);
}

WindowDriver* WindowDriver::holding(const QWidget* control) {
  // The innermost window: a hosted window sits inside the frame's window.
  const auto& windows = openList();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    QWidget* w = (*it)->window_;
    if (w != nullptr && (w == control || w->isAncestorOf(control))) return *it;
  }
  return nullptr;
}

WindowDriver* WindowDriver::hostedWindowOf(ThreadNumber thread) {
  for (WindowDriver* w : openList()) {
    if (w->thread_ == thread && w->hosted_) return w;
  }
  return nullptr;
}

void WindowDriver::showThreadInFront(ThreadNumber front) {
  // Oldest first: shown again, each one comes over the one below it.
  for (WindowDriver* w : openList()) {
    if (w->hosted_ || !w->window_ || hostedWindowOf(w->thread_) == nullptr) continue;
    if (w->thread_ == front) {
      if (!w->setAside_) continue;
      w->setAside_ = false;
      w->window_->show();
    } else if (!w->setAside_ && w->window_->isVisible()) {
      w->setAside_ = true;
      w->window_->hide();
    }
  }
}

void WindowDriver::setPositionStore(PositionStore store) { positionStore() = std::move(store); }

QWidget* WindowDriver::ownerWindow() const {
  // The window of the thread that called this one, else the frame.
  QWidget* over = nullptr;
  for (WindowDriver* other : openList()) {
    if (other == this || !other->window_) continue;
    if (other->thread_ == thread_ || (over == nullptr && other->thread_ == childHost().thread)) {
      over = other->window_;
    }
  }
  return over;
}

void WindowDriver::takeResize(bool byWindowManager, QSize size) {
  if (!byWindowManager) {
    // The program's own size: the one the window wants, unless the
    // placement fits it to the screen.
    if (askedSizes_.empty() || askedSizes_.back() != size) askedSizes_.push_back(size);
    // Only recent sizes can still be answered late; an old one kept would
    // take a user's resize to the same size for a late answer.
    constexpr std::size_t kSizesAwaitingAnswer = 8;
    if (askedSizes_.size() > kSizesAwaitingAnswer) askedSizes_.erase(askedSizes_.begin());
    if (!placing_) wantedSize_ = size;
    return;
  }
  // The window manager answers every place and size asked for, some of
  // them late: an answer to a size asked for before the last one (the
  // window's first size, before its font grew it) would leave the window
  // there and at that size, its layout holding it no smaller than its least.
  // The window is placed again; each earlier size is passed over once.
  if (!askedSizes_.empty()) {
    if (size == askedSizes_.back()) return;
    const auto earlier = std::find(askedSizes_.begin(), askedSizes_.end() - 1, size);
    if (earlier != askedSizes_.end() - 1) {
      askedSizes_.erase(earlier);
      placeOnScreen();
      return;
    }
  }
  // A size of the user's (or the window manager's) own: the window keeps it.
  wantedSize_ = size;
}

void WindowDriver::placeOnScreen() {
  placing_ = true;
  struct Done {
    bool& placing;
    ~Done() { placing = false; }
  } done{placing_};
  const QWidget* over = ownerWindow();
  const QRect area = availableArea(over != nullptr ? over : window_.data());
  // Fitted from the size the window asked for, whatever an earlier fit or
  // a late answer of the window manager left it at: the room may have grown
  // (the frame was guessed larger than it is).
  if (wantedSize_.isValid()) window_->resize(wantedSize_);
  // Until the window's own set-up is done (its font above all) its size is
  // not its last: it is only kept within the area, and fitted once settled,
  // so that it never scrolls for a size it no longer has.
  if (settled_)
    fitWithin(window_, area);
  else
    boundWithin(window_, area);
  std::optional<QPoint> at;
  if (!procedure_.empty() && positionStore().load) at = positionStore().load(procedure_);
  if (!at) at = ownPosition_;
  placeWindow(window_, over, at);
}

void WindowDriver::settleOpened() {
  if (!window_) return;
  // Alt with a letter reaches one control only, whatever the captions say.
  resolveMnemonicClashes(window_);
  if (!hosted_) {
    // The window's own set-up (its font above all) may have changed its size
    // and moved it; the layouts it asked for are done first, so the window is
    // placed at its final size, once more and for good.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QLayout* layout = window_->layout()) layout->activate();
    if (autoSized_) window_->resize(window_->size().expandedTo(window_->sizeHint()));
    settled_ = true;
    placeOnScreen();
  } else {
    fitInHost();
  }
  settled_ = true;
  focusFirstEntry();
}

void WindowDriver::fitInHost() {
  QWidget* holder = window_->parentWidget();
  QWidget* client = holder != nullptr ? holder->parentWidget() : nullptr;
  if (client == nullptr) return;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  // The holder's border and title stay around the window, inside the client area.
  const QSize border = (holder->size() - window_->size()).expandedTo(QSize(0, 0));
  fitWithin(window_, QRect(QPoint(0, 0), client->size().shrunkBy(
                                             QMargins(0, 0, border.width(), border.height()))));
  holder->resize(
      (window_->size() + border).expandedTo(holder->minimumSizeHint()).boundedTo(client->size()));
  centreInParent(holder);
}

void WindowDriver::focusFirstEntry() {
  // A control the window's set-up chose keeps the focus; a sheet's tab row
  // or a plain container that Qt focused on its own does not count.
  QWidget* focused = window_->focusWidget();
  if (focused != nullptr && window_->isAncestorOf(focused)) {
    switch (controlKind(owningControl(focused))) {
      case ControlKind::Other:
      case ControlKind::Tab:
      case ControlKind::Sheet:
      case ControlKind::Panel:
        break;
      default:
        return;
    }
  }
  if (QWidget* entry = firstEntry(window_)) entry->setFocus();
}

namespace {

// The first entry from `from` on (past it when `past`) in the window's control order.
QWidget* entryFrom(const QWidget* window, const QWidget* from, bool past) {
  bool reached = from == nullptr;
  for (QWidget* control : windowControls(window)) {
    if (!reached && control == from) {
      reached = true;
      if (past) continue;
    }
    if (!reached || !isEntryKind(controlKind(control)) || !control->isEnabled() ||
        !control->isVisibleTo(window) || (control->focusPolicy() & Qt::TabFocus) == 0 ||
        isReadOnly(control)) {
      continue;
    }
    return control;
  }
  return nullptr;
}

}  // namespace

QWidget* firstEntry(const QWidget* window, const QWidget* from) {
  return entryFrom(window, from, false);
}

QWidget* entryAfter(const QWidget* window, const QWidget* control) {
  return entryFrom(window, control, true);
}

void WindowDriver::bringToFront() {
  if (!window_) return;
  if (WindowDriver* child = hostedWindowOf(thread_);
      child != nullptr && child != this && child->window_) {
    if (auto* holder = qobject_cast<QMdiSubWindow*>(child->window_->parentWidget());
        holder && holder->mdiArea()) {
      holder->mdiArea()->setActiveSubWindow(holder);
    }
  }
  if (hostedWindowOf(thread_) != nullptr) showThreadInFront(thread_);
  // A hosted window is shown by the frame's child window that holds it.
  QWidget* shown = hosted_ && window_->parentWidget() ? window_->parentWidget() : window_.data();
  // Restored as it was before it was minimised (a maximised frame stays so).
  if (shown->isMinimized()) {
    shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
    shown->show();
  }
  // A window its own code hid stays hidden.
  if (shown->isHidden()) return;
  if (auto* holder = qobject_cast<QMdiSubWindow*>(shown); holder && holder->mdiArea()) {
    holder->mdiArea()->setActiveSubWindow(holder);
  }
  shown->raise();
  window_->activateWindow();
  // The control the user left is where the work goes on: a window disabled
  // under another one lost its focus to the next control of the frame, and
  // activating it would give the focus to that one.
  if (lastFocus_ && lastFocus_->isEnabled() && lastFocus_->isVisibleTo(window_)) {
    lastFocus_->setFocus(Qt::ActiveWindowFocusReason);
  }
}

void WindowDriver::setChildHost(ThreadNumber hostThread, ChildHost host) {
  childHost() = {hostThread, std::move(host)};
}

void WindowDriver::bindControl(QWidget* c) {
  if (c == nullptr || connections_ == nullptr || isInnerWidget(c)) return;
  if (auto* button = qobject_cast<QAbstractButton*>(c)) {
    QObject::connect(button, &QAbstractButton::clicked, connections_,
                     [this, button] { post(event::Accepted, button); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(c)) {
    // Accepted on Enter, or on leaving the entry with a changed value.
    QObject::connect(edit, &QLineEdit::returnPressed, connections_, [this, edit] {
      edit->setModified(false);
      post(event::Accepted, edit);
    });
    QObject::connect(edit, &QLineEdit::editingFinished, connections_, [this, edit] {
      if (!edit->isModified()) return;
      edit->setModified(false);
      post(event::Accepted, edit);
    });
  } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
    QObject::connect(combo, &QComboBox::activated, connections_,
                     [this, combo] { post(event::Accepted, combo); });
  } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(c)) {
    QObject::connect(spin, &QAbstractSpinBox::editingFinished, connections_,
                     [this, spin] { post(event::Accepted, spin); });
  } else if (auto* view = qobject_cast<QAbstractItemView*>(c)) {
    QObject::connect(view, &QAbstractItemView::activated, connections_,
                     [this, view] { post(event::Accepted, view); });
    if (QItemSelectionModel* selection = view->selectionModel()) {
      // A view can go while the selection model it shared stays (a table's
      // header replaced by another): the event is for a view still there.
      QObject::connect(selection, &QItemSelectionModel::currentRowChanged, connections_,
                       [this, alive = QPointer<QAbstractItemView>(view)] {
                         if (alive) post(event::NewSelection, alive);
                       });
    }
  }
}

QWidget* WindowDriver::control(std::string_view name) const {
  if (!window_) return nullptr;
  const QString wanted = toQString(name);
  for (QWidget* child : window_->findChildren<QWidget*>()) {
    if (child->objectName().compare(wanted, Qt::CaseInsensitive) == 0) return child;
  }
  // Callers may probe for a control a window lacks; the line makes a
  // misspelt name visible without stopping anything.
  debugOutput("WindowDriver::control: no control named \"" + std::string(name) + "\"" +
              (procedure_.empty() ? "" : " in the window of " + procedure_));
  return nullptr;
}

void WindowDriver::post(int event, QWidget* control) { enqueue({event, control, 0, 0}); }

bool WindowDriver::hasQueued(int event) const {
  return std::any_of(queue_.begin(), queue_.end(),
                     [event](const WindowEvent& e) { return e.event == event; });
}

void WindowDriver::alertKey(int key) { alertKeys_.insert(key); }

void WindowDriver::setTimer(int hundredths) {
  if (connections_ == nullptr) return;
  auto* timer = connections_->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
  if (hundredths <= 0) {
    delete timer;
    return;
  }
  if (timer == nullptr) {
    timer = new QTimer(connections_);
    QObject::connect(timer, &QTimer::timeout, connections_, [this] { onTimer(); });
  }
  timer->start(hundredths * 10);
}

WindowDriver* WindowDriver::topWindow(ThreadNumber thread) {
  const auto& windows = openList();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if ((*it)->thread_ == thread) return *it;
  }
  return nullptr;
}

std::vector<WindowDriver*> WindowDriver::openWindows() { return openList(); }

void WindowDriver::setOpenCheck(OpenObserver check) { openCheck() = std::move(check); }

WindowDriver::OpenObserver WindowDriver::setOpenObserver(OpenObserver observer) {
  return std::exchange(openObserver(), std::move(observer));
}

void WindowDriver::enqueue(WindowEvent e) {
  if (!opened_ || killed_) return;
  queue_.push_back(std::move(e));
  wakeThread(thread_);
}

WindowEvent WindowDriver::nextEvent() {
  for (;;) {
    if (auto posted = takePostedEvent()) return {posted->event, nullptr, posted->control, 0};
    if (!queue_.empty()) {
      WindowEvent e = queue_.front();
      queue_.pop_front();
      return e;
    }
    suspendCurrentThread();
  }
}

void WindowDriver::onTimer() {
  // A tick is not queued behind another, nor while the thread's modal window
  // (or a native dialog) above this one runs: it is simply lost, as the
  // runtime's timer is.
  if (topWindow(thread_) != this || !window_->isEnabled() || hasQueued(event::Timer)) return;
  post(event::Timer);
}

bool WindowDriver::handleKey(int key) {
  if (alertKeys_.count(key) == 0 || !window_ || !window_->isEnabled()) return false;
  enqueue({event::AlertKey, nullptr, 0, key});
  return true;
}

void WindowDriver::requestClose() {
  if (!hasQueued(event::CloseWindow)) post(event::CloseWindow);
}

}  // namespace rt
