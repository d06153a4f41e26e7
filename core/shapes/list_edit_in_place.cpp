// Edit in place: the rows of a list edited in the list itself, cell by cell,
// each through its column's editor (an entry by the column's picture or a
// drop-down of fixed texts), and stored whole when the user leaves the row.
#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/shapes/list_browser.h"
#include "core/shapes/list_cells.h"
#include "core/shapes/record_form.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/entry_refusal.h"
#include "platform/ui/qt_text.h"

namespace core {

// The list's delegate once a column is edited in place: it creates the
// column's editor and hands the keys that move between cells and rows to the
// list, on the window's thread; the cell's value is taken by the list itself.
class CellEditDelegate : public CellColourDelegate {
 public:
  static void stepToText(QComboBox* combo, QChar letter) {
    const int count = combo->count();
    auto folded = [](QChar c) {
      const QString d = QString(c).normalized(QString::NormalizationForm_D);
      return d.isEmpty() ? c : d[0].toCaseFolded();
    };
    for (int step = 1; step <= count; ++step) {
      const int row = (std::max(combo->currentIndex(), -1) + step + count) % count;
      const QString text = combo->itemText(row);
      if (!text.isEmpty() && folded(text[0]) == folded(letter)) {
        combo->setCurrentIndex(row);
        return;
      }
    }
  }

  CellEditDelegate(ListBrowser& browser, QObject* parent)
      : CellColourDelegate(parent), browser_(browser) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    return browser_.createEditor(parent, index.column());
  }
  void setEditorData(QWidget*, const QModelIndex&) const override {}
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
  void close(QWidget* editor) { emit closeEditor(editor, QAbstractItemDelegate::NoHint); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) {
      // A click elsewhere leaves the row; a message box or the drop-down's
      // own list taking the focus does not.
      if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
        queue(ListBrowser::EditKey::Leave);
      }
      return false;
    }
    if (event->type() != QEvent::KeyPress || watched != browser_.edit_.editor) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    // A letter steps through the texts that start with it, as in a list:
    // "m" again goes from Martes on to Miércoles.
    if (auto* combo = qobject_cast<QComboBox*>(browser_.edit_.editor);
        combo != nullptr && plain && key->text().size() == 1 && key->text()[0].isLetterOrNumber()) {
      stepToText(combo, key->text()[0]);
      return true;
    }
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Tab:
        if (!plain) return false;
        queue(ListBrowser::EditKey::Next);
        return true;
      case Qt::Key_Backtab:
        queue(ListBrowser::EditKey::Previous);
        return true;
      case Qt::Key_Up:
      case Qt::Key_Down:
        if (!plain) return false;  // Alt+Down opens a drop-down
        queue(key->key() == Qt::Key_Up ? ListBrowser::EditKey::Up : ListBrowser::EditKey::Down);
        return true;
      case Qt::Key_Escape:
        queue(ListBrowser::EditKey::Abandon);
        return true;
      default:
        return false;
    }
  }

 private:
  void queue(ListBrowser::EditKey key) {
    browser_.pendingEditKeys_.push_back(key);
    browser_.window_.post(ListBrowser::kEditKeys, browser_.list_);
  }
  ListBrowser& browser_;
};

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && index.row() == browser_.edit_.row &&
      browser_.editors_.count(index.column()) != 0) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

void ListBrowser::SetCellEditor(int column, CellEditor editor) {
  editors_[column - 1] = std::move(editor);
  if (delegate_ == nullptr) {
    delegate_ = new CellEditDelegate(*this, list_);
    list_->setItemDelegate(delegate_);
  }
}

QWidget* ListBrowser::createEditor(QWidget* parent, int column) {
  const auto found = editors_.find(column);
  if (found == editors_.end() || edit_.row < 0) return nullptr;
  const CellEditor& e = found->second;
  const QString text = model_.rows_.at(edit_.row).cells.at(column);
  QWidget* editor = nullptr;
  if (!e.choices.empty()) {
    auto* combo = new QComboBox(parent);
    for (const std::string& choice : e.choices) combo->addItem(rt::toQString(choice));
    combo->setMaxVisibleItems(static_cast<int>(e.choices.size()));
    if (e.dropWidth > 0) combo->view()->setMinimumWidth(rt::DialogUnits::of(list_).x(e.dropWidth));
    // The row's own text chosen; none when it is not one of the texts.
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
    editor = combo;
  } else {
    auto* entry = new QLineEdit(parent);
    const std::string& picture = columns_[shownIndex_[column]].picture;
    if (!picture.empty()) rt::setPicture(entry, rt::toQString(picture));
    entry->setText(text);
    entry->selectAll();
    editor = entry;
  }
  editor->setObjectName(QStringLiteral("?EDIT:%1").arg(column + 1));
  // A refusal names the cell by its column's title.
  editor->setAccessibleName(rt::toQString(columns_[shownIndex_[column]].title));
  edit_.editor = editor;
  return editor;
}

