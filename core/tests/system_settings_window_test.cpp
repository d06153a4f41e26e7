// The settings window: it shows the owner and the login switch from memory
// and the other settings from the files, "OK" writes all six (creating
// respaldo.ini), "Cancelar" writes nothing but keeps what was accepted.
#include "core/frame/system_settings_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "core/frame/backup_reminder.h"
#include "core/frame/global_settings.h"
#include "core/frame/globals.h"
#include "platform/base/ini_file.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/base/cp_literal.h"

namespace core {
namespace {

constexpr const char* kTitle = "Ventana de Configuración - Parametros del Sistema"_cp;

class SettingsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    GLO::ArchivoIni = inProgramFolder("Dezedu.ini");
    std::filesystem::remove(rt::iniFilePath(GLO::ArchivoIni));
    std::filesystem::remove(rt::iniFilePath(backupIniFile()));
    rt::putIni("Usuario", "Usuario", "Viejo", GLO::ArchivoIni);
    rt::putIni("Adjuntos", "Documentos", "/datos/adjuntos", GLO::ArchivoIni);
    rt::putIni("Email", "Listados", "listas@consultorio.test", GLO::ArchivoIni);
    GLO::UsuarioSistema = "Viejo";
    GLO::LoginRequerido = 0;
    GLO::Nivel_Usuario_Logueado = 5;
  }
  static std::string text(rt::WindowDriver& w, const char* name) {
    return rt::fromQString(w.control<QLineEdit>(name)->text());
  }
  rt::testing::Watchdog watchdog_;
};

TEST_F(SettingsWindow, OkWritesEverySettingAndCreatesTheBackupFile) {
  rt::testing::WindowScript script;
  script.on(kTitle, [](rt::WindowDriver& w) {
    EXPECT_FALSE(w.control("?GLO:LoginRequerido")->isEnabled()) << "level 5";
    EXPECT_EQ(text(w, "?GLO:DirectorioAdjuntos"), "/datos/adjuntos");
    EXPECT_EQ(text(w, "?GLO:MailListado"), "listas@consultorio.test");
    EXPECT_TRUE(w.control<QCheckBox>("?DAT:RespetaOrdenTurnos")->isChecked()) << "default 1";
    EXPECT_FALSE(w.control<QCheckBox>("?RespaldoAutomatico")->isChecked()) << "default 0";
    w.control<QLineEdit>("?GLO:UsuarioSistema")->setText("Consultorio Norte");
    w.control<QCheckBox>("?RespaldoAutomatico")->setChecked(true);
    rt::testing::click(w, "?OK");
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { VentanaParametrosSistema(); }));
  EXPECT_EQ(script.pending(), 0);
  const std::string& ini = GLO::ArchivoIni;
  EXPECT_EQ(rt::getIni("Usuario", "Usuario", "", ini), "Consultorio Norte");
  EXPECT_EQ(rt::getIni("Login", "Login", "", ini), "0");
  EXPECT_EQ(rt::getIni("Adjuntos", "Documentos", "", ini), "/datos/adjuntos");
  EXPECT_EQ(rt::getIni("Atencion", "RespetaTurnos", "", ini), "1");
  EXPECT_EQ(rt::getIni("Email", "Listados", "", ini), "listas@consultorio.test");
  EXPECT_EQ(rt::getIni("Respaldo", "Habilitado", "", backupIniFile()), "1");
}

// The window opens with the focus in its first entry, so typing goes
// somewhere; a visited field gets its own colour back when the focus moves on.
TEST_F(SettingsWindow, OpensOnItsFirstEntryAndUnmarksTheFieldsItLeaves) {
  rt::testing::WindowScript script;
  script.on(kTitle, [](rt::WindowDriver& w) {
    auto* first = w.control<QLineEdit>("?GLO:UsuarioSistema");
    auto* second = w.control<QLineEdit>("?GLO:DirectorioAdjuntos");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(w.window()->focusWidget(), first);
    const QColor lightBlue = rt::fromBgr(0xFEEDC9);
    second->setFocus();
    rt::testing::waitIdle();
    EXPECT_EQ(second->palette().color(QPalette::Base), lightBlue);
    EXPECT_NE(first->palette().color(QPalette::Base), lightBlue) << "left: its colour is back";
    first->setFocus();
    rt::testing::waitIdle();
    EXPECT_NE(second->palette().color(QPalette::Base), lightBlue);
    rt::testing::click(w, "?CANCEL");
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { VentanaParametrosSistema(); }));
  EXPECT_EQ(script.pending(), 0);
}

TEST_F(SettingsWindow, CancelWritesNothingButAcceptedChangesStayInMemory) {
  std::vector<rt::FileRequest> asked;
  rt::setFileChooser([&](const rt::FileRequest& r) -> std::optional<std::string> {
    asked.push_back(r);
    return std::nullopt;
  });
  rt::testing::WindowScript script;
  script.on(kTitle, [](rt::WindowDriver& w) {
    w.control<QLineEdit>("?GLO:UsuarioSistema")->setText("Nuevo");
    // Taken in order once the window waits again: the folder dialog is
    // cancelled, then the window.
    rt::testing::click(w, "?LOOKUPFILE");
    rt::testing::click(w, "?Cancel");
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { VentanaParametrosSistema(); }));
  rt::setFileChooser({});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].purpose, rt::FileRequest::Purpose::Folder);
  EXPECT_EQ(asked[0].title, "Seleccione el Directorio");
  EXPECT_EQ(std::string(GLO::UsuarioSistema.substr(0, 5)), "Nuevo");
  EXPECT_EQ(GLO::DirectorioAdjuntos, "") << "a cancelled folder dialog empties the folder";
  EXPECT_EQ(rt::getIni("Usuario", "Usuario", "", GLO::ArchivoIni), "Viejo");
  EXPECT_EQ(rt::getIni("Adjuntos", "Documentos", "", GLO::ArchivoIni), "/datos/adjuntos");
  EXPECT_FALSE(std::filesystem::exists(rt::iniFilePath(backupIniFile())));
}

TEST_F(SettingsWindow, EscNotTakenByAControlClosesTheWindowAsCancelDoes) {
  rt::testing::WindowScript script;
  script.on(kTitle, [](rt::WindowDriver& w) {
    auto* owner = w.control<QLineEdit>("?GLO:UsuarioSistema");
    owner->setText("Nuevo");
    QTest::keyClick(owner, Qt::Key_Escape);
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { VentanaParametrosSistema(); }));
  EXPECT_EQ(script.pending(), 0);
  EXPECT_EQ(rt::getIni("Usuario", "Usuario", "", GLO::ArchivoIni), "Viejo") << "nothing written";
}

}  // namespace
}  // namespace core
