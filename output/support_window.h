#pragma once
// The support message window "Envío de Email a Tolvane": a short ticket
// (practice, reply address, user, description) mailed to the maker's support
// mailbox from the built-in support account, with the activity log and,
// when asked, a picture of the screen attached.
#include <cstdint>
#include <string>

#include "output/mail_window.h"

namespace output {

// The support account the tickets are sent through.
struct SupportAccount {
  std::string server;
  std::uint16_t port = 587;
  std::string sender;     // the account's mailbox: From, greeting and login
  std::string recipient;  // the support mailbox
  std::string password;
};
// The account as section "Soporte" of the program's INI file names it
// (entries Servidor, Puerto, Cuenta, Clave, Destinatario). Entries missing
// from the file are written there with the example account's values, which
// stay the defaults, so that the practice finds them to fill in.
SupportAccount supportAccount();

// What a ticket is made of, as the window holds it.
struct TicketInput {
  std::string organization;
  std::string description;  // CR LF line ends
  std::string systemText;   // title and version, " - ", the practice
  std::string loggedUser;
  std::string computer;
  std::string remoteId;  // the remote-support id, 40 characters
  std::string date, time;
};
struct SupportTicket {
  std::string subject;
  std::string plain;  // also shown in the description box once sent
  std::string html;
};
SupportTicket SupportTicketComposer(const TicketInput& input);

class SupportWindow : public MailWindow {
 public:
  SupportWindow();
  ~SupportWindow() override;

  int Init() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int Kill() override;

  void mailDelivered() override;
  void mailFailed() override;

 private:
  void send();
  std::string text(const char* control, std::size_t width) const;

  std::string picturePath_, attachmentList_, helo_, replyTo_, subject_;
  std::string systemText_, remoteId_;
};

int runTLSoporte();

}  // namespace output
