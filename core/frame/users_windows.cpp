#include "core/frame/users_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/password_digest.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

QLineEdit* entry(QWidget* parent, const char* name, int length, const char* tip) {
  return namedEntry(parent, name, length, tip);
}

constexpr auto& kNoRestriction = "Sin Restricción"_cp;
constexpr char kAccessCaption[] = " Error de Acceso...";
constexpr char kUnknownLogin[] =
    " El login de usuario que ha ingresado no|corresponde a un usuario valido para el|"
    "sistema.||Por favor, ingreselo correctamente, o|consulte con el Admistrador del sistema.";
constexpr char kWrongPassword[] =
    " El password que ha ingresado no|corresponde al usuario indicado.||Por favor, reintente "
    "con los datos correctos, o|consulte con el Admistrador del sistema.";
constexpr char kInactiveUser[] =
    " El usuario que ha ingresado esta|marcado como Inactivo y no puede|ingresar al "
    "sistema.||Por favor, consulte con el Admistrador del sistema.";
constexpr char kLastLoginFile[] = "win.ini";

std::string padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Whether users may exist: a table that cannot be read counts as holding
// users, so it never opens the program without restriction.
bool mayHaveUsers() { return Usuarios::table().records() != 0; }

}  // namespace

// ---------------------------------------------------------------- the form

UserForm::UserForm() : RecordForm("FormularioUsuario", Usuarios::def(), true) {}

