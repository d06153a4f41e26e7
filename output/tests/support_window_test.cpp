// The support message window against a real SMTP server on loopback: the
// ticket with both bodies, the screen picture and the activity log, the
// incomplete-data box, the picture box by how the window was reached, and the
// settings it writes back.
#include "output/support_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "core/frame/globals.h"
#include "core/frame/message_window.h"
#include "netlib/net_event_delivery.h"
#include "netlib/testing/mail_probe.h"
#include "netlib/testing/smtp_test_server.h"
#include "output/register_procedures.h"
#include "output/screen_capture.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/private_temp.h"
#include "platform/base/procedures.h"
#include "platform/base/registry_store.h"
#include "platform/base/testing/test_environment.h"
#include "platform/net/testing/test_certificates.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace output {
namespace {

namespace fs = std::filesystem;
using netlib::testing::probeMail;
using netlib::testing::SmtpServerOptions;
using netlib::testing::SmtpTestServer;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::waitUntil;
using rt::testing::WindowScript;

constexpr const char* kProgramIni = ".\\varneta.INI";
constexpr const char* kCaption = "Envío de Email a Tolvane"_cp;
constexpr const char* kLogBytes =
    "29/09/2025 10:30 - FORMULARIOPACIENTES - Ingreso\r\n"
    "29/09/2025 10:31 - FORMULARIOPACIENTES - Salida\r\n";

class SupportWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerProcedures();
    fs::remove(rt::resolvePath(".\\emailtl.ini"));
    fs::remove(rt::resolvePath(kProgramIni));
    rt::setFixedClock(rt::makeDate(10, 2, 2025), rt::makeTime(9, 5, 0));
    previousCapture_ = setScreenCapture([] {
      QImage picture(64, 48, QImage::Format_RGB32);
      picture.fill(Qt::darkCyan);
      return picture;
    });
    GLO::UsuarioSistema = "Consultorio Sur";
    GLO::TituloSistema = "Varneta Versión 9.0"_cp;
    GLO::Nombre_Usuario_Logueado = "Ana Ruiz";
    GLO::AdjuntarCaptura = 0;
    GLO::ArchivoLog = rt::runtimeName(fs::current_path() / "LogTL-0001-82095.txt");
    std::ofstream(rt::resolvePath(GLO::ArchivoLog), std::ios::binary) << kLogBytes;
    rt::putIni("EmailSendDemo", "ReplyTo", "ana@consultorio.example", ".\\emailtl.ini");
    rt::registryWriteString(rt::RegistryRoot::LocalMachine, "SOFTWARE\\TeamViewer", "ClientID",
                            "123 456 789");
    setenv("COMPUTERNAME", "RECEPCION-2", 1);
  }
  void TearDown() override {
    setScreenCapture(previousCapture_);
    unsetenv("SSL_CERT_FILE");
  }
  // A server that offers STARTTLS with a certificate for "localhost", which
  // the system's trusted authorities (here the test CA) vouch for; reached
  // by `name`.
  void startServer(SmtpServerOptions options = {}, const std::string& name = "localhost",
                   bool offerStartTls = true) {
    options.user = "soporte@tolvane.example";
    options.password = "7hotmpr58Kbn";
    if (offerStartTls) {
      ASSERT_TRUE(rt::net::testing::testCertificates().made);
      options.tls = SmtpServerOptions::Tls::kStartTls;
      options.certFile = rt::net::testing::testCertificates().serverCert;
      options.keyFile = rt::net::testing::testCertificates().serverKey;
      setenv("SSL_CERT_FILE", rt::net::testing::testCertificates().ca.c_str(), 1);
    }
    server_ = std::make_unique<SmtpTestServer>(options);
    ASSERT_TRUE(server_->started()) << server_->startError();
    // The practice's own account, as it sets it in the program's INI file.
    const std::pair<const char*, std::string> entries[] = {
        {"Servidor", name},
        {"Puerto", std::to_string(server_->port())},
        {"Cuenta", "soporte@tolvane.example"},
        {"Clave", "7hotmpr58Kbn"},
        {"Destinatario", "info@tolvane.example"}};
    for (const auto& [key, value] : entries) rt::putIni("Soporte", key, value, kProgramIni);
  }
  rt::WindowDriver* open() {
    done_ = false;
    shown_ = nullptr;
    rt::start([this] {
      rt::ProcedureScope scope("TLSoporte");
      SupportWindow window;
      shown_ = &window;
      window.Run();
      shown_ = nullptr;
      done_ = true;
    });
    waitUntil([&] { return done_ || (shown_ != nullptr && shown_->isOpen()); }, "the window open");
    return shown_;
  }
  bool closed() {
    return waitUntil([&] { return done_; }, "closed", std::chrono::seconds(30));
  }
  static void describe(rt::WindowDriver& w, const char* text) {
    w.control<QPlainTextEdit>("?MESSAGETEXT")->setPlainText(rt::toQString(text));
  }

  netlib::ScopedNetEventDelivery delivery_;
  std::unique_ptr<SmtpTestServer> server_;
  ScreenCapture previousCapture_;
  rt::WindowDriver* shown_ = nullptr;
  bool done_ = false;
};

