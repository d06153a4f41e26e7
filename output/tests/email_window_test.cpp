// The e-mail window against a real SMTP server on loopback: send-at-once and
// editing modes, the composed subject, the attachment rule, refused
// connections and recipients, STARTTLS with AUTH LOGIN, the question on
// closing while mail is queued and the settings file it keeps.
#include "output/email_window.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/frame/window_font_start.h"
#include "netlib/net_event_delivery.h"
#include "netlib/testing/mail_probe.h"
#include "netlib/testing/smtp_test_server.h"
#include "output/register_procedures.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/net/testing/raw_socket.h"
#include "platform/net/testing/test_certificates.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_placement.h"

namespace output {
namespace {

namespace fs = std::filesystem;
using netlib::testing::probeMail;
using netlib::testing::SmtpServerOptions;
using netlib::testing::SmtpTestServer;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::waitUntil;

constexpr const char* kIni = ".\\TLMail.ini";

// The window with what its status line showed and the ticks it took.
class SeenWindow : public EmailWindow {
 public:
  using EmailWindow::EmailWindow;
  std::vector<std::string> statuses;
  int ticks = 0;
  void mailStatus(const std::string& text) override {
    statuses.push_back(text);
    EmailWindow::mailStatus(text);
  }
  int TakeEvent() override {
    if (event() == rt::event::Timer) ++ticks;
    return EmailWindow::TakeEvent();
  }
  std::string status() { return rt::fromQString(control<QLabel>("?STATUS")->text()); }
};

class EmailWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerProcedures();
    fs::remove(rt::resolvePath(kIni));
    frame_ = std::make_unique<QWidget>();
    frame_->setWindowTitle(QStringLiteral("Varneta 9.0"));
    GLO::VentanaPrincipal = frame_.get();
    rt::setFixedClock(rt::makeDate(10, 2, 2025), rt::makeTime(9, 5, 0));
    std::ofstream(rt::resolvePath("informe.pdf"), std::ios::binary) << pdfBytes();
  }
  void TearDown() override {
    GLO::VentanaPrincipal = nullptr;
    if (shown_ != nullptr) {
      shown_->post(rt::event::CloseWindow);
      waitUntil([&] { return done_; }, "the window closed at the end");
    }
  }
  static std::string pdfBytes() {
    std::string bytes = "%PDF-1.4\n";
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(i * 37 % 256);
    return bytes;
  }
  void startServer(SmtpServerOptions options = {}) {
    server_ = std::make_unique<SmtpTestServer>(options);
    ASSERT_TRUE(server_->started()) << server_->startError();
  }
  // Complete sender settings for the loopback server.
  void settings(std::uint16_t port, const std::string& from = "consultorio@varneta.test") {
    rt::putIni("EmailSend", "Server", "127.0.0.1", kIni);
    rt::putIni("EmailSend", "Port", std::to_string(port), kIni);
    rt::putIni("EmailSend", "From", from, kIni);
    rt::putIni("EmailSend", "Organization", "Consultorio Sur", kIni);
  }
  // Opens the window on a thread of its own and waits until it shows.
  SeenWindow* open(EmailCall call) {
    done_ = false;
    shown_ = nullptr;
    rt::start([this, call] {
      rt::ProcedureScope scope("EnvioEmailTLFull");
      SeenWindow window(call);
      shown_ = &window;
      window.Run();
      shown_ = nullptr;
      done_ = true;
    });
    waitUntil([&] { return done_ || (shown_ != nullptr && shown_->isOpen()); }, "the window open");
    return shown_;
  }
  bool closed() {
    return waitUntil([&] { return done_; }, "the window closed", std::chrono::seconds(30));
  }
  static EmailCall mail(std::uint8_t show, std::string attachment = "informe.pdf") {
    return {"paciente@example.org",
            "",
            "Listado de Pacientes",
            std::move(attachment),
            "Adjunto el listado.\r\nSaludos."_cp,
            show};
  }
  static std::string expectedSubject(const std::string& organization = "Consultorio Sur") {
    return "Listado de Pacientes - Varneta 9.0 - " + organization + " - 02/10/2025 - 09:05";
  }

