// The login window: no users, the last login offered, letter case, twin
// logins, a wrong password, Cancelar with and without a correct password, the
// activity log's file after a login, and the passwords an earlier version
// stored as typed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/users_windows.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/password_digest.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/data/structure_versions.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

struct User {
  const char* name;
  const char* login;
  const char* password;
  int level;
  int inactive = 0;
};

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("login", folder_));
    rt::putIni("Sistema", "Usuario", "", "win.ini");
    GLO::Cod_Usuario_Logueado = 0;
    GLO::Nivel_Usuario_Logueado = 0;
    GLO::Nombre_Usuario_Logueado.clear();
    BuildArchivoLog();  // as the start does, before anyone has logged in
    previous_ = rt::setHaltHandler([this](int) { halted_ = true; });
  }
  void TearDown() override {
    rt::setHaltHandler(previous_);
    rt::closeDatabase();
  }

  // Adds the users, then runs the login with the script.
  void login(const std::vector<User>& users, std::vector<std::function<void(LoginWindow&)>> steps) {
    runOnThread([&] {
      TableManagersInit();
      relate(Usuarios::def()).open();
      // Stored as a file holds them: twins of a login date from before
      // logins were kept distinct, so they are written past the table's rules.
      std::uint16_t code = 0;
      for (const User& u : users) {
        access(Usuarios::def()).primeRecord();
        USU().Cod_Usuario = ++code;
        USU().Nombre_Usuario = u.name;
        USU().Login_Usuario = u.login;
        USU().Password_Usuario = passwordDigest(u.password);
        USU().NivelAcceso = static_cast<std::uint8_t>(u.level);
        USU().Inactivo = static_cast<std::uint8_t>(u.inactive);
        ASSERT_EQ(Usuarios::table().add(), 0);
      }
      relate(Usuarios::def()).close();
      testing::Probed<LoginWindow> window;
      for (auto& step : steps) window.probe(step);
      window.Run();
      TableManagersKill();
    });
  }

  std::filesystem::path folder_;
  bool halted_ = false;
  rt::HaltHandler previous_;
};

// A step that types into an entry and accepts it.
std::function<void(LoginWindow&)> type(const char* control, const char* text) {
  return [=](LoginWindow& w) {
    w.control<QLineEdit>(control)->setText(rt::toQString(text));
    w.post(rt::event::Accepted, w.control(control));
  };
}
std::function<void(LoginWindow&)> press(const char* control) {
  return [=](LoginWindow& w) { w.post(rt::event::Accepted, w.control(control)); };
}

const std::vector<User> kUsers = {
    {"Ana Perez", "ana", "Secreto", 5},
    {"Ana Gomez", "ANA", "otra", 9},  // the same login in the key's order: second
    {"Beto", "beto", "b", 9},
};

TEST_F(LoginTest, NoUsersMeansNoRestriction) {
  login({}, {});
  EXPECT_FALSE(halted_);
  EXPECT_EQ(GLO::Nombre_Usuario_Logueado, "Sin Restricción"_cp);
  EXPECT_EQ(GLO::Nivel_Usuario_Logueado, 9);
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 0);
}

TEST_F(LoginTest, LoginInOtherCaseFindsTheFirstTwinAndOkRecordsIt) {
  ScriptedMessages messages;
  std::string logBefore;
  login(kUsers, {[&](LoginWindow& w) {
                   logBefore = GLO::ArchivoLog;
                   EXPECT_FALSE(w.control("?OK")->isEnabled());
                 },
                 type("?LOC:LOGIN", "aNa"), type("?LOC:PASSWORD", "otra"),  // the twin's: refused
                 type("?LOC:LOGIN", "ana"), type("?LOC:PASSWORD", "secreto"),  // case counts
                 type("?LOC:LOGIN", "ANA"), type("?LOC:PASSWORD", "Secreto"),
                 [](LoginWindow& w) { EXPECT_TRUE(w.control("?OK")->isEnabled()); }, press("?OK")});
  EXPECT_FALSE(halted_);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, " Error de Acceso...");
  EXPECT_EQ(messages.asked()[0].text.substr(0, 31), " El password que ha ingresado n");
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 1);
  EXPECT_EQ(GLO::Nivel_Usuario_Logueado, 5);
  EXPECT_EQ(GLO::Nombre_Usuario_Logueado, "Ana Perez");
  EXPECT_EQ(rt::getIni("Sistema", "Usuario", "", "win.ini"), "ANA");
  EXPECT_NE(GLO::ArchivoLog.find("LogTL-0001-"), std::string::npos);
  EXPECT_NE(GLO::ArchivoLog, logBefore);
}

