// The SMTP sender against a real SMTP server on loopback (aiosmtpd): plain,
// STARTTLS and TLS from the start, with and without AUTH LOGIN; a message with
// HTML, an embedded image and an attachment read back from what the server
// stored; a refused recipient; a busy server; the reconnection after a number
// of messages; a refused connection. Every server stops by itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "netlib/testing/mail_probe.h"
#include "netlib/testing/smtp_test_server.h"
#include "netlib/tests/mail_sender_harness.h"
#include "platform/base/cp1252.h"
#include "platform/net/errors.h"
#include "platform/net/testing/raw_socket.h"
#include "platform/net/testing/test_certificates.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

using rt::net::testing::testCertificates;
using testing::EventPump;
using testing::SmtpServerOptions;
using testing::SmtpTestServer;
using testing::StoredMessage;
using testing::TestSender;
using Tls = SmtpServerOptions::Tls;

class MailSendSmtp : public ::testing::Test {
 protected:
  void TearDown() override {
    if (sender.OPENFLAG != 0 || sender.ASYNCOPENBUSY != 0) sender.Abort();
    sender.Kill();
  }
  void start(SmtpServerOptions options) {
    server = std::make_unique<SmtpTestServer>(options);
    ASSERT_TRUE(server->started()) << server->startError();
    sender.setUp(server->port());
  }
  void simpleMessage(const std::string& to) {
    sender.FROM = "consulta@varneta.test";
    sender.TOLIST = to;
    sender.SUBJECT = "Cita";
    sender.MESSAGETEXTST->SetValue("Su cita es el lunes.\r\n");
  }
  bool untilIdle() {
    return events.until([&] { return sender.idle(); }, {&sender}, std::chrono::seconds(30));
  }
  // The sender aimed at a listening connection of the test.
  void listenFor(testing::TestConnection& server) {
    server.Open("127.0.0.1", 0);
    ASSERT_EQ(server.OPENFLAG, 1);
    sender.setUp(static_cast<std::uint16_t>(server.CONNECTION_.LOCALPORT));
  }
  std::string body(const StoredMessage& message) {
    return message.content.substr(message.content.find("\r\n\r\n") + 4);
  }

  EventPump events;
  TestSender sender;
  std::unique_ptr<SmtpTestServer> server;
};

struct ConnectionKind {
  Tls tls;
  bool auth;
};

class MailSendSmtpSetups : public MailSendSmtp,
                           public ::testing::WithParamInterface<ConnectionKind> {};

TEST_P(MailSendSmtpSetups, DeliversOverEveryKindOfConnection) {
  const ConnectionKind setup = GetParam();
  SmtpServerOptions options;
  options.tls = setup.tls;
  if (setup.tls != Tls::kNone) {
    ASSERT_TRUE(testCertificates().made);
    options.certFile = testCertificates().serverCert;
    options.keyFile = testCertificates().serverKey;
  }
  if (setup.auth) {
    options.user = "recepcion";
    options.password = "clave secreta";
  }
  start(options);
  if (setup.tls != Tls::kNone) {
    sender.SERVER = "localhost";
    rt::net::setFieldText(sender.SSLCERTIFICATEOPTIONS.CAROOTFILE, testCertificates().ca);
    if (setup.tls == Tls::kImplicit) sender.SSL = 1;
    if (setup.tls == Tls::kStartTls) sender.SECUREEMAILSTARTTLS = 1;
  }
  if (setup.auth) {
    sender.AUTHUSER = "recepcion";
    sender.AUTHPASSWORD = "clave secreta";
  }
  simpleMessage("paciente@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  simpleMessage("otro@example.org");
  ASSERT_EQ(sender.SendMail(2), 1) << "queued while connecting";
  ASSERT_TRUE(untilIdle());
  EXPECT_TRUE(sender.errors.empty()) << sender.errors[0].text;
  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].mailFrom, "consulta@varneta.test");
  EXPECT_EQ(stored[0].rcptTos, std::vector<std::string>{"paciente@example.org"});
  EXPECT_EQ(stored[1].rcptTos, std::vector<std::string>{"otro@example.org"});
  EXPECT_EQ(stored[0].login, setup.auth ? "recepcion" : "");
  EXPECT_EQ(stored[0].overTls, setup.tls != Tls::kNone);
  // The end of data is a line of its own after the text.
  EXPECT_EQ(body(stored[0]), "Su cita es el lunes.\r\n\r\n");
  EXPECT_EQ(sender.queueSizeAtMessageSent, (std::vector<std::size_t>{2, 1}));
}

