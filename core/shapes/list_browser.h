#pragma once
// The list manager of a list window: shows a view of a table in a list box,
// page by page as the user scrolls, in one of its sort orders, limited by
// named filters joined with AND; a type-ahead locator moves to the first
// record not below the typed text in the key's collation; its buttons, keys
// and popup menu insert, change, delete, view or select the row's record.
#include <QAbstractTableModel>
#include <QIcon>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/expression.h"
#include "platform/data/view.h"
#include "platform/ui/window_driver.h"

namespace core {

// The named filter of a list's active-only box.
inline constexpr char kActiveFilterId[] = "Filtro_1";

enum class ColumnAlign { Left, Center, Right };

// A column of the list, or (without a title) a value the row keeps for the
// caller and the export without showing it. Every member has a default, so a
// column is written with only the leading members it sets
// ({"USU:Nombre_Usuario", "Usuario", "@s20", 0, 80}) and the rest stay unset.
struct ListColumn {
  std::string field{};    // "USU:Nombre_Usuario", of the primary or a joined table
  std::string title{};    // empty: not a column, only a value of the row
  std::string picture{};  // the field's picture when empty
  int characters = 0;     // share of the list's width when no width is given
  int width = -1;         // dialog units; 0 hides the column (still searched and exported)
  ColumnAlign align = ColumnAlign::Left;
  bool fixed = false;    // the user cannot resize it
  bool colored = false;  // four colour values follow its value in the row
  std::string group{};   // a heading over a run of neighbouring columns
  // An icon number (of the list's icons; 0 none) follows its value and
  // colours in the row; a cell with an icon shows the icon for its value.
  bool iconed = false;
  // The value as the list shows, searches and exports it (notes in plain
  // text); the stored value when empty.
  std::function<std::string(std::string)> shownAs{};
  // The name a search finds the shown value under; the field's when empty.
  std::string searchName{};
};

// A cell's colours (0xBBGGRR each; -1 keeps the list's own).
struct CellColours {
  std::int32_t text = -1;
  std::int32_t back = -1;
  std::int32_t selectedText = -1;
  std::int32_t selectedBack = -1;
  bool any() const { return text >= 0 || back >= 0 || selectedText >= 0 || selectedBack >= 0; }
};

// The editor of a column edited in the list itself.
struct CellEditor {
  // A drop-down list of these texts; none: an entry by the column's picture.
  std::vector<std::string> choices;
  int dropWidth = 0;  // the drop-down's width in dialog units; 0: the cell's
  // A row is stored only with this cell filled; leaving the row without it
  // is refused with a message and the cell opens again.
  bool required = false;
  // After the standard handling of each change of the cell: the row's record
  // is in the thread's buffer with the cell's value stored; `text` is what
  // the cell now holds.
  std::function<void(const std::string& text)> changed;
};

// One row: per column its shown text, its stored value and its colours; then
// the values of the not-shown fields.
struct ListRow {
  std::int64_t position = 0;
  std::vector<QString> cells;
  std::vector<std::string> values;
  std::vector<CellColours> colours;
  std::vector<int> icons;
  std::vector<std::string> extras;
  // The thumb's step of the row's key, in an order with alphabetic steps.
  int step = 0;
};

// The rows as numbered fields: each column's value, its four colours when
// coloured, its icon number when iconed, then the not-shown values, numbered
// from 1 (what an export reads).
class RowFields {
 public:
  virtual ~RowFields() = default;
  virtual std::size_t rowCount() const = 0;
  virtual std::string field(std::size_t row, int number) const = 0;
};

// The rows of the list, a window onto the view that grows at either end.
class ListModel : public QAbstractTableModel {
 public:
  explicit ListModel(class ListBrowser& browser) : browser_(browser) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  friend class ListBrowser;
  ListBrowser& browser_;
  std::vector<ListRow> rows_;
  bool atEnd_ = true;
  bool atStart_ = true;
};

class ListBrowser : public QObject, public RowFields {
 public:
  static constexpr int kPage = 100;
  // The keys typed in a cell editor, handled on the window's thread.
  static constexpr int kEditKeys = rt::event::User + 0x43;

