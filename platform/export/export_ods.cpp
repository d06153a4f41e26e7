// OpenDocument spreadsheet: typed cells with data styles by picture, the
// totals as formulas with their values.
#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt::exporting {
namespace {

constexpr char kMimeType[] = "application/vnd.oasis.opendocument.spreadsheet";

constexpr char kNamespaces[] =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
    " xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
    " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\""
    " xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\""
    " office:version=\"1.2\"";

std::string columnLetters(std::size_t column) {
  std::string letters;
  std::size_t n = column + 1;
  while (n > 0) {
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    n = (n - 1) / 26;
  }
  return letters;
}

// One line of text as paragraph content: runs of spaces and tabs as the
// format spells them, since plain spaces collapse.
void appendParagraphText(std::string& out, std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char c = utf8[i];
    if (c == '\t') {
      out += "<text:tab/>";
      ++i;
      continue;
    }
    if (c != ' ') {
      std::size_t end = i;
      while (end < utf8.size() && utf8[end] != ' ' && utf8[end] != '\t') ++end;
      appendXmlEscaped(out, utf8.substr(i, end - i));
      i = end;
      continue;
    }
    std::size_t end = i;
    while (end < utf8.size() && utf8[end] == ' ') ++end;
    std::size_t run = end - i;
    if (i > 0) {  // one plain space after a word, the rest spelled out
      out += ' ';
      --run;
    }
    if (run == 1) out += "<text:s/>";
    if (run > 1) out += "<text:s text:c=\"" + std::to_string(run) + "\"/>";
    i = end;
  }
}

void appendParagraphs(std::string& out, std::string_view cp1252) {
  for (std::string_view line : linesOf(cp1252)) {
    out += "<text:p>";
    appendParagraphText(out, cp1252ToUtf8(line));
    out += "</text:p>";
  }
}

void appendTextCell(std::string& out, std::string_view cp1252, const char* style = nullptr) {
  out += "<table:table-cell office:value-type=\"string\"";
  if (style != nullptr) out += std::string(" table:style-name=\"") + style + "\"";
  out += ">";
  appendParagraphs(out, cellText(cp1252));
  out += "</table:table-cell>";
}

std::string dataStyle(const ColumnShape& shape, std::size_t column) {
  const std::string name = "N" + std::to_string(column + 1);
  switch (shape.type) {
    case CellType::Number:
      return "<number:number-style style:name=\"" + name +
             "\"><number:number number:decimal-places=\"" + std::to_string(shape.places) +
             "\" number:min-decimal-places=\"" + std::to_string(shape.places) +
             "\" number:min-integer-digits=\"1\"" +
             (shape.grouping ? " number:grouping=\"true\"" : "") + "/></number:number-style>";
    case CellType::Date:
      return "<number:date-style style:name=\"" + name +
             "\"><number:day number:style=\"long\"/><number:text>/</number:text>"
             "<number:month number:style=\"long\"/><number:text>/</number:text>"
             "<number:year number:style=\"long\"/></number:date-style>";
    case CellType::Time:
      return "<number:time-style style:name=\"" + name +
             "\"><number:hours number:style=\"long\"/><number:text>:</number:text>"
             "<number:minutes number:style=\"long\"/>" +
             (shape.seconds ? "<number:text>:</number:text><number:seconds number:style=\"long\"/>"
                            : "") +
             "</number:time-style>";
    case CellType::Text:
      break;
  }
  return {};
}

