#pragma once
// Handing a list to the export window: the list describes its columns, fills
// the export's parameters, names itself for the export's saved layouts and
// offers its rows to be read in batches (every row of its view that passes
// its filters, in its order, never all held at once); the export window
// (reached by name) reads the hand-over while it runs on the list's thread.
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "core/shapes/list_browser.h"

namespace core {

// One column as the export sees it: its own title and picture, which may
// differ from the list's ("ECNOEXPORT" keeps it out of the export).
struct ExportColumnDefinition {
  std::string title;    // CSTRING(300)
  std::string picture;  // CSTRING(100)
  std::uint8_t total = 0;
};

// What differs from one exporting list to the next.
struct ExportSpec {
  int number = 0;      // the list's instance number, after its name in the layouts' key
  std::string fields;  // the row fields exported, "1,2,7,"
  std::vector<ExportColumnDefinition> columns;  // one per list column, hidden ones too
  std::string fixedTitle;                       // empty: the window's title
  std::int16_t mode = 0;
};

// The rows a list hands over, read in batches on the list's thread.
class ExportRows {
 public:
  virtual ~ExportRows() = default;
  // Whether there are more rows than `limit`, known before any row is read
  // (a spreadsheet's limit); the next row read is the first one again.
  virtual bool moreThan(std::size_t limit) = 0;
  // Back before the first row.
  virtual void rewind() = 0;
  // Up to `most` more rows, each the values of `fields` (numbered from 1 as
  // the list numbers a row's fields); none after the last row.
  virtual std::vector<std::vector<std::string>> next(std::size_t most,
                                                     const std::vector<int>& fields) = 0;
};

// Rows already held (the planner's day).
class HeldExportRows : public ExportRows {
 public:
  explicit HeldExportRows(const RowFields& rows) : rows_(rows) {}
  bool moreThan(std::size_t limit) override { return rows_.rowCount() > limit; }
  void rewind() override { next_ = 0; }
  std::vector<std::vector<std::string>> next(std::size_t most,
                                             const std::vector<int>& fields) override;

 private:
  const RowFields& rows_;
  std::size_t next_ = 0;
};

// Every row with its fields 1 to `lastField`, at once: for small lists.
std::vector<std::vector<std::string>> allExportRows(ExportRows& rows, int lastField);

// The small window shown while an export reads the list's rows, with the
// busy cursor, until it is closed or destroyed.
class ExportWait {
 public:
  explicit ExportWait(QWidget* over);
  ~ExportWait();
  ExportWait(const ExportWait&) = delete;
  ExportWait& operator=(const ExportWait&) = delete;
  void close();

 private:
  QWidget* window_;
};

// A row of the column queue.
struct ExportColumn {
  std::int16_t id = 0;     // the list column's number, from 1
  std::string name;        // STRING(100)
  std::int16_t width = 0;  // half the column's current width (dialog units); 0 hidden
  std::string picture;     // STRING(50)
  std::uint8_t total = 0;
};

// The export identity group, handed over by reference.
struct ExportGroup {
  std::string procedure;  // STRING(100): the list's procedure and instance number
  std::string app;        // STRING(100): "varneta"
  std::int32_t page = 0;
};

struct ExportHandOver {
  std::vector<ExportColumn> columns;
  ExportRows* rows = nullptr;           // the rows, read in batches
  std::vector<std::string> parameters;  // 29 rows of CSTRING(800)
  std::int16_t mode = 0;
  std::string title;  // STRING(100)
  ExportGroup* group = nullptr;
};

constexpr int kExportParameterRows = 29;
// The parameter rows the export window reads or writes.
namespace exportRow {
constexpr std::size_t ListedColumns = 0;  // "1,6,11,": the fields listed at first
constexpr std::size_t FileName = 5;       // the list's procedure, then the file written
constexpr std::size_t OfferedKinds = 7;   // "HTML|EXCEL|WORD|ASCII|XML|PRT|"
constexpr std::size_t OpenDocument = 23;  // "1": the spreadsheet written opens as a document
}  // namespace exportRow
constexpr char kExportWindow[] = "Kov_Export_Source_V2";

// The parameter rows of a hand-over, in order.
std::vector<std::string> exportParameters(std::string_view fields);
// The column queue from the definitions and the list box's current column
// widths in dialog units.
std::vector<ExportColumn> exportColumns(const std::vector<int>& widths, const ExportSpec& spec);
std::vector<int> columnWidths(const ListBrowser& browser);

// The hand-over the export window is running on, on the calling logical
// thread; null when none.
ExportHandOver* currentExportHandOver();

// Hands the list to the export window and returns when that window closes;
// the export reads the rows of the list's view itself, in batches.
void PrepararExportacion(ListBrowser& browser, const ExportSpec& spec, QWidget* window);
// The same for rows that do not come from a view (the planner's day): they
// are handed over as they are.
void PrepararExportacion(const RowFields& rows, const std::vector<int>& widths,
                         const ExportSpec& spec, QWidget* window);

}  // namespace core
