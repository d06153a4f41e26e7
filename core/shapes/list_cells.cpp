#include "core/shapes/list_cells.h"

#include <QAbstractItemView>
#include <QListWidget>
#include <QPainter>

#include "platform/ui/control_colors.h"

namespace core {
namespace {

const RuntimeFont kBlankStyle{"", -1, -1, -1, -1};

}  // namespace

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

ListStyles::ListStyles(QWidget* list) : QObject(list) {
  setObjectName("rtListStyles");
  styles_.fill(kBlankStyle);
}

ListStyles& ListStyles::of(QWidget* list) {
  if (const ListStyles* styles = find(list)) return *const_cast<ListStyles*>(styles);
  return *new ListStyles(list);
}

const ListStyles* ListStyles::find(const QWidget* list) {
  return list->findChild<ListStyles*>("rtListStyles", Qt::FindDirectChildrenOnly);
}

RuntimeFont ListStyles::style(int number) const {
  return number >= 1 && number <= kCount ? styles_[number - 1] : kBlankStyle;
}

void ListStyles::setStyle(int number, RuntimeFont font) {
  if (number < 1 || number > kCount) return;
  styles_[number - 1] = std::move(font);
  if (auto* view = qobject_cast<QAbstractItemView*>(list())) view->viewport()->update();
}

RuntimeFont ListStyles::resolved(int number) const {
  RuntimeFont font = style(number);
  const RuntimeFont own = fontOf(list());
  if (font.name.find_first_not_of(' ') == std::string::npos) font.name = own.name;
  if (font.size < 0) font.size = own.size;
  if (font.colour < 0) font.colour = own.colour;
  if (font.style < 0) font.style = own.style;
  if (font.charset < 0) font.charset = own.charset;
  return font;
}

QVariant StyledListItem::data(int role) const {
  const ListStyles* styles =
      style_ > 0 && listWidget() != nullptr ? ListStyles::find(listWidget()) : nullptr;
  if (styles == nullptr || (role != Qt::FontRole && role != Qt::ForegroundRole)) {
    return QListWidgetItem::data(role);
  }
  const RuntimeFont font = styles->resolved(style_);
  if (role == Qt::FontRole) return qtFont(font, listWidget()->font());
  return font.colour < 0 ? QVariant() : QVariant(QBrush(rt::fromBgr(font.colour)));
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