QWidget* UserForm::buildWindow() {
  const auto [window, sheet, general] =
      formSheet("Actualizando un registro de Usuarios", "General");

  auto* code = entry(general, "?USU:COD_USUARIO", 6, "Código Interno de Usuario"_cp);
  rt::setPicture(code, "@n6");
  // The code is numbered by the table and keys the user's reminders and
  // logs: shown, never changed.
  code->setReadOnly(true);
  code->setFocusPolicy(Qt::NoFocus);
  code->setMaximumWidth(rt::DialogUnits::of(window).x(40));
  auto* name = entry(general, "?USU:NOMBRE_USUARIO", 60, "Nombre del Usuario");
  auto* login =
      entry(general, "?USU:LOGIN_USUARIO", 20, "Login del Usuario (Para ingreso al sistema)");
  auto* password =
      entry(general, "?USU:PASSWORD_USUARIO", 20, "Contraseña para ingreso al sistema"_cp);
  password->setEchoMode(QLineEdit::Password);
  auto* level = new QSpinBox(general);
  level->setObjectName("?USU:NIVELACCESO");
  level->setRange(0, 255);
  level->setToolTip(rt::toQString("Nivel de Acceso al Sistema"));
  level->setMaximumWidth(rt::DialogUnits::of(window).x(30));
  // A user the access log names is kept, marked inactive, instead of deleted.
  auto* inactive = new QCheckBox("Inactivo", general);
  inactive->setObjectName("?USU:INACTIVO");
  inactive->setToolTip(
      rt::toQString("Marca que indica que el usuario está inactivo y no puede "
                    "ingresar al sistema"_cp));
  auto* notesGroup = new QGroupBox("Notas", general);
  notesGroup->setObjectName("?GROUP1");
  auto* notes = new QPlainTextEdit(notesGroup);
  notes->setObjectName("?USU:NOTAS");
  (new QVBoxLayout(notesGroup))->addWidget(notes);

  auto* grid = new QGridLayout(general);
  const char* prompts[] = {"Código:"_cp, "Nombre:", "Login:", "Contraseña:"_cp, "Nivel:"};
  QWidget* controls[] = {code, name, login, password, level};
  for (int i = 0; i < 5; ++i) {
    auto* prompt = new QLabel(rt::toQString(prompts[i]), general);
    prompt->setBuddy(controls[i]);
    grid->addWidget(prompt, i, 0);
    grid->addWidget(controls[i], i, 1, Qt::AlignLeft);
  }
  name->setMinimumWidth(rt::DialogUnits::of(window).x(180));
  grid->addWidget(inactive, 5, 1, Qt::AlignLeft);
  grid->addWidget(notesGroup, 6, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  core::sheetAndButtons(window, sheet, {.okTip = "Acepta y cierra."});

  fields().bind(code, "USU:Cod_Usuario", 0);  // no history to bring back
  fields().bind(name, "USU:Nombre_Usuario", 2);
  fields().bind(login, "USU:Login_Usuario", 3);
  // The stored password is a digest, never shown: a blank entry keeps it.
  fields().bindSealed(password, "USU:Password_Usuario", passwordDigest);
  fields().bind(level, "USU:NivelAcceso", 5);
  fields().bind(inactive, "USU:Inactivo", 6);
  fields().bind(notes, "USU:Notas", 7);
  return window;
}

void UserForm::OwnSetup() { applyLevel(); }

// A re-login on another window can change the level while this one is open:
// the rules are applied again before the user's next action is taken.
int UserForm::TakeEvent() {
  if (appliedLevel_ != GLO::Nivel_Usuario_Logueado) applyLevel();
  return RecordForm::TakeEvent();
}

void UserForm::applyLevel() {
  appliedLevel_ = GLO::Nivel_Usuario_Logueado;
  // Below level 9 a user changes only the name, login and password of his
  // own record, and nobody below level 9 changes a level.
  const bool all = GLO::Nivel_Usuario_Logueado == 9;
  const bool own = USU().Cod_Usuario == GLO::Cod_Usuario_Logueado;
  for (const char* name : {"?USU:NOMBRE_USUARIO", "?USU:LOGIN_USUARIO", "?USU:PASSWORD_USUARIO"}) {
    control(name)->setEnabled(own || all);
  }
  control("?USU:NIVELACCESO")->setEnabled(all);
  // Nobody marks his own record inactive: the last administrator would lock
  // everybody out.
  control("?USU:INACTIVO")->setEnabled(all && !own);
}

int FormularioUsuario() { return runWindow<UserForm>(); }

// ---------------------------------------------------------------- the list

UsersList::UsersList() : ListWindow("ExaminarUsuarios", Usuarios::def()) {}

QWidget* UsersList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(designedWindowFont());
  window->setWindowTitle("Examinando el archivo de Usuarios");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* list = new QTableView(window);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(330, 120));
  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* byName = new QWidget;
  sheet->addTab(byName, "Por Nombre:");
  auto* locator = new QLineEdit(byName);
  locator->setObjectName("?USU:USU02:USU:NOMBRE_USUARIO");
  auto* tabLayout = new QVBoxLayout(byName);
  tabLayout->addWidget(locator);
  tabLayout->addWidget(list);

  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), window);
  hint->setObjectName("?PROMPT1");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(namedButton(window, "?QUERY:2", "C&onsulta"));
  buttons->addStretch();
  buttons->addWidget(namedButton(window, "?SELECT:3", "&Seleccionar"));
  buttons->addWidget(namedButton(window, "?INSERT:6", "&Agregar"));
  buttons->addWidget(namedButton(window, "?CHANGE:6", "&Modificar"));
  buttons->addWidget(namedButton(window, "?DELETE:6", "&Borrar"));
  buttons->addWidget(namedButton(window, "?CLOSE", "&Cerrar"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet);
  layout->addWidget(hint);
  layout->addLayout(buttons);
  return window;
}

void UsersList::setUpBrowser(ListBrowser& b) {
  QWidget* window = b.list()->window();
  b.AddSortOrder("Por Nombre:", Usuarios::USU02);
  b.SetLocator(window->findChild<QLineEdit*>("?USU:USU02:USU:NOMBRE_USUARIO"),
               "USU:Nombre_Usuario");
  b.AddColumn("USU:Nombre_Usuario", "Nombre", 60);
  b.AddColumn("USU:Login_Usuario", "Login", 20);
  b.AddHiddenColumn("USU:Cod_Usuario");
}

void UsersList::OwnSetup() { applyLevel(); }

int UsersList::TakeEvent() {
  if (appliedLevel_ != GLO::Nivel_Usuario_Logueado) applyLevel();
  return ListWindow::TakeEvent();
}

void UsersList::applyLevel() {
  appliedLevel_ = GLO::Nivel_Usuario_Logueado;
  ListBrowser& b = browser();
  QWidget* insert = control("?INSERT:6");
  QWidget* change = control("?CHANGE:6");
  QWidget* remove = control("?DELETE:6");
  const bool all = GLO::Nivel_Usuario_Logueado == 9;
  b.CHANGECONTROL = change;
  b.INSERTCONTROL = all ? insert : nullptr;
  b.DELETECONTROL = all ? remove : nullptr;
  insert->setEnabled(all);
  remove->setEnabled(all && b.RecordsInView() > 0);
  insert->setVisible(all);
  remove->setVisible(all);
}

