#pragma once
// The export window's place until the office-file export is built: it keeps
// what each hand-over brought, so the lists' side can be checked, and tells
// the user that exporting is not available.
#include <string>
#include <vector>

#include "core/export_handover.h"

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
const std::vector<RecordedExport>& recordedExports();
int runExportStandIn();

}  // namespace output
