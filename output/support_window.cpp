#include "output/support_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/aids/window_parts.h"
#include "core/frame/environment_variables.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "output/screen_capture.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/private_temp.h"
#include "platform/base/text_order.h"
#include "platform/ui/qt_text.h"
#include "textlib/registry_access.h"

namespace output {
namespace {

constexpr const char* kIni = ".\\emailtl.ini";
constexpr const char* kSection = "EmailSendDemo";
constexpr const char* kCaption = "Envío de Email a Tolvane"_cp;
constexpr std::size_t kBodyWidth = 64000;

constexpr const char* kAccountSection = "Soporte";
// The example account: the defaults until the practice names its own.
constexpr std::string_view kExampleServer = "smtp.tolvane.example";
constexpr std::uint16_t kExamplePort = 587;
constexpr std::string_view kExampleSender = "soporte@tolvane.example";
constexpr std::string_view kExampleRecipient = "info@tolvane.example";
constexpr std::string_view kExamplePassword = "7hotmpr58Kbn";

// The characters that would be read as markup.
std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string clipped(std::string_view text) { return std::string(rt::clip(text)); }

QLineEdit* entryWith(QWidget* parent, const char* name, int width, const std::string& value) {
  QLineEdit* e = core::namedEntry(parent, name, width);
  e->setText(rt::toQString(rt::clip(value)));
  return e;
}

}  // namespace

SupportAccount supportAccount() {
  const auto entries = rt::getIniSection(kAccountSection, core::kProgramIni);
  auto entry = [&](std::string_view name, std::string_view example) {
    for (const auto& [key, value] : entries) {
      if (rt::upper(key) == rt::upper(name)) return value;
    }
    rt::putIni(kAccountSection, name, example, core::kProgramIni);
    return std::string(example);
  };
  SupportAccount account;
  account.server = clipped(entry("Servidor", kExampleServer));
  const std::int64_t port = rt::textToNumber(entry("Puerto", std::to_string(kExamplePort)));
  account.port = port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : kExamplePort;
  account.sender = clipped(entry("Cuenta", kExampleSender));
  account.password = clipped(entry("Clave", kExamplePassword));
  account.recipient = clipped(entry("Destinatario", kExampleRecipient));
  return account;
}

SupportTicket SupportTicketComposer(const TicketInput& in) {
  SupportTicket ticket;
  ticket.subject = cutTo("Ticket de Soporte - " + clipped(in.organization), 255);
  const std::string description = clipped(in.description);
  // Markup characters are escaped before the line ends become "<br>", so the
  // text arrives as typed and adds no markup of its own.
  std::string escaped;
  const std::string raw = escapeHtml(description);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
      escaped += "<br>";
      continue;
    }
    escaped += raw[i];
  }
  const std::string when = in.date + " - " + in.time;
  ticket.plain =
      cutTo("Sistema:" + in.systemText + "\r\nFecha y Hora: " + when +
                "\r\nUsuario: " + clipped(in.loggedUser) + "\r\nTerminal: " + in.computer +
                "\r\nID Teamviewer: " + in.remoteId + "\r\nDescripcion: " + description + "\r",
            kBodyWidth);
  ticket.html =
      cutTo("<strong>Sistema:</strong> " + escapeHtml(in.systemText) + "<br>" +
                "<strong>Fecha y Hora:</strong> " + when + "<br>" + "<strong>Usuario:</strong> " +
                escapeHtml(clipped(in.loggedUser)) + "<br>" + "<strong>Terminal:</strong> " +
                escapeHtml(in.computer) + "<br>" + "<strong>ID Teamviewer:</strong> " +
                escapeHtml(in.remoteId) + "<br>" + "<strong>Descripcion:</strong> " + escaped,
            kBodyWidth);
  return ticket;
}

SupportWindow::SupportWindow() : MailWindow("TLSoporte") {}
SupportWindow::~SupportWindow() = default;

std::string SupportWindow::text(const char* name, std::size_t width) const {
  if (auto* e = control<QLineEdit>(name)) return cutTo(rt::fromQString(e->text()), width);
  if (auto* t = control<QPlainTextEdit>(name)) return cutTo(crlfText(t->toPlainText()), width);
  return {};
}

