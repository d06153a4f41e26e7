#include "output/email_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"

namespace output {
namespace {

constexpr const char* kIni = ".\\TLMail.ini";
constexpr const char* kSection = "EmailSend";
constexpr const char* kDefaultCaRoot = ".\\certs\\CA Roots\\CA_Roots.pem";
constexpr const char* kCertificateMasks =
    "Certificate Files (*.pem; *.crt; *.cer)|*.pem;*.crt;*.cer|All Files|*.*|";
constexpr const char* kKeyMasks = "Private Key Files (*.pem; *.key)|*.pem;*.key|All Files|*.*|";
constexpr std::size_t kLogLimit = 8192;

// The text entries and the check boxes, with the variable each is bound to.
struct TextBinding {
  const char* control;
  std::string EmailWindow::Fields::*field;
  std::size_t width;
};
constexpr TextBinding kTexts[] = {
    {"?ORGANIZATION", &EmailWindow::Fields::organization, 255},
    {"?FROM", &EmailWindow::Fields::from, 255},
    {"?TOFIELD", &EmailWindow::Fields::to, 1024},
    {"?SUBJECT", &EmailWindow::Fields::subject, 255},
    {"?ATTACHMENTLIST:2", &EmailWindow::Fields::attachmentList, 1024},
    {"?SERVER", &EmailWindow::Fields::server, 80},
    {"?USER", &EmailWindow::Fields::user, 255},
    {"?PASSWORD", &EmailWindow::Fields::password, 255},
    {"?CERTIFICATEFILE", &EmailWindow::Fields::certificateFile, 252},
    {"?PRIVATEKEYFILE", &EmailWindow::Fields::privateKeyFile, 252},
    {"?CAROOTFILE", &EmailWindow::Fields::caRootFile, 252},
};

struct FlagBinding {
  const char* control;
  bool (*get)(const EmailWindow::Fields&);
  void (*set)(EmailWindow::Fields&, bool);
};
#define FLAG(name, member)                                             \
  FlagBinding {                                                        \
    name, [](const EmailWindow::Fields& f) { return f.member != 0; },  \
        [](EmailWindow::Fields& f, bool on) { f.member = on ? 1 : 0; } \
  }
const FlagBinding kFlags[] = {
    FLAG("?SECUREEMAILALWAYS", secureAlways),
    FLAG("?SECUREEMAILSTARTTLS", secureStartTls),
    FLAG("?SSLMETHODTLSV1", sslTlsV1),
    FLAG("?DONTVERIFYREMOTECERTIFICATEWITHCAROOT", dontVerifyWithCaRoot),
    FLAG("?DONTVERIFYREMOTECERTIFICATECOMMONNAME", dontVerifyCommonName),
    FLAG("?DONTLOG", dontLog),
};
#undef FLAG

std::string iniText(std::string_view key, std::string_view fallback = {}) {
  return rt::getIni(kSection, key, fallback, kIni);
}
std::int64_t iniNumber(std::string_view key) { return rt::textToNumber(iniText(key, "0")); }

QLabel* prompt(QWidget* parent, const char* text) {
  return new QLabel(rt::toQString(text), parent);
}

QLineEdit* entry(QWidget* parent, const char* name, int width, const char* tip = "") {
  return core::namedEntry(parent, name, width, tip);
}

QCheckBox* check(QWidget* parent, const char* name, const char* text) {
  auto* box = new QCheckBox(rt::toQString(text), parent);
  box->setObjectName(name);
  return box;
}

// An entry with its file picker beside it.
QWidget* pickedEntry(QWidget* parent, const char* name, const char* picker) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(entry(row, name, 252));
  auto* button = core::namedButton(row, picker, "...");
  button->setFixedWidth(button->fontMetrics().horizontalAdvance("....") + 16);
  layout->addWidget(button);
  return row;
}

}  // namespace

EmailWindow::EmailWindow(EmailCall call) : MailWindow("EnvioEmailTLFull"), call_(std::move(call)) {}

EmailWindow::~EmailWindow() = default;