TEST_F(LoginTest, LastLoginIsOfferedWithTheFocusInThePassword) {
  rt::putIni("Sistema", "Usuario", "beto", "win.ini");
  login(kUsers,
        {[](LoginWindow& w) {
           EXPECT_EQ(w.control<QLabel>("?GLO:NOMBRE_USUARIO_LOGUEADO")->text(), "Beto");
           EXPECT_EQ(w.control<QLineEdit>("?LOC:LOGIN")->text(), "beto");
           EXPECT_EQ(w.window()->focusWidget(), w.control("?LOC:PASSWORD"));
           // A compact window, not the toolkit's default size.
           EXPECT_LT(w.window()->width(), 500);
           EXPECT_LT(w.window()->height(), 350);
         },
         type("?LOC:PASSWORD", "b"), press("?BUTTON2")});  // Cancelar after a correct password
  EXPECT_FALSE(halted_);
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 3);
  EXPECT_EQ(rt::getIni("Sistema", "Usuario", "", "win.ini"), "beto");  // not written again
}

// A users table that cannot be read is never taken for an empty one: nobody
// gets in without restriction, and leaving the window ends the program.
TEST_F(LoginTest, AnUnreadableUsersTableLetsNobodyIn) {
  ASSERT_TRUE(runOnThread([&] {
    TableManagersInit();
    relate(Usuarios::def()).open();
    access(Usuarios::def()).primeRecord();
    USU().Nombre_Usuario = "Ana";
    USU().Login_Usuario = "ana";
    USU().Password_Usuario = "x";
    USU().NivelAcceso = 5;
    access(Usuarios::def()).insertNumbered(false);
    access(Usuarios::def()).insert(false);
    relate(Usuarios::def()).close();
    TableManagersKill();
  }));
  rt::closeDatabase();
  // Zero the users table's root page, as a damaged disk would.
  const std::string file = (folder_ / "Varneta.dat").string();
  const std::string command =
      "/usr/bin/python3 -c \"import sqlite3,sys\n"
      "c=sqlite3.connect(sys.argv[1]); size=c.execute('pragma page_size').fetchone()[0]\n"
      "root=c.execute(\\\"select rootpage from sqlite_master where type='table' and "
      "name='Usuario'\\\").fetchone()[0]; c.close()\n"
      "f=open(sys.argv[1],'r+b'); f.seek((root-1)*size); f.write(bytes(size)); f.close()\" " +
      file;
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_EQ(openPracticeDatabase(folder_), 0);
  ScriptedMessages messages;
  bool opened = false;
  ASSERT_TRUE(runOnThread([&] {
    TableManagersInit();
    testing::Probed<LoginWindow> window;
    window.probe([&](LoginWindow& w) {
      opened = true;
      w.post(rt::event::Accepted, w.control("?BUTTON2"));  // Cancelar
    });
    window.Run();
    TableManagersKill();
  }));
  EXPECT_NE(GLO::Nivel_Usuario_Logueado, 9);
  EXPECT_NE(GLO::Nombre_Usuario_Logueado, "Sin Restricción"_cp);
  EXPECT_TRUE(halted_) << "the window " << (opened ? "was left" : "could not open")
                       << ": the program ends";
}

TEST_F(LoginTest, CancelarWithoutACorrectPasswordEndsTheProgram) {
  ScriptedMessages messages;
  login(kUsers, {type("?LOC:LOGIN", "nadie"),
                 type("?LOC:PASSWORD", ""),  // after an unknown login nothing can match
                 press("?BUTTON2")});
  EXPECT_TRUE(halted_);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].text.substr(0, 30), " El login de usuario que ha in");
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 0);
}

// A user kept, marked inactive, instead of deleted lets nobody in, not even
// with the right password, and is not offered as the last login.
TEST_F(LoginTest, AnInactiveUserCannotLogIn) {
  rt::putIni("Sistema", "Usuario", "carla", "win.ini");
  std::vector<User> users = kUsers;
  users.push_back({"Carla", "carla", "c", 9, 1});
  ScriptedMessages messages;
  login(users, {[](LoginWindow& w) {
                  EXPECT_EQ(w.control<QLineEdit>("?LOC:LOGIN")->text(), "");
                  EXPECT_EQ(GLO::Nombre_Usuario_Logueado, "");
                },
                type("?LOC:LOGIN", "Carla"), type("?LOC:PASSWORD", "c"), press("?BUTTON2")});
  EXPECT_TRUE(halted_);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, " Error de Acceso...");
  EXPECT_NE(messages.asked()[0].text.find("marcado como Inactivo"), std::string::npos);
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 0);
}

