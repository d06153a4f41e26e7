#pragma once
// The window in which the practice's general settings are edited: the owner's
// name, the login switch, the attachments folder, the backup reminder, the
// attention order of appointments and the address for mailed listings. The
// window edits a copy of its own: "OK" gives it to the globals and writes it
// to the settings INI and to respaldo.ini; any other way out leaves every
// global and every file as it was.
#include <cstdint>
#include <string>

#include "core/shapes/aided_window.h"

namespace core {

class SystemSettingsWindow : public AidedWindow {
 public:
  SystemSettingsWindow() : AidedWindow("VentanaParametrosSistema") {}
  int Init() override;
  int TakeAccepted() override;

  // The settings as the window shows them.
  struct Settings {
    std::string owner;  // GLO:UsuarioSistema
    std::uint8_t login = 0;
    std::string attachments;
    std::uint8_t backup = 0;  // respaldo.ini only: no global holds it
    std::uint8_t attentionOrder = 1;
    std::string listingMail;
  };

 private:
  void takeControls();  // the controls' values into the edited copy
  void showValues();    // the edited copy into the controls
  void keepSettings();  // the edited copy into the globals and the files

  Settings edited_;
};

// The procedure "VentanaParametrosSistema".
int VentanaParametrosSistema();

}  // namespace core