std::string kindName(const ::testing::TestParamInfo<ConnectionKind>& info) {
  static const char* const names[] = {"Plain", "StartTls", "ImplicitTls"};
  return std::string(names[static_cast<int>(info.param.tls)]) +
         (info.param.auth ? "AuthLogin" : "");
}

INSTANTIATE_TEST_SUITE_P(
    All, MailSendSmtpSetups,
    ::testing::Values(ConnectionKind{Tls::kNone, false}, ConnectionKind{Tls::kNone, true},
                      ConnectionKind{Tls::kStartTls, false}, ConnectionKind{Tls::kStartTls, true},
                      ConnectionKind{Tls::kImplicit, false}, ConnectionKind{Tls::kImplicit, true}),
    kindName);

// STARTTLS when the server offers it: taken when offered; without it a
// message goes in clear only when no password would go with it.
TEST_F(MailSendSmtp, StartTlsWhenOfferedNeverSendsThePasswordInClear) {
  ASSERT_TRUE(testCertificates().made);
  struct Case {
    const char* name;
    Tls tls;
    bool account;
    bool delivered;
  };
  const Case cases[] = {{"offered, with an account", Tls::kStartTls, true, true},
                        {"not offered, without an account", Tls::kNone, false, true},
                        {"not offered, with an account", Tls::kNone, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpServerOptions options;
    options.tls = c.tls;
    options.certFile = testCertificates().serverCert;
    options.keyFile = testCertificates().serverKey;
    if (c.account) {
      options.user = "recepcion";
      options.password = "clave secreta";
    }
    sender.errors.clear();
    start(options);
    sender.SERVER = "localhost";
    rt::net::setFieldText(sender.SSLCERTIFICATEOPTIONS.CAROOTFILE, testCertificates().ca);
    sender.SECUREEMAILSTARTTLS = start_tls::kWhenOffered;
    sender.AUTHUSER = c.account ? "recepcion" : "";
    sender.AUTHPASSWORD = c.account ? "clave secreta" : "";
    simpleMessage("paciente@example.org");
    ASSERT_EQ(sender.SendMail(2), 1);
    ASSERT_TRUE(untilIdle());
    const std::vector<StoredMessage> stored = server->messages();
    if (!c.delivered) {
      ASSERT_EQ(sender.errors.size(), 1u);
      EXPECT_EQ(sender.errors[0].error, kNoSecureLogin);
      EXPECT_EQ(sender.errors[0].text,
                "The remote Email (SMTP) server offers no STARTTLS: the password is not sent in "
                "clear. Will abort all messages in the DataQueue");
      EXPECT_TRUE(stored.empty());
      continue;
    }
    EXPECT_TRUE(sender.errors.empty()) << sender.errors[0].text;
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].overTls, c.tls == Tls::kStartTls);
    EXPECT_EQ(stored[0].login, c.account ? "recepcion" : "");
  }
}

std::string writeFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
  return (std::filesystem::current_path() / name).string();
}

std::string decodeBase64(std::string text) {
  textlib::TextBuffer buffer;
  buffer.SetValue(text);
  buffer.Base64Decode();
  return buffer.GetValue();
}

// The text between "\r\n\r\n" after `from` and the next "\r\n--".
std::string partContent(const std::string& message, std::size_t from) {
  const std::size_t start = message.find("\r\n\r\n", from) + 4;
  return message.substr(start, message.find("\r\n--", start) - start);
}