// The users table as the previous version stored it: passwords as typed, in
// a field of 20 characters.
const rt::TableDef& usersAsStoredBefore() {
  static const rt::TableDef def = [] {
    rt::TableBuilder b("Usuarios", "USU", "Usuario", mainDataFile(), 1);
    b.field<rt::UShort>("Cod_Usuario")
        .field<rt::String<60>>("Nombre_Usuario")
        .field<rt::String<20>>("Login_Usuario")
        .field<rt::String<20>>("Password_Usuario")
        .field<rt::Byte>("NivelAcceso")
        .field<rt::Byte>("Inactivo")
        .key("USU01", "Cod_Usuario", rt::KeyKind::Primary, true, "Codigo Interno", 1)
        .key("USU02", "Nombre_Usuario", rt::KeyKind::Duplicates, true, "Nombre")
        .key("USU03", "Login_Usuario", rt::KeyKind::Duplicates, true, "Login")
        .memo("Notas", 1000);
    return b.build();
  }();
  return def;
}

// Each user's login and password as the file holds them, and the users
// table's structure version.
std::vector<std::pair<std::string, std::string>> storedPasswords() {
  std::vector<std::pair<std::string, std::string>> rows;
  rt::sql::Statement s(rt::sql::Connection::get().db(),
                       "SELECT Login_Usuario, Password_Usuario FROM main.Usuario ORDER BY _id");
  while (s.valid() && s.step() == SQLITE_ROW) {
    rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)),
                      reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)));
  }
  return rows;
}
int storedUsersVersion() {
  return rt::storedTableVersion(rt::sql::Connection::get().db(), "main", "Usuario");
}

// A data file of the previous version keeps its users' passwords as typed:
// the first start turns them into digests, the same passwords still log in,
// and a later start leaves the digests as they are.
TEST_F(LoginTest, PasswordsStoredAsTypedBecomeDigestsOnceAndStillLogIn) {
  const std::vector<std::pair<std::string, std::string>> typed = {
      {"admin", "AdminPw1"}, {"ana", " con espacios"}, {"beto", ""}};
  ASSERT_TRUE(runOnThread([&] {
    rt::Table& before = rt::table(usersAsStoredBefore());
    ASSERT_EQ(before.open(), 0);
    const auto& fields = usersAsStoredBefore().fields;
    int code = 0;
    for (const auto& [login, password] : typed) {
      before.clear();
      rt::setFieldNumber(fields[0], before.record(), ++code);
      rt::setFieldText(fields[1], before.record(), "Usuario " + login);
      rt::setFieldText(fields[2], before.record(), login);
      rt::setFieldText(fields[3], before.record(), password);
      rt::setFieldNumber(fields[4], before.record(), 9);
      ASSERT_EQ(before.add(), 0);
    }
    before.close();
  }));
  ASSERT_EQ(storedUsersVersion(), 1);
  ASSERT_EQ(storedPasswords(), typed);
  rt::closeDatabase();
  ASSERT_EQ(openPracticeDatabase(folder_), 0);

  ScriptedMessages messages;
  login({}, {type("?LOC:LOGIN", "admin"), type("?LOC:PASSWORD", "adminpw1"),  // refused
             type("?LOC:LOGIN", "admin"), type("?LOC:PASSWORD", "AdminPw1"),
             [](LoginWindow& w) { EXPECT_TRUE(w.control("?OK")->isEnabled()); }, press("?OK")});
  EXPECT_FALSE(halted_);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, " Error de Acceso...");
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 1);
  EXPECT_EQ(GLO::Nombre_Usuario_Logueado, "Usuario admin");

  EXPECT_EQ(storedUsersVersion(), 2);
  const auto digested = storedPasswords();
  ASSERT_EQ(digested.size(), typed.size());
  for (std::size_t i = 0; i < typed.size(); ++i) {
    SCOPED_TRACE(typed[i].first);
    EXPECT_EQ(digested[i].first, typed[i].first);
    EXPECT_NE(digested[i].second, typed[i].second);
    EXPECT_EQ(digested[i].second.rfind("pbkdf2-sha256$", 0), 0u) << digested[i].second;
    EXPECT_TRUE(passwordMatches(typed[i].second, digested[i].second));
  }
  // The others log in with their own passwords, leading spaces and all.
  for (const auto& [user, password] :
       {std::pair<const char*, const char*>{"ana", " con espacios"}, {"beto", ""}}) {
    GLO::Cod_Usuario_Logueado = 0;
    login({}, {type("?LOC:LOGIN", user), type("?LOC:PASSWORD", password), press("?OK")});
    EXPECT_NE(GLO::Cod_Usuario_Logueado, 0) << user;
  }
  EXPECT_EQ(messages.asked().size(), 1u);

  rt::closeDatabase();
  ASSERT_EQ(openPracticeDatabase(folder_), 0);
  ASSERT_TRUE(runOnThread([] {
    ASSERT_EQ(Usuarios::table().open(), 0);
    Usuarios::table().close();
  }));
  EXPECT_EQ(storedPasswords(), digested) << "a digest is never digested again";
}

}  // namespace
}  // namespace core
