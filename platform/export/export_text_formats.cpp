// Plain text, HTML and XML: every value as its column's picture shows it.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt::exporting {
namespace {

std::string utf8(std::string_view cp1252) { return cp1252ToUtf8(cp1252); }

// Line breaks and tabs inside a value would break a text line's columns.
std::string oneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out;
}

const char* typeName(CellType type) {
  switch (type) {
    case CellType::Number:
      return "number";
    case CellType::Date:
      return "date";
    case CellType::Time:
      return "time";
    case CellType::Text:
      break;
  }
  return "text";
}

// The raw value of a typed cell for the XML: plain decimals, ISO dates, times.
std::string rawValue(const Cell& cell) {
  if (cell.blank) return {};
  switch (cell.type) {
    case CellType::Number:
      return numberText(cell.number);
    case CellType::Date:
      return isoDate(cell.day);
    case CellType::Time: {
      char text[48];
      std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                    static_cast<long long>(cell.ticks / kTicksPerHour),
                    static_cast<long long>(cell.ticks / 6000 % 60),
                    static_cast<long long>(cell.ticks / 100 % 60));
      return text;
    }
    case CellType::Text:
      break;
  }
  return {};
}

}  // namespace

TextSink::TextSink(const std::filesystem::path& path) : file_(std::fopen(path.c_str(), "wb")) {
  if (file_ == nullptr) error_ = systemReason(errno);
}

TextSink::~TextSink() {
  if (file_ != nullptr) std::fclose(file_);
}

void TextSink::write() {
  if (file_ != nullptr && error_.empty() && !text.empty() &&
      std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    error_ = systemReason(errno != 0 ? errno : EIO);
  }
  text.clear();
}

void TextSink::spill() {
  if (text.size() >= (1u << 20)) write();
}

std::string TextSink::finish() {
  write();
  if (file_ == nullptr) return error_;
  std::FILE* file = std::exchange(file_, nullptr);
  if (std::fflush(file) != 0 && error_.empty()) error_ = systemReason(errno != 0 ? errno : EIO);
  if (std::fclose(file) != 0 && error_.empty()) error_ = systemReason(errno != 0 ? errno : EIO);
  return error_;
}

std::string writeText(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path) {
  const std::vector<ColumnShape> shapes = shapesOf(table);
  const std::vector<Total> totals = totalsOf(table, rows, shapes);
  const bool withTotals = anyTotal(totals);
  const std::size_t columns = table.columns.size();
  // Widths in characters: one CP1252 byte is one character. A first pass
  // over the rows measures them, the second one writes them.
  std::vector<std::size_t> widths(columns, 0);
  for (std::size_t c = 0; c < columns; ++c) {
    widths[c] = oneLine(withoutForbidden(table.columns[c].title)).size();
    if (totals[c].present) widths[c] = std::max(widths[c], totals[c].text.size());
  }
  if (withTotals && columns > 0 && !totals[0].present) {
    widths[0] = std::max(widths[0], std::string_view(kTotalsLabel).size());
  }
  std::vector<std::string> shown(columns);
  auto shownOf = [&](const std::vector<std::string>& row) -> const std::vector<std::string>& {
    for (std::size_t c = 0; c < columns; ++c)
      shown[c] = oneLine(cellOf(valueAt(row, c), shapes[c]).text);
    return shown;
  };
  rows.rewind();
  while (const std::vector<std::string>* row = rows.next()) {
    shownOf(*row);
    for (std::size_t c = 0; c < columns; ++c) widths[c] = std::max(widths[c], shown[c].size());
  }
  TextSink sink(path);
  std::string& out = sink.text;
  auto emit = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t c = 0; c < columns; ++c) {
      if (c > 0) line += "  ";
      const std::size_t pad = widths[c] - std::min(widths[c], cells[c].size());
      if (shapes[c].type == CellType::Number) line.append(pad, ' ');
      line += cells[c];
      if (shapes[c].type != CellType::Number) line.append(pad, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += utf8(line);
    out += '\n';
  };
  auto rule = [&] {
    std::string line;
    for (std::size_t c = 0; c < columns; ++c) {
      if (c > 0) line += "  ";
      line.append(widths[c], '-');
    }
    out += line + '\n';
  };
  out += utf8(oneLine(withoutForbidden(table.title))) + "\n\n";
  std::vector<std::string> heads(columns);
  for (std::size_t c = 0; c < columns; ++c)
    heads[c] = oneLine(withoutForbidden(table.columns[c].title));
  emit(heads);
  rule();
  rows.rewind();
  while (const std::vector<std::string>* row = rows.next()) {
    emit(shownOf(*row));
    sink.spill();
  }
  if (withTotals) {
    rule();
    std::vector<std::string> line(columns);
    for (std::size_t c = 0; c < columns; ++c) line[c] = totals[c].text;
    if (columns > 0 && !totals[0].present) line[0] = kTotalsLabel;
    emit(line);
  }
  return sink.finish();
}

