#pragma once
// One writer per format, each writing the whole file at `path`; they answer
// the reason of a failure (CP1252), empty when the file is whole. Internal
// to the writer.
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/export/export_file.h"

namespace rt::exporting {

// The table gives the title and columns, `rows` the rows.
std::string writeXlsx(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path);
std::string writeOds(const ExportFileTable& table, ExportRowFeed& rows,
                     const std::filesystem::path& path);
std::string writeDocx(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path);
std::string writeText(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path);
std::string writeHtml(const ExportFileTable& table, ExportRowFeed& rows,
                      const std::filesystem::path& path);
std::string writeXml(const ExportFileTable& table, ExportRowFeed& rows,
                     const std::filesystem::path& path);

// A zip package: its parts in order, the first one stored uncompressed when
// asked (the open formats' "mimetype").
struct PackagePart {
  std::string name;
  std::string content;
  bool stored = false;
  std::filesystem::path file{};  // when set, the part is this file's content
};
std::string writePackage(const std::vector<PackagePart>& parts, const std::filesystem::path& path);

// Text written to a file as it is made: a writer appends to `text` and calls
// spill() after each row, and a megabyte at a time goes out, so a file of any
// length is never held whole. finish() writes the rest and closes the file,
// answering the reason of a failure (empty when the file is whole).
class TextSink {
 public:
  explicit TextSink(const std::filesystem::path& path);
  ~TextSink();
  TextSink(const TextSink&) = delete;
  TextSink& operator=(const TextSink&) = delete;
  std::string text;
  void spill();
  std::string finish();

 private:
  void write();
  std::FILE* file_ = nullptr;
  std::string error_;
};

// The file a package's large part is written to before it is packed, beside
// the package; removed when the object goes.
class PartFile {
 public:
  explicit PartFile(const std::filesystem::path& package);
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace rt::exporting