TEST_F(SupportWindowTest, ATicketArrivesWithBothBodiesThePictureAndTheLog) {
  startServer();
  GLO::AdjuntarCaptura = 1;
  ScriptedMessages messages;
  rt::WindowDriver* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(messages.asked().empty());
  EXPECT_TRUE(w->control<QCheckBox>("?ADJUNTARPANTALLA:2")->isChecked());
  EXPECT_EQ(w->control("?REPLYTO")->focusPolicy(), Qt::ClickFocus) << "pre-filled: skipped";
  EXPECT_TRUE(w->control("?REPLYTO")->isEnabled());
  describe(*w, "Al imprimir\nel listado a<b & c>d\nse cierra.\n");
  // The success box comes while the window is still there, Send greyed for good.
  std::vector<rt::MessageRequest> asked;
  bool sendEnabledAtSuccess = true;
  rt::MessageHandler previous = rt::setMessageHandler([&](const rt::MessageRequest& request) {
    asked.push_back(request);
    sendEnabledAtSuccess = w->control("?SEND")->isEnabled();
    return rt::button::Ok;
  });
  ASSERT_TRUE(click(*w, "?SEND"));
  ASSERT_TRUE(closed());
  rt::setMessageHandler(previous);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "El email se envió con éxito"_cp);
  EXPECT_EQ(asked[0].caption, kCaption);
  EXPECT_FALSE(sendEnabledAtSuccess);

  ASSERT_EQ(server_->messages().size(), 1u);
  const netlib::testing::StoredMessage stored = server_->messages()[0];
  EXPECT_TRUE(stored.overTls) << "the server offers STARTTLS";
  EXPECT_EQ(stored.login, "soporte@tolvane.example");
  EXPECT_EQ(stored.mailFrom, "soporte@tolvane.example");
  EXPECT_EQ(stored.rcptTos, std::vector<std::string>{"info@tolvane.example"});
  const netlib::testing::ProbedMail m = probeMail(stored.content);
  EXPECT_EQ(m.defects, 0);
  EXPECT_EQ(m.headers.at("Subject"), "Ticket de Soporte - Consultorio Sur");
  EXPECT_NE(m.headers.at("Reply-To").find("ana@consultorio.example"), std::string::npos);
  const netlib::testing::ProbedPart* plain = m.part("text/plain");
  ASSERT_NE(plain, nullptr);
  const std::string id = "123 456 789" + std::string(29, ' ');
  EXPECT_EQ(plain->bytes.substr(0, plain->bytes.find("Descripcion: ")),
            "Sistema:Varneta Versión 9.0 - Consultorio Sur\r\nFecha y Hora: 02/10/2025 - 09:05\r\n"
            "Usuario: Ana Ruiz\r\nTerminal: RECEPCION-2\r\nID Teamviewer: " +
                id + "\r\n");
  EXPECT_NE(plain->bytes.find("Descripcion: Al imprimir\r\nel listado a<b & c>d\r\nse cierra."),
            std::string::npos);
  const netlib::testing::ProbedPart* html = m.part("text/html");
  ASSERT_NE(html, nullptr);
  EXPECT_NE(html->bytes.find("<strong>Usuario:</strong> Ana Ruiz<br>"), std::string::npos);
  std::string description = html->bytes.substr(html->bytes.find("Descripcion:</strong> "));
  description.resize(description.find("se cierra.") + 16);
  EXPECT_NE(description.find("Al imprimir<br>"), std::string::npos);
  EXPECT_NE(description.find("el listado a&lt;b &amp; c&gt;d<br>"), std::string::npos);
  EXPECT_NE(description.find("se cierra.<br>"), std::string::npos) << "the last line end too";
  for (std::size_t at = description.find('\n'); at != std::string::npos;
       at = description.find('\n', at + 1)) {
    const std::size_t br = description.rfind("<br>", at);
    EXPECT_TRUE(br != std::string::npos && description.find_first_not_of("\r", br + 4) == at)
        << "a line end without <br> at " << at;
  }
  for (std::size_t at = stored.content.find('\n'); at != std::string::npos;
       at = stored.content.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && stored.content[at - 1] == '\r')
        << "a bare LF reached the server at " << at;
  }
  const netlib::testing::ProbedPart* picture = m.attachment("pantalla.jpg");
  ASSERT_NE(picture, nullptr);
  const QImage decoded = QImage::fromData(reinterpret_cast<const uchar*>(picture->bytes.data()),
                                          static_cast<int>(picture->bytes.size()), "JPG");
  EXPECT_EQ(decoded.size(), QSize(64, 48));
  const netlib::testing::ProbedPart* log = m.attachment("LogTL-0001-82095.txt");
  ASSERT_NE(log, nullptr) << "the log follows the picture after \", \"";
  EXPECT_EQ(log->bytes, kLogBytes);
}