TEST_F(MailSendSmtp, MessageWithHtmlImageAndAttachmentArrivesWhole) {
  start({});
  std::string pdf;
  for (int i = 0; i < 3000; ++i) pdf.push_back(static_cast<char>((i * 7919) % 256));
  const std::string pdfPath = writeFile("informe mensual.pdf", pdf);
  writeFile("logo.png", std::string("\x89PNG\r\n\x1a\n", 8) + "imagen");
  sender.FROM = "\"Consulta Varneta\" <consulta@varneta.test>";
  sender.TOLIST = "paciente@example.org";
  sender.CCLIST = "Copia <copia@example.org>";
  sender.BCCLIST = "oculto@example.org";
  sender.SUBJECT = "Informe";
  // Lines that begin with a dot, across the 8,192-byte chunks of the DATA.
  std::string text;
  for (int i = 0; text.size() < 20000; ++i) text += std::string(1 + i % 4, '.') + "\r\n";
  sender.MESSAGETEXTST->SetValue(text);
  sender.OPTIONSMIMETEXTDONTENCODE = 1;
  sender.MESSAGEHTMLST->SetValue(
      "<html><body><p>Hola</p><img src=\"logo.png\"><img src=\"logo.png\"></body></html>");
  sender.ATTACHMENTLIST = "\"" + pdfPath + "\"";
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  ASSERT_TRUE(sender.errors.empty()) << sender.errors[0].text;

  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 1u);
  const std::string& m = stored[0].content;
  EXPECT_EQ(stored[0].rcptTos,
            (std::vector<std::string>{"paciente@example.org", "copia@example.org",
                                      "oculto@example.org"}));
  EXPECT_EQ(m.find("oculto"), std::string::npos) << "BCC only in the envelope";
  // Header lines in their order.
  std::vector<std::string> order = {"Message-ID: <",
                                    "From: \"Consulta Varneta\" <consulta@varneta.test>\r\n",
                                    "To: \"paciente@example.org\" <paciente@example.org>\r\n",
                                    "CC: \"Copia\" <copia@example.org>\r\n",
                                    "Subject: Informe\r\n",
                                    "Date: Mon, 29 Sep 2025 10:30:00 ",
                                    "MIME-version: 1.0\r\nContent-Type: multipart/mixed;\r\n"
                                    "\tboundary=\"--=_NextPart_000_d20250929t103000.0c1r",
                                    "X-Mailer: Rednet Email 11.05\r\n"
                                    "X-Rednet: Rednet Email 11.05\r\n\r\n"};
  std::size_t at = 0;
  for (const std::string& line : order) {
    const std::size_t found = m.find(line, at);
    ASSERT_NE(found, std::string::npos) << line;
    at = found + line.size();
  }
  EXPECT_EQ(m.find("Message-ID: <"), 0u);
  const std::string unique =
      m.substr(m.find("_000_") + 5, m.find('"', m.find("_000_")) - m.find("_000_") - 5);
  const std::string b0 = "--=_NextPart_000_" + unique;
  const std::string b1 = "--=_NextPart_001_" + unique;
  const std::string b2 = "--=_NextPart_002_" + unique;
  // mixed > related > alternative > text, html; the image; the attachment.
  order = {"--" + b0 +
               "\r\nContent-Type: multipart/related;\r\n\ttype=\"multipart/related\";\r\n"
               "\tboundary=\"" +
               b2 + "\"",
           "--" + b2 + "\r\nContent-Type: multipart/alternative;\r\n\tboundary=\"" + b1 + "\"",
           "--" + b1 + "\r\nContent-Type: text/plain;\r\n\tcharset=us-ascii\r\n",
           "\r\n\r\n" + text + "\r\n\r\n--" + b1 + "\r\nContent-Type: text/html;",
           "--" + b1 + "--\r\n",
           "\r\n--" + b2 +
               "\r\nContent-Type: image/png;\r\n name=\"logo.png\"\r\n"
               "Content-Transfer-Encoding: base64\r\nContent-ID: <logo.png>\r\n",
           "--" + b2 + "--\r\n",
           "\r\n--" + b0 +
               "\r\nContent-Type: application/pdf;\r\n name=\"informe mensual.pdf\"\r\n"
               "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
               " filename=\"informe mensual.pdf\"\r\n",
           "--" + b0 + "--\r\n"};
  at = 0;
  for (const std::string& piece : order) {
    const std::size_t found = m.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece.substr(0, 200);
    at = found + piece.size();
  }
  textlib::TextBuffer html;
  html.SetValue(partContent(m, m.find("Content-Type: text/html;")));
  html.QuotedPrintableDecode();
  EXPECT_EQ(html.GetValue(),
            "<html><body><p>Hola</p><img src=\"cid:logo.png\"><img src=\"cid:logo.png\"></body>"
            "</html>\r\n");
  EXPECT_EQ(m.find("Content-ID: <logo.png>"), m.rfind("Content-ID: <logo.png>"))
      << "an image referenced twice is embedded once";
  EXPECT_EQ(decodeBase64(partContent(m, m.find("filename=\"informe mensual.pdf\""))), pdf);
  EXPECT_EQ(decodeBase64(partContent(m, m.find("Content-ID: <logo.png>"))).substr(8), "imagen");
}

