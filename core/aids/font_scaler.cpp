#include "core/aids/font_scaler.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>
#include <cmath>

#include "core/frame/settings_store.h"
#include "core/frame/window_font_start.h"
#include "core/shapes/list_cells.h"
#include "platform/base/logical_threads.h"
#include "platform/base/number_text.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/window_placement.h"

namespace core {
namespace {

constexpr int kItalic = 0x1000;
constexpr int kUnderline = 0x2000;
constexpr int kStrikeOut = 0x4000;
constexpr int kWeightMask = 0x0FFF;
constexpr int kUnset = QWIDGETSIZE_MAX;

int nearest(double v) { return static_cast<int>(std::lround(v)); }

// A recorded size in the old units, or -1 when the control was given none.
int unitsOrNone(int pixels, int none, int (rt::DialogUnits::*toUnits)(int) const,
                const rt::DialogUnits& units) {
  return pixels == none ? -1 : (units.*toUnits)(pixels);
}

QHeaderView* columnHeader(QWidget* control) {
  if (auto* table = qobject_cast<QTableView*>(control)) return table->horizontalHeader();
  if (auto* tree = qobject_cast<QTreeView*>(control)) return tree->header();
  return nullptr;
}

bool inPreservedBar(const QWidget* w, const FontScaler& scaler) {
  for (const QWidget* p = w; p != nullptr; p = p->parentWidget()) {
    if (scaler.PRESERVETOOLBAR && qobject_cast<const QToolBar*>(p)) return true;
    if (scaler.PRESERVEMENUBAR &&
        (qobject_cast<const QMenuBar*>(p) || qobject_cast<const QMenu*>(p)))
      return true;
  }
  return false;
}

// Each attribute the control shares with the old font takes the new font's.
RuntimeFont mapFont(RuntimeFont font, const RuntimeFont& from, const RuntimeFont& to) {
  if (font.name == from.name) font.name = to.name;
  if (font.size == from.size) font.size = to.size;
  if (font.colour == from.colour) font.colour = to.colour;
  if (font.style == from.style) font.style = to.style;
  if (font.charset == from.charset) font.charset = to.charset;
  return font;
}

}  // namespace

RuntimeFont fontOf(const QWidget* widget) {
  const QFont f = widget->font();
  RuntimeFont font;
  font.name = rt::fromQString(f.family());
  font.size = f.pointSize();
  font.colour = rt::toBgr(widget->palette().color(QPalette::WindowText));
  font.style = static_cast<int>(f.weight()) | (f.italic() ? kItalic : 0) |
               (f.underline() ? kUnderline : 0) | (f.strikeOut() ? kStrikeOut : 0);
  font.charset = 0;
  return font;
}

QFont qtFont(const RuntimeFont& font, QFont f) {
  f.setFamily(rt::toQString(font.name));
  if (font.size > 0) f.setPointSize(font.size);
  f.setWeight(static_cast<QFont::Weight>(std::clamp(font.style & kWeightMask, 1, 1000)));
  f.setItalic((font.style & kItalic) != 0);
  f.setUnderline((font.style & kUnderline) != 0);
  f.setStrikeOut((font.style & kStrikeOut) != 0);
  return f;
}

void setFont(QWidget* widget, const RuntimeFont& font) {
  widget->setFont(qtFont(font, widget->font()));
  if (font.colour != rt::kNoColor && font.colour != fontOf(widget).colour) {
    rt::setFontColor(widget, font.colour);
  }
}

void FontScaler::Init() {
  controls_.clear();
  PRESERVETOOLBAR = 1;
  PRESERVEMENUBAR = 1;
  MAXSTYLE = ListStyles::kCount;
}

void FontScaler::SetFont(QWidget* window, bool keepName, int size, long colour, bool keepPositions,
                         int charset, int style, std::string_view name) {
  if (AFDISABLE != 0 || window == nullptr) return;
  window_ = window;
  OLDFONT = fontOf(window);
  NEWFONT.name = keepName || name.find_first_not_of(' ') == std::string_view::npos
                     ? OLDFONT.name
                     : std::string(name.substr(0, name.find_last_not_of(' ') + 1));
  NEWFONT.size = size == -1 ? OLDFONT.size : size;
  NEWFONT.colour = colour == -1 ? OLDFONT.colour : colour;
  NEWFONT.style = style == -1 ? OLDFONT.style : style;
  NEWFONT.charset = charset == -1 ? OLDFONT.charset : charset;
  capture();
  refontAll();
  relayout(keepPositions);
  INITED = 1;
}

void FontScaler::capture() {
  const rt::DialogUnits units = rt::DialogUnits::of(window_);
  maximized_ = window_->isMaximized();
  winAtW_ = units.unitsX(window_->width());
  winAtH_ = units.unitsY(window_->height());
  oldCentre_ = window_->frameGeometry().center();
  clientHeight_ = window_->height();
  controls_.clear();
  auto record = [&](QWidget* w, bool placed) {
    Recorded r;
    r.control = w;
    if (placed) {
      r.x = units.unitsX(w->x());
      r.y = units.unitsY(w->y());
      r.w = units.unitsX(w->width());
      r.h = units.unitsY(w->height());
    }
    r.minW = unitsOrNone(w->minimumWidth(), 0, &rt::DialogUnits::unitsX, units);
    r.minH = unitsOrNone(w->minimumHeight(), 0, &rt::DialogUnits::unitsY, units);
    r.maxW = unitsOrNone(w->maximumWidth(), kUnset, &rt::DialogUnits::unitsX, units);
    r.maxH = unitsOrNone(w->maximumHeight(), kUnset, &rt::DialogUnits::unitsY, units);
    if (auto* table = qobject_cast<QTableView*>(w)) {
      r.rowHeight = units.unitsY(table->verticalHeader()->defaultSectionSize());
    }
    if (QHeaderView* header = columnHeader(w)) {
      for (int i = 0; i < header->count(); ++i) {
        r.columnWidths.push_back(units.unitsX(header->sectionSize(i)));
      }
    }
    controls_.push_back(std::move(r));
  };
  record(window_, false);
  for (QWidget* control : rt::windowControls(window_)) {
    if (inPreservedBar(control, *this)) continue;
    const bool placed =
        control->parentWidget() != nullptr && control->parentWidget()->layout() == nullptr;
    record(control, placed);
  }
}

void FontScaler::refontAll() {
  // The preserved bars are pinned to their font before the window's changes:
  // a tool bar to the font it was designed in, a menu bar to the font of its
  // drop-down menus (windows of their own, which never take the window's
  // font), the system's menu font whatever font the window is designed in.
  for (QWidget* bar : window_->findChildren<QWidget*>()) {
    QFont kept;
    if (PRESERVETOOLBAR && qobject_cast<QToolBar*>(bar))
      kept = bar->font();
    else if (PRESERVEMENUBAR && qobject_cast<QMenuBar*>(bar))
      kept = QApplication::font("QMenu");
    else
      continue;
    kept.setResolveMask(QFont::AllPropertiesResolved);
    bar->setFont(kept);
  }
  // Controls with a font of their own are mapped one by one; rich text keeps
  // its fonts, so it is pinned to its font before the window's changes.
  std::vector<std::pair<QWidget*, RuntimeFont>> own;
  for (const Recorded& r : controls_) {
    if (!r.control || r.control == window_) continue;
    if (rt::controlKind(r.control) == rt::ControlKind::RichText) {
      r.control->setFont(r.control->font());
    } else if (r.control->testAttribute(Qt::WA_SetFont) ||
               r.control->testAttribute(Qt::WA_SetPalette)) {
      own.emplace_back(r.control, fontOf(r.control));
    }
  }
  setFont(window_, NEWFONT);
  for (const auto& [control, font] : own) setFont(control, mapFont(font, OLDFONT, NEWFONT));
}

void FontScaler::relayout(bool keepPositions) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    relayoutControl(*it, keepPositions);
  }
  const rt::DialogUnits units = rt::DialogUnits::of(window_);
  // The main thread's windows (the frame above all) keep their client
  // height: they grow wider with the font, never taller.
  if (!maximized_ && rt::currentThreadNumber() == rt::kMainThread) {
    int step = window_->height() - clientHeight_;
    for (int i = 0; i < 5 && window_->height() > clientHeight_; ++i, ++step) {
      window_->resize(window_->width(), window_->height() - step);
    }
  }
  // A centred window stays centred about its former centre, shown already or
  // still to be shown (a message of its set-up shows it as it stands); one
  // placed where it was given stays there.
  if (!maximized_ && NOWINDOWSAVE == 1 && rt::isCentred(window_)) {
    QRect g = window_->frameGeometry();
    g.moveCenter(oldCentre_);
    window_->move(std::max(0, g.x()), std::max(0, g.y()));
  }
  ratioW_ = winAtW_ / std::max(1, units.unitsX(window_->width()));
  ratioH_ = winAtH_ / std::max(1, units.unitsY(window_->height()));
  if (maximized_) window_->showMaximized();
}

