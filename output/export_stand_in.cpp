#include "output/export_stand_in.h"

#include <filesystem>

#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"

namespace output {
namespace {

std::vector<RecordedExport>& recorded() {
  static std::vector<RecordedExport> calls;
  return calls;
}

}  // namespace

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
  if (handOver.rows != nullptr) {
    for (std::size_t row = 0; row < handOver.rows->rowCount(); ++row) {
      std::vector<std::string> values;
      for (int n = 1; n <= fields; ++n) values.push_back(handOver.rows->field(row, n));
      r.rows.push_back(std::move(values));
    }
  }
  return r;
}

const std::vector<RecordedExport>& recordedExports() { return recorded(); }

int runExportStandIn() {
  const core::ExportHandOver* handOver = core::currentExportHandOver();
  if (handOver == nullptr) return 0;
  recorded().push_back(recordExport(*handOver, 0));
  rt::showMessage({"La exportación a archivos no está disponible en esta versión."_cp, "Exportar",
                   rt::MessageIcon::Information, rt::button::Ok, {}, rt::button::Ok});
  return 0;
}

}  // namespace output