// A line break or NUL in an address would write commands of its own: the
// message is refused before any connection, the error naming the field.
TEST_F(MailSendSmtp, AnAddressWithALineBreakIsRefusedBeforeConnecting) {
  start({});
  const char* fields[] = {"FROM", "TO", "CC", "BCC", "REPLYTO"};
  for (const char* field : fields) {
    for (const std::string& bad : {std::string("a@x.es\r\nRCPT TO:<b@y.es>"),
                                   std::string("a@x.es\nX: 1"), std::string("a@x.es\0b", 8)}) {
      SCOPED_TRACE(std::string(field) + " " + std::to_string(bad.size()));
      simpleMessage("paciente@example.org");
      sender.REPLYTO.clear();
      std::string* target = std::string(field) == "FROM"  ? &sender.FROM
                            : std::string(field) == "TO"  ? &sender.TOLIST
                            : std::string(field) == "CC"  ? &sender.CCLIST
                            : std::string(field) == "BCC" ? &sender.BCCLIST
                                                          : &sender.REPLYTO;
      *target = bad;
      sender.errors.clear();
      EXPECT_EQ(sender.SendMail(2), 0);
      ASSERT_FALSE(sender.errors.empty());
      EXPECT_NE(sender.errors.back().text.find("The " + std::string(field) + " field"),
                std::string::npos)
          << sender.errors.back().text;
      sender.CCLIST.clear();
      sender.BCCLIST.clear();
    }
  }
  EXPECT_EQ(server->connections(), 0);
  EXPECT_TRUE(server->messages().empty());
}

// Bare LF and bare CR in the text, CR and LF in other header values: every
// line end reaches the server as CR LF, no header gains a line.
TEST_F(MailSendSmtp, EveryLineEndGoesOutAsCrLf) {
  start({});
  simpleMessage("paciente@example.org");
  sender.SUBJECT = "Cita\r\nX-Inyectado: 1";
  sender.ORGANIZATION = "Consultorio\nX-Otro: 2";
  sender.MESSAGETEXTST->SetValue("uno\ndos\rtres\r\ncuatro");
  sender.OPTIONSMIMETEXTDONTENCODE = 1;
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  ASSERT_TRUE(sender.errors.empty()) << sender.errors[0].text;
  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(body(stored[0]), "uno\r\ndos\r\ntres\r\ncuatro\r\n");
  EXPECT_EQ(stored[0].content.find("\nX-Inyectado"), std::string::npos);
  EXPECT_EQ(stored[0].content.find("\nX-Otro"), std::string::npos);
  const std::string& m = stored[0].content;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i] == '\n') {
      ASSERT_TRUE(i > 0 && m[i - 1] == '\r') << "bare LF at " << i;
    }
    if (m[i] == '\r') {
      ASSERT_TRUE(i + 1 < m.size() && m[i + 1] == '\n') << "bare CR at " << i;
    }
  }
}

