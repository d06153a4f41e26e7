#include "platform/export/export_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt {
namespace {

// A name beside the final one that no other writer uses at the same time.
std::filesystem::path scratchName(const std::filesystem::path& final) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path scratch = final;
  scratch += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  return scratch;
}

}  // namespace

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
  const std::filesystem::path scratch = scratchName(final);
  std::string error;
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
  std::error_code ignored;
  if (error.empty()) {
    std::error_code renamed;
    std::filesystem::rename(scratch, final, renamed);
    if (renamed) error = exporting::systemReason(renamed.value());
  }
  if (!error.empty()) {
    std::filesystem::remove(scratch, ignored);
    result.error = error;
    return result;
  }
  result.path = final;
  return result;
}

}  // namespace rt
