#include "platform/export/export_file.h"

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/safe_file.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt {

std::string exportExtension(ExportKind kind, bool openDocument) {
  switch (kind) {
    case ExportKind::Spreadsheet:
      return openDocument ? ".ods" : ".xlsx";
    case ExportKind::Text:
      return ".txt";
    case ExportKind::Html:
      return ".html";
    case ExportKind::Xml:
      return ".xml";
    case ExportKind::Document:
      return ".docx";
  }
  return {};
}

ExportFileResult writeExportFile(const ExportFileTable& table, ExportKind kind, bool openDocument,
                                 const std::filesystem::path& base) {
  ExportFileResult result;
  const std::string extension = exportExtension(kind, openDocument);
  if (extension.empty()) {
    result.error = "Tipo de archivo de exportación desconocido"_cp;
    return result;
  }
  std::filesystem::path final = base;
  final += extension;
  std::string error;
  const int failed = replaceFile(final, [&](const std::filesystem::path& scratch) {
    switch (kind) {
      case ExportKind::Spreadsheet:
        error = openDocument ? exporting::writeOds(table, scratch) : exporting::writeXlsx(table, scratch);
        break;
      case ExportKind::Text:
        error = exporting::writeText(table, scratch);
        break;
      case ExportKind::Html:
        error = exporting::writeHtml(table, scratch);
        break;
      case ExportKind::Xml:
        error = exporting::writeXml(table, scratch);
        break;
      case ExportKind::Document:
        error = exporting::writeDocx(table, scratch);
        break;
    }
    return error.empty();
  });
  if (failed != 0) {
    result.error = error.empty() ? exporting::systemReason(failed) : error;
    return result;
  }
  result.path = final;
  return result;
}

}  // namespace rt