// An attachment named outside ASCII keeps its name in a mail program
// (Python's email package) and in our own parser.
TEST_F(MailSendSmtp, AnAttachmentNamedOutsideAsciiKeepsItsName) {
  start({});
  const std::string utf8Name = "Informe de Peña, año 2026 (niño).pdf";
  const std::string cpName = rt::utf8ToCp1252(utf8Name);
  std::filesystem::path path = std::filesystem::current_path() / utf8Name;
  std::ofstream(path, std::ios::binary) << "contenido";
  simpleMessage("paciente@example.org");
  sender.ATTACHMENTLIST = "\"" + rt::utf8ToCp1252(path.string()) + "\"";
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  ASSERT_TRUE(sender.errors.empty()) << sender.errors[0].text;
  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 1u);
  const std::string file = writeFile("stored.eml", stored[0].content);

  const std::string command =
      "/usr/bin/python3 -c \"import email,email.policy,sys\n"
      "m=email.message_from_binary_file(open(sys.argv[1],'rb'),policy=email.policy.default)\n"
      "for p in m.iter_attachments(): "
      "sys.stdout.buffer.write(p.get_filename().encode('utf-8'))\" " +
      file;
  std::string python;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[256];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
      python.append(chunk, n);
    pclose(pipe);
  }
  EXPECT_EQ(python, utf8Name);

  const auto folder = std::filesystem::current_path() / "received";
  std::filesystem::create_directories(folder);
  NetMail reader;
  reader.ATTACHMENTPATH = folder.string();
  textlib::TextBuffer whole;
  whole.SetValue(stored[0].content);
  reader.ProcessWholeMessage(whole);
  ASSERT_EQ(reader.ATTACHMENTLISTQ.size(), 1u);
  EXPECT_EQ(reader.ATTACHMENTLISTQ[0].NAME, cpName);
  reader.Kill();
}

// The program names files in its code page; the disk names them in UTF-8.
// Each attachment arrives as the file is, byte for byte, whether the list
// names it with its folder or alone (in the current folder).
TEST_F(MailSendSmtp, AttachmentsNamedOutsideAsciiArriveWhole) {
  start({});
  std::string pdf = "%PDF-1.4\n";
  for (int i = 0; pdf.size() < 19487; ++i) pdf.push_back(static_cast<char>((i * 7919) % 256));
  const std::string listing = "Listado Pacientes Ñandú año.pdf";
  const std::string alone = "Acción médica.pdf";
  const std::string listingPath = writeFile(listing, pdf);
  writeFile(alone, pdf.substr(0, 5000));
  simpleMessage("paciente@example.org");
  sender.ATTACHMENTLIST = "\"" + rt::utf8ToCp1252(listingPath) + "\", " + rt::utf8ToCp1252(alone);
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  ASSERT_TRUE(sender.errors.empty()) << sender.errors[0].text;
  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 1u);
  const testing::ProbedMail m = testing::probeMail(stored[0].content);
  EXPECT_EQ(m.defects, 0);
  const std::pair<std::string, std::string> expected[] = {{listing, pdf},
                                                          {alone, pdf.substr(0, 5000)}};
  for (const auto& [name, bytes] : expected) {
    SCOPED_TRACE(name);
    const testing::ProbedPart* part = m.attachment(name);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->bytes.size(), bytes.size());
    EXPECT_TRUE(part->bytes == bytes) << "the bytes of the file";
  }
}