  ListBrowser(rt::WindowDriver& window, QTableView* list, const rt::TableDef& primary);
  ~ListBrowser() override;

  // A sort order: its tab title, its key, and the order text of fields that
  // order the records of equal key values ("+AGG:Prioridad,-AGG:Codigo").
  void AddSortOrder(std::string title, int key, std::string_view appended = {});
  // The last sort order added, whose key begins with a text, moves its
  // list's scroll thumb by alphabetic steps: the thumb stands at the letter
  // of the selected row's key; dropped on a letter, the list moves to the
  // first record from that letter on (to the last one when none is), on the
  // first step to the first record; the scroll arrows and the page areas
  // move the selection by a row and by a page.
  void SetAlphabeticThumb();
  // The thumb's scroll bar; null unless the order has alphabetic steps.
  QScrollBar* thumb() const;
  // The type-ahead locator on the sort key's first component, or on the
  // given field; without a control the typed text is not shown. It takes at
  // most `limit` characters (its control's width), never more than 39.
  void SetLocator(QLineEdit* control, std::string_view field, int limit = kLocatorLimit);
  static constexpr int kLocatorLimit = 39;
  // A table joined to each row: its record whose `key` equals the primary
  // fields named in `links`; declared before the columns that show it.
  void AddJoin(const rt::TableDef& joined, int key, std::vector<std::string> links);
  // Holds the first key component of the order at a value: the list shows
  // only those records, and a record inserted from it is primed with it.
  void SetRange(std::function<std::int64_t()> value);
  void AddColumn(std::string_view field, std::string title, int characters);
  void AddColumn(ListColumn column);
  void AddHiddenColumn(std::string_view field) { AddColumn(field, {}, 0); }
  // A column's current width in dialog units (0 when hidden); -1 when there
  // is no such column. Columns count from 1, hidden ones included.
  int columnWidth(int column) const;
  int shownColumns() const;
  // The first shown column the list does not hide (0-based).
  int firstShown() const;
  // Edit in place: the column (from 1, among the shown ones) gets an editor.
  // Once a column has one, insert, change and delete work on the rows of the
  // list itself: insert adds a row and opens its first cell; Enter and Tab
  // go cell by cell and store the row after its last cell (a new row is
  // added then); Up and Down store it and go to the same cell of the row
  // above or below; Esc abandons the edit (a new row disappears); delete
  // asks first.
  void SetCellEditor(int column, CellEditor editor);
  bool inPlace() const { return !editors_.empty(); }
  bool editing() const { return edit_.row >= 0; }
  // The shown column (from 1) of the open editor; 0 when none is open.
  int editColumn() const { return edit_.editor ? edit_.column + 1 : 0; }
  QWidget* cellEditor() const { return edit_.editor; }
  // Stores the row being edited; true when none was edited or it was stored.
  bool FinishEdit();
  void AbandonEdit();
  // Named filters: an empty text removes one. ApplyFilter joins them with AND.
  void SetFilter(std::string expression, std::string id);
  void ApplyFilter();
  // Reloads from the first record of the order and filter.
  void ResetView();
  // Reloads from the view's current record and selects it when RetainRow.
  void ResetFromView();
  // Reloads at the first record, in the order, not below the key values in
  // the table's buffer (the last record when all are below), and selects it.
  void ResetFromBuffer();
  // Selects the current row and posts the new-selection event.
  void PostNewSelection();
  // The selected row's record into the thread's buffer and the view set to
  // it; false when no row is selected or it is gone.
  bool UpdateViewRecord();
  // Builds a row from the buffers as they are now; a list colours its cells
  // by overriding it.
  virtual ListRow SetQueueRecord(std::int64_t position);
  int RecordsInView() const { return static_cast<int>(model_.rows_.size()); }
  bool wholeView() const { return whole_; }
  std::size_t rowCount() const override { return model_.rows_.size(); }
  std::string field(std::size_t row, int number) const override;
  // A row's field by the same numbering, for a row read outside the list.
  std::string field(const ListRow& row, int number) const;
  // The view walked apart from the loaded rows (an export reads it so):
  // back to its first record, the next record as a row (none at the end),
  // or only on to the next record (false at the end).
  void RewindView();
  std::optional<ListRow> NextViewRow();
  bool SkipViewRow();
  // The records of the list's table, whatever its range and filter; -1 when
  // the table cannot be read.
  std::int64_t TableRecords();
  // Loads one more page at the end; false when the view has no more rows.
  bool NextPage();
  // Moves the locator to the text, as if typed.
  void LocateTo(std::string text);
  // On: reloads around the current row holding every row of the view (for
  // the export); off: later reloads go page by page again (the rows stay).
  void LoadWhole(bool on);
  // The list manager's keys; 0 when taken.
  virtual int TakeKey(int key);
  // A button or menu item of the list: true when it was one of its controls.
  bool TakeAccepted(QWidget* control);
  // The list's own events (typed locator keys, more rows wanted, the frame's
  // navigation toolbar); true when the window's current event was one of them.
  bool TakeEvent();
  // A button of the frame's navigation toolbar; true when it was one.
  bool TakeNavigation(int number);

