#include "output/export_listing.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <numeric>

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

constexpr int kGap = 60;  // between columns, thousandths of an inch
constexpr int kLine = 170;
constexpr int kSlack = 30;  // beside a column's widest text, so that it never touches the cut
constexpr int kNarrowest = 250;

std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\t', ' ');
  return text;
}

std::string shownValue(const std::vector<std::string>& row,
                       const std::vector<rt::exporting::ColumnShape>& shapes, std::size_t c) {
  return oneLine(rt::exporting::cellOf(rt::exporting::valueAt(row, c), shapes[c]).text);
}

// What each column needs to show its heading and its widest value whole, in
// the fonts they are printed in.
std::vector<int> neededWidths(const rt::ExportFileTable& table,
                              const std::vector<rt::exporting::ColumnShape>& shapes,
                              const QFont& plain, const QFont& bold) {
  const QFontMetricsF values(plain);
  const QFontMetricsF headings(bold);
  std::vector<double> widest(table.columns.size(), 0);
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    widest[c] =
        headings.horizontalAdvance(rt::toQString(rt::clip(oneLine(table.columns[c].title))));
  }
  for (const std::vector<std::string>& row : table.rows) {
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      const std::string text = shownValue(row, shapes, c);
      widest[c] = std::max(widest[c], values.horizontalAdvance(rt::toQString(rt::clip(text))));
    }
  }
  std::vector<int> needed;
  for (double w : widest)
    needed.push_back(std::max(kNarrowest, static_cast<int>(std::ceil(w)) + kSlack));
  return needed;
}

// Gives each column what it needs when the row has room (the room left
// shared out in proportion); otherwise texts share what the other columns
// leave, the narrower ones whole first, and the rest wrap. Numbers, dates and
// times are never narrowed while texts can give way.
struct ColumnLayout {
  std::vector<int> widths;
  std::vector<bool> wraps;
};

ColumnLayout shareWidths(const std::vector<int>& needed,
                         const std::vector<rt::exporting::ColumnShape>& shapes, int usable) {
  const std::size_t n = needed.size();
  ColumnLayout layout{needed, std::vector<bool>(n, false)};
  const long total = std::accumulate(needed.begin(), needed.end(), 0L);
  if (total <= usable) {
    const long spare = usable - total;
    for (std::size_t c = 0; c < n; ++c)
      layout.widths[c] += static_cast<int>(spare * needed[c] / std::max(total, 1L));
    return layout;
  }
  std::vector<bool> yielding(n, false);
  long fixed = 0;
  for (std::size_t c = 0; c < n; ++c) {
    yielding[c] = shapes[c].type == CellType::Text;
    if (!yielding[c]) fixed += needed[c];
  }
  if (fixed >= usable || std::none_of(yielding.begin(), yielding.end(), [](bool y) { return y; })) {
    // Even the numbers do not fit: every column in proportion, wrapped.
    for (std::size_t c = 0; c < n; ++c) {
      layout.widths[c] = static_cast<int>(static_cast<long>(usable) * needed[c] / total);
      layout.wraps[c] = layout.widths[c] < needed[c];
    }
    return layout;
  }
  long budget = usable - fixed;
  for (bool settled = false; !settled;) {
    settled = true;
    const long open = std::count(yielding.begin(), yielding.end(), true);
    const long share = budget / std::max(open, 1L);
    for (std::size_t c = 0; c < n; ++c) {
      if (yielding[c] && needed[c] <= share) {
        yielding[c] = false;  // whole within its share: the others get what it leaves
        budget -= needed[c];
        settled = false;
      }
    }
  }
  const long open = std::count(yielding.begin(), yielding.end(), true);
  for (std::size_t c = 0; c < n; ++c) {
    if (!yielding[c]) continue;
    layout.widths[c] = static_cast<int>(budget / std::max(open, 1L));
    layout.wraps[c] = true;
  }
  return layout;
}

}  // namespace

std::vector<rt::ReportPage> exportListingPages(const rt::ExportFileTable& table) {
  const std::vector<rt::exporting::ColumnShape> shapes = rt::exporting::shapesOf(table);
  rt::HeldRows held(table.rows);
  const std::vector<rt::exporting::Total> totals = rt::exporting::totalsOf(table, held, shapes);
  const std::size_t columns = table.columns.size();
  const QFont titleFont = rt::reportFont("Arial", 12, true);
  const QFont plain = rt::reportFont("Arial", 8);
  const QFont bold = rt::reportFont("Arial", 8, true);
  const std::vector<int> needed = neededWidths(table, shapes, plain, bold);
  const int gaps = kGap * static_cast<int>(columns > 0 ? columns - 1 : 0);

  rt::ReportEngine engine;
  // A row wider than a portrait page turns it.
  if (std::accumulate(needed.begin(), needed.end(), 0) + gaps > engine.bodyWidth()) {
    std::swap(engine.paperWidth, engine.paperHeight);
  }
  engine.title = table.title;
  const int body = engine.bodyWidth();
  const ColumnLayout layout = shareWidths(needed, shapes, body - gaps);
  const std::vector<int>& widths = layout.widths;
  std::vector<int> xs;
  int x = 0;
  for (int width : widths) {
    xs.push_back(x);
    x += width + kGap;
  }

  engine.header.height = 620;
  engine.header.label(0, 0, body - 1500, 260, std::string(rt::clip(table.title)), titleFont);
  engine.header.text(
      body - 1400, 40, 1400, 200,
      [&engine] { return "Página "_cp + std::to_string(engine.pageNumber()); }, plain, {},
      Qt::AlignRight);
  for (std::size_t c = 0; c < columns; ++c) {
    engine.header.label(xs[c], 380, widths[c], kLine, oneLine(table.columns[c].title), bold,
                        shapes[c].type == CellType::Number ? Qt::AlignRight : 0);
  }
  engine.header.line(0, 590, body, 0);

  std::vector<std::string> current(columns);
  rt::ReportBand detail;
  detail.height = kLine + 20;
  for (std::size_t c = 0; c < columns; ++c) {
    auto value = [&current, c] { return current[c]; };
    if (layout.wraps[c]) {
      detail.wrapped(xs[c], 10, widths[c], value, plain, kLine);
    } else {
      detail.text(xs[c], 10, widths[c], kLine, value, plain, {},
                  shapes[c].type == CellType::Number ? Qt::AlignRight : 0);
    }
  }
  for (const std::vector<std::string>& row : table.rows) {
    for (std::size_t c = 0; c < columns; ++c) current[c] = shownValue(row, shapes, c);
    engine.print(detail);
  }
  if (table.rows.empty()) engine.print(detail);  // the heads on a page of their own
  if (rt::exporting::anyTotal(totals)) {
    rt::ReportBand footing;
    footing.height = kLine + 80;
    footing.line(0, 20, body, 0);
    for (std::size_t c = 0; c < columns; ++c) {
      footing.label(xs[c], 60, widths[c], kLine,
                    std::string(rt::exporting::totalsRowText(totals, c)), bold,
                    totals[c].present ? Qt::AlignRight : 0);
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
