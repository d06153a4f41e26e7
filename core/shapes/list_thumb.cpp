#include "core/shapes/list_thumb.h"

#include <QItemSelectionModel>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <algorithm>
#include <stdexcept>

#include "core/shapes/list_browser.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"

namespace core {
namespace {

// A scroll bar laid over the list's own, which goes on scrolling the rows
// beneath it: this one's range is the steps, not the rows held.
class ThumbBar : public QScrollBar {
 public:
  explicit ThumbBar(QScrollBar* rows) : QScrollBar(Qt::Vertical, rows) {
    setObjectName("thumb");
    setRange(0, static_cast<int>(alphabeticSteps().size()) - 1);
    setPageStep(1);
    // The list moves once the thumb is dropped, not at each letter passed.
    setTracking(false);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setGeometry(rows->rect());
    rows->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Resize) {
      setGeometry(parentWidget()->rect());
    }
    return false;
  }
  // The wheel scrolls the rows, as it does over the list.
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

}  // namespace

const std::string& alphabeticSteps() {
  static const std::string steps = [] {
    std::string letters;
    for (char c = 'A'; c <= 'Z'; ++c) letters += c;
    // The case rules list the capitals besides A to Z before a comma.
    const std::string_view cases = rt::caseMapping();
    letters += cases.substr(0, cases.find(','));
    std::sort(letters.begin(), letters.end(),
              [](char a, char b) { return rt::collationWeight(a) < rt::collationWeight(b); });
    letters.erase(std::unique(letters.begin(), letters.end()), letters.end());
    return letters;
  }();
  return steps;
}

int alphabeticStep(std::string_view value) {
  if (value.empty()) return 0;
  const std::string& steps = alphabeticSteps();
  const int weight = rt::collationWeight(rt::upperChar(value.front()));
  int step = 0;
  while (step + 1 < static_cast<int>(steps.size()) &&
         rt::collationWeight(steps[step + 1]) <= weight) {
    ++step;
  }
  return step;
}

void ListBrowser::SetAlphabeticThumb() {
  SortOrder& order = orders_.at(orders_.size() - 1);
  const rt::KeyDef& key = def_.keys.at(order.key);
  if (key.components.empty() || !rt::isTextField(def_.fields[key.components[0].field])) {
    throw std::invalid_argument("alphabetic steps need a key that begins with a text");
  }
  order.alphabeticThumb = true;
  if (!thumb_) {
    thumb_ = new ThumbBar(list_->verticalScrollBar());
    QObject::connect(thumb_, &QAbstractSlider::actionTriggered, this,
                     [this](int action) { thumbAction(action); });
    QObject::connect(thumb_, &QAbstractSlider::valueChanged, this, [this](int step) {
      if (!showingThumb_) wantThumbMove(ThumbMove::Step, step);
    });
    QObject::connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                     [this] { showThumb(); });
  }
  showThumb();
}

QScrollBar* ListBrowser::thumb() const { return alphabeticThumb() ? thumb_.data() : nullptr; }

bool ListBrowser::alphabeticThumb() const {
  return thumb_ && !orders_.empty() && orders_.at(order_).alphabeticThumb;
}

void ListBrowser::showThumb() {
  if (!thumb_) return;
  thumb_->setVisible(alphabeticThumb());
  // While the user drags it, the thumb is theirs.
  if (!alphabeticThumb() || thumb_->isSliderDown()) return;
  const ListRow* row = selectedRow();
  const QScopedValueRollback<bool> showing(showingThumb_, true);
  thumb_->setValue(row != nullptr ? row->step : 0);
}

void ListBrowser::thumbAction(int action) {
  // The arrows, the page areas and the ends move by rows, not by steps: the
  // thumb stays until the selection has moved.
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub:
      wantThumbMove(ThumbMove::Rows, action == QAbstractSlider::SliderSingleStepAdd ? 1 : -1);
      break;
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
      wantThumbMove(ThumbMove::Rows,
                    action == QAbstractSlider::SliderPageStepAdd ? pageRows() : -pageRows());
      break;
    case QAbstractSlider::SliderToMinimum:
      wantThumbMove(ThumbMove::First);
      break;
    case QAbstractSlider::SliderToMaximum:
      wantThumbMove(ThumbMove::Last);
      break;
    default:
      return;  // a drag: the list moves when the thumb is dropped
  }
  thumb_->setSliderPosition(thumb_->value());
}

void ListBrowser::wantThumbMove(ThumbMove move, int amount) {
  pendingThumb_.emplace_back(move, amount);
  window_.post(kThumbMoves, list_);
}

void ListBrowser::takeThumbMoves() {
  std::vector<std::pair<ThumbMove, int>> moves;
  moves.swap(pendingThumb_);
  for (const auto& [move, amount] : moves) {
    if (!alphabeticThumb()) return;
    switch (move) {
      case ThumbMove::Rows:
        moveBy(amount);
        break;
      case ThumbMove::Last:
        moveToLast();
        break;
      case ThumbMove::First:
      case ThumbMove::Step:
        if (move == ThumbMove::First || amount <= 0) {
          // The first step holds what comes before its letter too.
          ResetView();
        } else {
          rt::Table& table = rt::table(def_);
          rt::clearRecord(def_, table.buffer());
          const rt::KeyDef& key = def_.keys.at(orders_.at(order_).key);
          const std::string& steps = alphabeticSteps();
          const std::size_t step = std::min<std::size_t>(amount, steps.size() - 1);
          rt::setFieldText(def_.fields[key.components[0].field], table.record(),
                           std::string(1, steps[step]));
          ResetFromBuffer();
        }
        PostNewSelection();
        break;
    }
    showThumb();
  }
}

}  // namespace core
