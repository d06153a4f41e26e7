// The record form and the list window on the users form and list: requests,
// activity lines, the save question, protection, lookups, the level rules,
// the locator and paging, and the login window.
#include "core/frame/users_windows.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "core/aids/font_scaler.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/navigation_toolbar.h"
#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/frame/window_font_start.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/password_digest.h"
#include "core/tables/table_managers.h"
#include "core/testing/probed_window.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_placement.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

constexpr char kFormTitle[] = "Actualizando un registro de Usuarios";
constexpr char kListTitle[] = "Examinando el archivo de Usuarios";

class UsersWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = rt::testing::freshFolder("users");
    std::filesystem::create_directories(folder_ / "tmp");
    setenv("TEMP", rt::runtimeName(folder_ / "tmp").c_str(), 1);
    ASSERT_EQ(openPracticeDatabase(folder_), 0);
    GLO::Cod_Usuario_Logueado = 0;
    GLO::Nivel_Usuario_Logueado = 9;
    GLO::Nombre_Usuario_Logueado.clear();
    BuildArchivoLog();
    // The log lies in the account's temp folder, shared by every test here.
    std::filesystem::remove(rt::resolvePath(GLO::ArchivoLog));
  }
  void TearDown() override {
    rt::closeDatabase();
    unsetenv("TEMP");
  }

  // Runs the body on a logical thread that has its table managers.
  void onThread(const std::function<void()>& body) {
    ASSERT_TRUE(runOnThread([&] {
      TableManagersInit();
      relate(Usuarios::def()).open();
      body();
      relate(Usuarios::def()).close();
      TableManagersKill();
    }));
  }

  // On a thread: adds a user and answers its code.
  static int addUser(std::string_view name, std::string_view login, std::string_view password,
                     int level) {
    TableAccess& a = access(Usuarios::def());
    a.primeRecord();
    USU().Nombre_Usuario = name;
    USU().Login_Usuario = login;
    USU().Password_Usuario = password;
    USU().NivelAcceso = static_cast<std::uint8_t>(level);
    EXPECT_EQ(a.insertNumbered(false), level::Benign);
    EXPECT_EQ(a.insert(false), level::Benign);
    return USU().Cod_Usuario;
  }
  static void readUser(int code) {
    USU().Cod_Usuario = static_cast<std::uint16_t>(code);
    ASSERT_EQ(Usuarios::table().fetch(Usuarios::USU01), 0);
  }

  // The activity lines without their date and time.
  std::vector<std::string> logLines() const {
    std::vector<std::string> lines;
    std::ifstream in(rt::resolvePath(GLO::ArchivoLog));
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line.size() > 22 ? line.substr(22) : line);
    }
    return lines;
  }

  std::filesystem::path folder_;
};

using testing::Probed;

// Opens the form under a request on the thread and returns ThreadResponse.
int runForm(int request) {
  rt::ThreadRequest() = static_cast<std::uint8_t>(request);
  FormularioUsuario();
  return rt::ThreadResponse();
}

TEST_F(UsersWindows, ViewModeSavesNothingAndAnswersCancelledWhateverTheButton) {
  onThread([&] {
    const int code = addUser("Ana", "ana", "x", 5);
    for (const char* button : {"?OK", "?CANCEL"}) {
      readUser(code);
      WindowScript script;
      script.on(kFormTitle, [&](rt::WindowDriver& w) {
        w.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText("Otra");
        click(w, button);
      });
      EXPECT_EQ(runForm(request::View), rt::kCancelled);
      readUser(code);
      EXPECT_EQ(USU().Nombre_Usuario, "Ana");
    }
  });
  EXPECT_EQ(logLines(), (std::vector<std::string>{
                            "FORMULARIOUSUARIO - Ver - Cod. 1 - Ingreso",
                            "FORMULARIOUSUARIO - Indeterminado - Cod. 1 - Salida",
                            "FORMULARIOUSUARIO - Ver - Cod. 1 - Ingreso",
                            "FORMULARIOUSUARIO - Cancelado - Cod. 1 - Salida",
                        }));
}

