// The settings window: it shows the owner and the login switch from memory
// and the other settings from the files, "OK" writes all six (creating
// respaldo.ini); leaving it any other way changes nothing.
#include "core/frame/system_settings_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "core/frame/backup_reminder.h"
#include "core/frame/global_settings.h"
#include "core/frame/globals.h"
#include "core/testing/probed_window.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

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

// The globals the window shows, as a test compares them.
struct ShownGlobals {
  std::string owner;
  std::uint8_t login;
  std::string attachments;
  std::uint8_t attentionOrder;
  std::string listingMail;
  bool operator==(const ShownGlobals&) const = default;
};

ShownGlobals shownGlobals() {
  return {GLO::UsuarioSistema, GLO::LoginRequerido, GLO::DirectorioAdjuntos,
          DAT::RespetaOrdenTurnos, GLO::MailListado};
}

// Every control changed, then the window left without "OK": by its button,
// by Esc or by the close box. The globals stay as they were before it opened
// (those it reads from the files too), and no file is written.
TEST_F(SettingsWindow, LeavingWithoutOkLeavesEveryGlobalAndFileAsItWas) {
  struct Way {
    const char* name;
    void (*leave)(SystemSettingsWindow&);
  };
  const Way ways[] = {
      {"Cancelar", [](SystemSettingsWindow& w) { rt::testing::click(w, "?CANCEL"); }},
      {"Esc",
       [](SystemSettingsWindow& w) {
         QTest::keyClick(w.control("?GLO:MailListado"), Qt::Key_Escape);
       }},
      {"the close box", [](SystemSettingsWindow& w) { w.window()->close(); }},
  };
  GLO::Nivel_Usuario_Logueado = 9;
  GLO::DirectorioAdjuntos = "/en/memoria";
  GLO::MailListado = "memoria@consultorio.test";
  DAT::RespetaOrdenTurnos = 0;
  const ShownGlobals before = shownGlobals();
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    testing::Probed<SystemSettingsWindow> window;
    window.probe([](SystemSettingsWindow& w) {
      w.control<QLineEdit>("?GLO:UsuarioSistema")->setText("Nuevo");
      w.control<QCheckBox>("?GLO:LoginRequerido")->setChecked(true);
      w.control<QLineEdit>("?GLO:DirectorioAdjuntos")->setText("/otro/lugar");
      w.control<QCheckBox>("?RespaldoAutomatico")->setChecked(true);
      w.control<QCheckBox>("?DAT:RespetaOrdenTurnos")->setChecked(false);
      w.control<QLineEdit>("?GLO:MailListado")->setText("otro@consultorio.test");
      // A change the window has taken in, as any accepted control makes it.
      w.post(rt::event::Accepted, w.control("?GLO:UsuarioSistema"));
    });
    window.probe(way.leave);
    ASSERT_TRUE(rt::testing::runOnThread([&] { window.Run(); }));
    EXPECT_TRUE(shownGlobals() == before) << "owner \"" << rt::clip(GLO::UsuarioSistema)
                                          << "\", folder \"" << GLO::DirectorioAdjuntos << '"';
    EXPECT_EQ(rt::getIni("Usuario", "Usuario", "", GLO::ArchivoIni), "Viejo");
    EXPECT_EQ(rt::getIni("Login", "Login", "", GLO::ArchivoIni), "");
    EXPECT_EQ(rt::getIni("Adjuntos", "Documentos", "", GLO::ArchivoIni), "/datos/adjuntos");
    EXPECT_FALSE(std::filesystem::exists(rt::iniFilePath(backupIniFile())));
  }
}

// Leaving the folder chooser without a choice keeps the folder shown; a
// chosen folder replaces it.
TEST_F(SettingsWindow, TheFolderChooserKeepsTheFolderWhenLeftWithoutAChoice) {
  std::vector<rt::FileRequest> asked;
  std::vector<std::optional<std::string>> answers = {std::nullopt, "/nuevo/adjuntos"};
  rt::setFileChooser([&](const rt::FileRequest& r) {
    asked.push_back(r);
    auto answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  std::vector<std::string> shown;
  testing::Probed<SystemSettingsWindow> window;
  for (int pick = 0; pick < 2; ++pick) {
    window.probe([](SystemSettingsWindow& w) { rt::testing::click(w, "?LOOKUPFILE"); });
    window.probe(
        [&](SystemSettingsWindow& w) { shown.push_back(text(w, "?GLO:DirectorioAdjuntos")); });
  }
  window.probe([](SystemSettingsWindow& w) { rt::testing::click(w, "?OK"); });
  ASSERT_TRUE(rt::testing::runOnThread([&] { window.Run(); }));
  rt::setFileChooser({});
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].purpose, rt::FileRequest::Purpose::Folder);
  EXPECT_EQ(asked[0].title, "Seleccione el Directorio");
  EXPECT_EQ(shown, (std::vector<std::string>{"/datos/adjuntos", "/nuevo/adjuntos"}));
  EXPECT_EQ(GLO::DirectorioAdjuntos, "/nuevo/adjuntos");
  EXPECT_EQ(rt::getIni("Adjuntos", "Documentos", "", GLO::ArchivoIni), "/nuevo/adjuntos");
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