  netlib::ScopedNetEventDelivery delivery_;
  std::unique_ptr<QWidget> frame_;
  std::unique_ptr<SmtpTestServer> server_;
  SeenWindow* shown_ = nullptr;
  bool done_ = false;
};

TEST_F(EmailWindowTest, SendAtOnceWithCompleteSettingsSendsAtTheFirstTickAndCloses) {
  startServer();
  settings(server_->port());
  ScriptedMessages messages;
  SeenWindow* w = open(mail(0));
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(closed());
  EXPECT_TRUE(messages.asked().empty());
  ASSERT_FALSE(w == nullptr);
  ASSERT_EQ(server_->messages().size(), 1u);
  const netlib::testing::StoredMessage stored = server_->messages()[0];
  EXPECT_EQ(stored.rcptTos, std::vector<std::string>{"paciente@example.org"});
  const netlib::testing::ProbedMail m = probeMail(stored.content);
  EXPECT_EQ(m.defects, 0);
  EXPECT_EQ(m.headers.at("Subject"), expectedSubject());
  EXPECT_NE(m.headers.at("From").find("consultorio@varneta.test"), std::string::npos);
  EXPECT_NE(m.headers.at("Reply-To").find("consultorio@varneta.test"), std::string::npos);
  EXPECT_EQ(m.headers.at("Organization"), "Consultorio Sur");
  EXPECT_EQ(m.headers.count("Bcc"), 0u);
  const netlib::testing::ProbedPart* text = m.part("text/plain");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->encoding, "quoted-printable");
  EXPECT_EQ(text->bytes.substr(0, 31), "Adjunto el listado.\r\nSaludos.\r\n");
  const netlib::testing::ProbedPart* pdf = m.attachment("informe.pdf");
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(pdf->bytes, pdfBytes());
}

TEST_F(EmailWindowTest, SendAtOnceShowsTheQueueCountAndTheSettingsAreWrittenBack) {
  startServer();
  settings(server_->port());
  ScriptedMessages messages;
  std::vector<std::string> statuses;
  int ticksAtSend = -1;
  rt::testing::WindowScript script;
  done_ = false;
  rt::start([&] {
    rt::ProcedureScope scope("EnvioEmailTLFull");
    struct Watch : SeenWindow {
      using SeenWindow::SeenWindow;
      int* ticksAtSend;
      int TakeAccepted() override {
        if (field() == control("?SEND")) *ticksAtSend = ticks;
        return SeenWindow::TakeAccepted();
      }
    } window(mail(0));
    window.ticksAtSend = &ticksAtSend;
    window.Run();
    statuses = window.statuses;
    done_ = true;
  });
  ASSERT_TRUE(closed());
  EXPECT_EQ(ticksAtSend, 1) << "pressed by the first tick";
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses[0], "Enviando 1 Email(s)");
  EXPECT_EQ(statuses.back(), "");
  EXPECT_EQ(server_->messages().size(), 1u);
  EXPECT_EQ(rt::getIni("EmailSend", "Subject", "", kIni), expectedSubject());
  EXPECT_EQ(rt::getIni("EmailSend", "ReplyTo", "", kIni), "consultorio@varneta.test");
  EXPECT_EQ(rt::getIni("EmailSend", "ToField", "", kIni), "paciente@example.org");
}