TEST_F(UsersWindows, UnknownRequestIsIndeterminateAndInsertSavesANumberedRecord) {
  onThread([&] {
    addUser("Ana", "ana", "x", 5);
    readUser(1);
    WindowScript script;
    script.on(kFormTitle, [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
    EXPECT_EQ(runForm(9), rt::kCancelled);

    WindowScript insert;
    insert.on(kFormTitle, [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText("Beto");
      w.control<QLineEdit>("?USU:LOGIN_USUARIO")->setText("beto");
      click(w, "?OK");
    });
    EXPECT_EQ(runForm(request::Insert), rt::kCompleted);
    readUser(2);
    EXPECT_EQ(USU().Login_Usuario, "beto");
    EXPECT_EQ(USU().NivelAcceso, 5);  // the table's default

    // An abandoned insert leaves no record behind.
    WindowScript abandon;
    abandon.on(kFormTitle, [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
    EXPECT_EQ(runForm(request::Insert), rt::kCancelled);
    EXPECT_EQ(Usuarios::table().records(), 2);
  });
  const auto lines = logLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "FORMULARIOUSUARIO - Indeterminado - Cod. 1 - Ingreso");
  EXPECT_EQ(lines[2], "FORMULARIOUSUARIO - Insertar - Cod. 2 - Ingreso");
  EXPECT_EQ(lines[3], "FORMULARIOUSUARIO - Aceptado - Cod. 2 - Salida");
  EXPECT_EQ(lines[4], "FORMULARIOUSUARIO - Insertar - Cod. 3 - Ingreso");
  EXPECT_EQ(lines[5], "FORMULARIOUSUARIO - Cancelado - Cod. 3 - Salida");
}

TEST_F(UsersWindows, CloseOverAChangedRecordAsksAndWritesAnExitLineEachTime) {
  ScriptedMessages answers({rt::button::Cancel, rt::button::Yes});
  onThread([&] {
    const int code = addUser("Ana", "ana", "x", 5);
    readUser(code);
    WindowScript script;
    script.on(kFormTitle, [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText("Ana Maria");
      w.post(rt::event::CloseWindow);  // answered Cancel: the form stays
      w.post(rt::event::CloseWindow);  // answered Yes: saved and closed
    });
    EXPECT_EQ(runForm(request::Change), rt::kCompleted);
    readUser(code);
    EXPECT_EQ(USU().Nombre_Usuario, "Ana Maria");
  });
  ASSERT_EQ(answers.asked().size(), 2u);
  EXPECT_EQ(logLines(), (std::vector<std::string>{
                            "FORMULARIOUSUARIO - Modificar - Cod. 1 - Ingreso",
                            "FORMULARIOUSUARIO - Indeterminado - Cod. 1 - Salida",
                            "FORMULARIOUSUARIO - Indeterminado - Cod. 1 - Salida",
                            "FORMULARIOUSUARIO - Aceptado - Cod. 1 - Salida",
                        }));
}

// A form over the users' table whose level (a byte) is typed in an entry and
// whose name is required but disabled.
class TypedLevelForm : public RecordForm {
 public:
  TypedLevelForm() : RecordForm("FormularioNivel", Usuarios::def(), false) {}

 protected:
  QWidget* buildWindow() override {
    auto* w = new QWidget(nullptr, Qt::Dialog);
    w->setWindowTitle("Nivel tipeado");
    auto* layout = new QVBoxLayout(w);
    auto* name = new QLineEdit(w);
    name->setObjectName("?NOMBRE");
    rt::setRequired(name, true);
    name->setEnabled(false);
    auto* prompt = new QLabel("Nivel:", w);
    auto* level = new QLineEdit(w);
    level->setObjectName("?NIVEL");
    rt::setPicture(level, "@n3");
    prompt->setBuddy(level);
    for (const char* button : {"?OK", "?CANCEL"}) {
      auto* b = new QPushButton(QString::fromLatin1(button).mid(1), w);
      b->setObjectName(button);
      layout->addWidget(b);
    }
    for (QWidget* c : {static_cast<QWidget*>(name), static_cast<QWidget*>(prompt),
                       static_cast<QWidget*>(level)}) {
      layout->addWidget(c);
    }
    fields().bind(name, "USU:Nombre_Usuario");
    fields().bind(level, "USU:NivelAcceso");
    return w;
  }
};

TEST_F(UsersWindows, AValueTheFieldCannotHoldIsRefusedAndADisabledEntryIsNotRequired) {
  std::vector<std::string> said;
  QLineEdit* level = nullptr;
  const rt::MessageHandler before = rt::setMessageHandler([&](const rt::MessageRequest& m) {
    said.push_back(m.text);
    if (said.size() > 1) return rt::button::Ok;
    // Mended after the refusal, then accepted again.
    level->setText("5");
    rt::WindowDriver::topWindow(rt::currentThreadNumber())
        ->post(rt::event::Accepted, level->window()->findChild<QWidget*>("?OK"));
    return rt::button::Ok;
  });
  int response = 0;
  onThread([&] {
    WindowScript script;
    script.on("Nivel tipeado", [&](rt::WindowDriver& w) {
      level = w.control<QLineEdit>("?NIVEL");
      level->setText("300");  // a byte holds up to 255; stored it would read 44
      click(w, "?OK");
    });
    rt::ThreadRequest() = request::Insert;
    TypedLevelForm form;
    response = form.Run();
    readUser(1);
    EXPECT_EQ(USU().NivelAcceso, 5);
  });
  rt::setMessageHandler(before);
  EXPECT_EQ(response, rt::kCompleted) << "the disabled, empty name did not block OK";
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "Nivel: el valor 300 está fuera del rango permitido (de 0 a 255)."_cp);
}

TEST_F(UsersWindows, DeleteAsksFirstAndEndsWithoutOpening) {
  ScriptedMessages answers({rt::button::No, rt::button::Yes});
  onThread([&] {
    const int code = addUser("Ana", "ana", "x", 5);
    readUser(code);
    EXPECT_EQ(runForm(request::Delete), rt::kCancelled);
    EXPECT_EQ(Usuarios::table().records(), 1);
    readUser(code);
    EXPECT_EQ(runForm(request::Delete), rt::kCompleted);
    EXPECT_EQ(Usuarios::table().records(), 0);
  });
  ASSERT_EQ(answers.asked().size(), 2u);
  EXPECT_EQ(answers.asked()[0].caption, "Confirmar Borrado");
  EXPECT_TRUE(logLines().empty());  // the window never opened
}

TEST_F(UsersWindows, ProtectedFormEscGoesToOkAndCloseIsGreyed) {
  onThread([&] {
    readUser(addUser("Ana", "ana", "x", 5));
    rt::ThreadRequest() = request::Change;
    Probed<UserForm> form;
    WindowScript script;
    script.on(kFormTitle, [&](rt::WindowDriver& w) {
      EXPECT_TRUE(w.window()->property("rtCloseGreyed").toBool());
      EXPECT_FALSE(w.window()->windowFlags() & Qt::WindowCloseButtonHint);
      w.control("?USU:NOMBRE_USUARIO")->setFocus();
      QTest::keyClick(w.control("?USU:NOMBRE_USUARIO"), Qt::Key_Escape);
      form.probe([](UserForm& f) {
        EXPECT_TRUE(f.isOpen());
        EXPECT_EQ(f.window()->focusWidget(), f.control("?OK"));
        click(f, "?CANCEL");
      });
    });
    form.Run();
    EXPECT_EQ(form.closeMenu().toggle(), 0);
  });
}

// The user form closes only through its buttons: its Cancel over a changed
// user asks whether to save it, Cancel the default; Cancel comes back to the
// first field, Yes stores as OK does.
TEST_F(UsersWindows, CancelOverAChangedUserAsksWhetherToSaveIt) {
  ScriptedMessages answers({rt::button::Cancel, rt::button::Yes});
  onThread([&] {
    const int code = addUser("Ana", "ana", "x", 5);
    readUser(code);
    rt::ThreadRequest() = request::Change;
    Probed<UserForm> form;
    form.probe([](UserForm& f) {
      f.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText("Ana Maria");
      f.control("?OK")->setFocus();
      click(f, "?CANCEL");
    });
    form.probe([](UserForm&) {});  // the close request Cancel posted
    form.probe([](UserForm& f) {
      ASSERT_TRUE(f.isOpen());
      EXPECT_EQ(f.window()->focusWidget(), f.control("?USU:NOMBRE_USUARIO"));
      click(f, "?CANCEL");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    readUser(code);
    EXPECT_EQ(USU().Nombre_Usuario.clipped(), "Ana Maria");
  });
  ASSERT_EQ(answers.asked().size(), 2u);
  for (const rt::MessageRequest& asked : answers.asked()) {
    EXPECT_EQ(asked.caption, "Guardar Registro");
    EXPECT_EQ(asked.text, "¿ Desea guardar los cambios?"_cp);
    EXPECT_EQ(asked.buttons, rt::button::Yes | rt::button::No | rt::button::Cancel);
    EXPECT_EQ(asked.defaultButton, rt::button::Cancel);
  }
}

TEST_F(UsersWindows, LevelRulesOfTheFormAndTheList) {
  onThread([&] {
    const int own = addUser("Ana", "ana", "x", 5);
    const int other = addUser("Beto", "beto", "y", 5);
    GLO::Nivel_Usuario_Logueado = 5;
    GLO::Cod_Usuario_Logueado = static_cast<std::uint16_t>(own);
    for (int code : {own, other}) {
      readUser(code);
      WindowScript script;
      script.on(kFormTitle, [&](rt::WindowDriver& w) {
        for (const char* c :
             {"?USU:NOMBRE_USUARIO", "?USU:LOGIN_USUARIO", "?USU:PASSWORD_USUARIO"}) {
          EXPECT_EQ(w.control(c)->isEnabled(), code == own) << c;
        }
        EXPECT_FALSE(w.control("?USU:NIVELACCESO")->isEnabled());
        EXPECT_FALSE(w.control("?USU:INACTIVO")->isEnabled());
        click(w, "?CANCEL");
      });
      runForm(request::Change);
    }
    // At level 9 another user's record may be marked inactive, never one's own.
    GLO::Nivel_Usuario_Logueado = 9;
    for (int code : {own, other}) {
      readUser(code);
      WindowScript script;
      script.on(kFormTitle, [&](rt::WindowDriver& w) {
        EXPECT_EQ(w.control("?USU:INACTIVO")->isEnabled(), code == other);
        if (code == other) qobject_cast<QAbstractButton*>(w.control("?USU:INACTIVO"))->click();
        click(w, "?OK");
      });
      runForm(request::Change);
      readUser(code);
      EXPECT_EQ(USU().Inactivo, code == other ? 1 : 0);
    }
    for (int level : {5, 9}) {
      GLO::Nivel_Usuario_Logueado = static_cast<std::uint8_t>(level);
      WindowScript script;
      script.on(kListTitle, [&](rt::WindowDriver& w) {
        EXPECT_EQ(w.control("?INSERT:6")->isVisible(), level == 9);
        EXPECT_EQ(w.control("?DELETE:6")->isVisible(), level == 9);
        EXPECT_TRUE(w.control("?CHANGE:6")->isVisible());
        EXPECT_FALSE(w.control("?SELECT:3")->isVisible());  // shown only to select
        click(w, "?CLOSE");
      });
      EXPECT_EQ(ExaminarUsuarios(), rt::kCompleted);  // browsing answers completed
    }
  });
}

// A user below level 9 may change his own login, but not to one another user
// has: that would take the other's logins over.
TEST_F(UsersWindows, ALoginAnotherUserHasIsRefusedAndTheFormKeepsWhatWasTyped) {
  onThread([&] {
    const int director = addUser("Directora", "director", "d", 9);
    const int own = addUser("Ana", "ana", "x", 1);
    GLO::Nivel_Usuario_Logueado = 1;
    GLO::Cod_Usuario_Logueado = static_cast<std::uint16_t>(own);
    readUser(own);
    ScriptedMessages messages;
    rt::ThreadRequest() = request::Change;
    Probed<UserForm> form;
    form.probe([](UserForm& f) {
      f.control<QLineEdit>("?USU:LOGIN_USUARIO")->setText("Director ");
      click(f, "?OK");
    });
    form.probe([&](UserForm& f) {
      EXPECT_TRUE(f.isOpen());
      ASSERT_EQ(messages.asked().size(), 1u);
      EXPECT_EQ(messages.asked()[0].caption, "Error Clave Duplicada");
      EXPECT_NE(messages.asked()[0].text.find("Login \"Director\""), std::string::npos)
          << messages.asked()[0].text;
      EXPECT_EQ(f.control<QLineEdit>("?USU:LOGIN_USUARIO")->text(), "Director ");
      f.control<QLineEdit>("?USU:LOGIN_USUARIO")->setText("ana.m");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(messages.asked().size(), 1u);
    USU().Login_Usuario = "DIRECTOR";
    ASSERT_EQ(Usuarios::table().fetch(Usuarios::USU03), 0);
    EXPECT_EQ(USU().Cod_Usuario, director);
    readUser(own);
    EXPECT_EQ(USU().Login_Usuario.clipped(), "ana.m");
  });
}

// The code keys everything of a user: nobody changes it in the form, not
// even the administrator; passwords show as bullets to everybody.
TEST_F(UsersWindows, TheCodeIsShownOnlyAndPasswordsShowAsBullets) {
  onThread([&] {
    const int own = addUser("Ana", "ana", "x", 5);
    const int other = addUser("Beto", "beto", "clave", 5);
    GLO::Cod_Usuario_Logueado = static_cast<std::uint16_t>(own);
    for (int level : {5, 9}) {
      GLO::Nivel_Usuario_Logueado = static_cast<std::uint8_t>(level);
      readUser(other);
      WindowScript script;
      script.on(kFormTitle, [&](rt::WindowDriver& w) {
        auto* password = w.control<QLineEdit>("?USU:PASSWORD_USUARIO");
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(password->isEnabled(), level == 9) << "another user's password";
        auto* code = w.control<QLineEdit>("?USU:COD_USUARIO");
        code->setFocus();
        QTest::keyClicks(code, "77");
        QTest::keyClick(code, Qt::Key_Apostrophe, Qt::ControlModifier);
        EXPECT_EQ(code->text().toInt(), other);
        click(w, "?OK");
      });
      runForm(request::Change);
      readUser(other);
      EXPECT_EQ(USU().Nombre_Usuario.clipped(), "Beto") << level;
      EXPECT_EQ(Usuarios::table().records(), 2);
    }
  });
}

// A list opened by the administrator, then a re-login as a level-5 user:
// the next action meets the new level, so the administrator cannot be deleted.
TEST_F(UsersWindows, AReLoginAtALowerLevelTakesTheListsRightsAway) {
  onThread([&] {
    const int admin = addUser("Admin", "admin", "x", 9);
    addUser("Recepcion", "recep", "y", 5);
    GLO::Nivel_Usuario_Logueado = 9;
    GLO::Cod_Usuario_Logueado = static_cast<std::uint16_t>(admin);
    rt::testing::ScriptedMessages messages({1});  // would confirm a delete
    Probed<UsersList> list;
    WindowScript script;
    script.on(kListTitle, [&](rt::WindowDriver&) {
      list.probe([&](UsersList& l) {
        EXPECT_TRUE(l.control("?DELETE:6")->isVisible());
        GLO::Nivel_Usuario_Logueado = 5;  // what a re-login on the frame does
        GLO::Cod_Usuario_Logueado = 2;
        l.post(rt::event::Accepted, l.control("?DELETE:6"));
      });
      list.probe([&](UsersList& l) {
        EXPECT_FALSE(l.control("?DELETE:6")->isVisible());
        EXPECT_FALSE(l.control("?INSERT:6")->isVisible());
        click(l, "?CLOSE");
      });
    });
    list.Run();
    EXPECT_EQ(Usuarios::table().records(), 2);
  });
}

TEST_F(UsersWindows, LookupAnswersTheChosenRowInTheCallersBuffer) {
  onThread([&] {
    addUser("Carla", "carla", "x", 5);
    addUser("Ana", "ana", "x", 5);
    addUser("Beto", "beto", "x", 5);
    rt::clearRecord(Usuarios::def(), Usuarios::table().buffer());
    WindowScript closeIt;
    closeIt.on(kListTitle, [](rt::WindowDriver& w) {
      EXPECT_TRUE(w.control("?SELECT:3")->isVisible());
      click(w, "?CLOSE");
    });
    rt::ThreadRequest() = request::Select;
    EXPECT_EQ(ExaminarUsuarios(), rt::kCancelled);

    WindowScript choose;
    choose.on(kListTitle, [](rt::WindowDriver& w) {
      auto* list = w.control<QTableView>("?BROWSE:5");
      list->setCurrentIndex(list->model()->index(1, 0));  // by name: Ana, Beto, Carla
      click(w, "?SELECT:3");
    });
    rt::ThreadRequest() = request::Select;
    EXPECT_EQ(ExaminarUsuarios(), rt::kCompleted);
    EXPECT_EQ(rt::ThreadResponse(), rt::kCompleted);
    EXPECT_EQ(USU().Nombre_Usuario, "Beto");
  });
}

TEST_F(UsersWindows, TheListsLeftAndRightMoveBetweenControls) {
  onThread([&] {
    addUser("Ana", "ana", "x", 5);
    addUser("Beto", "beto", "x", 5);
    bool leftTheList = false;
    int column = -1;
    WindowScript script;
    script.on(kListTitle, [&](rt::WindowDriver& w) {
      auto* list = w.control<QTableView>("?BROWSE:5");
      list->setFocus(Qt::OtherFocusReason);
      QTest::keyClick(list, Qt::Key_Right);
      column = list->currentIndex().column();
      leftTheList = w.window()->focusWidget() != list;
      click(w, "?CLOSE");
    });
    rt::ThreadRequest() = request::Change;
    ExaminarUsuarios();
    EXPECT_TRUE(leftTheList) << "Right moved to the next control";
    EXPECT_EQ(column, 0) << "not to the next cell";
  });
}

TEST_F(UsersWindows, ViewModeListOpensNoForm) {
  onThread([&] {
    addUser("Ana", "ana", "x", 5);
    GLO::Nivel_Usuario_Logueado = 5;
    WindowScript script;
    int answer = 0;
    script.on(kListTitle, [&](rt::WindowDriver& w) {
      auto& list = static_cast<UsersList&>(w);
      EXPECT_EQ(list.browser().INSERTCONTROL, nullptr);
      EXPECT_EQ(list.browser().DELETECONTROL, nullptr);
      answer = list.RunProcedure(1, request::Change);
      click(w, "?CLOSE");
    });
    rt::ThreadRequest() = request::View;
    ExaminarUsuarios();
    EXPECT_EQ(answer, rt::kCancelled);
  });
  EXPECT_TRUE(logLines().empty());  // no form was opened
}

// The columns share the list's width as it is once the window has its size
// (a list laid out wider and then narrowed pushed "Login" out of sight),
// until the user sets a width by hand.
TEST_F(UsersWindows, TheColumnsShareTheListsWidthAsItEndsUp) {
  onThread([&] {
    addUser("Ana", "ana", "x", 9);
    Probed<UsersList> list;
    WindowScript script;
    script.on(kListTitle, [&](rt::WindowDriver&) {
      list.probe([](UsersList& l) {
        auto* view = l.control<QTableView>("?BROWSE:5");
        QHeaderView* header = view->horizontalHeader();
        for (const int width : {1300, 700}) {
          SCOPED_TRACE(width);
          l.window()->resize(width, l.window()->height());
          const int shown = view->viewport()->width();
          ASSERT_GT(shown, width / 2);
          EXPECT_LE(header->length(), shown) << "every column in sight";
          EXPECT_NEAR(header->sectionSize(1), shown / 4, 2) << "Login keeps its share";
        }
        click(l, "?CLOSE");
      });
    });
    list.Run();
  });
}

TEST_F(UsersWindows, LocatorAndPagingOverManyRows) {
  onThread([&] {
    for (int i = 0; i < 250; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "user%03d", i);
      addUser(name, name, "x", 5);
    }
    addUser("Ángel"_cp, "angel", "x", 5);  // sorts with the A's, before "B"
    addUser("Bruno", "bruno", "x", 5);
    Probed<UsersList> list;
    WindowScript script;
    script.on(kListTitle, [&](rt::WindowDriver& w) {
      auto* view = w.control<QTableView>("?BROWSE:5");
      EXPECT_EQ(view->model()->rowCount(), ListBrowser::kPage);
      EXPECT_EQ(view->model()->data(view->model()->index(0, 0)).toString(),
                QString::fromUtf8("\u00C1ngel"));
      view->setFocus();
      QTest::keyClicks(view, "user2");
      list.probe([](UsersList& l) {
        EXPECT_EQ(l.browser().locatorText(), "user2");
        const ListRow* row = l.browser().selectedRow();
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->cells[0], "user200");
        // Backspace widens the locator again: "user" finds the first user.
        QTest::keyClick(l.browser().list(), Qt::Key_Backspace);
      });
      list.probe([](UsersList& l) {
        EXPECT_EQ(l.browser().selectedRow()->cells[0], "user000");
        // To the end: pages load as the list scrolls.
        QTableView* view = l.browser().list();
        view->scrollToBottom();
      });
      list.probe([](UsersList& l) {
        EXPECT_GT(l.browser().RecordsInView(), ListBrowser::kPage);
        l.browser().LoadWhole(true);
        EXPECT_EQ(l.browser().RecordsInView(), 252);
        click(l, "?CLOSE");
      });
    });
    list.Run();
  });
}

// Keys typed on a list at the given moments (milliseconds), one apart from
// the next by less than a pause.
unsigned long typeAt(QWidget* list, const char* text, unsigned long at) {
  for (const char* c = text; *c != 0; ++c, at += 300) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (std::toupper(*c) - 'A'), Qt::NoModifier,
                    QString(QLatin1Char(*c)));
    press.setTimestamp(at);
    QApplication::sendEvent(list, &press);
  }
  return at;
}

// A new search of the locator starts a new text: after the selection was
// moved by other means (the arrows here), after the list took the focus
// again and after a pause. Its text is selected then: the next key replaces
// it. Keys a moment apart go on with the text.
TEST_F(UsersWindows, TheLocatorStartsAfreshAfterAnotherMoveTheFocusOrAPause) {
  onThread([&] {
    for (const char* name : {"Ibarra", "Ohara", "Pena", "Zulueta"}) addUser(name, name, "x", 5);
    Probed<UsersList> list;
    WindowScript script;
    unsigned long at = 100000;
    auto shows = [](UsersList& l, const char* typed, const char* row) {
      EXPECT_EQ(l.browser().locatorText(), typed);
      const ListRow* selected = l.browser().selectedRow();
      ASSERT_NE(selected, nullptr);
      EXPECT_EQ(selected->cells[0], row);
    };
    auto locator = [](UsersList& l) {
      return l.control<QLineEdit>("?USU:USU02:USU:NOMBRE_USUARIO");
    };
    script.on(kListTitle, [&](rt::WindowDriver& w) {
      auto* view = w.control<QTableView>("?BROWSE:5");
      view->setFocus();
      at = typeAt(view, "oh", at);
      list.probe([&](UsersList& l) {
        shows(l, "oh", "Ohara");
        QTest::keyClick(l.browser().list(), Qt::Key_Down);
      });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(locator(l)->selectedText(), "OH") << "moved by the arrow: the text is selected";
        at = typeAt(l.browser().list(), "i", at);
      });
      list.probe([&](UsersList& l) {
        shows(l, "i", "Ibarra");
        at = typeAt(l.browser().list(), "zu", at + 5000);
      });
      list.probe([&](UsersList& l) {
        shows(l, "zu", "Zulueta");
        EXPECT_EQ(locator(l)->selectedText(), "");
        // The focus comes back to the list (from a button, by Tab).
        QFocusEvent back(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(l.browser().list(), &back);
      });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(locator(l)->selectedText(), "ZU") << "the list took the focus";
        at = typeAt(l.browser().list(), "p", at);
      });
      list.probe([&](UsersList& l) {
        shows(l, "p", "Pena");
        click(l, "?CLOSE");
      });
    });
    list.Run();
  });
}

