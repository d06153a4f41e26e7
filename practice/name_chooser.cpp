#include "practice/name_chooser.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table.h"
#include "platform/ui/qt_text.h"

namespace practice {
namespace {

constexpr int kMoreNames = rt::event::User + 0x71;
constexpr int kTypedName = rt::event::User + 0x72;

std::string clipped(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

// The thread's buffer of the table as it was, put back after the combo's
// reads: the window's own view and forms find their record untouched.
class KeptRecord {
 public:
  explicit KeptRecord(const rt::TableDef& def)
      : def_(def),
        table_(rt::table(def)),
        copy_(def.newBuffer()),
        position_(table_.position()),
        version_(table_.version()) {
    rt::copyRecord(def_, table_.buffer(), *copy_);
  }
  ~KeptRecord() {
    rt::copyRecord(def_, *copy_, table_.buffer());
    table_.recordWasRead(position_, version_);
  }

 private:
  const rt::TableDef& def_;
  rt::Table& table_;
  std::unique_ptr<rt::RecordBuffer> copy_;
  std::int64_t position_;
  std::int64_t version_;
};

}  // namespace

NameChooser::NameChooser(rt::WindowDriver& window, QComboBox* combo, const rt::TableDef& def,
                         int nameKey, std::string_view nameField, std::string_view codeField)
    : window_(window),
      combo_(combo),
      def_(def),
      key_(nameKey),
      nameField_(def.fieldIndex(nameField)),
      codeField_(def.fieldIndex(codeField)) {
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->setModel(this);
  combo->setCurrentIndex(-1);
  QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this](const QString& text) {
    typed_ = text;
    if (typedPosted_) return;
    typedPosted_ = true;
    window_.post(kTypedName, combo_);
  });
  // Enter moves on to the next control: a name completed in the entry is
  // chosen when the entry is left, as a row picked from the drop list.
  QObject::connect(combo->lineEdit(), &QLineEdit::editingFinished, combo, [this] {
    const int row = combo_->currentIndex();
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    if (combo_->currentText() != rows_[row].name || rows_[row].code == lastChosen_) return;
    lastChosen_ = rows_[row].code;
    window_.post(rt::event::Accepted, combo_);
  });
  QObject::connect(combo, &QComboBox::activated, combo, [this](int row) {
    if (row >= 0 && row < static_cast<int>(rows_.size())) lastChosen_ = rows_[row].code;
  });
}

// The combo drops a model that goes before it.
NameChooser::~NameChooser() = default;

void NameChooser::load() {
  startAt({});
  // The combo takes its first row when rows arrive; nothing is chosen yet.
  if (combo_) combo_->setCurrentIndex(-1);
}

void NameChooser::startAt(const std::string& typed) {
  KeptRecord kept(def_);
  beginResetModel();
  rows_.clear();
  view_ = std::make_unique<rt::View>(def_, key_);
  rt::Table& t = rt::table(def_);
  t.clear();
  if (typed.empty()) {
    view_->setToStart();
  } else {
    rt::setFieldText(def_.fields[nameField_], t.record(), typed);
    view_->setFromBuffer();
  }
  atEnd_ = false;
  endResetModel();
  readPage();
}

void NameChooser::readPage() {
  if (atEnd_ || !view_) return;
  KeptRecord kept(def_);
  rt::Table& t = rt::table(def_);
  std::vector<Row> page;
  while (static_cast<int>(page.size()) < kPage) {
    if (view_->next() != 0) {
      atEnd_ = true;
      break;
    }
    page.push_back(
        {rt::toQString(clipped(rt::fieldText(def_.fields[nameField_], t.record()))),
         static_cast<std::uint32_t>(rt::fieldNumber(def_.fields[codeField_], t.record()))});
  }
  if (page.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
  for (Row& r : page) rows_.push_back(std::move(r));
  endInsertRows();
}

void NameChooser::typeAhead() {
  if (!combo_) return;
  QLineEdit* entry = combo_->lineEdit();
  const QString typed = typed_;
  const std::string text = rt::fromQString(typed);
  lastChosen_ = 0;
  startAt(text);
  // The reset emptied the entry: the typed text comes back, completed with
  // the first name at or after it when that name begins with it.
  combo_->setCurrentIndex(-1);
  entry->setText(typed);
  if (typed.isEmpty() || rows_.empty()) return;
  const std::string first = rt::fromQString(rows_.front().name);
  if (rt::upper(first).rfind(rt::upper(text), 0) != 0) return;
  const QSignalBlocker quiet(combo_);
  combo_->setCurrentIndex(0);
  entry->setText(rows_.front().name);
  entry->setSelection(static_cast<int>(typed.size()), rows_.front().name.size() - typed.size());
}

bool NameChooser::TakeEvent() {
  if (combo_ == nullptr) return false;
  if (window_.event() == rt::event::AlertKey && combo_->isAncestorOf(QApplication::focusWidget())) {
    const int key = window_.keyCode();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Enter on a completed name chooses it.
      const int row = combo_->currentIndex();
      if (row >= 0 && row < static_cast<int>(rows_.size()) &&
          combo_->currentText() == rows_[row].name) {
        lastChosen_ = rows_[row].code;
        window_.post(rt::event::Accepted, combo_);
        return true;
      }
    }
    return false;
  }
  if (window_.field() != combo_) return false;
  if (window_.event() == kMoreNames) {
    morePosted_ = false;
    readPage();
    return true;
  }
  if (window_.event() == kTypedName) {
    typedPosted_ = false;
    typeAhead();
    return true;
  }
  return false;
}

std::uint32_t NameChooser::chosenCode() const {
  if (!combo_) return 0;
  const int row = combo_->currentIndex();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return 0;
  // The entry may have been typed over without a choice.
  if (combo_->currentText() != rows_[row].name) return 0;
  return rows_[row].code;
}

int NameChooser::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant NameChooser::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return rows_[index.row()].name;
  return {};
}

bool NameChooser::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !atEnd_;
}

void NameChooser::fetchMore(const QModelIndex&) {
  // Asked from inside the view's painting: the read runs on the window's
  // thread when it takes the event.
  if (morePosted_ || !combo_) return;
  morePosted_ = true;
  window_.post(kMoreNames, combo_);
}

}  // namespace practice