void UsersList::callForm() { FormularioUsuario(); }

std::optional<ListSearchSettings> UsersList::searchSettings() const {
  return ListSearchSettings{
      {}, "No hay mas ocurrencias.", "No search criteria specified.", "Error"};
}

int ExaminarUsuarios() { return runWindow<UsersList>(); }

// ---------------------------------------------------------------- the login

int LoginWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  if (relate(Usuarios::def()).open() != level::Benign) return rt::level::Notify;
  opened_ = true;

  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setFont(designedWindowFont());
  window->setWindowTitle(QString());
  auto* practice = new QLabel(rt::toQString(trimmed(GLO::UsuarioSistema)), window);
  practice->setObjectName("?GLO:USUARIOSISTEMA");
  practice->setFont(QFont("Arial", 12, QFont::Bold));
  practice->setAlignment(Qt::AlignCenter);
  auto* heading = new QLabel(rt::toQString("Validación de Ingreso al Sistema"_cp), window);
  heading->setObjectName("?STRING3");
  heading->setAlignment(Qt::AlignCenter);
  auto* login = entry(window, "?LOC:LOGIN", 20, "");
  auto* name = new QLabel(window);
  name->setObjectName("?GLO:NOMBRE_USUARIO_LOGUEADO");
  auto* password = entry(window, "?LOC:PASSWORD", 20, "Contraseña para ingreso al sistema"_cp);
  password->setEchoMode(QLineEdit::Password);
  password->setEchoMode(QLineEdit::Password);
  auto* cancel = namedButton(window, "?BUTTON2", "&Cancelar");
  cancel->setIcon(window->style()->standardIcon(QStyle::SP_DialogCancelButton));
  auto* ok = namedButton(window, "?OK", "&Ok");
  ok->setIcon(window->style()->standardIcon(QStyle::SP_DialogOkButton));
  ok->setEnabled(false);

  auto* grid = new QGridLayout;
  auto* loginPrompt = new QLabel("Login:", window);
  loginPrompt->setBuddy(login);
  auto* passwordPrompt = new QLabel(rt::toQString("Contraseña:"_cp), window);
  passwordPrompt->setBuddy(password);
  grid->addWidget(loginPrompt, 0, 0);
  grid->addWidget(login, 0, 1);
  grid->addWidget(name, 1, 1);
  grid->addWidget(passwordPrompt, 2, 0);
  grid->addWidget(password, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel);
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(practice);
  layout->addWidget(heading);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  // A compact window of its own size: without one it would take the
  // toolkit's default size, far wider than its few entries need.
  window->resize(rt::DialogUnits::of(window).size(200, 110).expandedTo(window->sizeHint()));

  Open(window);
  closeMenu_.AlternarMenuCerrar(window);
  ColorearControles(window);
  scaleFont(window);

  if (!mayHaveUsers()) {
    GLO::Nombre_Usuario_Logueado = kNoRestriction;
    GLO::Nivel_Usuario_Logueado = 9;
    post(rt::event::CloseWindow);
  }
  Login = rt::getIni("Sistema", "Usuario", "", kLastLoginFile).substr(0, 20);
  QWidget* focus = login;
  if (!trimmed(Login).empty()) {
    if (lookUp()) {
      GLO::Nombre_Usuario_Logueado = trimmed(USU().Nombre_Usuario.view());
      focus = password;
    } else {
      Login.clear();
    }
  }
  login->setText(rt::toQString(trimmed(Login)));
  showName();
  LoggedIn = 0;
  alertKey(Qt::Key_Escape);
  markAndNavigate(window);
  focus->setFocus();
  return rt::level::Benign;
}

bool LoginWindow::lookUp() {
  USU().Login_Usuario = padded(Login, 20);
  // A read error counts as a login that is not found.
  const bool read = Usuarios::table().fetch(Usuarios::USU03) == 0;
  // An inactive user's login lets nobody in.
  inactive_ = read && USU().Inactivo == 1;
  found_ = read && !inactive_;
  return found_;
}