int SupportWindow::Init() {
  MailWindow::Init();
  attachmentList_.clear();
  // In the account's own temp folder: in the shared data folder two desks
  // would send each other's screens.
  picturePath_ = rt::runtimeName(rt::privateTempFolder() / "pantalla.jpg");
  // The picture shows the screen as it was before this window came up.
  std::string candidate = WindowToJpeg(picturePath_) == 0 ? picturePath_ : std::string();

  const Frame frame = buildFrame(kCaption);
  QWidget* general = frame.general;
  QVBoxLayout* generalLayout = frame.generalLayout;

  std::string user = GLO::Nombre_Usuario_Logueado;
  if (rt::clip(user).empty()) user = rt::getIni("TLSoporte", "Usuario");
  helo_ = cutTo(rt::getIni(kSection, "Helo", "", kIni), 80);
  replyTo_ = cutTo(rt::getIni(kSection, "ReplyTo", "", kIni), 255);

  auto* details = new QGroupBox(QStringLiteral(" Email Details "), general);
  auto* detailsRow = new QHBoxLayout(details);
  auto* detailsForm = new QFormLayout;
  detailsForm->addRow(new QLabel(rt::toQString("Razón Social:"_cp), details),
                      entryWith(details, "?ORGANIZATION", 255, GLO::UsuarioSistema));
  detailsForm->addRow(new QLabel(QStringLiteral("Su email:"), details),
                      entryWith(details, "?REPLYTO", 255, replyTo_));
  detailsForm->addRow(new QLabel(QStringLiteral("Usuario:"), details),
                      entryWith(details, "?USUARIO", 80, user));
  detailsRow->addLayout(detailsForm, 3);
  auto* notice = new QLabel(
      rt::toQString("Importante: Todos los campos coloreados deben ser completados. Si algún "
                    "campo no amerita, completar con \"No es necesario\".\nDe considerarse que los "
                    "datos son insuficientes, o se omite alguno, se descartará el ticket de "
                    "soporte."_cp),
      details);
  notice->setObjectName("?IMPORTANTE");
  notice->setWordWrap(true);
  QFont bold = notice->font();
  bold.setBold(true);
  notice->setFont(bold);
  detailsRow->addWidget(notice, 2);
  generalLayout->addWidget(details);

  auto* textGroup = new QGroupBox(QStringLiteral("Texto del Mensaje:"), general);
  auto* textLayout = new QVBoxLayout(textGroup);
  auto* hint = new QLabel(
      QStringLiteral("Describa con el mayor lujo de detalles posible cual es la consulta, duda, "
                     "error o comportamiento que motiva la solicitud de soporte. Si accede al "
                     "sistema en forma remota, por favor copie en el mensaje su ID de Teamviewer"),
      textGroup);
  hint->setWordWrap(true);
  textLayout->addWidget(hint);
  auto* description = new QPlainTextEdit(textGroup);
  description->setObjectName("?MESSAGETEXT");
  textLayout->addWidget(description, 1);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(mailStatusLine(textGroup), 1);
  auto* picture = new QCheckBox(rt::toQString("¿Adjuntar Captura de Pantalla?"_cp), textGroup);
  picture->setObjectName("?ADJUNTARPANTALLA:2");
  picture->setToolTip(QStringLiteral("Marca que indica que se debe adjuntar la pantalla"));
  statusRow->addWidget(picture);
  textLayout->addLayout(statusRow);
  generalLayout->addWidget(textGroup, 1);

  openFrame(frame, 640, 420);

  mailer_.SUPPRESSERRORMSG = 1;
  mailer_.Init(0);
  attachmentList_ = cutTo(keptAttachment(candidate), 1024);
  mailer_.PROGRESSCONTROL = 1;
  systemText_ = cutTo(clipped(GLO::TituloSistema) + " - " + clipped(GLO::UsuarioSistema), 120);
  remoteId_ = cutTo(textlib::registryAccess().GetRegValue(rt::RegistryRoot::LocalMachine,
                                                          "SOFTWARE\\TeamViewer", "ClientID"),
                    40);
  remoteId_.resize(40, ' ');

  if (rt::clip(replyTo_).empty() || rt::clip(GLO::UsuarioSistema).empty()) askForResponseFields();
  // Filled in already: kept out of the way of keyboard navigation, still editable.
  for (const char* name : {"?ORGANIZATION", "?REPLYTO"}) {
    if (auto* e = control<QLineEdit>(name);
        e != nullptr && !rt::clip(rt::fromQString(e->text())).empty()) {
      e->setFocusPolicy(Qt::ClickFocus);
    }
  }
  picture->setChecked(GLO::AdjuntarCaptura == 1 || rt::currentThreadNumber() > 2);
  markAndNavigate(frame.window);
  setTimer(15);
  return rt::level::Benign;
}

int SupportWindow::TakeEvent() {
  mailer_.TakeEvent(event());
  if (event() == rt::event::Timer) {
    mailer_.UpdateProgress_();
    return rt::level::Benign;
  }
  return WindowDriver::TakeEvent();
}