// A file that cannot be read, listed or referenced as an image, stops the
// message before any connection, the error naming the file; nothing goes
// out with an empty part in its place.
TEST_F(MailSendSmtp, AFileThatCannotBeReadStopsTheMessage) {
  start({});
  const std::string readable = writeFile("informe.pdf", "%PDF-1.4 contenido");
  std::filesystem::create_directories("Carpeta año.pdf");
  const std::string folder =
      rt::utf8ToCp1252((std::filesystem::current_path() / "Carpeta año.pdf").string());
  const std::string missing =
      rt::utf8ToCp1252((std::filesystem::current_path() / "Falta Ñandú.pdf").string());
  const std::string here = rt::utf8ToCp1252(std::filesystem::current_path().string());
  struct Case {
    const char* name;
    std::string attachments;
    std::string html;
    std::string named;  // the file the error names
  };
  const Case cases[] = {
      {"missing", "\"" + missing + "\"", "", missing},
      {"a folder", "\"" + folder + "\"", "", folder},
      {"after a readable one", readable + ", \"" + missing + "\"", "", missing},
      {"an image of the HTML", readable, "<p>Hola</p><img src=\"no hay.png\">",
       here + "/no hay.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    simpleMessage("paciente@example.org");
    sender.ATTACHMENTLIST = c.attachments;
    sender.EMBEDLIST.clear();
    sender.MESSAGEHTMLST->SetValue(c.html);
    sender.errors.clear();
    EXPECT_EQ(sender.SendMail(2), 0);
    ASSERT_EQ(sender.errors.size(), 1u);
    EXPECT_EQ(sender.errors[0].error, kUnreadableFile);
    EXPECT_EQ(sender.errors[0].text,
              "Could not read the file " + c.named + "; the email was not sent");
    EXPECT_EQ(sender.unreadableFile(), c.named);
    EXPECT_TRUE(sender.DATAQUEUE->empty());
  }
  simpleMessage("paciente@example.org");
  sender.MESSAGEHTMLST->SetValue("");
  sender.EMBEDLIST.clear();
  sender.ATTACHMENTLIST = readable;
  ASSERT_EQ(sender.SendMail(2), 1) << "the next message goes";
  EXPECT_TRUE(sender.unreadableFile().empty());
  ASSERT_TRUE(untilIdle());
  EXPECT_EQ(server->messages().size(), 1u);
  EXPECT_EQ(server->connections(), 1) << "no connection for the refused ones";
}

TEST_F(MailSendSmtp, RefusedRecipientLosesOnlyItsMessage) {
  SmtpServerOptions options;
  options.refusedRecipient = "nadie@example.org";
  start(options);
  simpleMessage("paciente@example.org, nadie@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  simpleMessage("otro@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  ASSERT_EQ(sender.errors.size(), 1u);
  EXPECT_EQ(sender.errors[0].serverCode, 550);
  EXPECT_EQ(sender.errors[0].text,
            "Error in this Message. The remote Email (SMTP) server sent error = 550 5.1.1 "
            "Mailbox unavailable\r\n State = 75. Will try and send next email");
  EXPECT_EQ(sender.SERVERERRORNUM, 0);
  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].rcptTos, std::vector<std::string>{"otro@example.org"});
  EXPECT_EQ(sender.queueSizeAtMessageSent.size(), 1u);
  EXPECT_EQ(server->connections(), 2) << "the next message goes out on a new connection";
}

TEST_F(MailSendSmtp, BusyServerPostponesUntilTheTriesRunOut) {
  SmtpServerOptions options;
  options.busyGreetings = 7;
  start(options);
  simpleMessage("primero@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  simpleMessage("segundo@example.org");
  sender.MAXTRIES = 2;
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  // primero, segundo, primero, segundo (dropped after 2 tries), primero ...
  ASSERT_EQ(sender.errors.size(), 7u);
  for (const TestSender::Reported& e : sender.errors) {
    EXPECT_EQ(e.text,
              "Error. The remote Email (SMTP) server sent error = 421 4.3.2 Busy, try again "
              "later\r\n State = 73. Will try message again after everything else has been "
              "sent");
  }
  EXPECT_TRUE(server->messages().empty());
  EXPECT_EQ(server->connections(), 7) << "five tries for the first, two for the second";
}

TEST_F(MailSendSmtp, PostponedMessageGoesBehindTheOthers) {
  SmtpServerOptions options;
  options.busyGreetings = 1;
  start(options);
  simpleMessage("primero@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  simpleMessage("segundo@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(untilIdle());
  ASSERT_EQ(sender.errors.size(), 1u);
  const std::vector<StoredMessage> stored = server->messages();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].rcptTos, std::vector<std::string>{"segundo@example.org"});
  EXPECT_EQ(stored[1].rcptTos, std::vector<std::string>{"primero@example.org"});
}

