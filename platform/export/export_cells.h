#pragma once
// What every format of the writer shares: a column's kind of value taken from
// its picture, each value read as a typed cell with the text it shows, the
// totals row, and the escaping of XML. Internal to the writer.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/picture.h"
#include "platform/export/export_file.h"

namespace rt::exporting {

enum class CellType { Text, Number, Date, Time };

struct ColumnShape {
  CellType type = CellType::Text;
  Picture picture;
  bool formatted = false;  // text shown through the picture (patterns), not as it is
  int places = 0;          // numbers
  bool grouping = false;   // numbers
  bool seconds = false;    // times
};

ColumnShape shapeOf(const ExportFileColumn& column);
std::vector<ColumnShape> shapesOf(const ExportFileTable& table);
// A column's width in characters for the formats that lay columns out: its
// title's and its picture's, within 6 to 50.
int columnCharacters(const ExportFileColumn& column, const ColumnShape& shape);

struct Cell {
  CellType type = CellType::Text;  // a date a spreadsheet cannot hold falls back to text
  bool blank = true;
  double number = 0;       // numbers; the spreadsheet serial of dates; the day fraction of times
  std::int64_t day = 0;    // dates: the runtime's day number
  std::int64_t ticks = 0;  // times: hundredths of a second since midnight
  std::string text;        // what the value shows, CP1252, without characters XML forbids
};

// `typedText` false leaves the text of a number, date or time cell empty, for
// the writers that store only its value (a date a spreadsheet cannot hold
// still gets its text).
Cell cellOf(std::string_view value, const ColumnShape& shape, bool typedText = true);
// The row's value of a column; blank when the row is short.
std::string_view valueAt(const std::vector<std::string>& row, std::size_t column);

// The day a spreadsheet counts from: its serial of a runtime day is the day
// number less this.
constexpr std::int64_t kSpreadsheetEpoch = 36161;
// The first serial that means the same day in every spreadsheet program
// (1 March 1900; earlier serials go through a leap day that never was).
constexpr std::int64_t kFirstSafeSerial = 61;

struct Total {
  bool present = false;
  bool sum = false;  // the sum of a number column, else a count
  double value = 0;
  std::string text;  // as the column shows it (the sum by its picture), CP1252
};
std::vector<Total> totalsOf(const ExportFileTable& table, ExportRowFeed& rows,
                            const std::vector<ColumnShape>& shapes);
bool anyTotal(const std::vector<Total>& totals);
// The label of the totals row, in its first column when that one has no total.
inline constexpr char kTotalsLabel[] = "Totales";
// What the totals row shows in a column: its total, the label, or nothing.
std::string_view totalsRowText(const std::vector<Total>& totals, std::size_t column);

// CP1252 text without the control characters XML 1.0 forbids (tab, line
// feed and carriage return stay).
std::string withoutForbidden(std::string_view text);
// The most characters a spreadsheet cell holds.
inline constexpr std::size_t kCellCharacters = 32767;
// CP1252 text cut to what a spreadsheet cell holds.
std::string_view cellText(std::string_view text);

// UTF-8 text escaped for XML content and attribute values.
void appendXmlEscaped(std::string& out, std::string_view utf8);
std::string xmlEscaped(std::string_view utf8);
// The text's lines, split at CR LF, CR or LF.
std::vector<std::string_view> linesOf(std::string_view text);

// A sheet's name from the title (CP1252): no []:*?/\\, at most 31
// characters, never empty.
std::string sheetName(std::string_view title);

// ISO dates and times for the open formats.
std::string isoDate(std::int64_t day);        // "2025-10-02"
std::string isoDuration(std::int64_t ticks);  // "PT14H30M05S"

// The reason of the last failed system call, CP1252.
std::string systemReason(int errorNumber);

}  // namespace rt::exporting