// The ticket (a picture of the screen, the activity log) and the account's
// password go only over a connection whose certificate names the server: a
// certificate for another name, or a server that offers no STARTTLS, stops
// the ticket before anything is sent, and the status line says why.
TEST_F(SupportWindowTest, TheTicketGoesOnlyOverAVerifiedSecureConnection) {
  struct Case {
    const char* name;
    std::string server;
    bool offerStartTls;
    std::string shown;
  };
  const Case cases[] = {
      {"certificate for another name", "127.0.0.1", true,
       "El certificado del servidor no corresponde a su nombre (127.0.0.1); no se envió nada."_cp},
      {"no STARTTLS offered", "127.0.0.1", false,
       "El servidor no ofrece conexión segura (STARTTLS); no se envió nada, para no mandar la "
       "clave sin cifrar."_cp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    startServer({}, c.server, c.offerStartTls);
    ScriptedMessages messages;
    rt::WindowDriver* w = open();
    ASSERT_NE(w, nullptr);
    describe(*w, "No imprime.");
    ASSERT_TRUE(click(*w, "?SEND"));
    auto shown = [&] { return rt::fromQString(w->control<QLabel>("?STATUS")->text()); };
    ASSERT_TRUE(waitUntil([&] { return done_ || shown() == c.shown; }, "refused"));
    ASSERT_FALSE(done_) << "the ticket went";
    EXPECT_TRUE(server_->messages().empty());
    EXPECT_TRUE(w->control("?CLOSE")->isEnabled());
    ASSERT_TRUE(click(*w, "?CLOSE"));
    ASSERT_TRUE(closed());
  }
}

TEST_F(SupportWindowTest, TheAccountIsReadFromTheProgramIniWrittenWithTheExampleOnFirstUse) {
  const SupportAccount example = supportAccount();
  EXPECT_EQ(example.server, "smtp.tolvane.example");
  EXPECT_EQ(example.port, 587);
  EXPECT_EQ(example.sender, "soporte@tolvane.example");
  EXPECT_EQ(example.password, "7hotmpr58Kbn");
  EXPECT_EQ(example.recipient, "info@tolvane.example");
  const auto written = rt::getIniSection("Soporte", kProgramIni);
  ASSERT_EQ(written.size(), 5u) << "every entry written on first use, to be filled in";
  EXPECT_EQ(rt::getIni("Soporte", "Puerto", "", kProgramIni), "587");

  rt::putIni("soporte", "SERVIDOR", "correo.consultorio.example  ", kProgramIni);
  rt::putIni("Soporte", "Puerto", "465", kProgramIni);
  rt::putIni("Soporte", "Destinatario", "ayuda@consultorio.example", kProgramIni);
  SupportAccount own = supportAccount();
  EXPECT_EQ(own.server, "correo.consultorio.example");
  EXPECT_EQ(own.port, 465);
  EXPECT_EQ(own.recipient, "ayuda@consultorio.example");
  EXPECT_EQ(own.sender, "soporte@tolvane.example");
  rt::putIni("Soporte", "Puerto", "no", kProgramIni);
  EXPECT_EQ(supportAccount().port, 587) << "a port that is no number falls back to the default";
  EXPECT_EQ(rt::getIniSection("Soporte", kProgramIni).size(), 5u) << "nothing written twice";
}

TEST_F(SupportWindowTest, IncompleteDataIsRefusedAndNothingIsSent) {
  startServer();
  ScriptedMessages messages;
  rt::WindowDriver* w = open();
  ASSERT_NE(w, nullptr);
  struct Case {
    const char* control;
    const char* value;
  };
  const Case cases[] = {
      {"?MESSAGETEXT", ""}, {"?USUARIO", " "}, {"?REPLYTO", ""}, {"?ORGANIZATION", ""}};
  describe(*w, "Algo");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    if (auto* e = w->control<QLineEdit>(c.control))
      e->setText(c.value);
    else
      describe(*w, c.value);
    const std::size_t before = messages.asked().size();
    ASSERT_TRUE(click(*w, "?SEND"));
    ASSERT_TRUE(waitUntil([&] { return messages.asked().size() == before + 1; }, "refused"));
    EXPECT_EQ(messages.asked().back().text,
              "Datos incompletos...||El mail no puede ser enviado en estas condiciones.");
    EXPECT_EQ(messages.asked().back().caption, "Error");
    EXPECT_TRUE(w->control("?SEND")->isEnabled());
  }
  EXPECT_EQ(server_->connections(), 0);
  ASSERT_TRUE(click(*w, "?CLOSE"));
  ASSERT_TRUE(closed());
}