  rt::View& view() { return *view_; }
  QTableView* list() const { return list_; }
  const std::vector<ListColumn>& columns() const { return columns_; }
  // The titled columns as the search offers them, "title|picture|field|" each
  // (the name the search finds a shown value under in place of the field).
  std::string searchColumns() const;
  const ListRow* selectedRow() const;
  // Selects the loaded row of the record at `position` again, as a click
  // would (the new-selection event follows); false when no loaded row holds it.
  bool SelectLoadedRow(std::int64_t position);
  std::string locatorText() const { return locator_; }
  const std::string& filterText() const { return filterText_; }
  // The query by example over the titled columns: its condition becomes the
  // list's query filter.
  void RunQuery(std::string name = {});
  // The names a search expression may use: every field of the list's
  // tables, columns with their own way of showing as shown.
  std::unique_ptr<rt::NameResolver> searchNames();
  // Lets the view's reads pass over, in the database, the records that
  // cannot satisfy MATCH(name, pattern, mode) as searchNames resolves the
  // name; false (and every record read) when the name is a column shown
  // otherwise than stored or the view cannot test it. ClearSearchTest ends it.
  bool SetSearchTest(std::string_view name, std::string_view pattern, int mode);
  void ClearSearchTest() { view_->clearMatchTest(); }
  // The order as the fields of its key and the appended ones: "+PAC:Nombre".
  std::string orderText() const;

  // Settings of the list shape.
  QPointer<QWidget> SELECTCONTROL, INSERTCONTROL, CHANGECONTROL, DELETECONTROL, QUERYCONTROL;
  // Opens the row's record in the form to be looked at only.
  QPointer<QWidget> VIEWCONTROL;
  // Enabled only while the list has rows; its popup item reads "Exportar".
  QPointer<QWidget> EXPORTCONTROL;
  // More buttons of the list that act on its rows: enabled only while it has
  // rows, and items of its popup menu.
  std::vector<QPointer<QWidget>> ROWCONTROLS;
  int HIDESELECT = 0;
  int QUERYSHARED = 0;
  int ASKPROCEDURE = 0;
  int USEPOPUP = 1;
  int EDITVIAPOPUP = 1;
  int USEWAITCURSOR = 1;
  int RetainRow = 0;
  bool selecting = false;
  // The icons a row's cells name, numbered from 1.
  std::vector<QIcon> icons;
  // The tables whose fields a search expression may name.
  std::vector<const rt::TableDef*> searchTables;

  // Runs the record form for a request; answers ThreadResponse.
  std::function<int(int request)> askProcedure;
  // Colours a row's cells once its values are read (the buffers still hold
  // the row's records).
  std::function<void(ListRow&)> colourRow;
  // Colours the loaded rows by their place among them, after every fetch (a
  // reload, a page added at either end), over what colourRow gave them.
  std::function<void(std::vector<ListRow>& rows)> colourQueue;
  // Chooses the selected row (select mode).
  std::function<void()> choose;
  // Opens the query by example.
  std::function<void()> query;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class ListModel;
  friend class CellEditDelegate;
  void rebuildView();
  void loadFrom(bool fromCurrent);
  void appendPage(int count);
  void fetched();
  void prependPage();
  void locate();
  // The locator's next typed character starts a new text: the selection
  // was moved by other means, the list took the focus, or the user paused.
  void startLocatorAfresh();
  // Queues a typed locator key (pressed at `timestamp`, in milliseconds).
  void queueLocatorKey(int code, unsigned long timestamp);
  void edit(int request);
  void showPopup(const QPoint& at);
  void updateControls();
  void want(int event);
  void resolveColumns();
  std::string storedValue(std::size_t column);
  void primeRange();
  void applyColumnLayout();
  // Sets the shared widths of the columns without one (and, with `givenToo`,
  // the given widths) from the list's width.
  void shareColumnWidths(bool givenToo);
  void moveBy(int rows);
  void moveToLast();
  // The rows a page moves, by the list's height.
  int pageRows() const;