TEST_F(EmailWindowTest, BlankSenderAsksAndSendsOnceFromAndOrganizationAreFilled) {
  startServer();
  rt::putIni("EmailSend", "Server", "127.0.0.1", kIni);
  rt::putIni("EmailSend", "Port", std::to_string(server_->port()), kIni);
  ScriptedMessages messages;
  SeenWindow* w = open(mail(0));
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Campos necesarios para darle respuesta");
  ASSERT_TRUE(waitUntil([&] { return w->ticks >= 3; }, "a few ticks"));
  EXPECT_EQ(server_->connections(), 0) << "nothing is sent without a sender";
  EXPECT_TRUE(w->control("?FROM")->isEnabled());
  EXPECT_TRUE(w->control("?MESSAGETEXT")->isEnabled());
  EXPECT_FALSE(w->control("?SEND")->isEnabled());
  for (auto [name, value] : {std::pair{"?FROM", "recepcion@varneta.test"},
                             std::pair{"?ORGANIZATION", "Consultorio Norte"}}) {
    w->control<QLineEdit>(name)->setText(value);
    w->post(rt::event::Accepted, w->control(name));
  }
  ASSERT_TRUE(closed());
  ASSERT_EQ(server_->messages().size(), 1u);
  const netlib::testing::ProbedMail m = probeMail(server_->messages()[0].content);
  EXPECT_EQ(m.headers.at("Subject"), expectedSubject("Consultorio Norte"));
  EXPECT_NE(m.headers.at("From").find("recepcion@varneta.test"), std::string::npos);
}

TEST_F(EmailWindowTest, ATypedSubjectIsReplacedByTheComposedOneAtSend) {
  startServer();
  settings(server_->port());
  ScriptedMessages messages;
  SeenWindow* w = open(mail(1));
  ASSERT_NE(w, nullptr);
  auto* subject = w->control<QLineEdit>("?SUBJECT");
  EXPECT_EQ(rt::fromQString(subject->text()), expectedSubject());
  EXPECT_TRUE(w->control("?MESSAGETEXT")->isEnabled()) << "editing mode";
  subject->setText(QStringLiteral("Otro asunto"));
  w->post(rt::event::Accepted, subject);
  ASSERT_TRUE(waitUntil([&] { return w->control("?SEND")->isEnabled(); }, "Send enabled"));
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(closed());
  ASSERT_EQ(server_->messages().size(), 1u);
  EXPECT_EQ(probeMail(server_->messages()[0].content).headers.at("Subject"), expectedSubject());
}

TEST_F(EmailWindowTest, TheAttachmentRule) {
  struct Case {
    const char* given;
    const char* kept;
  };
  const Case cases[] = {
      {"informe.pdf", "informe.pdf"},                // there
      {"falta.pdf", ""},                             // one path that is not there
      {"falta.pdf,otro.pdf", "falta.pdf,otro.pdf"},  // a list passes unchecked
      {"", ""},
  };
  ScriptedMessages messages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    SeenWindow* w = open(mail(1, c.given));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->fields().attachmentList, c.kept);
    EXPECT_EQ(rt::fromQString(w->control<QLabel>("?ATTACHMENTLIST")->text()), c.kept);
    ASSERT_TRUE(click(*w, "?CLOSE"));
    ASSERT_TRUE(closed());
  }
}

// Enviar after a failed attempt starts a new one: the failed attempt is
// dropped as Abortar drops it, and the message goes out once.
TEST_F(EmailWindowTest, EnviarAfterARefusedPortSendsToTheRightPort) {
  startServer();
  rt::net::testing::RawSocket refusing;  // bound, never listening
  settings(refusing.port);
  ScriptedMessages messages;
  SeenWindow* w = open(mail(1));
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(waitUntil([&] { return w->mailer().ERROR != 0; }, "the connection refused"));
  rt::testing::waitIdle();
  EXPECT_EQ(w->status(), "No es posible conectar con el Servidor.");
  w->control<QLineEdit>("?PORT")->setText(QString::number(server_->port()));
  w->post(rt::event::Accepted, w->control("?PORT"));
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(closed()) << w->status();
  ASSERT_EQ(server_->messages().size(), 1u);
  EXPECT_EQ(server_->connections(), 1);
  const netlib::testing::ProbedMail m = probeMail(server_->messages()[0].content);
  ASSERT_NE(m.attachment("informe.pdf"), nullptr);
  EXPECT_TRUE(m.attachment("informe.pdf")->bytes == pdfBytes());
}

