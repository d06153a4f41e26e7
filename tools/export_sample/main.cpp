// export_sample <folder>: writes the writer's sample table as sample.xlsx,
// .ods, .docx, .txt, .html and .xml, to open in the office programs at hand.
#include <cstdio>
#include <filesystem>

#include "platform/base/cp1252.h"
#include "platform/export/export_file.h"
#include "platform/export/export_sample.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: export_sample <folder>\n");
    return 2;
  }
  const std::filesystem::path base = std::filesystem::path(argv[1]) / "sample";
  const rt::ExportFileTable table = rt::sampleExportTable();
  int failures = 0;
  const std::pair<rt::ExportKind, bool> kinds[] = {
      {rt::ExportKind::Spreadsheet, false}, {rt::ExportKind::Spreadsheet, true},
      {rt::ExportKind::Document, false},    {rt::ExportKind::Text, false},
      {rt::ExportKind::Html, false},        {rt::ExportKind::Xml, false}};
  for (const auto& [kind, openDocument] : kinds) {
    const rt::ExportFileResult result = rt::writeExportFile(table, kind, openDocument, base);
    if (result.ok()) {
      std::printf("%s\n", result.path.c_str());
    } else {
      ++failures;
      std::fprintf(stderr, "%s%s: %s\n", base.c_str(),
                   rt::exportExtension(kind, openDocument).c_str(),
                   rt::cp1252ToUtf8(result.error).c_str());
    }
  }
  return failures == 0 ? 0 : 1;
}
