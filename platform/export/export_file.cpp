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
  HeldRows rows(table.rows);
  return writeExportFile(table, rows, kind, openDocument, base);
}

ExportFileResult writeExportFile(const ExportFileTable& table, ExportRowFeed& rows, ExportKind kind,
                                 bool openDocument, const std::filesystem::path& base) {
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
        error = openDocument ? exporting::writeOds(table, rows, scratch)
                             : exporting::writeXlsx(table, rows, scratch);
        break;
      case ExportKind::Text:
        error = exporting::writeText(table, rows, scratch);
        break;
      case ExportKind::Html:
        error = exporting::writeHtml(table, rows, scratch);
        break;
      case ExportKind::Xml:
        error = exporting::writeXml(table, rows, scratch);
        break;
      case ExportKind::Document:
        error = exporting::writeDocx(table, rows, scratch);
        break;
    }
    // Rows that could not be read make no file, never a short one.
    if (error.empty()) error = rows.failure();
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
