#include "output/window_mailer.h"

#include <QApplication>
#include <QLabel>

#include "core/aids/window_parts.h"
#include "output/mail_failure_text.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/net/records.h"
#include "platform/ui/qt_text.h"

namespace output {

std::string sendingText(std::size_t count) {
  return "Enviando " + std::to_string(count) + " Email(s)";
}

void MailWindowOwner::mailStatus(const std::string& text) {
  if (auto* status = mailWindow().control<QLabel>("?STATUS")) status->setText(rt::toQString(text));
}

QProgressBar* MailWindowOwner::mailProgress() {
  return mailWindow().control<QProgressBar>("?OURPROGRESS");
}

QLabel* mailStatusLine(QWidget* parent) {
  auto* status = new QLabel(parent);
  status->setObjectName("?STATUS");
  status->setWordWrap(true);
  return status;
}

void addMailWindowFoot(QWidget* window, QBoxLayout* outer) {
  auto* progress = new QProgressBar(window);
  progress->setObjectName("?OURPROGRESS");
  progress->setRange(0, 1000);
  progress->setValue(0);
  progress->setTextVisible(false);
  outer->addWidget(progress);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(core::namedButton(window, "?SEND", "  &Enviar"));
  buttons->addWidget(core::namedButton(window, "?ABORT", "Abortar"));
  buttons->addWidget(core::namedButton(window, "?CLOSE", "Cerrar"));
  outer->addLayout(buttons);
}

void askForResponseFields() {
  QApplication::beep();
  rt::showMessage(
      {"Por favor, complete correctamente los campos de |Email y Razón Social, para "
       "poder enviarles prontamente |una respuesta.||Estos campos solo tendrá que "
       "completarlos una vez, |aunque posteriormente podrá modificarlos.||Muchas "
       "Gracias."_cp,
       "Campos necesarios para darle respuesta",
       rt::MessageIcon::None,
       rt::button::Ok,
       {},
       rt::button::Ok});
}

bool leaveWhileSending() {
  return rt::showMessage({"El email aún está enviándose.|¿Está seguro de salir?"_cp,
                          "Envío de Email a Tolvane"_cp,
                          rt::MessageIcon::Warning,
                          rt::button::Yes | rt::button::No,
                          {},
                          rt::button::No}) == rt::button::Yes;
}

std::string shortDateNow() { return rt::format(static_cast<double>(rt::today()), "@d17"); }
std::string shortTimeNow() { return rt::format(static_cast<double>(rt::clockTime()), "@t7"); }

std::string crlfText(const QString& text) {
  std::string plain = rt::fromQString(text);
  std::string out;
  out.reserve(plain.size() + plain.size() / 16);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] == '\n' && (i == 0 || plain[i - 1] != '\r')) out += '\r';
    out += plain[i];
  }
  return out;
}

QString controlText(std::string_view text) {
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lf += text[i];
  }
  return rt::toQString(lf);
}

std::string cutTo(std::string text, std::size_t width) {
  if (text.size() > width) text.resize(width);
  return text;
}

void WindowMailer::Init(std::int32_t mode) {
  NetMailSend::Init(mode);
  OPTIONSMIMETEXTTRANSFERENCODING = "quoted-printable";
  OPTIONSMIMEHTMLTRANSFERENCODING = "quoted-printable";
  OPTIONSKEEPCONNECTIONOPEN = 0;
  RECONNECTAFTERXMSGS = 20;
  INACTIVETIMEOUT = 9000;
  LOGDATABYTES = 100;
}

std::string WindowMailer::packetText() const {
  const auto length = static_cast<std::size_t>(std::max<std::int32_t>(0, PACKET.BINDATALEN));
  const std::string text(PACKET.BINDATA, std::min(length, sizeof PACKET.BINDATA));
  return std::string(rt::clip(text));
}

void WindowMailer::Send() {
  owner_.mailTraffic(STATE_, '>', packetText());
  NetMailSend::Send();
}

void WindowMailer::Process() {
  owner_.mailTraffic(STATE_, '<', packetText());
  NetMailSend::Process();
}

void WindowMailer::TakeEvent(std::int32_t event) {
  if (event == kSentEvent) owner_.mailDelivered();
  NetMailSend::TakeEvent(event);
}

void WindowMailer::ErrorTrap(std::string_view errorText, std::string_view functionName) {
  // Named before the sender's own handling clears the server's answer.
  failure_ = mailFailureText(*this, functionName);
  NetMailSend::ErrorTrap(errorText, functionName);
  owner_.mailStatus(failure_);
  owner_.mailFailed();
}

void WindowMailer::MessageSent() {
  NetMailSend::MessageSent();
  // The delivered message is still at the front of the queue.
  if (queued() > 1) {
    owner_.mailStatus(sendingText(queued() - 1));
    return;
  }
  owner_.mailStatus("");
  owner_.mailWindow().post(kSentEvent);
}

void WindowMailer::ShowProgress_(bool visible, std::int32_t value) {
  QProgressBar* bar = owner_.mailProgress();
  if (bar == nullptr) return;
  bar->setVisible(visible);
  bar->setValue(value);
}

void WindowMailer::take(const MailMessage& message) {
  SERVER = message.server;
  PORT = message.port;
  TOLIST = message.to;
  CCLIST = message.cc;
  BCCLIST = message.bcc;
  FROM = message.from;
  HELO = message.helo;
  SUBJECT = message.subject;
  REPLYTO = message.replyTo;
  ORGANIZATION = message.organization;
  DELIVERYRECEIPTTO.clear();
  DISPOSITIONNOTIFICATIONTO.clear();
  REFERENCES.clear();
  ATTACHMENTLIST = message.attachments;
  EMBEDLIST = message.embeds;
  AUTHUSER = std::string(rt::clip(message.user));
  AUTHPASSWORD = std::string(rt::clip(message.password));
  SSL = message.secureAlways;
  SECUREEMAILSTARTTLS = message.startTls;
  rt::net::setFieldText(SSLCERTIFICATEOPTIONS.CERTIFICATEFILE, message.certificateFile);
  rt::net::setFieldText(SSLCERTIFICATEOPTIONS.PRIVATEKEYFILE, message.privateKeyFile);
  rt::net::setFieldText(SSLCERTIFICATEOPTIONS.CAROOTFILE, message.caRootFile);
  SSLCERTIFICATEOPTIONS.DONTVERIFYREMOTECERTIFICATEWITHCAROOT = message.dontVerifyWithCaRoot;
  SSLCERTIFICATEOPTIONS.DONTVERIFYREMOTECERTIFICATECOMMONNAME = message.dontVerifyCommonName;
  if (message.tlsV1Only) SSLMETHOD = 3;
  if (!rt::clip(message.text).empty()) MESSAGETEXTST->SetValue(rt::clip(message.text));
  if (!rt::clip(message.html).empty()) MESSAGEHTMLST->SetValue(rt::clip(message.html));
}

std::string WindowMailer::sendNow(const MailMessage& message) {
  if (ERROR != 0) {
    Abort();
    DeleteAllMessagesInDataQueue_();
  }
  take(message);
  failure_.clear();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SendMail(2);
  QApplication::restoreOverrideCursor();
  if (ERROR != 0) return failure_.empty() ? "No es posible conectar con el Servidor." : failure_;
  return queued() > 0 ? sendingText(queued()) : std::string();
}

}  // namespace output