void FontScaler::relayoutControl(const Recorded& r, bool keepPositions) {
  QWidget* w = r.control;
  if (w == nullptr) return;
  const rt::DialogUnits units = rt::DialogUnits::of(window_);
  if (r.minW > 0) w->setMinimumWidth(units.x(r.minW));
  if (r.minH > 0) w->setMinimumHeight(units.y(r.minH));
  if (r.maxW >= 0) w->setMaximumWidth(units.x(r.maxW));
  if (r.maxH >= 0) w->setMaximumHeight(units.y(r.maxH));
  if (w == window_) {
    // Never below what the laid-out controls need: a smaller window would
    // cut its lists and buttons.
    if (!maximized_)
      w->resize(
          QSize(units.x(nearest(winAtW_ * WIDTHFACTOR_)), units.y(nearest(winAtH_ * HEIGHTFACTOR_)))
              .expandedTo(w->minimumSizeHint()));
    return;
  }
  if (maximized_) return;
  if (r.w >= 0) {
    QRect g = w->geometry();
    if (!keepPositions) {
      g.moveTo(units.x(nearest(r.x * WIDTHFACTOR_)), units.y(nearest(r.y * HEIGHTFACTOR_)));
    }
    g.setSize(QSize(units.x(nearest(r.w * WIDTHFACTOR_)), units.y(nearest(r.h * HEIGHTFACTOR_))));
    if (g != w->geometry()) w->setGeometry(g);
  }
  if (keepPositions) return;
  if (auto* table = qobject_cast<QTableView*>(w); table != nullptr && r.rowHeight > 0) {
    table->verticalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setDefaultSectionSize(units.y(r.rowHeight));
  }
  if (QHeaderView* header = columnHeader(w)) {
    for (int i = 0; i < header->count() && i < static_cast<int>(r.columnWidths.size()); ++i) {
      const int width = units.x(r.columnWidths[i]);
      if (header->sectionSize(i) != width) header->resizeSection(i, width);
    }
  }
}