TEST_F(MailSendSmtp, ReconnectsAfterTwentyMessages) {
  start({});
  for (int i = 1; i <= 21; ++i) {
    simpleMessage("paciente" + std::to_string(i) + "@example.org");
    ASSERT_EQ(sender.SendMail(2), 1);
  }
  ASSERT_TRUE(untilIdle());
  EXPECT_TRUE(sender.errors.empty());
  EXPECT_EQ(server->messages().size(), 21u);
  EXPECT_EQ(server->connections(), 2);
  EXPECT_EQ(sender.queueSizeAtMessageSent.back(), 1u);
}

TEST_F(MailSendSmtp, KeptOpenConnectionWaitsIdleForTheNextMessage) {
  start({});
  sender.OPTIONSKEEPCONNECTIONOPEN = 1;
  simpleMessage("primero@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(
      events.until([&] { return sender.STATE_ == smtp_state::kConnectedAndIdle; }, {&sender}));
  simpleMessage("segundo@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(events.until(
      [&] {
        return server->messages().size() == 2 && sender.STATE_ == smtp_state::kConnectedAndIdle;
      },
      {&sender}));
  EXPECT_EQ(server->connections(), 1);
  EXPECT_EQ(sender.OPENFLAG, 1);
  EXPECT_TRUE(sender.errors.empty());
}