int SupportWindow::TakeAccepted() {
  QWidget* c = field();
  if (c == control("?SEND")) {
    send();
  } else if (c == control("?ABORT")) {
    mailer_.Abort();
  } else if (c == control("?CLOSE")) {
    post(rt::event::CloseWindow);
  }
  return rt::level::Benign;
}

void SupportWindow::send() {
  const std::string organization = text("?ORGANIZATION", 255);
  const std::string replyTo = text("?REPLYTO", 255);
  const std::string user = text("?USUARIO", 80);
  const std::string description = text("?MESSAGETEXT", kBodyWidth);
  if (rt::clip(organization).empty() || rt::clip(replyTo).empty() || rt::clip(user).empty() ||
      rt::clip(description).empty()) {
    QApplication::beep();
    rt::showMessage({"Datos incompletos...||El mail no puede ser enviado en estas condiciones.",
                     "Error",
                     rt::MessageIcon::None,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
    return;
  }
  // One ticket per window: a failed one is sent again from a new window.
  if (QWidget* send = control("?SEND")) send->setEnabled(false);
  const SupportTicket ticket =
      SupportTicketComposer({organization, description, systemText_, GLO::Nombre_Usuario_Logueado,
                             core::EnvVarValue(6), remoteId_, shortDateNow(), shortTimeNow()});
  subject_ = ticket.subject;
  if (auto* box = control<QPlainTextEdit>("?MESSAGETEXT"))
    box->setPlainText(controlText(ticket.plain));
  auto* picture = control<QCheckBox>("?ADJUNTARPANTALLA:2");
  if (picture == nullptr || !picture->isChecked()) attachmentList_.clear();
  if (namesAFile(GLO::ArchivoLog)) {
    if (!attachmentList_.empty()) attachmentList_ += ", ";
    attachmentList_ = cutTo(attachmentList_ + clipped(GLO::ArchivoLog), 1024);
  }
  const SupportAccount a = supportAccount();
  MailMessage m;
  m.server = a.server;
  m.port = a.port;
  m.to = a.recipient;
  m.from = a.sender;
  m.helo = a.sender;
  m.replyTo = replyTo;
  m.subject = subject_;
  m.organization = organization;
  m.attachments = attachmentList_;
  m.user = a.sender;
  m.password = a.password;
  // The ticket shows the screen and the account's password goes with it:
  // over TLS whenever the server offers it, with the certificate checked
  // against the system's authorities and the server's name; a server that
  // offers no TLS gets no password (the sender refuses AUTH in clear).
  m.startTls = netlib::start_tls::kWhenOffered;
  m.text = ticket.plain;
  m.html = ticket.html;
  mailStatus(mailer_.sendNow(m));
}

int SupportWindow::Kill() {
  const SupportAccount a = supportAccount();
  const std::string replyTo = text("?REPLYTO", 255);
  auto put = [](std::string_view key, std::string_view value) {
    rt::putIni(kSection, key, rt::clip(value), kIni);
  };
  put("Server", a.server);
  put("Port", std::to_string(a.port));
  put("SecureEmailAlways", "0");
  put("SecureEmailStartTLS", std::to_string(netlib::start_tls::kWhenOffered));
  put("ReplyTo", replyTo);
  put("Helo", helo_);
  put("ToField", a.recipient);
  put("CC", "");
  put("BCC", "");
  put("Subject", subject_);
  put("ReplyTo", replyTo);
  put("Organization", text("?ORGANIZATION", 255));
  put("AttachmentList", attachmentList_);
  put("EmbedList", "");
  put("AuthUser", a.sender);
  put("AuthPassword", a.password);  // plain text, as the settings have always kept it
  put("CertificateFile", "");
  put("PrivateKeyFile", "");
  put("CARootFile", "");
  put("DontVerifyRemoteCertificateCommonName", "0");
  put("DontVerifyRemoteCertificateWithCARoot", "0");
  rt::putIni("TLSoporte", "Usuario", rt::clip(text("?USUARIO", 80)));
  mailer_.Kill();
  return AidedWindow::Kill();
}

void SupportWindow::mailDelivered() {
  rt::showMessage({"El email se envió con éxito"_cp,
                   kCaption,
                   rt::MessageIcon::None,
                   rt::button::Ok,
                   {},
                   rt::button::Ok});
  post(rt::event::CloseWindow);
}

void SupportWindow::mailFailed() {
  for (const char* name : {"?ABORT", "?CLOSE"}) {
    if (QWidget* c = control(name)) c->setEnabled(true);
  }
}

int runTLSoporte() {
  SupportWindow window;
  window.Run();
  return rt::kCompleted;
}

}  // namespace output