// A listing saved under a name outside ASCII is mailed whole; a file of a
// list that cannot be read stops the message with the file named, on the
// status line and in the message (which goes to the activity log).
TEST_F(EmailWindowTest, TheListingIsMailedWholeOrTheUnreadableFileIsNamed) {
  startServer();
  settings(server_->port());
  const std::string listing = "Listado Pacientes Ñandú año.pdf"_cp;
  std::ofstream(rt::resolvePath(listing), std::ios::binary) << pdfBytes();
  ScriptedMessages messages;
  SeenWindow* w = open(mail(1, listing + ",falta.pdf"));
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(click(*w, "?SEND"));
  rt::testing::waitIdle();
  const std::string named = rt::runtimeName(fs::current_path() / "falta.pdf");
  EXPECT_EQ(w->status(), "No se puede leer el archivo "_cp + named + "; no se envió nada."_cp);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_NE(messages.asked()[0].text.find(named), std::string::npos) << messages.asked()[0].text;
  EXPECT_TRUE(w->isOpen());
  EXPECT_EQ(server_->connections(), 0);

  w->control<QLineEdit>("?ATTACHMENTLIST:2")->setText(rt::toQString(listing));
  w->post(rt::event::Accepted, w->control("?ATTACHMENTLIST:2"));
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(closed()) << w->status();
  ASSERT_EQ(server_->messages().size(), 1u);
  const netlib::testing::ProbedMail m = probeMail(server_->messages()[0].content);
  const netlib::testing::ProbedPart* pdf = m.attachment("Listado Pacientes Ñandú año.pdf");
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(pdf->bytes.size(), pdfBytes().size());
  EXPECT_TRUE(pdf->bytes == pdfBytes()) << "the bytes of the file";
}

TEST_F(EmailWindowTest, ARefusedRecipientLeavesTheWindowOpenWithTheError) {
  SmtpServerOptions options;
  options.refusedRecipient = "paciente@example.org";
  startServer(options);
  settings(server_->port());
  ScriptedMessages messages;
  SeenWindow* w = open(mail(1));
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(waitUntil(
      [&] {
        return w->status() ==
               "El servidor rechazó el destinatario: 550 5.1.1 Mailbox unavailable"_cp;
      },
      "the error shown"));
  rt::testing::waitIdle();
  EXPECT_TRUE(w->isOpen());
  EXPECT_TRUE(server_->messages().empty());
  // What was typed stays, and the settings are written on close all the same.
  ASSERT_TRUE(click(*w, "?CLOSE"));
  ASSERT_TRUE(closed());
  const auto keys = rt::getIniSection("EmailSend", kIni);
  EXPECT_EQ(keys.size(), 22u);
  EXPECT_EQ(rt::getIni("EmailSend", "Password", "x", kIni), "");
}