void EmailWindow::readSettings() {
  f_.server = iniText("Server");
  f_.port = static_cast<std::uint16_t>(iniNumber("Port"));
  f_.secureAlways = static_cast<std::int32_t>(iniNumber("SecureEmailAlways"));
  f_.secureStartTls = static_cast<std::int32_t>(iniNumber("SecureEmailStartTLS"));
  f_.from = cutTo(iniText("From"), 255);
  f_.helo = cutTo(iniText("Helo"), 80);
  f_.organization = cutTo(iniText("Organization"), 255);
  f_.user = cutTo(iniText("User"), 255);
  f_.password = cutTo(iniText("Password"), 255);
  f_.certificateFile = cutTo(iniText("CertificateFile"), 252);
  f_.privateKeyFile = cutTo(iniText("PrivateKeyFile"), 252);
  f_.caRootFile = cutTo(iniText("CARootFile", kDefaultCaRoot), 252);
  f_.dontVerifyCommonName =
      static_cast<std::int32_t>(iniNumber("DontVerifyRemoteCertificateCommonName"));
  f_.dontVerifyWithCaRoot =
      static_cast<std::int32_t>(iniNumber("DontVerifyRemoteCertificateWithCARoot"));
  f_.sslTlsV1 = static_cast<std::uint8_t>(iniNumber("SSLMethodTLSv1"));
}

void EmailWindow::writeSettings() const {
  auto put = [](std::string_view key, std::string_view value) {
    rt::putIni(kSection, key, rt::clip(value), kIni);
  };
  auto number = [&put](std::string_view key, std::int64_t value) {
    put(key, std::to_string(value));
  };
  put("Server", f_.server);
  number("Port", f_.port);
  number("SecureEmailAlways", f_.secureAlways);
  number("SecureEmailStartTLS", f_.secureStartTls);
  put("From", f_.from);
  put("Helo", f_.helo);
  put("ToField", f_.to);
  put("CC", f_.cc);
  put("BCC", f_.bcc);
  put("Subject", f_.subject);
  put("ReplyTo", f_.replyTo);
  put("Organization", f_.organization);
  put("AttachmentList", f_.attachmentList);
  put("EmbedList", f_.embedList);
  put("User", f_.user);
  put("Password", f_.password);  // plain text, as the settings have always kept it
  put("CertificateFile", f_.certificateFile);
  put("PrivateKeyFile", f_.privateKeyFile);
  put("CARootFile", f_.caRootFile);
  number("DontVerifyRemoteCertificateCommonName", f_.dontVerifyCommonName);
  number("DontVerifyRemoteCertificateWithCARoot", f_.dontVerifyWithCaRoot);
  number("SSLMethodTLSv1", f_.sslTlsV1);
}

void EmailWindow::composeSubject() {
  const std::string frameTitle = GLO::VentanaPrincipal != nullptr
                                     ? rt::fromQString(GLO::VentanaPrincipal->windowTitle())
                                     : std::string();
  f_.subject = cutTo(
      std::string(rt::clip(call_.subject)) + " - " + std::string(rt::clip(frameTitle)) + " - " +
          std::string(rt::clip(f_.organization)) + " - " + shortDateNow() + " - " + shortTimeNow(),
      255);
  showField("?SUBJECT", f_.subject);
}

bool EmailWindow::senderComplete() const {
  return !rt::clip(f_.from).empty() && !rt::clip(f_.organization).empty();
}

void EmailWindow::showField(const char* name, const std::string& value) {
  if (auto* e = control<QLineEdit>(name)) e->setText(rt::toQString(rt::clip(value)));
}

