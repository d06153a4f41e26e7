#pragma once
// The window in which the practice's general settings are edited: the owner's
// name, the login switch, the attachments folder, the backup reminder, the
// attention order of appointments and the address for mailed listings. Each
// control edits its global at once; "OK" writes them to the settings INI and
// to respaldo.ini.
#include <cstdint>

#include "core/shapes/aided_window.h"

namespace core {

class SystemSettingsWindow : public AidedWindow {
 public:
  SystemSettingsWindow() : AidedWindow("VentanaParametrosSistema") {}
  int Init() override;
  int TakeAccepted() override;

  // The window's own copy of the backup reminder switch.
  std::uint8_t RespaldoAutomatico = 0;

 private:
  void takeControls();  // the controls' values into the globals
  void showValues();    // the globals into the controls
  void writeSettings();
};

// The procedure "VentanaParametrosSistema".
int VentanaParametrosSistema();

}  // namespace core
