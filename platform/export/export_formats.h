#pragma once
// One writer per format, each writing the whole file at `path`; they answer
// the reason of a failure (CP1252), empty when the file is whole. Internal
// to the writer.
#include <filesystem>
#include <string>

#include "platform/export/export_file.h"

namespace rt::exporting {

// The table gives the title and columns, `rows` the rows.
std::string writeXlsx(const ExportFileTable& table, ExportRowFeed& rows, const std::filesystem::path& path);
std::string writeOds(const ExportFileTable& table, ExportRowFeed& rows, const std::filesystem::path& path);
std::string writeDocx(const ExportFileTable& table, ExportRowFeed& rows, const std::filesystem::path& path);
std::string writeText(const ExportFileTable& table, ExportRowFeed& rows, const std::filesystem::path& path);
std::string writeHtml(const ExportFileTable& table, ExportRowFeed& rows, const std::filesystem::path& path);
std::string writeXml(const ExportFileTable& table, ExportRowFeed& rows, const std::filesystem::path& path);

// A zip package: its parts in order, the first one stored uncompressed when
// asked (the open formats' "mimetype").
struct PackagePart {
  std::string name;
  std::string content;
  bool stored = false;
};
std::string writePackage(const std::vector<PackagePart>& parts, const std::filesystem::path& path);

// Writes bytes to a file, answering the reason of a failure.
std::string writeBytes(const std::string& content, const std::filesystem::path& path);

}  // namespace rt::exporting
