#include "platform/ui/colour_chooser.h"

#include <QColorDialog>
#include <memory>
#include <utility>

#include "platform/ui/control_colors.h"
#include "platform/ui/native_loop.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

std::optional<long> dialogChooser(const ColourRequest& request) {
  auto chosen = std::make_shared<QColor>();
  const QString title = toQString(request.title);
  const QColor start = fromBgr(request.start);
  runNativeLoop([=] { *chosen = QColorDialog::getColor(start, nullptr, title); });
  if (!chosen->isValid()) return std::nullopt;
  return toBgr(*chosen);
}

ColourChooser& installed() {
  static ColourChooser chooser = dialogChooser;
  return chooser;
}

}  // namespace

std::optional<long> chooseColour(const ColourRequest& request) { return installed()(request); }

ColourChooser setColourChooser(ColourChooser chooser) {
  if (!chooser) chooser = dialogChooser;
  return std::exchange(installed(), std::move(chooser));
}

}  // namespace rt