std::string writeHtml(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path) {
  const std::vector<ColumnShape> shapes = shapesOf(table);
  const std::vector<Total> totals = totalsOf(table, rows, shapes);
  const std::size_t columns = table.columns.size();
  const std::string title = xmlEscaped(utf8(withoutForbidden(table.title)));
  TextSink sink(path);
  std::string& out = sink.text;
  out += "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  out += title;
  out +=
      "</title>\n<style>\n"
      "body{font-family:sans-serif}\n"
      "table{border-collapse:collapse}\n"
      "th,td{border:1px solid #999;padding:2px 6px;vertical-align:top}\n"
      "th{background:#e8e8e8}\n"
      "td.n{text-align:right}\n"
      "tfoot td{font-weight:bold}\n"
      "</style>\n</head>\n<body>\n<h1>";
  out += title;
  out += "</h1>\n<table>\n<thead>\n<tr>";
  for (const ExportFileColumn& c : table.columns) {
    out += "<th>";
    appendXmlEscaped(out, utf8(withoutForbidden(c.title)));
    out += "</th>";
  }
  out += "</tr>\n</thead>\n";
  auto cellHtml = [&](std::string_view text, CellType type) {
    out += type == CellType::Number ? "<td class=\"n\">" : "<td>";
    const std::vector<std::string_view> lines = linesOf(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) out += "<br>";
      appendXmlEscaped(out, utf8(lines[i]));
    }
    out += "</td>";
  };
  out += "<tbody>\n";
  rows.rewind();
  while (const std::vector<std::string>* row_ = rows.next()) {
    const std::vector<std::string>& row = *row_;
    out += "<tr>";
    for (std::size_t c = 0; c < columns; ++c) {
      const Cell cell = cellOf(valueAt(row, c), shapes[c]);
      cellHtml(cell.text, shapes[c].type);
    }
    out += "</tr>\n";
    sink.spill();
  }
  out += "</tbody>\n";
  // The totals under the rows they add up, where every reader shows them.
  if (anyTotal(totals)) {
    out += "<tfoot>\n<tr>";
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string_view text = totalsRowText(totals, c);
      cellHtml(text, totals[c].present ? CellType::Number : CellType::Text);
    }
    out += "</tr>\n</tfoot>\n";
  }
  out += "</table>\n</body>\n</html>\n";
  return sink.finish();
}

std::string writeXml(const ExportFileTable& table, ExportRowFeed& rows,
                     const std::filesystem::path& path) {
  const std::vector<ColumnShape> shapes = shapesOf(table);
  const std::vector<Total> totals = totalsOf(table, rows, shapes);
  const std::size_t columns = table.columns.size();
  TextSink sink(path);
  std::string& out = sink.text;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<export title=\"";
  appendXmlEscaped(out, utf8(withoutForbidden(table.title)));
  out += "\">\n<columns>\n";
  for (std::size_t c = 0; c < columns; ++c) {
    out += "<column number=\"" + std::to_string(c + 1) + "\" type=\"" + typeName(shapes[c].type) +
           "\"";
    if (totals[c].present) out += totals[c].sum ? " total=\"sum\"" : " total=\"count\"";
    out += ">";
    appendXmlEscaped(out, utf8(withoutForbidden(table.columns[c].title)));
    out += "</column>\n";
  }
  out += "</columns>\n<rows>\n";
  rows.rewind();
  while (const std::vector<std::string>* row_ = rows.next()) {
    const std::vector<std::string>& row = *row_;
    out += "<row>";
    for (std::size_t c = 0; c < columns; ++c) {
      const Cell cell = cellOf(valueAt(row, c), shapes[c]);
      out += "<cell column=\"" + std::to_string(c + 1) + "\"";
      if (cell.type != CellType::Text && !cell.blank) out += " value=\"" + rawValue(cell) + "\"";
      if (cell.text.empty()) {
        out += "/>";
        continue;
      }
      out += ">";
      appendXmlEscaped(out, utf8(cell.text));
      out += "</cell>";
    }
    out += "</row>\n";
    sink.spill();
  }
  out += "</rows>\n";
  if (anyTotal(totals)) {
    out += "<totals>\n";
    for (std::size_t c = 0; c < columns; ++c) {
      if (!totals[c].present) continue;
      out += "<total column=\"" + std::to_string(c + 1) + "\" kind=\"" +
             (totals[c].sum ? "sum" : "count") + "\" value=\"" + numberText(totals[c].value) +
             "\">";
      appendXmlEscaped(out, utf8(totals[c].text));
      out += "</total>\n";
    }
    out += "</totals>\n";
  }
  out += "</export>\n";
  return sink.finish();
}

}  // namespace rt::exporting
