#pragma once
// A line file: a text file whose records are its lines, kept in UTF-8 on disk
// and handled as runtime text (CP1252) in memory. Created when missing;
// every line appended reaches the file at once.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace rt {

class LineFile {
 public:
  LineFile() = default;
  ~LineFile();
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  // 0, or the runtime error that kept the file from opening.
  int open(const std::filesystem::path& path);
  void close();
  bool isOpen() const { return file_ != nullptr; }

  int append(std::string_view line);  // without its end of line
  // Reads from the first line on.
  void setToStart();
  int next(std::string& line);  // 0, or 33 after the last line

 private:
  std::FILE* file_ = nullptr;
  long readOffset_ = 0;
};

}  // namespace rt