int EmailWindow::Init() {
  MailWindow::Init();
  const Frame frame = buildFrame("Envío de Email"_cp);
  QWidget* window = frame.window;
  QTabWidget* sheet = frame.sheet;

  // " &General": who sends, to whom, what.
  QWidget* general = frame.general;
  QVBoxLayout* generalLayout = frame.generalLayout;
  auto* details = new QGroupBox(QStringLiteral(" Email Details "), general);
  auto* detailsForm = new QFormLayout(details);
  detailsForm->addRow(prompt(details, "Razón Social:"_cp),
                      entry(details, "?ORGANIZATION", 255, "Nombre de su empresa o consultorio"));
  detailsForm->addRow(prompt(details, "Su email:"), entry(details, "?FROM", 255));
  detailsForm->addRow(prompt(details, "Para:"), entry(details, "?TOFIELD", 1024));
  detailsForm->addRow(prompt(details, "Asunto:"), entry(details, "?SUBJECT", 255));
  auto* attachmentShown = new QLabel(details);
  attachmentShown->setObjectName("?ATTACHMENTLIST");
  attachmentShown->setWordWrap(true);
  attachmentShown->setTextInteractionFlags(Qt::TextSelectableByMouse);
  detailsForm->addRow(prompt(details, "Adjunto:"), attachmentShown);
  generalLayout->addWidget(details);
  auto* textGroup = new QGroupBox(QStringLiteral("Texto del Mensaje:"), general);
  auto* textLayout = new QVBoxLayout(textGroup);
  auto* hint = new QLabel(
      rt::toQString("Describa aquí, con el mayor detalle posible, su consulta..."_cp), textGroup);
  textLayout->addWidget(hint);
  auto* text = new QPlainTextEdit(textGroup);
  text->setObjectName("?MESSAGETEXT");
  textLayout->addWidget(text);
  generalLayout->addWidget(textGroup, 1);

  // "Opciones": the server, the account and the certificates.
  auto* options = new QWidget;
  options->setObjectName("?TAB2");
  sheet->addTab(options, QStringLiteral("Opciones"));
  auto* optionsLayout = new QVBoxLayout(options);
  auto* server = new QGroupBox(QStringLiteral(" Servidor"), options);
  auto* serverGrid = new QGridLayout(server);
  serverGrid->addWidget(prompt(server, "Servidor SMTP:"), 0, 0);
  serverGrid->addWidget(entry(server, "?SERVER", 80), 0, 1);
  serverGrid->addWidget(prompt(server, "Puerto:"), 0, 2);
  auto* port = entry(server, "?PORT", 6);
  port->setValidator(new QIntValidator(0, 65535, port));
  port->setMaximumWidth(port->fontMetrics().horizontalAdvance("0000000") + 12);
  serverGrid->addWidget(port, 0, 3);
  serverGrid->addWidget(check(server, "?SECUREEMAILALWAYS", "Email Seguro (Siempre)"), 1, 0, 1, 2);
  serverGrid->addWidget(check(server, "?SECUREEMAILSTARTTLS", "Email Seguro (Comenzar TLS)"), 2, 0,
                        1, 2);
  serverGrid->addWidget(check(server, "?SSLMETHODTLSV1", "Forzar SSL/TLS v1"), 3, 0, 1, 2);
  optionsLayout->addWidget(server);
  auto* auth = new QGroupBox(rt::toQString("Autenticación SMTP (Opcional)"_cp), options);
  auto* authForm = new QFormLayout(auth);
  authForm->addRow(prompt(auth, "Usuario:"), entry(auth, "?USER", 255));
  auto* password = entry(auth, "?PASSWORD", 255);
  password->setEchoMode(QLineEdit::Password);
  authForm->addRow(prompt(auth, "Contraseña:"_cp), password);
  auto* authNote = new QLabel(
      QStringLiteral("No utilize Usuario ni Contraseña si su Servidor SMTP no lo requiere."), auth);
  authNote->setWordWrap(true);
  authForm->addRow(authNote);
  optionsLayout->addWidget(auth);
  auto* secure = new QGroupBox(QStringLiteral("Opciones de Email Seguro SSL:"), options);
  auto* secureForm = new QFormLayout(secure);
  secureForm->addRow(prompt(secure, "Archivo de Certificado: (*)"),
                     pickedEntry(secure, "?CERTIFICATEFILE", "?LOOKUPCERTIFICATEFILE"));
  secureForm->addRow(prompt(secure, "Archivo de Clave Privada: (*)"),
                     pickedEntry(secure, "?PRIVATEKEYFILE", "?LOOKUPPRIVATEKEYFILE"));
  optionsLayout->addWidget(secure);
  auto* verify =
      new QGroupBox(rt::toQString(" Verificación de Certificado SSL Remoto:"_cp), options);
  auto* verifyForm = new QFormLayout(verify);
  verifyForm->addRow(prompt(verify, "Archivo Principal CA:"),
                     pickedEntry(verify, "?CAROOTFILE", "?LOOKUPCAROOTFILE"));
  verifyForm->addRow(check(verify, "?DONTVERIFYREMOTECERTIFICATEWITHCAROOT",
                           "No verificar Certificado Remoto con CA"));
  verifyForm->addRow(check(verify, "?DONTVERIFYREMOTECERTIFICATECOMMONNAME",
                           "No veriicar Nombre Común de Certificado Remoto"_cp));
  optionsLayout->addWidget(verify);
  auto* attachments = new QFormLayout;
  attachments->addRow(prompt(options, "Adjuntos:"), entry(options, "?ATTACHMENTLIST:2", 1024));
  optionsLayout->addLayout(attachments);
  optionsLayout->addStretch(1);

  // " Log ": the conversation with the server.
  auto* logTab = new QWidget;
  logTab->setObjectName("?TAB3");
  sheet->addTab(logTab, QStringLiteral(" Log "));
  auto* logLayout = new QVBoxLayout(logTab);
  auto* log = new QPlainTextEdit(logTab);
  log->setObjectName("?ELOG");
  log->setReadOnly(true);
  logLayout->addWidget(log, 1);
  auto* logButtons = new QHBoxLayout;
  logButtons->addWidget(core::namedButton(logTab, "?CLEARLOG", "&Limpiar Registro"));
  logButtons->addWidget(check(logTab, "?DONTLOG", "No generar Registro"));
  logButtons->addStretch(1);
  logLayout->addLayout(logButtons);

  frame.outer->addWidget(mailStatusLine(window));
  openFrame(frame, 560, 520);

  mailer_.Init(0);
  // The caller's values.
  call_.to = cutTo(call_.to, 1024);
  call_.cc = cutTo(call_.cc, 1024);
  call_.subject = cutTo(call_.subject, 120);
  call_.attachment = keptAttachment(cutTo(call_.attachment, 1500));
  call_.text = cutTo(call_.text, 64000);
  readSettings();
  f_.to = call_.to;
  f_.cc = call_.cc;
  f_.bcc.clear();
  f_.replyTo = f_.from;
  f_.attachmentList = cutTo(call_.attachment, 1024);
  f_.embedList.clear();
  f_.messageText = call_.text;
  mailer_.PROGRESSCONTROL = 1;
  for (const TextBinding& b : kTexts) showField(b.control, f_.*b.field);
  port->setText(QString::number(f_.port));
  for (const FlagBinding& b : kFlags) {
    if (auto* box = control<QCheckBox>(b.control)) box->setChecked(b.get(f_));
  }
  attachmentShown->setText(rt::toQString(rt::clip(f_.attachmentList)));
  text->setPlainText(controlText(f_.messageText));

  if (rt::clip(f_.from).empty() || rt::clip(f_.organization).empty() ||
      rt::clip(f_.server).empty() || f_.port == 0) {
    askForResponseFields();
  }
  composeSubject();
  if (call_.show == 0 && senderComplete()) {
    for (const char* name : {"?MESSAGETEXT", "?FROM", "?ORGANIZATION"}) {
      if (QWidget* c = control(name)) c->setEnabled(false);
    }
  }
  markAndNavigate(window);
  setTimer(15);
  return rt::level::Benign;
}