void ListBrowser::editInPlace(int request) {
  if (editing() && !FinishEdit()) return;
  if (request == request::Insert) {
    rt::Table& t = rt::table(def_);
    relate(def_).access().primeRecord();
    primeRange();
    t.recordWasRead(0, 0);
    const int row = RecordsInView();
    model_.beginInsertRows({}, row, row);
    model_.rows_.push_back(SetQueueRecord(0));
    model_.endInsertRows();
    beginEdit(row, 0, true);
    return;
  }
  const QModelIndex current = list_->currentIndex();
  if (!current.isValid() || !UpdateViewRecord()) return;
  if (request == request::Delete) {
    const int next = current.row() + 1 < RecordsInView() ? current.row() + 1 : current.row() - 1;
    const std::int64_t neighbour = next >= 0 ? model_.rows_[next].position : 0;
    if (relate(def_).remove(true) != level::Benign) {
      list_->setFocus();
      return;
    }
    RetainRow = 1;
    if (neighbour != 0 && view_->reset(neighbour) == 0 && view_->next() == 0) {
      ResetFromView();
    } else {
      ResetView();
    }
    PostNewSelection();
    return;
  }
  beginEdit(current.row(), request == request::Change ? std::max(current.column(), 0) : 0, false);
}

void ListBrowser::beginEdit(int row, int column, bool fresh) {
  rt::Table& t = rt::table(def_);
  edit_.row = row;
  edit_.column = column;
  edit_.fresh = fresh;
  edit_.version = t.version();
  edit_.record.assign(t.record(), t.record() + def_.recordSize);
  edit_.original = model_.rows_.at(row);
  if (editors_.count(edit_.column) == 0) edit_.column = editors_.begin()->first;
  openEditor();
}

void ListBrowser::openEditor() {
  const QModelIndex index = model_.index(edit_.row, edit_.column);
  list_->setCurrentIndex(index);
  list_->scrollTo(index);
  list_->edit(index);
  if (edit_.editor) edit_.editor->setFocus();
}

void ListBrowser::closeEditor() {
  if (QWidget* editor = edit_.editor) {
    edit_.editor = nullptr;
    delegate_->close(editor);
  }
}

bool ListBrowser::commitCell() {
  if (!edit_.editor || edit_.row < 0) return true;
  // A text the cell cannot store as typed stays in its editor, refused by
  // name, as in any entry.
  if (rt::refuseEntry(edit_.editor)) return false;
  std::string text;
  if (auto* combo = qobject_cast<QComboBox*>(edit_.editor)) {
    text = rt::fromQString(combo->currentText());
  } else if (auto* entry = qobject_cast<QLineEdit*>(edit_.editor)) {
    text = rt::fromQString(entry->text());
  }
  if (sources_.size() != columns_.size()) resolveColumns();
  const int index = shownIndex_[edit_.column];
  const ListColumn& c = columns_[index];
  const Source& source = sources_[index];
  rt::Table& t = rt::table(def_);
  // The buffer may have served the list meanwhile (a page read as it
  // scrolled): the row's record is put back first.
  std::copy(edit_.record.begin(), edit_.record.end(), t.record());
  const std::int64_t position = edit_.fresh ? 0 : edit_.original.position;
  t.recordWasRead(position, edit_.version);
  if (source.table == &t && source.field >= 0) {
    const rt::FieldDef& f = def_.fields[source.field];
    const std::string value = c.picture.empty() ? text : rt::deformat(text, c.picture);
    if (rt::isTextField(f)) {
      rt::setFieldText(f, t.record(), value);
    } else {
      rt::setFieldNumber(f, t.record(), std::llround(std::strtod(value.c_str(), nullptr)));
    }
  }
  if (const CellEditor& e = editors_[edit_.column]; e.changed) e.changed(text);
  edit_.record.assign(t.record(), t.record() + def_.recordSize);
  model_.rows_[edit_.row] = SetQueueRecord(position);
  emit model_.dataChanged(model_.index(edit_.row, 0), model_.index(edit_.row, shownColumns() - 1));
  return true;
}

