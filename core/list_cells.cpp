#include "core/list_cells.h"

#include <QPainter>

namespace core {

QColor colourOf(std::int32_t bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void CellColourDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!(option->state & QStyle::State_Selected)) return;
  const QVariant text = index.data(kSelectedTextRole);
  const QVariant back = index.data(kSelectedBackRole);
  if (text.isValid()) option->palette.setColor(QPalette::HighlightedText, text.value<QColor>());
  if (back.isValid()) {
    option->palette.setColor(QPalette::Highlight, back.value<QColor>());
    option->palette.setColor(QPalette::Inactive, QPalette::Highlight, back.value<QColor>());
  }
}

GroupedHeader::GroupedHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(false);
  setDefaultAlignment(Qt::AlignCenter);
}

QString GroupedHeader::group(int column) const {
  return column >= 0 && column < static_cast<int>(groups_.size()) ? groups_[column] : QString();
}

QSize GroupedHeader::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  size.setHeight(size.height() * 2);
  return size;
}

void GroupedHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  const QString title = group(logicalIndex);
  if (title.isEmpty()) {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    return;
  }
  const int half = rect.height() / 2;
  QRect lower(rect.left(), rect.top() + half, rect.width(), rect.height() - half);
  painter->save();
  QHeaderView::paintSection(painter, lower, logicalIndex);
  painter->restore();
  // The group's band spans from its first to its last visible column.
  int first = logicalIndex;
  while (first > 0 && group(first - 1) == title) --first;
  int last = logicalIndex;
  while (last + 1 < count() && group(last + 1) == title) ++last;
  const int left = sectionViewportPosition(first);
  const int right = sectionViewportPosition(last) + sectionSize(last);
  QStyleOptionHeader band;
  initStyleOption(&band);
  band.rect = QRect(left, rect.top(), right - left, half);
  band.text = title;
  band.textAlignment = Qt::AlignCenter;
  band.section = first;
  painter->save();
  painter->setClipRect(QRect(rect.left(), rect.top(), rect.width(), half));
  style()->drawControl(QStyle::CE_Header, &band, painter, this);
  painter->restore();
}

}  // namespace core