TEST_F(UsersWindows, QueryByExampleIsANamedFilterJoinedWithTheOthers) {
  // The configured font, read already: the query window takes it like every window.
  const WindowFontStart saved = windowFontStart();
  windowFontStart() = {"Roboto Medium", 9, -1, -1, -1, 0, 4 | saved.flags, saved.section};
  onThread([&] {
    addUser("Ana", "ana", "x", 9);
    addUser("Beto", "beto", "x", 9);
    addUser("Mariana", "mari", "x", 5);
    Probed<UsersList> list;
    WindowScript script;
    auto names = [](UsersList& l) {
      std::vector<std::string> shown;
      auto* model = l.browser().list()->model();
      for (int r = 0; r < model->rowCount(); ++r) {
        shown.push_back(rt::fromQString(model->data(model->index(r, 0)).toString()));
      }
      return shown;
    };
    script
        .on(kListTitle,
            [&](rt::WindowDriver&) {
              list.probe([](UsersList& l) { click(l, "?QUERY:2"); });
              list.probe([&](UsersList& l) {
                EXPECT_EQ(names(l), (std::vector<std::string>{"Ana", "Mariana"}));
                l.browser().SetFilter("USU:NivelAcceso = 9", "1 Nivel");
                l.browser().ApplyFilter();
                l.browser().ResetView();
                EXPECT_EQ(l.browser().filterText(),
                          "(USU:NivelAcceso = 9) AND (MATCH(USU:Nombre_Usuario,'*ana*',17))");
                EXPECT_EQ(names(l), (std::vector<std::string>{"Ana"}));
                click(l, "?QUERY:2");  // reopened with "ana", emptied
              });
              list.probe([&](UsersList& l) {
                EXPECT_EQ(names(l), (std::vector<std::string>{"Ana", "Beto"}));
                click(l, "?CLOSE");
              });
            })
        .on("Consulta",
            [](rt::WindowDriver& w) {
              EXPECT_EQ(w.window()->font().family(), "Roboto Medium") << "the configured font";
              EXPECT_TRUE(w.window()->property("rtFocusMarker").isValid()) << "the focus marker";
              w.control<QLineEdit>("?QUERYVALUE1")->setText("ana");
              click(w, "?OK");
            })
        .on("Consulta", [](rt::WindowDriver& w) {
          EXPECT_EQ(w.control<QLineEdit>("?QUERYVALUE1")->text(), "ana");
          w.control<QLineEdit>("?QUERYVALUE1")->clear();
          click(w, "?OK");
        });
    list.Run();
  });
  windowFontStart() = saved;
}

