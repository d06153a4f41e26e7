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
  // Sends what the fields hold under a busy cursor and answers the status
  // line's text afterwards.
  std::string sendNow();

 private:
  std::string packetText() const;

  MailWindowOwner& owner_;
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
