#pragma once
// The e-mail window "Envío de Email": the one window through which the
// program sends mail (a mailed listing, an exported file). It takes the
// recipient, subject, attachment and text from its caller and the server and
// sender settings from ".\TLMail.ini" [EmailSend], which it writes back, every
// key, when it closes. Shown for editing (Show 1) or in send-at-once mode
// (Show 0), in which it presses its own Send once the sender's data are there
// and closes itself when the mail has gone.
#include <cstdint>
#include <string>

#include "output/mail_window.h"
#include "platform/base/procedures.h"

namespace output {

struct EmailCall {
  std::string to, cc, subject, attachment, text;
  std::uint8_t show = 1;
};

class EmailWindow : public MailWindow {
 public:
  explicit EmailWindow(EmailCall call);
  ~EmailWindow() override;

  int Init() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int Kill() override;

  void mailDelivered() override;
  void mailFailed() override {}
  void mailTraffic(std::int32_t state, char direction, std::string_view text) override;

  // The window's variables, bound to the controls of the same names.
  struct Fields {
    std::string organization, from, to, subject, attachmentList, messageText;
    std::string server;
    std::uint16_t port = 0;
    std::int32_t secureAlways = 0, secureStartTls = 0;
    std::uint8_t sslTlsV1 = 0;
    std::string user, password, certificateFile, privateKeyFile, caRootFile;
    std::int32_t dontVerifyWithCaRoot = 0, dontVerifyCommonName = 0;
    std::string log;
    std::uint8_t dontLog = 0;
    std::string cc, bcc, helo, replyTo, embedList;
  };
  const Fields& fields() const { return f_; }

 private:
  void readSettings();
  void writeSettings() const;
  void composeSubject();
  bool senderComplete() const;
  void takeControls();
  void showField(const char* control, const std::string& value);
  void send();
  void pick(const char* title, const char* masks, std::string& into, const char* control);

  EmailCall call_;
  Fields f_;
  std::uint8_t autoSends_ = 0;
};

// The procedure: EnvioEmailTLFull(To, CC, Subject, Attachment, Text, Show),
// modal on the calling thread.
int runEnvioEmailTLFull(const rt::ProcedureArgs& args);

}  // namespace output
