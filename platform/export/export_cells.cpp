#include "platform/export/export_cells.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/number_text.h"

namespace rt::exporting {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool forbidden(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

}  // namespace

ColumnShape shapeOf(const ExportFileColumn& column) {
  ColumnShape shape;
  shape.picture = parsePicture(column.picture);
  switch (shape.picture.kind) {
    case PictureKind::Number:
    case PictureKind::Scientific:
      shape.type = CellType::Number;
      shape.places = shape.picture.places;
      shape.grouping = shape.picture.kind == PictureKind::Number && shape.picture.grouping != 0;
      break;
    case PictureKind::Date:
      shape.type = CellType::Date;
      break;
    case PictureKind::Time:
      shape.type = CellType::Time;
      shape.seconds = shape.picture.layout == 4 || shape.picture.layout == 5 ||
                      shape.picture.layout == 6 || shape.picture.layout == 8;
      break;
    case PictureKind::Pattern:
    case PictureKind::KeyIn:
      shape.formatted = true;
      break;
    default:  // strings keep their whole text; the list's width does not cut them
      break;
  }
  return shape;
}

std::vector<ColumnShape> shapesOf(const ExportFileTable& table) {
  std::vector<ColumnShape> shapes;
  shapes.reserve(table.columns.size());
  for (const ExportFileColumn& c : table.columns) shapes.push_back(shapeOf(c));
  return shapes;
}

int columnCharacters(const ExportFileColumn& column, const ColumnShape& shape) {
  int wanted = 12;
  switch (shape.type) {
    case CellType::Date:
      wanted = 10;
      break;
    case CellType::Time:
      wanted = shape.seconds ? 8 : 5;
      break;
    case CellType::Number:
    case CellType::Text:
      if (shape.picture.size > 0) wanted = shape.picture.size;
      if (!shape.picture.pattern.empty()) wanted = static_cast<int>(shape.picture.pattern.size());
      break;
  }
  wanted = std::max(wanted, static_cast<int>(clip(column.title).size()));
  return std::clamp(wanted, 6, 50);
}

std::string_view valueAt(const std::vector<std::string>& row, std::size_t column) {
  return column < row.size() ? std::string_view(row[column]) : std::string_view();
}

Cell cellOf(std::string_view value, const ColumnShape& shape, bool typedText) {
  Cell cell;
  cell.type = shape.type;
  switch (shape.type) {
    case CellType::Number: {
      const std::optional<double> number = readNumber(value);
      if (!number || (*number == 0 && shape.picture.blankWhenZero)) return cell;
      cell.blank = false;
      cell.number = *number;
      if (typedText) cell.text = std::string(trimmed(format(*number, shape.picture)));
      return cell;
    }
    case CellType::Date: {
      const std::int64_t day = wholeNumber(numericValue(value));
      if (day <= 0) return cell;
      cell.blank = false;
      cell.day = day;
      cell.number = static_cast<double>(day - kSpreadsheetEpoch);
      if (day - kSpreadsheetEpoch < kFirstSafeSerial || day > kLastDate) cell.type = CellType::Text;
      if (typedText || cell.type == CellType::Text) {
        cell.text = std::string(trimmed(format(static_cast<double>(day), shape.picture)));
      }
      return cell;
    }
    case CellType::Time: {
      const std::int64_t time = wholeNumber(numericValue(value));
      if (time <= 0) return cell;
      cell.blank = false;
      cell.ticks = (time - 1) % kTicksPerDay;
      cell.number = static_cast<double>(cell.ticks) / kTicksPerDay;
      if (typedText)
        cell.text = std::string(trimmed(format(static_cast<double>(time), shape.picture)));
      return cell;
    }
    case CellType::Text:
      break;
  }
  std::string text = shape.formatted ? withoutForbidden(trimmed(format(value, shape.picture)))
                                     : withoutForbidden(value);
  // One line break, whatever the value brought (CR LF from rich text).
  if (text.find('\r') == std::string::npos) {
    cell.text = std::move(text);
  } else {
    cell.text.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\r') {
        cell.text += text[i];
      } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
        cell.text += '\n';
      }
    }
  }
  while (!cell.text.empty() && cell.text.back() == ' ') cell.text.pop_back();
  cell.blank = trimmed(cell.text).empty();
  return cell;
}

