#include "core/frame/system_settings_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/aids/control_colouring.h"
#include "core/aids/window_parts.h"
#include "core/frame/backup_reminder.h"
#include "core/frame/globals.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

QString q(std::string_view text) { return rt::toQString(text); }

QLineEdit* entry(const char* name, int maxLength, const char* tip = "") {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  e->setMaxLength(maxLength);
  e->setToolTip(q(tip));
  return e;
}

QCheckBox* check(const char* name, std::string_view text, const char* tip = "") {
  auto* c = new QCheckBox(q(text));
  c->setObjectName(name);
  c->setToolTip(q(tip));
  return c;
}

std::uint8_t byteOf(std::string_view text) {
  return static_cast<std::uint8_t>(rt::textToNumber(text));
}

}  // namespace

int SystemSettingsWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  auto* window = new QWidget;
  window->setObjectName("VentanaParametrosSistema");
  window->setWindowTitle(q("Ventana de Configuración - Parametros del Sistema"_cp));

  auto* tabs = new QTabWidget;
  auto* sheet = new QWidget;
  auto* form = new QFormLayout(sheet);
  form->addRow("Propietario del Sistema:", entry("?GLO:UsuarioSistema", 80));
  form->addRow(check("?GLO:LoginRequerido", "Se requiere Login para entrar al sistema?"));
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(entry("?GLO:DirectorioAdjuntos", 255));
  auto* lookup = new QPushButton("...");
  lookup->setObjectName("?LOOKUPFILE");
  folderRow->addWidget(lookup);
  form->addRow("Directorio para Adjuntos:", folderRow);
  form->addRow(check("?RespaldoAutomatico", "Respaldo Automatico",
                     "Marca que Habilita el control automatico de Respaldos"));
  form->addRow(check("?DAT:RespetaOrdenTurnos",
                     "Respetar el Orden de Confirmación para la Edición de Consultas?"_cp,
                     "Marca que indica que se respeta el Orden de Confirmación para la "
                     "Edición de Consultas"_cp));
  form->addRow("Mail para Listados:",
               entry("?GLO:MailListado", 255, "Mail de Destino para el listado"));
  tabs->addTab(sheet, "Parametros Generales");

  sheetAndButtons(window, tabs, {.icons = true, .okText = "OK", .cancelText = "Cancelar"});
  window->resize(rt::DialogUnits::of(window).size(371, 138));
  Open(window);

  control("?GLO:LoginRequerido")->setEnabled(GLO::Nivel_Usuario_Logueado == 9);
  // The owner and the login switch as they stand in memory; the others as the
  // files hold them.
  const std::string& ini = GLO::ArchivoIni;
  edited_.owner = GLO::UsuarioSistema;
  edited_.login = GLO::LoginRequerido;
  edited_.attachments = rt::getIni("Adjuntos", "Documentos", "", ini);
  edited_.backup = byteOf(rt::getIni("Respaldo", "Habilitado", "0", backupIniFile()));
  edited_.attentionOrder = byteOf(rt::getIni("Atencion", "RespetaTurnos", "1", ini));
  edited_.listingMail = rt::getIni("Email", "Listados", "", ini);
  showValues();
  ColorearControles(window);
  setUpAids(window);
  return rt::level::Benign;
}

void SystemSettingsWindow::showValues() {
  control<QLineEdit>("?GLO:UsuarioSistema")->setText(q(rt::clip(edited_.owner)));
  control<QCheckBox>("?GLO:LoginRequerido")->setChecked(edited_.login == 1);
  control<QLineEdit>("?GLO:DirectorioAdjuntos")->setText(q(rt::clip(edited_.attachments)));
  control<QCheckBox>("?RespaldoAutomatico")->setChecked(edited_.backup == 1);
  control<QCheckBox>("?DAT:RespetaOrdenTurnos")->setChecked(edited_.attentionOrder == 1);
  control<QLineEdit>("?GLO:MailListado")->setText(q(rt::clip(edited_.listingMail)));
}

void SystemSettingsWindow::takeControls() {
  auto text = [this](const char* name) {
    return rt::fromQString(control<QLineEdit>(name)->text());
  };
  auto ticked = [this](const char* name) -> std::uint8_t {
    return control<QCheckBox>(name)->isChecked() ? 1 : 0;
  };
  edited_.owner = rt::fixedWidth(text("?GLO:UsuarioSistema"), 80);
  edited_.login = ticked("?GLO:LoginRequerido");
  edited_.attachments = text("?GLO:DirectorioAdjuntos");
  edited_.backup = ticked("?RespaldoAutomatico");
  edited_.attentionOrder = ticked("?DAT:RespetaOrdenTurnos");
  edited_.listingMail = text("?GLO:MailListado");
}

void SystemSettingsWindow::keepSettings() {
  GLO::UsuarioSistema = edited_.owner;
  GLO::LoginRequerido = edited_.login;
  GLO::DirectorioAdjuntos = edited_.attachments;
  DAT::RespetaOrdenTurnos = edited_.attentionOrder;
  GLO::MailListado = edited_.listingMail;
  const std::string& ini = GLO::ArchivoIni;
  rt::putIni("Usuario", "Usuario", rt::clip(GLO::UsuarioSistema), ini);
  rt::putIni("Login", "Login", std::to_string(GLO::LoginRequerido), ini);
  rt::putIni("Adjuntos", "Documentos", rt::clip(GLO::DirectorioAdjuntos), ini);
  rt::putIni("Respaldo", "Habilitado", std::to_string(edited_.backup), backupIniFile());
  rt::putIni("Atencion", "RespetaTurnos", std::to_string(DAT::RespetaOrdenTurnos), ini);
  rt::putIni("Email", "Listados", rt::clip(GLO::MailListado), ini);
}

int SystemSettingsWindow::TakeAccepted() {
  takeControls();
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?LOOKUPFILE") {
    rt::FileRequest folder;
    folder.purpose = rt::FileRequest::Purpose::Folder;
    folder.title = "Seleccione el Directorio";
    folder.current = "C:\\Mis Documentos";
    rt::chooseFileInto(folder, edited_.attachments);
    showValues();
  } else if (name == "?OK") {
    keepSettings();
    Response = rt::kCompleted;
    return rt::level::Fatal;
  } else if (name == "?CANCEL") {
    Response = rt::kCancelled;
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

int VentanaParametrosSistema() { return runWindow<SystemSettingsWindow>(); }

}  // namespace core