TEST_F(SupportWindowTest, NobodyLoggedInShowsTheRememberedUserAndTheSettingsAreWritten) {
  GLO::Nombre_Usuario_Logueado.clear();
  rt::putIni("TLSoporte", "Usuario", "Recepcion");
  ScriptedMessages messages;
  rt::WindowDriver* w = open();
  ASSERT_NE(w, nullptr);
  auto* user = w->control<QLineEdit>("?USUARIO");
  EXPECT_EQ(rt::fromQString(user->text()), "Recepcion");
  user->setText(QStringLiteral("Dra. Paz"));
  ASSERT_TRUE(click(*w, "?CLOSE"));
  ASSERT_TRUE(closed());
  EXPECT_EQ(rt::getIni("TLSoporte", "Usuario"), "Dra. Paz");
  const auto keys = rt::getIniSection("EmailSendDemo", ".\\emailtl.ini");
  EXPECT_EQ(keys.size(), 20u) << "every key once (ReplyTo is written twice)";
  EXPECT_EQ(rt::getIni("EmailSendDemo", "AuthPassword", "", ".\\emailtl.ini"), "7hotmpr58Kbn");
  EXPECT_EQ(rt::getIni("EmailSendDemo", "ReplyTo", "", ".\\emailtl.ini"),
            "ana@consultorio.example");
}

// The picture shows patients: it is the account's own, never in the shared
// data folder, and a link planted there is not written through.
TEST_F(SupportWindowTest, ThePictureIsWrittenPrivatelyOutsideTheSharedFolder) {
  const fs::path bait = fs::path(rt::testing::testRoot()) / "cebo.jpg";
  std::ofstream(bait) << "intacto";
  fs::create_symlink(bait, rt::workingFolder() / "pantalla.jpg");
  ScriptedMessages messages;
  rt::WindowDriver* w = open();
  ASSERT_NE(w, nullptr);
  const fs::path picture = rt::privateTempFolder() / "pantalla.jpg";
  EXPECT_TRUE(fs::is_regular_file(picture));
  EXPECT_EQ(fs::status(picture).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(rt::privateTempFolder()).permissions(), fs::perms::owner_all);
  std::ifstream in(bait);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "intacto");
  ASSERT_TRUE(click(*w, "?CLOSE"));
  ASSERT_TRUE(closed());
  fs::remove(rt::workingFolder() / "pantalla.jpg");
}

TEST_F(SupportWindowTest, ThePictureBoxStartedFromTheToolbar) {
  ScriptedMessages messages;
  // Started from the toolbar: ticked only on a thread above 2 (the frame
  // runs on thread 1, the first window it starts on thread 2).
  std::vector<rt::ThreadNumber> threads;
  for (int i = 0; i < 2; ++i) {
    rt::WindowDriver* w = open();
    ASSERT_NE(w, nullptr);
    const rt::ThreadNumber thread = w->thread();
    EXPECT_EQ(w->control<QCheckBox>("?ADJUNTARPANTALLA:2")->isChecked(), thread > 2) << thread;
    threads.push_back(thread);
    ASSERT_TRUE(click(*w, "?CLOSE"));
    ASSERT_TRUE(closed());
  }
  if (threads[0] != 2) GTEST_SKIP() << "threads 2 and 3 need a process of their own (ctest)";
  EXPECT_EQ(threads[1], 3u);
}

// From a message's F12, on the message's own thread: ticked on thread 2 too.
TEST_F(SupportWindowTest, ThePictureBoxThroughF12) {
  ScriptedMessages messages;
  bool tickedThroughF12 = false;
  rt::ThreadNumber thread = 0;
  WindowScript script;
  script.on("Soporte", [](rt::WindowDriver& w) {
    QTest::keyClick(w.window(), Qt::Key_F12);
    click(w, "?BUTTON1");
  });
  script.on(kCaption, [&](rt::WindowDriver& w) {
    tickedThroughF12 = w.control<QCheckBox>("?ADJUNTARPANTALLA:2")->isChecked();
    thread = w.thread();
    click(w, "?CLOSE");
  });
  ASSERT_TRUE(
      rt::testing::runOnThread([&] { core::Kov_Message("Error grave", "Soporte", "", "65"); }));
  EXPECT_TRUE(tickedThroughF12);
  EXPECT_EQ(GLO::AdjuntarCaptura, 1);
  if (thread != 2) GTEST_SKIP() << "thread 2 needs a process of its own (ctest)";
}

}  // namespace
}  // namespace output