bool ListBrowser::storeRow() {
  rt::Table& t = rt::table(def_);
  std::copy(edit_.record.begin(), edit_.record.end(), t.record());
  t.recordWasRead(edit_.fresh ? 0 : edit_.original.position, edit_.version);
  TableRelations& relations = relate(def_);
  const int result = edit_.fresh ? relations.access().addNumbered() : relations.update();
  if (result == level::Benign) return true;
  // A record another workstation changed is in the buffer as now stored.
  edit_.version = t.version();
  edit_.record.assign(t.record(), t.record() + def_.recordSize);
  model_.rows_[edit_.row] = SetQueueRecord(edit_.fresh ? 0 : edit_.original.position);
  emit model_.dataChanged(model_.index(edit_.row, 0), model_.index(edit_.row, shownColumns() - 1));
  return false;
}

int ListBrowser::blankRequiredCell() const {
  for (const auto& [column, editor] : editors_) {
    if (!editor.required) continue;
    if (model_.rows_.at(edit_.row).cells.at(column).trimmed().isEmpty()) return column;
  }
  return -1;
}

bool ListBrowser::FinishEdit() {
  if (!editing()) return true;
  if (!commitCell()) return false;
  if (const int blank = blankRequiredCell(); blank >= 0) {
    // Nothing is stored: the row waits for the cell.
    const std::string title = columns_[shownIndex_[blank]].title;
    rt::showMessage({title + ": es un dato requerido para guardar la fila."_cp,
                     "Dato requerido",
                     rt::MessageIcon::Warning,
                     rt::button::Ok,
                     {},
                     0});
    closeEditor();
    edit_.column = blank;
    openEditor();
    return false;
  }
  closeEditor();
  if (!storeRow()) {
    openEditor();
    return false;
  }
  const std::int64_t stored = rt::table(def_).position();
  edit_ = EditState{};
  RetainRow = 1;
  if (stored != 0 && view_->reset(stored) == 0 && view_->next() == 0) {
    ResetFromView();
  } else {
    ResetView();
  }
  return true;
}

void ListBrowser::AbandonEdit() {
  if (!editing()) return;
  closeEditor();
  const int row = edit_.row;
  if (edit_.fresh) {
    model_.beginRemoveRows({}, row, row);
    model_.rows_.erase(model_.rows_.begin() + row);
    model_.endRemoveRows();
  } else {
    model_.rows_[row] = edit_.original;
    emit model_.dataChanged(model_.index(row, 0), model_.index(row, shownColumns() - 1));
  }
  edit_ = EditState{};
  updateControls();
  list_->setFocus();
}

void ListBrowser::editorKey(EditKey key) {
  if (!editing()) return;
  switch (key) {
    case EditKey::Abandon:
      AbandonEdit();
      return;
    case EditKey::Next:
    case EditKey::Previous: {
      if (!commitCell()) return;
      auto at = editors_.find(edit_.column);
      if (key == EditKey::Previous) {
        if (at == editors_.begin()) return;
        --at;
      } else if (++at == editors_.end()) {
        if (FinishEdit()) PostNewSelection();
        return;
      }
      closeEditor();
      edit_.column = at->first;
      openEditor();
      return;
    }
    case EditKey::Up:
    case EditKey::Down: {
      const int column = edit_.column;
      if (!FinishEdit()) return;
      const QModelIndex current = list_->currentIndex();
      const int target = (current.isValid() ? current.row() : 0) + (key == EditKey::Up ? -1 : 1);
      if (key == EditKey::Down && target >= RecordsInView()) NextPage();
      if (target < 0 || target >= RecordsInView()) {
        PostNewSelection();
        return;
      }
      list_->setCurrentIndex(model_.index(target, column));
      if (UpdateViewRecord()) beginEdit(target, column, false);
      return;
    }
    case EditKey::Leave:
      if (FinishEdit()) PostNewSelection();
      return;
  }
}

void ListBrowser::takeEditKeys() {
  std::vector<EditKey> keys;
  keys.swap(pendingEditKeys_);
  for (EditKey key : keys) editorKey(key);
}

}  // namespace core
