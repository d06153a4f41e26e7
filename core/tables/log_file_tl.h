#pragma once
// The activity-log file: a line file whose name is given when it is opened
// (the path the program keeps for the log), one instance per logical thread
// like every table.
#include <string_view>

#include "platform/data/field_types.h"

namespace core {

struct LogFileTLRecord {
  rt::String<1024> Linea;
};

// The calling thread's record of the log.
LogFileTLRecord& LOGTL();

class LogFileTL {
 public:
  // Opens (creating when missing) the file with this runtime name.
  static int open(std::string_view fileName);
  static void close();
  static bool isOpen();
  // Appends LOGTL().Linea without its padding.
  static int add();
  // Reads the lines from the first on into LOGTL().Linea: 0, or 33 after the last.
  static void setToStart();
  static int next();
};

}  // namespace core