// STARTTLS with AUTH LOGIN: the certificate is verified with the CA file and
// the window keeps its own server-name setting (the test server's
// certificate names "localhost", so reaching it as 127.0.0.1 is refused
// unless the window was told not to check). A refusal sends nothing.
TEST_F(EmailWindowTest, StartTlsWithAuthLoginVerifiedWithTheCaFileAndTheServerName) {
  ASSERT_TRUE(rt::net::testing::testCertificates().made);
  SmtpServerOptions options;
  options.tls = SmtpServerOptions::Tls::kStartTls;
  options.certFile = rt::net::testing::testCertificates().serverCert;
  options.keyFile = rt::net::testing::testCertificates().serverKey;
  options.user = "recepcion";
  options.password = "clave 7";
  startServer(options);
  settings(server_->port());
  rt::putIni("EmailSend", "SecureEmailStartTLS", "1", kIni);
  rt::putIni("EmailSend", "User", "recepcion", kIni);
  rt::putIni("EmailSend", "Password", "clave 7", kIni);
  const std::string ca = rt::net::testing::testCertificates().ca;
  struct Case {
    std::string server;
    std::string caFile;
    std::string dontCheckName;
    std::string refusal;  // empty: delivered
  };
  const Case cases[] = {
      {"localhost", ca, "0", ""},
      {"localhost", rt::runtimeName(fs::current_path() / "no-hay-ca.pem"), "0",
       "El certificado del servidor no es de confianza; no se envió nada."_cp},
      {"127.0.0.1", ca, "0",
       "El certificado del servidor no corresponde a su nombre (127.0.0.1); no se envió nada."_cp},
      {"127.0.0.1", ca, "1", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + " " + c.caFile + " " + c.dontCheckName);
    rt::putIni("EmailSend", "Server", c.server, kIni);
    rt::putIni("EmailSend", "CARootFile", c.caFile, kIni);
    rt::putIni("EmailSend", "DontVerifyRemoteCertificateCommonName", c.dontCheckName, kIni);
    const std::size_t before = server_->messages().size();
    ScriptedMessages messages;
    SeenWindow* w = open(mail(0));
    ASSERT_NE(w, nullptr);
    if (c.refusal.empty()) {
      ASSERT_TRUE(closed());
      ASSERT_EQ(server_->messages().size(), before + 1);
      EXPECT_EQ(server_->messages().back().login, "recepcion");
      EXPECT_TRUE(server_->messages().back().overTls);
      continue;
    }
    ASSERT_TRUE(waitUntil([&] { return done_ || w->status() == c.refusal; }, "refused"));
    ASSERT_FALSE(done_) << "sent all the same";
    EXPECT_EQ(server_->messages().size(), before);
    ASSERT_TRUE(click(*w, "?CLOSE"));
    ASSERT_TRUE(closed());
  }
  EXPECT_EQ(rt::getIni("EmailSend", "Password", "", kIni), "clave 7") << "kept as plain text";
}

// A refusal shows what the server answered, its code and its text.
TEST_F(EmailWindowTest, ARefusalShowsTheServersAnswer) {
  struct Case {
    const char* name;
    std::string password;  // the server's; the window sends "clave 7"
    std::string refusedRecipient;
    std::string dataReply;
    std::string shown;
  };
  const Case cases[] = {
      {"login", "otra", "", "",
       "El servidor rechazó el usuario o la clave: 535 5.7.8 Authentication credentials invalid"_cp},
      {"recipient", "clave 7", "paciente@example.org", "",
       "El servidor rechazó el destinatario: 550 5.1.1 Mailbox unavailable"_cp},
      {"message", "clave 7", "", "554 5.6.0 Mensaje no aceptado",
       "El servidor rechazó el mensaje: 554 5.6.0 Mensaje no aceptado"_cp},
      {"closed in the data", "clave 7", "", "close",
       "El servidor cerró la conexión sin aceptar el mensaje."_cp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpServerOptions options;
    options.user = "recepcion";
    options.password = c.password;
    options.refusedRecipient = c.refusedRecipient;
    options.dataReply = c.dataReply;
    startServer(options);
    settings(server_->port());
    rt::putIni("EmailSend", "User", "recepcion", kIni);
    rt::putIni("EmailSend", "Password", "clave 7", kIni);
    ScriptedMessages messages;
    SeenWindow* w = open(mail(1));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(click(*w, "?SEND"));
    ASSERT_TRUE(waitUntil([&] { return w->status() == c.shown; }, "the answer shown"))
        << w->status();
    EXPECT_TRUE(server_->messages().empty());
    ASSERT_TRUE(click(*w, "?CLOSE"));
    ASSERT_TRUE(closed());
  }
}

TEST_F(EmailWindowTest, ClosingWhileQueuedAsksAndNoKeepsTheWindow) {
  rt::net::testing::RawSocket silent;
  ::listen(silent.fd, 1);  // takes the connection and never greets
  settings(silent.port);
  ScriptedMessages messages({rt::button::No, rt::button::Yes});
  SeenWindow* w = open(mail(1));
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(waitUntil([&] { return w->mailer().queued() == 1; }, "queued"));
  w->post(rt::event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return messages.asked().size() == 1; }, "asked"));
  EXPECT_EQ(messages.asked()[0].text, "El email aún está enviándose.|¿Está seguro de salir?"_cp);
  EXPECT_EQ(messages.asked()[0].defaultButton, rt::button::No);
  rt::testing::waitIdle();
  EXPECT_TRUE(w->isOpen());
  w->post(rt::event::CloseWindow);
  ASSERT_TRUE(closed());
  EXPECT_EQ(messages.asked().size(), 2u);
}