std::string content(const ExportFileTable& table, ExportRowFeed& rows, TextSink& sink) {
  const std::vector<ColumnShape> shapes = shapesOf(table);
  const std::vector<Total> totals = totalsOf(table, rows, shapes);
  const std::size_t columns = table.columns.size();
  std::string& out = sink.text;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content";
  out += kNamespaces;
  out += "><office:automatic-styles>";
  for (std::size_t c = 0; c < columns; ++c) {
    const std::string n = std::to_string(c + 1);
    out += "<style:style style:name=\"co" + n +
           "\" style:family=\"table-column\"><style:table-column-properties style:column-width=\"" +
           std::to_string(columnCharacters(table.columns[c], shapes[c]) * 2 + 4) +
           "mm\"/></style:style>";
    const std::string data = dataStyle(shapes[c], c);
    out += data;
    const std::string dataName =
        data.empty() ? std::string() : " style:data-style-name=\"N" + n + "\"";
    out += "<style:style style:name=\"ce" + n + "\" style:family=\"table-cell\"" + dataName + "/>";
    out += "<style:style style:name=\"ct" + n + "\" style:family=\"table-cell\"" +
           (totals[c].sum ? dataName : std::string()) +
           "><style:text-properties fo:font-weight=\"bold\"/></style:style>";
  }
  out +=
      "<style:style style:name=\"head\" style:family=\"table-cell\">"
      "<style:text-properties fo:font-weight=\"bold\"/></style:style>";
  out += "</office:automatic-styles><office:body><office:spreadsheet><table:table table:name=\"";
  appendXmlEscaped(out, cp1252ToUtf8(sheetName(table.title)));
  out += "\">";
  std::vector<std::string> cellStyles;
  for (std::size_t c = 0; c < columns; ++c) {
    out += "<table:table-column table:style-name=\"co" + std::to_string(c + 1) + "\"/>";
    cellStyles.push_back(" table:style-name=\"ce" + std::to_string(c + 1) + "\"");
  }
  out += "<table:table-header-rows><table:table-row>";
  for (const ExportFileColumn& c : table.columns)
    appendTextCell(out, withoutForbidden(c.title), "head");
  out += "</table:table-row></table:table-header-rows>\n";
  rows.rewind();
  while (const std::vector<std::string>* row_ = rows.next()) {
    const std::vector<std::string>& row = *row_;
    out += "<table:table-row>";
    for (std::size_t c = 0; c < columns; ++c) {
      const Cell cell = cellOf(valueAt(row, c), shapes[c]);
      if (cell.blank) {
        out += "<table:table-cell/>";
        continue;
      }
      const std::string& style = cellStyles[c];
      switch (cell.type) {
        case CellType::Number:
          out += "<table:table-cell" + style + " office:value-type=\"float\" office:value=\"" +
                 numberText(cell.number) + "\">";
          break;
        case CellType::Date:
          out += "<table:table-cell" + style + " office:value-type=\"date\" office:date-value=\"" +
                 isoDate(cell.day) + "\">";
          break;
        case CellType::Time:
          out += "<table:table-cell" + style + " office:value-type=\"time\" office:time-value=\"" +
                 isoDuration(cell.ticks) + "\">";
          break;
        case CellType::Text:
          appendTextCell(out, cell.text);
          continue;
      }
      appendParagraphs(out, cell.text);
      out += "</table:table-cell>";
    }
    out += "</table:table-row>\n";
    sink.spill();
  }
  if (anyTotal(totals)) {
    out += "<table:table-row>";
    const std::string last = std::to_string(rows.size() + 1);
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string style = "ct" + std::to_string(c + 1);
      if (!totals[c].present) {
        if (c == 0) {
          appendTextCell(out, kTotalsLabel, style.c_str());
        } else {
          out += "<table:table-cell/>";
        }
        continue;
      }
      out += "<table:table-cell table:style-name=\"" + style + "\"";
      if (!rows.size() == 0) {
        const std::string letters = columnLetters(c);
        out += std::string(" table:formula=\"of:=") + (totals[c].sum ? "SUM" : "COUNTA") + "([." +
               letters + "2:." + letters + last + "])\"";
      }
      out += " office:value-type=\"float\" office:value=\"" + numberText(totals[c].value) + "\">";
      appendParagraphs(out, totals[c].text);
      out += "</table:table-cell>";
    }
    out += "</table:table-row>\n";
  }
  out += "</table:table></office:spreadsheet></office:body></office:document-content>\n";
  return sink.finish();
}

}  // namespace

std::string writeOds(const ExportFileTable& table, ExportRowFeed& rows,
                     const std::filesystem::path& path) {
  std::vector<PackagePart> parts;
  parts.push_back({"mimetype", kMimeType, true});
  parts.push_back(
      {"META-INF/manifest.xml",
       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<manifest:manifest "
                   "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\""
                   " manifest:version=\"1.2\">"
                   "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
                   "manifest:media-type=\"") +
           kMimeType +
           "\"/>"
           "<manifest:file-entry manifest:full-path=\"content.xml\" "
           "manifest:media-type=\"text/xml\"/>"
           "<manifest:file-entry manifest:full-path=\"styles.xml\" "
           "manifest:media-type=\"text/xml\"/>"
           "<manifest:file-entry manifest:full-path=\"meta.xml\" manifest:media-type=\"text/xml\"/>"
           "</manifest:manifest>\n"});
  std::string meta = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-meta";
  meta += kNamespaces;
  meta += "><office:meta><dc:title>";
  appendXmlEscaped(meta, cp1252ToUtf8(withoutForbidden(clip(table.title))));
  meta +=
      "</dc:title><meta:generator>Varneta</meta:generator></office:meta></office:document-meta>\n";
  parts.push_back({"meta.xml", meta});
  parts.push_back(
      {"styles.xml",
       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles") +
           kNamespaces + "><office:styles/></office:document-styles>\n"});
  const PartFile body(path);
  TextSink sink(body.path());
  if (std::string error = content(table, rows, sink); !error.empty()) return error;
  parts.push_back({"content.xml", {}, false, body.path()});
  return writePackage(parts, path);
}

}  // namespace rt::exporting
