#pragma once
// A drop combo of a table's records by name: its list is read page by page
// in the order of the name key as the user scrolls it, and typing a name
// moves the list to the first record not below the typed text and completes
// the name in the entry. Choosing a row gives that record's code. The reads
// run on the window's thread, never inside a Qt callback.
#include <QAbstractListModel>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/view.h"
#include "platform/ui/window_driver.h"

class QComboBox;

namespace practice {

class NameChooser : public QAbstractListModel {
 public:
  static constexpr int kPage = 100;

  NameChooser(rt::WindowDriver& window, QComboBox* combo, const rt::TableDef& def, int nameKey,
              std::string_view nameField, std::string_view codeField);
  ~NameChooser() override;

  // Loads the first page (from the start of the key).
  void load();
  // The window's event: true when it was one of this combo's reads.
  bool TakeEvent();
  // The code of the row shown in the combo; 0 when none.
  std::uint32_t chosenCode() const;
  // Rows read so far.
  int loaded() const { return static_cast<int>(rows_.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  struct Row {
    QString name;
    std::uint32_t code = 0;
  };
  void startAt(const std::string& typed);
  void readPage();
  void typeAhead();

  rt::WindowDriver& window_;
  QPointer<QComboBox> combo_;
  const rt::TableDef& def_;
  int key_;
  int nameField_;
  int codeField_;
  std::unique_ptr<rt::View> view_;
  std::vector<Row> rows_;
  bool atEnd_ = true;
  bool morePosted_ = false;
  QString typed_;
  bool typedPosted_ = false;
  std::uint32_t lastChosen_ = 0;  // the code last given as chosen
};

}  // namespace practice