TEST_F(UsersWindows, HistoryKeyBringsBackTheFieldOfTheLastSavedRecord) {
  ScriptedMessages leaving({rt::button::No});  // the restored login: No to saving it on Cancel
  onThread([&] {
    readUser(addUser("Ana", "ana", "x", 5));
    WindowScript save;
    save.on(kFormTitle, [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?USU:LOGIN_USUARIO")->setText("anita");
      click(w, "?OK");
    });
    ASSERT_EQ(runForm(request::Change), rt::kCompleted);

    rt::ThreadRequest() = request::Insert;
    Probed<UserForm> form;
    form.probe([](UserForm& f) {
      QWidget* login = f.control("?USU:LOGIN_USUARIO");
      login->setFocus();
      QTest::keyClick(login, Qt::Key_Apostrophe, Qt::ControlModifier);
    });
    form.probe([](UserForm& f) {
      EXPECT_EQ(f.control<QLineEdit>("?USU:LOGIN_USUARIO")->text(), "anita");
      EXPECT_EQ(f.control<QLineEdit>("?USU:NOMBRE_USUARIO")->text(), "");  // only that field
      click(f, "?CANCEL");
    });
    form.Run();
  });
}

// The form never shows a stored password: the entry starts blank, a blank
// entry keeps the stored digest, a typed one replaces it with the digest of
// what was typed, and a new user left blank gets the empty password.
TEST_F(UsersWindows, TheFormNeverShowsAPasswordAndABlankEntryKeepsIt) {
  onThread([&] {
    const std::string secreto = passwordDigest("Secreto");
    const int code = addUser("Ana", "ana", secreto, 5);
    const auto stored = [&](int user) {
      readUser(user);
      return std::string(USU().Password_Usuario.clipped());
    };
    struct Step {
      int request;
      const char* typed;  // into the password entry; null: nothing typed
      const char* name;
      int user;              // whose password is then stored
      const char* password;  // the one stored
    };
    const Step steps[] = {{request::Change, nullptr, "Ana Maria", code, "Secreto"},
                          {request::Change, "Nueva", nullptr, code, "Nueva"},
                          {request::Insert, "Clave  ", "Beto", code + 1, "Clave"},
                          {request::Insert, nullptr, "Carla", code + 2, ""}};
    for (const Step& step : steps) {
      SCOPED_TRACE(step.typed ? step.typed : "(blank)");
      if (step.request == request::Change) readUser(code);
      rt::ThreadRequest() = static_cast<std::uint8_t>(step.request);
      Probed<UserForm> form;
      form.probe([&](UserForm& f) {
        auto* password = f.control<QLineEdit>("?USU:PASSWORD_USUARIO");
        EXPECT_EQ(password->text(), "");
        EXPECT_FALSE(f.recordChanged()) << "an untouched form holds no change";
        // The history key brings back no password of the last saved record.
        password->setFocus();
        QTest::keyClick(password, Qt::Key_Apostrophe, Qt::ControlModifier);
      });
      form.probe([&](UserForm& f) {
        EXPECT_EQ(f.control<QLineEdit>("?USU:PASSWORD_USUARIO")->text(), "");
        if (step.name) f.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText(step.name);
        if (step.typed) f.control<QLineEdit>("?USU:PASSWORD_USUARIO")->setText(step.typed);
        click(f, "?OK");
      });
      EXPECT_EQ(form.Run(), rt::kCompleted);
      const std::string digest = stored(step.user);
      if (step.typed == nullptr && step.request == request::Change) {
        EXPECT_EQ(digest, secreto) << "a blank entry keeps the stored digest";
      }
      EXPECT_NE(digest, step.password);
      EXPECT_TRUE(isPasswordDigest(digest)) << digest;
      EXPECT_TRUE(passwordMatches(step.password, digest));
    }
    readUser(code);
    EXPECT_EQ(USU().Nombre_Usuario, "Ana Maria");
    EXPECT_FALSE(passwordMatches("Secreto", stored(code)));
    EXPECT_EQ(Usuarios::table().records(), 3);
  });
}