TEST_F(MailSendSmtp, SilentServerEndsInTheIdleReport) {
  // A listening connection of the test that accepts and never greets.
  std::unique_ptr<testing::TestConnection> silent = testing::makeConnection(1);
  listenFor(*silent);
  sender.INACTIVETIMEOUT = 20;
  simpleMessage("paciente@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(events.until([&] { return !sender.errors.empty(); }, {&sender, silent.get()}));
  EXPECT_EQ(sender.errors[0].error, -57);
  EXPECT_EQ(sender.errors[0].text,
            "Error in this Message. The remote Email (SMTP) server sent error = 0 Idle Timeout - "
            "Warning connection has been idle for more than 0 seconds. Connection will be closed "
            "State = 71. Will try and send next email");
  EXPECT_TRUE(sender.DATAQUEUE->empty());
  EXPECT_EQ(sender.OPENFLAG, 0);
  silent->Abort();
  silent->Kill();
}

// A server that agrees to STARTTLS and then goes on in clear text: it
// answers the client's TLS hello with a plain reply, as a server that does
// not speak TLS after all.
class ClearTextAfterStartTls : public testing::TestConnection {
 public:
  void Process() override {
    TestConnection::Process();
    if (PACKET.PACKETTYPE == rt::net::packet::kNewConnection) {
      reply("220 correo.test ESMTP\r\n");
    } else if (PACKET.PACKETTYPE == rt::net::packet::kData) {
      const std::string& line = data.back();
      if (line.starts_with("EHLO")) {
        reply("250-correo.test\r\n250 STARTTLS\r\n");
      } else if (line.starts_with("STARTTLS")) {
        reply("220 Adelante\r\n");
      } else {
        reply("500 5.5.1 Command unrecognized\r\n");
      }
    }
  }

 private:
  void reply(std::string_view text) {
    rt::net::setFieldText(PACKET.TOIP, "127.0.0.1");
    SendString(text);
  }
};

TEST_F(MailSendSmtp, AFailedHandshakeAfterStartTlsIsReportedAndNothingGoesInClear) {
  std::unique_ptr<ClearTextAfterStartTls> server =
      testing::makeConnection<ClearTextAfterStartTls>(1);
  listenFor(*server);
  sender.SECUREEMAILSTARTTLS = 1;
  simpleMessage("paciente@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(events.until([&] { return !sender.errors.empty(); }, {&sender, server.get()}));
  EXPECT_EQ(sender.errors[0].text.rfind("The secure (TLS) connection to 127.0.0.1 could not be "
                                        "opened: the TLS handshake failed",
                                        0),
            0u)
      << sender.errors[0].text;
  EXPECT_NE(sender.errors[0].error, 0);
  EXPECT_TRUE(sender.DATAQUEUE->empty()) << "the message is dropped, not left waiting";
  EXPECT_EQ(sender.STATE_, 0);
  const std::string received = server->received();
  EXPECT_NE(received.find("STARTTLS\r\n"), std::string::npos);
  EXPECT_EQ(received.find("MAIL FROM"), std::string::npos) << "nothing of the message in clear";
  EXPECT_EQ(received.find("Su cita"), std::string::npos);
  server->Abort();
  server->Kill();
}

// A server that agrees to STARTTLS and goes on in plain text of its own
// accord, without waiting for the client's hello: its plain lines come
// right behind the 220, in the same write or in one of their own. After that
// it answers nothing, as a line server waiting for a line that never ends.
class PlainTextBehindStartTls : public testing::TestConnection {
 public:
  bool oneWrite = true;
  void Process() override {
    TestConnection::Process();
    if (PACKET.PACKETTYPE == rt::net::packet::kNewConnection) {
      reply("220 correo.test ESMTP\r\n");
    } else if (PACKET.PACKETTYPE == rt::net::packet::kData && !agreed_) {
      const std::string& line = data.back();
      if (line.starts_with("EHLO")) {
        reply("250-correo.test\r\n250 STARTTLS\r\n");
      } else if (line.starts_with("STARTTLS")) {
        agreed_ = true;
        if (oneWrite) {
          reply("220 Adelante\r\n250 correo.test sigue en claro\r\n");
        } else {
          reply("220 Adelante\r\n");
          reply("250 correo.test sigue en claro\r\n");
        }
      }
    }
  }

 private:
  void reply(std::string_view text) {
    rt::net::setFieldText(PACKET.TOIP, "127.0.0.1");
    SendString(text);
  }
  bool agreed_ = false;
};

TEST_F(MailSendSmtp, PlainTextBehindTheAgreementToStartTlsIsAFailedHandshakeAtOnce) {
  for (const bool oneWrite : {true, false}) {
    SCOPED_TRACE(oneWrite ? "in the 220's write" : "in a write of its own");
    std::unique_ptr<PlainTextBehindStartTls> server =
        testing::makeConnection<PlainTextBehindStartTls>(1);
    server->oneWrite = oneWrite;
    listenFor(*server);
    sender.errors.clear();
    sender.SECUREEMAILSTARTTLS = 1;
    simpleMessage("paciente@example.org");
    ASSERT_EQ(sender.SendMail(2), 1);
    // The sender's own idle limit (90 s) is far beyond this wait.
    ASSERT_TRUE(events.until([&] { return !sender.errors.empty(); }, {&sender, server.get()},
                             std::chrono::seconds(5)))
        << "state " << sender.STATE_;
    EXPECT_EQ(sender.errors[0].text.rfind("The secure (TLS) connection to 127.0.0.1 could not "
                                          "be opened: the TLS handshake failed",
                                          0),
              0u)
        << sender.errors[0].text;
    EXPECT_EQ(sender.errors[0].error, rt::net::err::kSslConnectFailed);
    EXPECT_TRUE(sender.DATAQUEUE->empty());
    EXPECT_EQ(sender.STATE_, 0);
    EXPECT_EQ(server->received().find("MAIL FROM"), std::string::npos);
    if (sender.OPENFLAG != 0 || sender.ASYNCOPENBUSY != 0) sender.Abort();
    server->Abort();
    server->Kill();
  }
}

TEST_F(MailSendSmtp, RefusedConnectionIsReportedWithItsText) {
  rt::net::testing::RawSocket bound;  // bound, never listening
  sender.setUp(bound.port);
  simpleMessage("paciente@example.org");
  ASSERT_EQ(sender.SendMail(2), 1);
  ASSERT_TRUE(events.until([&] { return !sender.errors.empty(); }, {&sender}));
  EXPECT_EQ(sender.errors[0].error, 10061);
  EXPECT_NE(
      sender.ERRORSTRING.find("Could not open a connection to the remote Email (SMTP) Server"),
      std::string::npos)
      << sender.ERRORSTRING;
  EXPECT_TRUE(sender.DATAQUEUE->empty());
  EXPECT_EQ(sender.STATE_, 0);
}

}  // namespace
}  // namespace netlib
