// The type-ahead locator: the keys typed on the list move it to the first
// row at or after their text. A search for another row starts a new text:
// after the selection was moved by any other means, after the list took the
// focus, or after a pause in the typing.
#include <QLineEdit>
#include <cstdlib>
#include <string>

#include "core/shapes/list_browser.h"
#include "core/tables/table_managers.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

// Longer than the gap between the keys of one word typed slowly.
constexpr unsigned long kLocatorPauseMilliseconds = 1500;

}  // namespace

void ListBrowser::startLocatorAfresh() {
  locatorAfresh_ = true;
  // Selected, the text shows that the next key replaces it.
  if (locatorControl_) locatorControl_->selectAll();
}

void ListBrowser::queueLocatorKey(int code, unsigned long timestamp) {
  const bool paused = timestamp - lastLocatorKey_ > kLocatorPauseMilliseconds;
  lastLocatorKey_ = timestamp;
  // Backspace goes on with the text it shortens.
  if (code != Qt::Key_Backspace && (locatorAfresh_ || paused))
    pendingKeys_.push_back(kRestartLocator);
  locatorAfresh_ = false;
  pendingKeys_.push_back(code);
  window_.post(kLocatorKeys, list_);
}

void ListBrowser::locate() {
  // The locator works in capitals (its no-case flag), whatever the key's case.
  const std::string text = rt::upper(locator_);
  if (locatorControl_) locatorControl_->setText(rt::toQString(text));
  if (locatorField_ < 0) return;
  rt::Table& table = rt::table(def_);
  rt::clearRecord(def_, table.buffer());
  primeRange();
  const rt::FieldDef& field = def_.fields[locatorField_];
  if (rt::isTextField(field)) {
    rt::setFieldText(field, table.record(), text);
  } else {
    rt::setFieldNumber(field, table.record(), std::atoll(text.c_str()));
  }
  locating_ = true;
  ResetFromBuffer();
  locating_ = false;
}

}  // namespace core
