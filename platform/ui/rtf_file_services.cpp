#include "platform/ui/rtf_file_services.h"

#include "platform/base/message_hook.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/print_service.h"
#include "platform/ui/rich_text_printing.h"

namespace rt {
namespace {

constexpr const char* kRtfMasks = "Archivos RTF|*.rtf|Todos los archivos|*.*";

}  // namespace

void RtfFileDialogs::chooseFileToOpen(FileChosen chosen) {
  if (auto path = chooseFile({FileRequest::Purpose::Open, "Abrir", "", kRtfMasks})) chosen(*path);
}

void RtfFileDialogs::chooseFileToSave(const std::string& current, FileChosen chosen) {
  if (auto path = chooseFile({FileRequest::Purpose::Save, "Guardar como", current, kRtfMasks})) {
    chosen(*path);
  }
}

void RtfFileDialogs::print(const std::string& markup, const std::string& title) {
  bool failed = false;
  printPages(title.empty() ? "Documento" : title, [&](QPagedPaintDevice& device) {
    failed = !drawRichTextPages(device, markup);
    return !failed;
  });
  if (failed) {
    showMessage(
        {"No se pudo imprimir el documento.", "Error", MessageIcon::Error, button::Ok, {}, 0});
  }
}

RtfFileDialogs& RtfFileDialogs::standard() {
  static RtfFileDialogs dialogs;
  return dialogs;
}

}  // namespace rt
