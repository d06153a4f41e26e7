#pragma once
// The program's frame: the main window with the menu bar, the toolbars and
// the listing-mode button, inside which the main windows are shown. Every
// menu item and toolbar button starts its procedure, by name, on a new
// logical thread; the navigation toolbar is relayed to the active window's
// thread; every 60 seconds the due reminders are raised when no other thread
// shows a window.
#include <QMdiArea>
#include <QPointer>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/aids/focus_marker.h"
#include "core/aids/font_scaler.h"
#include "core/aids/key_navigator.h"
#include "core/frame/single_instance.h"
#include "platform/ui/window_driver.h"

class QMenu;
class QToolButton;

namespace core {

// The listing mode after a press of the listing-mode button and the button's
// new text; nullopt for a mode outside the cycle (nothing changes).
struct ListingMode {
  std::string mode;
  std::string text;  // runtime text
};
std::optional<ListingMode> nextListingMode(std::string_view mode);
// The button's text for a listing mode; nullopt outside the cycle.
std::optional<std::string> listingModeText(std::string_view mode);

// The frame's title: the system title, the logged-in user's name and level.
std::string frameTitle();

// How many threads other than `self` show a window (each one is written to
// the debug output).
int countOtherThreadWindows(rt::ThreadNumber self);

// Shows or hides a toolbar's button.
void showToolButton(QWidget* button, bool visible);

// The thread of the active main window; 0 when none is active.
rt::ThreadNumber activeWindowThread();

// The navigation toolbar's control numbers, which the windows' own toolbar
// handling expects in relayed events.
inline constexpr int kFirstNavigationControl = 3001;
inline constexpr int kLastNavigationControl = 3013;
// The run-time menu items of the "&General" menu.
inline constexpr int kChangeHistoryItem = -221;
inline constexpr int kChangeHistorySeparator = -222;

class Frame : public rt::WindowDriver {
 public:
  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeWindowEvent() override;
  int TakeAccepted() override;
  // Closing the frame closes every other window first, each as its own close
  // would; one that stays open (its question answered Cancel) keeps the
  // program running.
  int TakeCloseEvent() override;
  bool closesOnEscape() const override { return false; }

  // The MDI area the main windows are shown in; null before the frame opens.
  QMdiArea* mdiArea() const { return mdi_; }
  // The threads found showing windows at the last timer tick.
  int openWindowCount() const { return windowCount_; }

 private:
  QWidget* buildWindow();
  // A menu item; `action` runs on the frame's thread when it is chosen.
  void addMenuItem(QMenu* menu, std::string_view text, std::string_view control,
                   std::function<void()> action, int number = 0);
  QToolButton* addButton(QWidget* bar, std::string_view control, std::string_view text,
                         std::string_view tip, std::string_view procedure, int number = 0);
  void onOpened();
  void onTimer();
  void cycleListingMode();
  void showListingMode(const std::string& mode);
  void ActualizarTitulo();

  QPointer<QMdiArea> mdi_;
  QPointer<QObject> hostedMnemonics_;
  std::map<int, std::function<void()>> menuActions_;  // by menu item number
  std::map<QWidget*, std::string> buttonProcedures_;  // toolbar button -> procedure
  int windowCount_ = 0;
  std::uint16_t shownUser_ = 0;
  FontScaler fontScaler_;
  KeyNavigator keyNavigator_;
  FocusMarker focusMarker_;
  SingleInstanceServer instance_;
  std::optional<rt::ProcedureScope> scope_;  // the frame's name, tracked while it runs
};

// Runs the frame on the calling thread until it is closed.
int Main();

void registerFrame();

}  // namespace core
