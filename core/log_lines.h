#pragma once
// The activity log's file, opened and closed around every line: a line file
// in UTF-8, created when missing. Failures set the calling thread's error
// status; a file that cannot be opened is reported with a message.
#include <cstdio>
#include <string_view>

namespace core {

class LogLines {
 public:
  LogLines() = default;
  ~LogLines() { close(); }
  LogLines(const LogLines&) = delete;
  LogLines& operator=(const LogLines&) = delete;

  // The runtime file name of the log; 0 or the error that kept it closed.
  int open(std::string_view fileName);
  // One line at the end of the file; 0 or the error.
  int add(std::string_view line);
  void close();

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace core