  // The alphabetic thumb: the user's moves wait for the window's thread.
  static constexpr int kThumbMoves = rt::event::User + 0x44;
  enum class ThumbMove { Rows, First, Last, Step };
  bool alphabeticThumb() const;
  void showThumb();
  void thumbAction(int action);
  void wantThumbMove(ThumbMove move, int amount = 0);
  void takeThumbMoves();
  QPointer<QScrollBar> thumb_;
  bool showingThumb_ = false;  // the thumb is set to the selected row's step
  std::vector<std::pair<ThumbMove, int>> pendingThumb_;

  // The typed locator keys wait for the window's thread; a restart stands
  // before the key that starts a new text.
  static constexpr int kLocatorKeys = rt::event::User + 0x40;
  static constexpr int kRestartLocator = -1;
  std::vector<int> pendingKeys_;
  bool locatorAfresh_ = true;
  bool locating_ = false;  // the locator itself moves the selection
  unsigned long lastLocatorKey_ = 0;
  bool wanted_[2] = {false, false};

  rt::WindowDriver& window_;
  QPointer<QTableView> list_;
  const rt::TableDef& def_;
  ListModel model_;
  std::unique_ptr<rt::View> view_;
  struct SortOrder {
    std::string title;
    int key = 0;
    std::vector<rt::KeyComponent> appended;
    bool alphabeticThumb = false;
  };
  std::vector<SortOrder> orders_;
  int order_ = 0;
  std::vector<ListColumn> columns_;
  std::vector<int> shownIndex_;  // the titled columns, in order
  struct Source {                // where a column's value is read
    rt::Table* table = nullptr;
    int field = -1;
    int memo = -1;
  };
  std::vector<Source> sources_;
  struct JoinSpec {
    const rt::TableDef* def;
    int key;
    std::vector<std::string> links;
  };
  std::vector<JoinSpec> joins_;
  std::function<std::int64_t()> range_;
  bool layoutApplied_ = false;
  bool sharingWidths_ = false;     // shareColumnWidths is setting them
  bool userSizedColumns_ = false;  // the user resized a column: widths stay
  std::unique_ptr<class QueryByExample> query_;
  std::map<std::string, std::string> filters_;
  std::string filterText_;
  QPointer<QLineEdit> locatorControl_;
  int locatorField_ = -1;
  std::string locator_;
  std::size_t locatorLimit_ = kLocatorLimit;
  bool whole_ = false;

  // Edit in place.
  enum class EditKey { Next, Previous, Up, Down, Abandon, Leave };
  void editInPlace(int request);
  void beginEdit(int row, int column, bool fresh);
  void openEditor();
  void closeEditor();
  QWidget* createEditor(QWidget* parent, int column);
  void editorKey(EditKey key);
  bool commitCell();
  bool storeRow();
  // The first required cell of the row being edited that is blank (shown
  // column from 0); -1 when every one is filled.
  int blankRequiredCell() const;
  void takeEditKeys();
  std::map<int, CellEditor> editors_;  // by shown column, from 0
  class CellEditDelegate* delegate_ = nullptr;
  struct EditState {
    int row = -1;
    int column = 0;
    bool fresh = false;
    std::int64_t version = 0;
    std::vector<char> record;  // the row's record as edited so far
    ListRow original;
    QPointer<QWidget> editor;
  } edit_;
  std::vector<EditKey> pendingEditKeys_;
};

}  // namespace core
