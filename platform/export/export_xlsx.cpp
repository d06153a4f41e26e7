// XLSX through libxlsxwriter: a header row, typed cells, a totals row whose
// formulas carry their values, so readers that do not calculate still see them.
#include <xlsxwriter.h>

#include <cerrno>
#include <map>
#include <string>

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt::exporting {
namespace {

std::string numberFormat(const ColumnShape& shape) {
  std::string format = shape.grouping ? "#,##0" : "0";
  if (shape.places > 0) format += "." + std::string(static_cast<std::size_t>(shape.places), '0');
  return format;
}

std::string failure(lxw_error error) {
  if (errno != 0) return systemReason(errno);
  return utf8ToCp1252(lxw_strerror(error));
}

class Workbook {
 public:
  explicit Workbook(lxw_workbook* book) : book_(book) {}
  ~Workbook() {
    if (book_ != nullptr) workbook_close(book_);
  }
  lxw_workbook* get() const { return book_; }
  lxw_error close() {
    lxw_workbook* book = book_;
    book_ = nullptr;
    return workbook_close(book);
  }

 private:
  lxw_workbook* book_;
};

}  // namespace

std::string writeXlsx(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path) {
  const std::vector<ColumnShape> shapes = shapesOf(table);
  const std::vector<Total> totals = totalsOf(table, rows, shapes);
  const bool withTotals = anyTotal(totals);
  const std::size_t columns = table.columns.size();
  if (columns > LXW_COL_MAX) return "Demasiadas columnas para una planilla"_cp;
  if (rows.size() + 2 > LXW_ROW_MAX) return "Demasiadas filas para una planilla"_cp;

  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;  // rows go to disk as written: big lists stay small in memory
  options.use_zip64 = LXW_TRUE;
  errno = 0;
  Workbook book(workbook_new_opt(path.c_str(), &options));
  if (book.get() == nullptr) return systemReason(errno != 0 ? errno : ENOMEM);

  const std::string title = cp1252ToUtf8(withoutForbidden(clip(table.title)));
  lxw_doc_properties properties{};
  properties.title = const_cast<char*>(title.c_str());
  workbook_set_properties(book.get(), &properties);
  const std::string name = cp1252ToUtf8(sheetName(table.title));
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), name.c_str());
  if (sheet == nullptr) sheet = workbook_add_worksheet(book.get(), nullptr);

  lxw_format* head = workbook_add_format(book.get());
  format_set_bold(head);
  format_set_bottom(head, LXW_BORDER_THIN);
  std::vector<lxw_format*> formats(columns, nullptr);
  std::map<std::string, lxw_format*> cellFormats;
  std::vector<lxw_format*> totalFormats(columns, nullptr);
  lxw_format* bold = workbook_add_format(book.get());
  format_set_bold(bold);
  for (std::size_t c = 0; c < columns; ++c) {
    std::string code;
    switch (shapes[c].type) {
      case CellType::Number:
        code = numberFormat(shapes[c]);
        break;
      case CellType::Date:
        code = "dd/mm/yyyy";
        break;
      case CellType::Time:
        code = shapes[c].seconds ? "hh:mm:ss" : "hh:mm";
        break;
      case CellType::Text:
        break;
    }
    if (!code.empty()) {
      // One format per number format: the library looks a repeated one up
      // again for every cell it is written with.
      lxw_format*& shared = cellFormats[code];
      if (shared == nullptr) {
        shared = workbook_add_format(book.get());
        format_set_num_format(shared, code.c_str());
      }
      formats[c] = shared;
    }
    totalFormats[c] = workbook_add_format(book.get());
    format_set_bold(totalFormats[c]);
    if (totals[c].sum && !code.empty()) format_set_num_format(totalFormats[c], code.c_str());
    const auto col = static_cast<lxw_col_t>(c);
    worksheet_set_column(sheet, col, col, columnCharacters(table.columns[c], shapes[c]) + 2,
                         nullptr);
  }
  worksheet_freeze_panes(sheet, 1, 0);

  for (std::size_t c = 0; c < columns; ++c) {
    const std::string text = cp1252ToUtf8(cellText(withoutForbidden(table.columns[c].title)));
    worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), text.c_str(), head);
  }
  lxw_row_t row = 1;
  std::string text;
  rows.rewind();
  while (const std::vector<std::string>* values_ = rows.next()) {
    const std::vector<std::string>& values = *values_;
    for (std::size_t c = 0; c < columns; ++c) {
      const Cell cell = cellOf(valueAt(values, c), shapes[c], false);
      if (cell.blank) continue;
      const auto col = static_cast<lxw_col_t>(c);
      lxw_error written = LXW_NO_ERROR;
      if (cell.type == CellType::Text) {
        text = cp1252ToUtf8(cellText(cell.text));
        written = worksheet_write_string(sheet, row, col, text.c_str(), nullptr);
      } else {
        written = worksheet_write_number(sheet, row, col, cell.number, formats[c]);
      }
      if (written != LXW_NO_ERROR) return failure(written);
    }
    ++row;
  }
  if (withTotals) {
    if (columns > 0 && !totals[0].present)
      worksheet_write_string(sheet, row, 0, kTotalsLabel, bold);
    for (std::size_t c = 0; c < columns; ++c) {
      if (!totals[c].present) continue;
      const auto col = static_cast<lxw_col_t>(c);
      if (rows.size() == 0) {
        worksheet_write_number(sheet, row, col, 0, totalFormats[c]);
        continue;
      }
      char range[LXW_MAX_CELL_RANGE_LENGTH];
      lxw_rowcol_to_range(range, 1, col, row - 1, col);
      const std::string formula = std::string(totals[c].sum ? "=SUM(" : "=COUNTA(") + range + ")";
      worksheet_write_formula_num(sheet, row, col, formula.c_str(), totalFormats[c],
                                  totals[c].value);
    }
  }
  errno = 0;
  const lxw_error closed = book.close();
  if (closed != LXW_NO_ERROR) return failure(closed);
  return {};
}

}  // namespace rt::exporting
