#pragma once
// How a list box draws what its rows ask for beyond plain text: a cell's own
// colours also when its row is selected, a heading over a run of
// neighbouring columns ("Documento" over "Tipo" and "Nro."), and rows drawn
// in one of the list's numbered styles.
#include <QHeaderView>
#include <QListWidgetItem>
#include <QStyledItemDelegate>
#include <array>
#include <vector>

#include "core/aids/font_scaler.h"

namespace core {

// Item data roles of a cell's colours in the selected row.
constexpr int kSelectedTextRole = Qt::UserRole + 1;
constexpr int kSelectedBackRole = Qt::UserRole + 2;

QColor colourOf(std::int32_t bgr);

// The styles of a list: numbered fonts (face, size, colour, weight) its rows
// can be drawn in. A blank name, or a negative size, colour, style or
// charset, is the list's own.
class ListStyles : public QObject {
 public:
  static constexpr int kCount = 20;
  // The list's styles, every one blank until it is set.
  static ListStyles& of(QWidget* list);
  // Those of a list that has them; null otherwise.
  static const ListStyles* find(const QWidget* list);

  // Numbered from 1; any other number is the blank style.
  RuntimeFont style(int number) const;
  void setStyle(int number, RuntimeFont font);
  // The style with its blanks taken from the list's own font.
  RuntimeFont resolved(int number) const;

 private:
  explicit ListStyles(QWidget* list);
  QWidget* list() const { return static_cast<QWidget*>(parent()); }
  std::array<RuntimeFont, kCount> styles_;
};

// A row of a list widget drawn in one of its list's styles (0: the list's
// own font).
class StyledListItem : public QListWidgetItem {
 public:
  StyledListItem(const QString& text, int style) : QListWidgetItem(text), style_(style) {}
  int style() const { return style_; }
  QVariant data(int role) const override;

 private:
  int style_;
};

class CellColourDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// A two-line heading: the group's title across its columns above their own
// titles; columns outside a group use both lines.
class GroupedHeader : public QHeaderView {
 public:
  explicit GroupedHeader(QWidget* parent);
  // groups[i]: the heading over column i (empty: none).
  void setGroups(std::vector<QString> groups) { groups_ = std::move(groups); }
  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  QString group(int column) const;
  std::vector<QString> groups_;
};

}  // namespace core