void EmailWindow::takeControls() {
  for (const TextBinding& b : kTexts) {
    if (auto* e = control<QLineEdit>(b.control))
      f_.*b.field = cutTo(rt::fromQString(e->text()), b.width);
  }
  if (auto* e = control<QLineEdit>("?PORT")) {
    f_.port = static_cast<std::uint16_t>(
        std::clamp<std::int64_t>(rt::textToNumber(rt::fromQString(e->text())), 0, 65535));
  }
  for (const FlagBinding& b : kFlags) {
    if (auto* box = control<QCheckBox>(b.control)) b.set(f_, box->isChecked());
  }
  if (auto* t = control<QPlainTextEdit>("?MESSAGETEXT"))
    f_.messageText = cutTo(crlfText(t->toPlainText()), 64000);
  if (auto* shown = control<QLabel>("?ATTACHMENTLIST")) {
    shown->setText(rt::toQString(rt::clip(f_.attachmentList)));
  }
}

int EmailWindow::TakeEvent() {
  mailer_.TakeEvent(event());
  auto* send = control<QPushButton>("?SEND");
  if (event() == rt::event::Timer) {
    if (call_.show == 0 && senderComplete() && autoSends_ == 0) {
      post(rt::event::Accepted, send);
      ++autoSends_;
    }
    send->setEnabled(senderComplete());
    mailer_.UpdateProgress_();
    return rt::level::Benign;
  }
  const int answer = WindowDriver::TakeEvent();
  if (send != nullptr) {
    send->setEnabled(!rt::clip(f_.server).empty() && f_.port != 0 && !rt::clip(f_.from).empty());
  }
  return answer;
}

