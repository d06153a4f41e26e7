#pragma once
// The users of the program: the login window, the re-login, the users list
// and the users form, whose rights follow the logged-in user's level.
#include <QPointer>
#include <cstdint>
#include <optional>
#include <string>

#include "core/shapes/aided_window.h"
#include "core/shapes/list_window.h"
#include "core/shapes/record_form.h"

namespace core {

// The users form; the request comes in ThreadRequest.
class UserForm : public RecordForm {
 public:
  UserForm();

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  int TakeEvent() override;

 private:
  void applyLevel();
  std::uint8_t appliedLevel_ = 0;
};

// The users list; a lookup (request 4) leaves the chosen user in the
// caller's Usuarios buffer.
class UsersList : public ListWindow {
 public:
  UsersList();

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(ListBrowser& browser) override;
  void OwnSetup() override;
  int TakeEvent() override;
  void callForm() override;
  std::optional<ListSearchSettings> searchSettings() const override;

 private:
  void applyLevel();
  std::uint8_t appliedLevel_ = 0;
};

// The login window: sets the login globals; leaving it without a correct
// password while users exist ends the program.
class LoginWindow : public AidedWindow {
 public:
  LoginWindow() : AidedWindow("VentanaPresentacionLogin") {}
  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeCloseEvent() override;

  std::string Login;     // STRING(20)
  std::string Password;  // STRING(20)
  int LoggedIn = 0;

 private:
  void showName();
  bool lookUp();
  void wrongPassword();

  bool opened_ = false;
  bool found_ = false;     // a user was read for the typed login
  bool inactive_ = false;  // the user read for it is marked inactive
  CloseMenuToggle closeMenu_;
};

int FormularioUsuario();
int ExaminarUsuarios();
int VentanaPresentacionLogin();
int Relogin();

void registerUserProcedures();

}  // namespace core
