#pragma once
// How a list box draws what its rows ask for beyond plain text: a cell's own
// colours also when its row is selected, and a heading over a run of
// neighbouring columns ("Documento" over "Tipo" and "Nro.").
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <vector>

namespace core {

// Item data roles of a cell's colours in the selected row.
constexpr int kSelectedTextRole = Qt::UserRole + 1;
constexpr int kSelectedBackRole = Qt::UserRole + 2;

QColor colourOf(std::int32_t bgr);

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