void FontScaler::Apply() {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    QWidget* control = it->control;
    if (control == nullptr) continue;
    switch (rt::controlKind(control)) {
      case rt::ControlKind::List:
      case rt::ControlKind::Combo:
      case rt::ControlKind::DropList:
        restyleList(control);
        break;
      default:
        continue;
    }
    // List headers follow the list's own font.
    if (QHeaderView* header = columnHeader(control)) header->setFont(control->font());
  }
}

void FontScaler::restyleList(QWidget* list) {
  // What a style leaves blank it takes from the list, already in the new
  // font; what it sets as the old font had it becomes the new font's; what
  // it sets otherwise (a bold or a red style) stays.
  ListStyles& styles = ListStyles::of(list);
  for (int number = 1; number <= std::min(MAXSTYLE, ListStyles::kCount); ++number) {
    styles.setStyle(number, mapFont(styles.resolved(number), OLDFONT, NEWFONT));
  }
}

void FontScaler::ApplyPendingSize() {
  if (INITED != 1 || !window_) return;
  INITED = 0;
  const rt::DialogUnits units = rt::DialogUnits::of(window_);
  const int w = static_cast<int>(ratioW_ * units.unitsX(window_->width()));
  const int h = static_cast<int>(ratioH_ * units.unitsY(window_->height()));
  if (window_->minimumWidth() > units.x(w)) window_->setMinimumWidth(units.x(w));
  if (window_->minimumHeight() > units.y(h)) window_->setMinimumHeight(units.y(h));
  window_->move(std::max(1, window_->x()), std::max(1, window_->y()));
  window_->resize(units.x(w), units.y(h));
}

void FontScaler::Kill() { controls_.clear(); }

void ConfigurarFuente(FontScaler& scaler, QWidget* window) {
  scaler.PRESERVEMENUBAR = 1;
  scaler.PRESERVETOOLBAR = 1;
  WindowFontStart& font = windowFontStart();
  if ((font.flags & 4) == 0) {
    const SettingsStore& ini = settingsStore();
    auto number = [&](std::string_view key, int& value) {
      const std::string text = ini.fetch(font.section, key, std::to_string(value));
      value = static_cast<int>(rt::wholeNumber(rt::numericValue(text)));
    };
    font.name = ini.fetch(font.section, "FontName", font.name).substr(0, 31);
    number("FontSize", font.size);
    number("FontColor", font.color);
    number("FontStyle", font.style);
    number("FontCharset", font.charset);
    number("Disable", font.disable);
    font.flags |= 4;
  }
  if (font.disable == 0) {
    scaler.NOWINDOWSAVE = 1;
    scaler.SetFont(window, false, font.size, font.color, false, font.charset, font.style,
                   font.name);
  }
  scaler.Apply();
}

}  // namespace core
