#pragma once
// The office-file writer: a table (a title, its columns, its rows) written as
// a spreadsheet (XLSX or ODS), a word-processor document (DOCX), plain text,
// HTML or XML. It knows nothing of the application that hands the table over.
//
// Values arrive as the runtime holds them in text (CP1252): numbers in plain
// decimal text, dates as day numbers, times as hundredths + 1. Each column's
// display picture says what its values are: spreadsheets keep numbers, dates
// and times as typed cells (a zero date or time is a blank cell) and text as
// text, never as a formula; the other kinds show every value as the picture
// formats it. A totalled column gets, in a last row, the sum of its values
// when they are numbers, else the count of its non-blank values.
#include <filesystem>
#include <string>
#include <vector>

namespace rt {

enum class ExportKind {
  Spreadsheet = 1,  // ".xlsx", or ".ods" when asked for the open format
  Text = 2,         // ".txt", UTF-8, columns padded by characters
  Html = 3,         // ".html"
  Xml = 4,          // ".xml", in the schema of README's "Exported XML"
  Document = 5,     // ".docx"
};

struct ExportFileColumn {
  std::string title;    // CP1252
  std::string picture;  // "@n10.2", "@d17", "@s40"...; none: shown as it is
  bool total = false;
};

struct ExportFileTable {
  std::string title;  // CP1252
  std::vector<ExportFileColumn> columns;
  // One value per column in each row; a missing value counts as blank.
  std::vector<std::vector<std::string>> rows;
};

// The rows of a table as a writer reads them: in order, from the first one
// again as often as it needs (a pass for the totals, one for the file), so
// rows kept outside memory are written without being held whole.
class ExportRowFeed {
 public:
  virtual ~ExportRowFeed() = default;
  virtual std::size_t size() const = 0;
  // Back before the first row.
  virtual void rewind() = 0;
  // The next row, valid until the next call; null after the last one.
  virtual const std::vector<std::string>* next() = 0;
  // Why rows could not be read (CP1252); empty when every row came.
  virtual std::string failure() const { return {}; }
};

// The rows of a table held in memory.
class HeldRows : public ExportRowFeed {
 public:
  explicit HeldRows(const std::vector<std::vector<std::string>>& rows) : rows_(rows) {}
  std::size_t size() const override { return rows_.size(); }
  void rewind() override { next_ = 0; }
  const std::vector<std::string>* next() override {
    return next_ < rows_.size() ? &rows_[next_++] : nullptr;
  }

 private:
  const std::vector<std::vector<std::string>>& rows_;
  std::size_t next_ = 0;
};

struct ExportFileResult {
  std::filesystem::path path;  // the file written; empty on failure
  std::string error;           // why nothing was written (CP1252); empty on success
  bool ok() const { return error.empty(); }
};

// The file's extension for a kind: ".xlsx" or ".ods", ".txt", ".html",
// ".xml", ".docx"; empty for a kind this writer does not write.
std::string exportExtension(ExportKind kind, bool openDocument);

// Writes the table to `base` followed by the kind's extension. The file is
// built beside its final name and renamed over it only once whole, so a
// failure (a full disk, a missing folder) leaves no file of that name behind
// and answers the reason. Safe to run on a worker thread.
ExportFileResult writeExportFile(const ExportFileTable& table, ExportKind kind, bool openDocument,
                                 const std::filesystem::path& base);
// The same with the rows read from `rows` (the table's own rows are not read).
ExportFileResult writeExportFile(const ExportFileTable& table, ExportRowFeed& rows, ExportKind kind,
                                 bool openDocument, const std::filesystem::path& base);

// The most rows a spreadsheet holds, its heading and totals rows included.
inline constexpr std::size_t kSpreadsheetRows = 1048576;

}  // namespace rt