TEST_F(UsersWindows, ApplySavesAndKeepsTheFormOpen) {
  onThread([&] {
    const int code = addUser("Ana", "ana", "x", 5);
    readUser(code);
    rt::ThreadRequest() = request::Apply;
    Probed<UserForm> form;
    form.probe([](UserForm& f) {
      f.control<QLineEdit>("?USU:NOMBRE_USUARIO")->setText("Ana Maria");
      click(f, "?OK");
    });
    form.probe([code](UserForm& f) {
      EXPECT_TRUE(f.isOpen());
      rt::Table& other = Usuarios::table();
      const auto position = other.position();
      readUser(code);
      EXPECT_EQ(USU().Nombre_Usuario, "Ana Maria");
      other.fetchPosition(position);
      click(f, "?CANCEL");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);  // saved, though left with Cancelar
  });
}

// At font size 14 the users form is taller than a 1366x768 screen: it stays
// on the screen and its client area scrolls, so OK can still be reached.
TEST_F(UsersWindows, AtALargeFontTheFormStaysOnTheScreenWithOkReachable) {
  std::filesystem::remove(rt::resolvePath(kProgramIni));
  setWindowFontStartValues();
  settingsStore().Init(kProgramIni);
  settingsStore().update("AnyFont", "FontSize", "14");
  onThread([&] {
    readUser(addUser("Ana", "ana", "x", 5));
    WindowScript script;
    script.on(kFormTitle, [&](rt::WindowDriver& w) {
      const QRect area = rt::availableArea(w.window());
      EXPECT_TRUE(area.contains(w.window()->frameGeometry())) << "window within the screen";
      QPushButton* ok = w.control<QPushButton>("?OK");
      ASSERT_NE(ok, nullptr);
      EXPECT_EQ(w.window()->font().pointSize(), 14);
      if (auto* scroll = w.window()->findChild<QScrollArea*>()) scroll->ensureWidgetVisible(ok);
      const QRect shown(ok->mapTo(w.window(), QPoint(0, 0)), ok->size());
      EXPECT_TRUE(w.window()->rect().contains(shown)) << "OK inside the window";
      EXPECT_TRUE(ok->isVisible() && ok->isEnabled());
      click(w, "?CANCEL");
    });
    runForm(request::Change);
  });
  settingsStore().Kill();
  std::filesystem::remove(rt::resolvePath(kProgramIni));
  setWindowFontStartValues();
}

// The frame relays its navigation toolbar to the active window's thread as
// accepted events naming the button; the list moves as the buttons say.
TEST_F(UsersWindows, NavigationToolbarMovesThroughTheList) {
  onThread([&] {
    for (int i = 0; i < 250; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "user%03d", i);
      addUser(name, name, "x", 5);
    }
    addUser("Bruno", "bruno", "x", 5);
    Probed<UsersList> list;
    auto press = [](int button) {
      rt::post(rt::event::Accepted, rt::currentThreadNumber(), button);
    };
    auto selected = [](UsersList& l) {
      const ListRow* row = l.browser().selectedRow();
      return row ? row->cells[0] : QString();
    };
    WindowScript script;
    script.on(kListTitle, [&](rt::WindowDriver&) {
      list.probe([&](UsersList&) { press(navigation::Last); });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(selected(l), "user249");
        press(navigation::Previous);
      });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(selected(l), "user248");
        press(navigation::First);
      });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(selected(l), "Bruno");
        press(navigation::Next);
      });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(selected(l), "user000");
        press(navigation::NextPage);
      });
      list.probe([&](UsersList& l) {
        const QString afterPage = selected(l);
        EXPECT_GT(afterPage, QString("user001")) << afterPage.toStdString();
        press(navigation::PreviousPage);
      });
      list.probe([&](UsersList& l) {
        EXPECT_EQ(selected(l), "user000");
        click(l, "?CLOSE");
      });
    });
    list.Run();
  });
}

}  // namespace
}  // namespace core
