#include "core/frame/system_settings_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/frame/backup_reminder.h"
#include "core/aids/control_colouring.h"
#include "core/frame/globals.h"
#include "core/aids/window_parts.h"
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
  const std::string& ini = GLO::ArchivoIni;
  GLO::DirectorioAdjuntos = rt::getIni("Adjuntos", "Documentos", "", ini);
  RespaldoAutomatico = byteOf(rt::getIni("Respaldo", "Habilitado", "0", backupIniFile()));
  DAT::RespetaOrdenTurnos = byteOf(rt::getIni("Atencion", "RespetaTurnos", "1", ini));
  GLO::MailListado = rt::getIni("Email", "Listados", "", ini);
  showValues();
  ColorearControles(window);
  setUpAids(window);
  return rt::level::Benign;
}

void SystemSettingsWindow::showValues() {
  control<QLineEdit>("?GLO:UsuarioSistema")->setText(q(rt::clip(GLO::UsuarioSistema)));
  control<QCheckBox>("?GLO:LoginRequerido")->setChecked(GLO::LoginRequerido == 1);
  control<QLineEdit>("?GLO:DirectorioAdjuntos")->setText(q(rt::clip(GLO::DirectorioAdjuntos)));
  control<QCheckBox>("?RespaldoAutomatico")->setChecked(RespaldoAutomatico == 1);
  control<QCheckBox>("?DAT:RespetaOrdenTurnos")->setChecked(DAT::RespetaOrdenTurnos == 1);
  control<QLineEdit>("?GLO:MailListado")->setText(q(rt::clip(GLO::MailListado)));
}

void SystemSettingsWindow::takeControls() {
  auto text = [this](const char* name) {
    return rt::fromQString(control<QLineEdit>(name)->text());
  };
  auto ticked = [this](const char* name) -> std::uint8_t {
    return control<QCheckBox>(name)->isChecked() ? 1 : 0;
  };
  GLO::UsuarioSistema = rt::fixedWidth(text("?GLO:UsuarioSistema"), 80);
  GLO::LoginRequerido = ticked("?GLO:LoginRequerido");
  GLO::DirectorioAdjuntos = text("?GLO:DirectorioAdjuntos");
  RespaldoAutomatico = ticked("?RespaldoAutomatico");
  DAT::RespetaOrdenTurnos = ticked("?DAT:RespetaOrdenTurnos");
  GLO::MailListado = text("?GLO:MailListado");
}

void SystemSettingsWindow::writeSettings() {
  const std::string& ini = GLO::ArchivoIni;
  rt::putIni("Usuario", "Usuario", rt::clip(GLO::UsuarioSistema), ini);
  rt::putIni("Login", "Login", std::to_string(GLO::LoginRequerido), ini);
  rt::putIni("Adjuntos", "Documentos", rt::clip(GLO::DirectorioAdjuntos), ini);
  rt::putIni("Respaldo", "Habilitado", std::to_string(RespaldoAutomatico), backupIniFile());
  rt::putIni("Atencion", "RespetaTurnos", std::to_string(DAT::RespetaOrdenTurnos), ini);
  rt::putIni("Email", "Listados", rt::clip(GLO::MailListado), ini);
}

int SystemSettingsWindow::TakeAccepted() {
  // Every accepted change is in its global at once, for the whole process.
  takeControls();
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?LOOKUPFILE") {
    rt::FileRequest folder;
    folder.purpose = rt::FileRequest::Purpose::Folder;
    folder.title = "Seleccione el Directorio";
    folder.current = "C:\\Mis Documentos";
    // A cancelled dialog empties the folder.
    GLO::DirectorioAdjuntos = rt::chooseFile(folder).value_or("");
    showValues();
  } else if (name == "?OK") {
    writeSettings();
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
