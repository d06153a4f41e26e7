#include "output/export_listing.h"

#include <algorithm>

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/export/export_cells.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/report_engine.h"
#include "platform/ui/report_output.h"
#include "platform/ui/report_preview.h"

namespace output {
namespace {

using rt::exporting::CellType;

// More characters across the columns than a portrait page holds turn it.
constexpr int kPortraitCharacters = 110;
constexpr int kGap = 60;  // between columns, thousandths of an inch
constexpr int kLine = 170;

std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\t', ' ');
  return text;
}

}  // namespace

std::vector<rt::ReportPage> exportListingPages(const rt::ExportFileTable& table) {
  const std::vector<rt::exporting::ColumnShape> shapes = rt::exporting::shapesOf(table);
  const std::vector<rt::exporting::Total> totals = rt::exporting::totalsOf(table, shapes);
  const std::size_t columns = table.columns.size();
  std::vector<int> weights;
  int characters = 0;
  for (std::size_t c = 0; c < columns; ++c) {
    weights.push_back(rt::exporting::columnCharacters(table.columns[c], shapes[c]));
    characters += weights.back();
  }
  rt::ReportEngine engine;
  if (characters > kPortraitCharacters) std::swap(engine.paperWidth, engine.paperHeight);
  engine.title = table.title;
  const int body = engine.bodyWidth();
  const int usable = body - kGap * static_cast<int>(columns > 0 ? columns - 1 : 0);
  std::vector<int> xs, widths;
  int x = 0;
  for (int w : weights) {
    const int width = std::max(200, usable * w / std::max(characters, 1));
    xs.push_back(x);
    widths.push_back(width);
    x += width + kGap;
  }

  const QFont titleFont = rt::reportFont("Arial", 12, true);
  const QFont plain = rt::reportFont("Arial", 8);
  const QFont bold = rt::reportFont("Arial", 8, true);
  engine.header.height = 620;
  engine.header.label(0, 0, body - 1500, 260, std::string(rt::clip(table.title)), titleFont);
  engine.header.text(body - 1400, 40, 1400, 200,
                     [&engine] { return "Página "_cp + std::to_string(engine.pageNumber()); }, plain,
                     {}, Qt::AlignRight);
  for (std::size_t c = 0; c < columns; ++c) {
    engine.header.label(xs[c], 380, widths[c], kLine, oneLine(table.columns[c].title), bold,
                        shapes[c].type == CellType::Number ? Qt::AlignRight : 0);
  }
  engine.header.line(0, 590, body, 0);

  std::vector<std::string> current(columns);
  rt::ReportBand detail;
  detail.height = kLine + 20;
  for (std::size_t c = 0; c < columns; ++c) {
    detail.text(xs[c], 10, widths[c], kLine, [&current, c] { return current[c]; }, plain, {},
                shapes[c].type == CellType::Number ? Qt::AlignRight : 0);
  }
  for (const std::vector<std::string>& row : table.rows) {
    for (std::size_t c = 0; c < columns; ++c) {
      current[c] = oneLine(rt::exporting::cellOf(rt::exporting::valueAt(row, c), shapes[c]).text);
    }
    engine.print(detail);
  }
  if (table.rows.empty()) engine.print(detail);  // the heads on a page of their own
  if (rt::exporting::anyTotal(totals)) {
    rt::ReportBand footing;
    footing.height = kLine + 80;
    footing.line(0, 20, body, 0);
    for (std::size_t c = 0; c < columns; ++c) {
      footing.label(xs[c], 60, widths[c], kLine, std::string(rt::exporting::totalsRowText(totals, c)),
                    bold, totals[c].present ? Qt::AlignRight : 0);
    }
    engine.print(footing);
  }
  engine.finishPage();
  return engine.takePages();
}

void printExportListing(const rt::ExportFileTable& table) {
  const std::vector<rt::ReportPage> pages = exportListingPages(table);
  rt::ReportPreview preview(pages, rt::toQString(rt::clip(table.title)), 1);
  preview.preview();  // "Imprimir" in the preview prints
}

}  // namespace output