TEST_F(EmailWindowTest, TheSettingsWrittenAtCloseAreReadAtTheNextOpen) {
  ScriptedMessages messages;
  SeenWindow* w = open(mail(1));
  ASSERT_NE(w, nullptr);
  const std::pair<const char*, const char*> typed[] = {{"?SERVER", "smtp.consultorio.example"},
                                                       {"?PORT", "2525"},
                                                       {"?FROM", "turnos@consultorio.example"},
                                                       {"?ORGANIZATION", "Consultorio Este"},
                                                       {"?USER", "turnos"},
                                                       {"?PASSWORD", "s3creta"},
                                                       {"?CAROOTFILE", "/etc/ca.pem"}};
  for (auto [name, value] : typed) {
    w->control<QLineEdit>(name)->setText(value);
    w->post(rt::event::Accepted, w->control(name));
  }
  w->control<QCheckBox>("?SECUREEMAILALWAYS")->click();
  ASSERT_TRUE(click(*w, "?CLOSE"));
  ASSERT_TRUE(closed());
  EXPECT_EQ(rt::getIni("EmailSend", "Password", "", kIni), "s3creta");
  w = open(mail(1));
  ASSERT_NE(w, nullptr);
  for (auto [name, value] : typed) {
    EXPECT_EQ(rt::fromQString(w->control<QLineEdit>(name)->text()), value) << name;
  }
  EXPECT_TRUE(w->control<QCheckBox>("?SECUREEMAILALWAYS")->isChecked());
  EXPECT_EQ(messages.asked().size(), 1u) << "asked for the sender only the first time";
}

}  // namespace
}  // namespace output

namespace output {
namespace {

// At every font size the window opens whole on the screen at the same size
// each time, with Enviar, Abortar and Cerrar below whatever scrolls.
TEST_F(EmailWindowTest, TheWindowHasASteadySizeWholeOnTheScreenWithItsButtonsInSight) {
  ScriptedMessages messages;
  for (const char* size : {"8", "11", "14"}) {
    SCOPED_TRACE(size);
    std::filesystem::remove(rt::resolvePath(core::kProgramIni));
    core::setWindowFontStartValues();
    core::settingsStore().Init(core::kProgramIni);
    core::settingsStore().update("AnyFont", "FontSize", size);
    std::vector<QSize> sizes;
    for (int opening = 0; opening < 2; ++opening) {
      SeenWindow* w = open(mail(1));
      ASSERT_NE(w, nullptr);
      rt::testing::waitIdle();
      QWidget* window = w->window();
      EXPECT_TRUE(rt::availableArea(window).contains(window->frameGeometry()))
          << "whole on the screen";
      sizes.push_back(window->size());
      for (const char* name : {"?SEND", "?ABORT", "?CLOSE"}) {
        auto* button = w->control<QPushButton>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->isVisible()) << name;
        EXPECT_EQ(button->parentWidget(), window) << name << " is not scrolled";
        const QRect shown(button->mapTo(window, QPoint(0, 0)), button->size());
        EXPECT_TRUE(window->rect().contains(shown)) << name << " inside the window";
      }
      w->post(rt::event::CloseWindow);
      ASSERT_TRUE(closed());
    }
    EXPECT_EQ(sizes[0], sizes[1]) << "the same size at each opening";
    core::settingsStore().Kill();
  }
  std::filesystem::remove(rt::resolvePath(core::kProgramIni));
  core::setWindowFontStartValues();
}

}  // namespace
}  // namespace output