void LoginWindow::showName() {
  if (auto* name = control<QLabel>("?GLO:NOMBRE_USUARIO_LOGUEADO")) {
    name->setText(rt::toQString(trimmed(GLO::Nombre_Usuario_Logueado)));
  }
}

void LoginWindow::wrongPassword() {
  QApplication::beep();
  rt::showMessage({kWrongPassword, kAccessCaption, rt::MessageIcon::Error, rt::button::Ok, {}, 0});
  GLO::Nombre_Usuario_Logueado.clear();
  Login.clear();
  Password.clear();
  found_ = false;
  control<QLineEdit>("?LOC:LOGIN")->clear();
  control<QLineEdit>("?LOC:PASSWORD")->clear();
  control("?OK")->setEnabled(false);
  control("?LOC:LOGIN")->setFocus();
  showName();
}

int LoginWindow::TakeEvent() {
  if (event() == rt::event::AlertKey && keyCode() == Qt::Key_Escape) {
    control("?OK")->setFocus();
    return rt::level::Notify;
  }
  return rt::WindowDriver::TakeEvent();
}

int LoginWindow::TakeAccepted() {
  if (int r = rt::WindowDriver::TakeAccepted(); r != rt::level::Benign) return r;
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?LOC:LOGIN") {
    Login = rt::fromQString(control<QLineEdit>("?LOC:LOGIN")->text()).substr(0, 20);
    if (lookUp()) {
      GLO::Nombre_Usuario_Logueado = trimmed(USU().Nombre_Usuario.view());
    } else {
      QApplication::beep();
      rt::showMessage({inactive_ ? kInactiveUser : kUnknownLogin,
                       kAccessCaption,
                       rt::MessageIcon::Error,
                       rt::button::Ok,
                       {},
                       0});
      GLO::Nombre_Usuario_Logueado.clear();
      Login.clear();
      control<QLineEdit>("?LOC:LOGIN")->clear();
      control("?LOC:LOGIN")->setFocus();
    }
    showName();
  } else if (name == "?LOC:PASSWORD") {
    Password = rt::fromQString(control<QLineEdit>("?LOC:PASSWORD")->text()).substr(0, 20);
    // Only the user the typed login found can be logged in: after a login
    // that was not found there is no record to compare with.
    if (found_ && passwordMatches(Password, USU().Password_Usuario.view())) {
      GLO::Cod_Usuario_Logueado = USU().Cod_Usuario;
      GLO::Nivel_Usuario_Logueado = USU().NivelAcceso;
      GLO::Nombre_Usuario_Logueado = trimmed(USU().Nombre_Usuario.view());
      LoggedIn = 1;
      BuildArchivoLog();
      control("?OK")->setEnabled(true);
      control("?OK")->setFocus();
      showName();
    } else {
      wrongPassword();
    }
  } else if (name == "?BUTTON2") {
    post(rt::event::CloseWindow);
  } else if (name == "?OK") {
    rt::putIni("Sistema", "Usuario", trimmed(Login), kLastLoginFile);
    post(rt::event::CloseWindow);
  }
  return rt::level::Benign;
}

int LoginWindow::TakeCloseEvent() {
  const int result = rt::WindowDriver::TakeCloseEvent();
  if (result == rt::level::Benign && LoggedIn == 0 && mayHaveUsers()) rt::halt();
  return result;
}

int LoginWindow::Kill() {
  AidedWindow::Kill();
  if (opened_) relate(Usuarios::def()).close();
  opened_ = false;
  return rt::level::Benign;
}

int VentanaPresentacionLogin() { return runWindow<LoginWindow>(); }

int Relogin() {
  GLO::Cod_Usuario_Logueado = 0;
  GLO::Nivel_Usuario_Logueado = 0;
  return VentanaPresentacionLogin();
}

void registerUserProcedures() {
  rt::registerProcedure("FormularioUsuario",
                        [](const rt::ProcedureArgs&) { return FormularioUsuario(); });
  rt::registerProcedure("ExaminarUsuarios",
                        [](const rt::ProcedureArgs&) { return ExaminarUsuarios(); });
  rt::registerProcedure("VentanaPresentacionLogin",
                        [](const rt::ProcedureArgs&) { return VentanaPresentacionLogin(); });
  rt::registerProcedure("Relogin", [](const rt::ProcedureArgs&) { return Relogin(); });
}

}  // namespace core
