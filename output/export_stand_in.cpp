#include "output/export_stand_in.h"

#include <filesystem>


namespace output {

RecordedExport recordExport(const core::ExportHandOver& handOver, int fields) {
  RecordedExport r;
  r.columns = handOver.columns;
  r.parameters = handOver.parameters;
  r.mode = handOver.mode;
  r.title = handOver.title;
  if (handOver.group != nullptr) {
    r.procedure = handOver.group->procedure;
    r.app = handOver.group->app;
  }
  std::error_code error;
  r.currentFolder = std::filesystem::current_path(error).string();
  if (handOver.rows != nullptr) r.rows = core::allExportRows(*handOver.rows, fields);
  return r;
}

}  // namespace output