std::vector<Total> totalsOf(const ExportFileTable& table, ExportRowFeed& rows,
                            const std::vector<ColumnShape>& shapes) {
  const std::size_t columns = table.columns.size();
  std::vector<Total> totals(columns);
  std::vector<long double> sums(columns, 0);
  std::vector<std::int64_t> counts(columns, 0);
  bool any = false;
  for (std::size_t c = 0; c < columns; ++c) any = any || table.columns[c].total;
  // One pass over the rows for every totalled column.
  if (any) {
    rows.rewind();
    while (const std::vector<std::string>* row = rows.next()) {
      for (std::size_t c = 0; c < columns; ++c) {
        if (!table.columns[c].total) continue;
        const Cell cell = cellOf(valueAt(*row, c), shapes[c], false);
        if (cell.blank) continue;
        sums[c] += cell.number;
        ++counts[c];
      }
    }
  }
  for (std::size_t c = 0; c < columns; ++c) {
    if (!table.columns[c].total) continue;
    Total& total = totals[c];
    total.present = true;
    total.sum = shapes[c].type == CellType::Number;
    const long double sum = sums[c];
    const std::int64_t count = counts[c];
    if (total.sum) {
      // Sums of decimal values keep the picture's places, not binary noise.
      total.value = readNumber(numberText(static_cast<double>(sum))).value_or(0);
      total.text = std::string(trimmed(format(total.value, shapes[c].picture)));
    } else {
      total.value = static_cast<double>(count);
      total.text = std::to_string(count);
    }
  }
  return totals;
}

std::string_view totalsRowText(const std::vector<Total>& totals, std::size_t column) {
  if (totals[column].present) return totals[column].text;
  return column == 0 ? std::string_view(kTotalsLabel) : std::string_view();
}

bool anyTotal(const std::vector<Total>& totals) {
  for (const Total& t : totals) {
    if (t.present) return true;
  }
  return false;
}

std::string_view cellText(std::string_view text) { return text.substr(0, kCellCharacters); }

std::string withoutForbidden(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (!forbidden(static_cast<unsigned char>(c))) out += c;
  }
  return out;
}

void appendXmlEscaped(std::string& out, std::string_view utf8) {
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
}

std::string xmlEscaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 8);
  appendXmlEscaped(out, utf8);
  return out;
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::string sheetName(std::string_view title) {
  std::string name;
  for (char c : clip(title)) {
    if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) continue;
    if (static_cast<unsigned char>(c) < 0x20) continue;
    name += c;
    if (name.size() == 31) break;
  }
  while (!name.empty() && (name.front() == '\'' || name.front() == ' ')) name.erase(0, 1);
  while (!name.empty() && (name.back() == '\'' || name.back() == ' ')) name.pop_back();
  return name.empty() ? std::string("Hoja1") : name;
}

std::string isoDate(std::int64_t day) {
  const YearMonthDay d = splitDate(static_cast<Date>(day));
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
  return text;
}

std::string isoDuration(std::int64_t ticks) {
  char text[32];
  std::snprintf(text, sizeof text, "PT%02lldH%02lldM%02lldS",
                static_cast<long long>(ticks / kTicksPerHour),
                static_cast<long long>(ticks / kTicksPerMinute % 60),
                static_cast<long long>(ticks / 100 % 60));
  return text;
}

std::string systemReason(int errorNumber) {
  switch (errorNumber) {
    case ENOSPC:
      return "No queda espacio en el disco"_cp;
    case EDQUOT:
      return "Se agotó la cuota de disco del usuario"_cp;
    case EACCES:
    case EPERM:
      return "No hay permiso para escribir en la carpeta"_cp;
    case ENOENT:
      return "La carpeta no existe"_cp;
    case ENOTDIR:
      return "Una parte de la ruta no es una carpeta"_cp;
    case EISDIR:
      return "Ya existe una carpeta con ese nombre"_cp;
    case EROFS:
      return "El disco es de solo lectura"_cp;
    case EIO:
      return "Error de entrada/salida del disco"_cp;
    default:
      return utf8ToCp1252(std::strerror(errorNumber));
  }
}

}  // namespace rt::exporting
