#pragma once
// The mail object of the two mail windows (the e-mail window and the support
// message window): an SMTP sender that reports to the window owning it. It
// lives on the window's thread, which hands it every window event first; a
// delivered last message comes back to the window as event kSentEvent.
#include <QBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "netlib/net_mail_send.h"
#include "platform/ui/window_driver.h"

namespace output {

// What a mail window offers its mail object.
class MailWindowOwner {
 public:
  virtual ~MailWindowOwner() = default;
  virtual rt::WindowDriver& mailWindow() = 0;
  // The status line ?STATUS.
  virtual void mailStatus(const std::string& text);
  // The last queued message was delivered (event kSentEvent taken).
  virtual void mailDelivered() = 0;
  // After the sender's own error handling.
  virtual void mailFailed() = 0;
  // One packet sent (">") or one reply received ("<"); nothing by default.
  virtual void mailTraffic(std::int32_t /*state*/, char /*direction*/, std::string_view /*text*/) {}
  // The progress bar ?OURPROGRESS.
  virtual QProgressBar* mailProgress();
};

// One message as a mail window hands it to its mail object, with the
// server, the account and the secure-connection settings it goes out with.
struct MailMessage {
  std::string server;
  std::uint16_t port = 0;
  std::string to, cc, bcc, from, helo, replyTo, subject, organization;
  std::string attachments, embeds;
  std::string user, password;
  std::int32_t secureAlways = 0;  // TLS from the start
  std::int32_t startTls = netlib::start_tls::kNever;
  std::string certificateFile, privateKeyFile, caRootFile;
  std::int32_t dontVerifyWithCaRoot = 0, dontVerifyCommonName = 0;
  bool tlsV1Only = false;
  std::string text, html;  // a blank one leaves the object's own
};

class WindowMailer : public netlib::NetMailSend {
 public:
  // The user event the last delivered message posts to the window.
  static constexpr int kSentEvent = 1044;

  explicit WindowMailer(MailWindowOwner& owner) : owner_(owner) {}

  // The base set-up, then the options both windows send with.
  void Init(std::int32_t mode = 0) override;
  void Process() override;
  void Send() override;
  void TakeEvent(std::int32_t event) override;
  void ErrorTrap(std::string_view errorText, std::string_view functionName) override;
  void MessageSent() override;
  void ShowProgress_(bool visible, std::int32_t value) override;

  std::size_t queued() const { return DATAQUEUE == nullptr ? 0 : DATAQUEUE->size(); }
  // Sends the message under a busy cursor and answers the status line's text
  // afterwards. After a failed attempt, this one starts anew: the failed
  // attempt is dropped first, its connection as Abortar drops it and
  // whatever of it is still queued, so that the message goes out once.
  std::string sendNow(const MailMessage& message);

 private:
  std::string packetText() const;
  void take(const MailMessage& message);

  MailWindowOwner& owner_;
  std::string failure_;  // what the status line said of the last failure
};

// "Enviando <n> Email(s)".
std::string sendingText(std::size_t count);

// The status line ?STATUS of a mail window. It wraps: a failure names the
// server's answer, which must not widen the window.
QLabel* mailStatusLine(QWidget* parent);

// The foot both mail windows share: the progress bar and the buttons
// "  &Enviar", "Abortar" and "Cerrar".
void addMailWindowFoot(QWidget* window, QBoxLayout* outer);

// Beeps and asks for the sender's data ("Campos necesarios para darle respuesta").
void askForResponseFields();
// Asked when a mail window closes with mail still queued; true to leave.
bool leaveWhileSending();
// Today's date and the time now as subjects and tickets show them
// (dd/mm/yyyy, HH:MM), whatever the machine's locale.
std::string shortDateNow();
std::string shortTimeNow();
// A multi-line control's text with CR LF line ends, and runtime text (CR LF
// or LF) for such a control.
std::string crlfText(const QString& text);
QString controlText(std::string_view text);
// The text cut to `width` characters.
std::string cutTo(std::string text, std::size_t width);

}  // namespace output
