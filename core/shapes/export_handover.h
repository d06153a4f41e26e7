#pragma once
// Handing a list to the export window: the list loads every row of its view,
// describes its columns, fills the export's parameters and names itself for
// the export's saved layouts; the export window (reached by name) reads the
// hand-over while it runs on the list's thread.
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
  int number = 0;          // the list's instance number, after its name in the layouts' key
  std::string fields;      // the row fields exported, "1,2,7,"
  std::vector<ExportColumnDefinition> columns;  // one per list column, hidden ones too
  std::string fixedTitle;  // empty: the window's title
  std::int16_t mode = 0;
};

// A row of the column queue.
struct ExportColumn {
  std::int16_t id = 0;      // the list column's number, from 1
  std::string name;         // STRING(100)
  std::int16_t width = 0;   // half the column's current width (dialog units); 0 hidden
  std::string picture;      // STRING(50)
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
  const RowFields* rows = nullptr;      // every row, fields numbered from 1
  std::vector<std::string> parameters;  // 29 rows of CSTRING(800)
  std::int16_t mode = 0;
  std::string title;                    // STRING(100)
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

// Loads every row of the list's view (a wait window meanwhile), hands the
// list to the export window and returns when that window closes.
void PrepararExportacion(ListBrowser& browser, const ExportSpec& spec, QWidget* window);
// The same for rows that do not come from a view (the planner's day): they
// are handed over as they are.
void PrepararExportacion(const RowFields& rows, const std::vector<int>& widths,
                         const ExportSpec& spec, QWidget* window);

}  // namespace core