int EmailWindow::TakeAccepted() {
  QWidget* c = field();
  // Every control writes to its variable as soon as its value is accepted.
  for (const TextBinding& b : kTexts) {
    if (c == control(b.control)) {
      f_.*b.field = cutTo(rt::fromQString(static_cast<QLineEdit*>(c)->text()), b.width);
      if (c == control("?ATTACHMENTLIST:2")) takeControls();
      return rt::level::Benign;
    }
  }
  if (c == control("?PORT") || qobject_cast<QCheckBox*>(c) != nullptr) {
    takeControls();
    return rt::level::Benign;
  }
  if (c == control("?SEND")) {
    send();
  } else if (c == control("?ABORT")) {
    takeControls();
    mailer_.Abort();
  } else if (c == control("?CLOSE")) {
    takeControls();
    post(rt::event::CloseWindow);
  } else if (c == control("?LOOKUPCERTIFICATEFILE")) {
    pick("Choose your Certificate File", kCertificateMasks, f_.certificateFile, "?CERTIFICATEFILE");
  } else if (c == control("?LOOKUPPRIVATEKEYFILE")) {
    pick("Choose your Private Key File", kKeyMasks, f_.privateKeyFile, "?PRIVATEKEYFILE");
  } else if (c == control("?LOOKUPCAROOTFILE")) {
    pick("Choose your CA Certicate File", kCertificateMasks, f_.caRootFile, "?CAROOTFILE");
  } else if (c == control("?CLEARLOG")) {
    f_.log.clear();
    if (auto* log = control<QPlainTextEdit>("?ELOG")) log->clear();
  }
  return rt::level::Benign;
}

void EmailWindow::pick(const char* title, const char* masks, std::string& into, const char* name) {
  rt::FileRequest request;
  request.title = title;
  request.masks = masks;
  if (std::optional<std::string> chosen = rt::chooseFile(request)) {
    into = cutTo(std::string(rt::clip(*chosen)), 252);
    showField(name, into);
  }
}

void EmailWindow::send() {
  takeControls();
  composeSubject();
  MailMessage m;
  m.server = f_.server;
  m.port = f_.port;
  m.to = f_.to;
  m.cc = f_.cc;
  m.bcc = f_.bcc;
  m.from = f_.from;
  m.helo = f_.helo;
  m.replyTo = f_.from;
  m.subject = f_.subject;
  m.organization = f_.organization;
  m.attachments = f_.attachmentList;
  m.embeds = f_.embedList;
  m.user = f_.user;
  m.password = f_.password;
  m.secureAlways = f_.secureAlways;
  m.startTls = f_.secureStartTls;
  m.certificateFile = f_.certificateFile;
  m.privateKeyFile = f_.privateKeyFile;
  m.caRootFile = f_.caRootFile;
  m.dontVerifyWithCaRoot = f_.dontVerifyWithCaRoot;
  m.dontVerifyCommonName = f_.dontVerifyCommonName;
  m.tlsV1Only = f_.sslTlsV1 == 1;
  m.text = f_.messageText;
  mailStatus(mailer_.sendNow(m));
}

int EmailWindow::Kill() {
  takeControls();
  mailer_.Kill();
  const int result = AidedWindow::Kill();
  writeSettings();
  return result;
}

void EmailWindow::mailDelivered() { post(rt::event::CloseWindow); }

void EmailWindow::mailTraffic(std::int32_t state, char direction, std::string_view text) {
  if (f_.dontLog != 0 || f_.log.size() >= kLogLimit) return;
  f_.log += std::to_string(state) + " " + direction + " " + std::string(text);
  if (f_.log.size() > kLogLimit) f_.log.resize(kLogLimit);
  if (auto* log = control<QPlainTextEdit>("?ELOG")) log->setPlainText(controlText(f_.log));
}

int runEnvioEmailTLFull(const rt::ProcedureArgs& args) {
  auto arg = [&args](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
  EmailWindow window(EmailCall{arg(0), arg(1), arg(2), arg(3), arg(4),
                               static_cast<std::uint8_t>(rt::textToNumber(arg(5)))});
  window.Run();
  return rt::kCompleted;
}

}  // namespace output
