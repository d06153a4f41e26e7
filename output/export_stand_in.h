#pragma once
// What a hand-over brought, read whole: tests of the exporting lists register
// a recorder under the export window's name and check the lists' side with it.
#include <string>
#include <vector>

#include "core/shapes/export_handover.h"

namespace output {

struct RecordedExport {
  std::vector<core::ExportColumn> columns;
  std::vector<std::vector<std::string>> rows;  // each row's fields, numbered from 1
  std::vector<std::string> parameters;
  int mode = 0;
  std::string title;
  std::string procedure;
  std::string app;
  std::string currentFolder;
};

// Reads the running hand-over; the rows are read up to `fields` numbers.
RecordedExport recordExport(const core::ExportHandOver& handOver, int fields);

}  // namespace output
