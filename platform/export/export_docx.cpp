// Word-processor document: the title, then one table whose heading row
// repeats on every page, numbers aligned right, the totals row last.
#include "platform/base/cp1252.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt::exporting {
namespace {

constexpr char kMain[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr char kRelationships[] = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kOfficeRelations[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A4 in twentieths of a point, half-inch margins.
constexpr int kPageShort = 11906;
constexpr int kPageLong = 16838;
constexpr int kMargin = 720;
// More characters than this across the columns turn the page.
constexpr int kPortraitCharacters = 90;

void appendRuns(std::string& out, std::string_view cp1252, bool bold) {
  const char* properties = bold ? "<w:rPr><w:b/></w:rPr>" : "";
  const std::vector<std::string_view> lines = linesOf(cp1252);
  out += "<w:r>";
  out += properties;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "<w:br/>";
    std::string_view line = lines[i];
    std::size_t tab;
    while ((tab = line.find('\t')) != std::string_view::npos) {
      out += "<w:t xml:space=\"preserve\">";
      appendXmlEscaped(out, cp1252ToUtf8(line.substr(0, tab)));
      out += "</w:t><w:tab/>";
      line.remove_prefix(tab + 1);
    }
    out += "<w:t xml:space=\"preserve\">";
    appendXmlEscaped(out, cp1252ToUtf8(line));
    out += "</w:t>";
  }
  out += "</w:r>";
}

void appendCell(std::string& out, int width, std::string_view cp1252, bool right, bool bold) {
  out += "<w:tc><w:tcPr><w:tcW w:w=\"";
  out += std::to_string(width);
  out += "\" w:type=\"dxa\"/></w:tcPr><w:p>";
  if (right) out += "<w:pPr><w:jc w:val=\"right\"/></w:pPr>";
  if (!cp1252.empty()) appendRuns(out, cp1252, bold);
  out += "</w:p></w:tc>";
}

std::string document(const ExportFileTable& table, ExportRowFeed& rows, TextSink& sink) {
  const std::vector<ColumnShape> shapes = shapesOf(table);
  const std::vector<Total> totals = totalsOf(table, rows, shapes);
  const std::size_t columns = table.columns.size();
  int characters = 0;
  std::vector<int> weights;
  for (std::size_t c = 0; c < columns; ++c) {
    weights.push_back(columnCharacters(table.columns[c], shapes[c]));
    characters += weights.back();
  }
  const bool landscape = characters > kPortraitCharacters;
  const int pageWidth = landscape ? kPageLong : kPageShort;
  const int usable = pageWidth - 2 * kMargin;
  std::vector<int> widths;
  for (int w : weights) widths.push_back(std::max(200, usable * w / std::max(characters, 1)));

  std::string& out = sink.text;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document xmlns:w=\"";
  out += kMain;
  out +=
      "\"><w:body><w:p><w:pPr><w:spacing w:after=\"200\"/></w:pPr>"
      "<w:r><w:rPr><w:b/><w:sz w:val=\"28\"/></w:rPr><w:t xml:space=\"preserve\">";
  appendXmlEscaped(out, cp1252ToUtf8(withoutForbidden(clip(table.title))));
  out += "</w:t></w:r></w:p>";
  out += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>";
  for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
    out += std::string("<w:") + side +
           " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"999999\"/>";
  }
  out +=
      "</w:tblBorders><w:tblLayout w:type=\"fixed\"/>"
      "<w:tblCellMar><w:left w:w=\"60\" w:type=\"dxa\"/><w:right w:w=\"60\" "
      "w:type=\"dxa\"/></w:tblCellMar>"
      "</w:tblPr><w:tblGrid>";
  for (int w : widths) out += "<w:gridCol w:w=\"" + std::to_string(w) + "\"/>";
  out += "</w:tblGrid><w:tr><w:trPr><w:tblHeader/></w:trPr>";
  for (std::size_t c = 0; c < columns; ++c) {
    appendCell(out, widths[c], withoutForbidden(table.columns[c].title), false, true);
  }
  out += "</w:tr>\n";
  rows.rewind();
  while (const std::vector<std::string>* row_ = rows.next()) {
    const std::vector<std::string>& row = *row_;
    out += "<w:tr>";
    for (std::size_t c = 0; c < columns; ++c) {
      const Cell cell = cellOf(valueAt(row, c), shapes[c]);
      appendCell(out, widths[c], cell.text, shapes[c].type == CellType::Number, false);
    }
    out += "</w:tr>\n";
    sink.spill();
  }
  if (anyTotal(totals)) {
    out += "<w:tr>";
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string_view text = totalsRowText(totals, c);
      appendCell(out, widths[c], text, totals[c].present, true);
    }
    out += "</w:tr>\n";
  }
  out += "</w:tbl><w:p/><w:sectPr><w:pgSz w:w=\"" + std::to_string(pageWidth) + "\" w:h=\"" +
         std::to_string(landscape ? kPageShort : kPageLong) + "\"" +
         (landscape ? " w:orient=\"landscape\"" : "") + "/><w:pgMar w:top=\"" +
         std::to_string(kMargin) + "\" w:right=\"" + std::to_string(kMargin) + "\" w:bottom=\"" +
         std::to_string(kMargin) + "\" w:left=\"" + std::to_string(kMargin) +
         "\" w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>\n";
  return sink.finish();
}

}  // namespace

std::string writeDocx(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path) {
  std::vector<PackagePart> parts;
  parts.push_back(
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/word/document.xml\" "
       "ContentType=\"application/"
       "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
       "<Override PartName=\"/word/styles.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
       "<Override PartName=\"/docProps/core.xml\" "
       "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
       "</Types>\n"});
  parts.push_back(
      {"_rels/.rels",
       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
                   "xmlns=\"") +
           kRelationships + "\"><Relationship Id=\"rId1\" Type=\"" + kOfficeRelations +
           "/officeDocument\" Target=\"word/document.xml\"/>"
           "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
           "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
           "</Relationships>\n"});
  std::string core =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<cp:coreProperties "
      "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
      " xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>";
  appendXmlEscaped(core, cp1252ToUtf8(withoutForbidden(clip(table.title))));
  core += "</dc:title></cp:coreProperties>\n";
  parts.push_back({"docProps/core.xml", core});
  parts.push_back({"word/_rels/document.xml.rels",
                   std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" "
                               "standalone=\"yes\"?>\n<Relationships xmlns=\"") +
                       kRelationships + "\"><Relationship Id=\"rId1\" Type=\"" + kOfficeRelations +
                       "/styles\" Target=\"styles.xml\"/></Relationships>\n"});
  // Small type, so that wide lists fit the page.
  parts.push_back(
      {"word/styles.xml",
       std::string(
           "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:styles xmlns:w=\"") +
           kMain +
           "\"><w:docDefaults><w:rPrDefault><w:rPr>"
           "<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\"/>"
           "<w:sz w:val=\"18\"/><w:szCs w:val=\"18\"/></w:rPr></w:rPrDefault>"
           "<w:pPrDefault><w:pPr><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
           "</w:pPr></w:pPrDefault></w:docDefaults></w:styles>\n"});
  const PartFile body(path);
  TextSink sink(body.path());
  if (std::string error = document(table, rows, sink); !error.empty()) return error;
  parts.push_back({"word/document.xml", {}, false, body.path()});
  return writePackage(parts, path);
}

}  // namespace rt::exporting
