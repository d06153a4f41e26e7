// The message parser: a message built by the sender parsed back, header
// fields and attributes, the routing of parts, saved attachments and
// uuencoded blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "netlib/net_mail_send.h"
#include "platform/base/cp_literal.h"

namespace netlib {
namespace {

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class MailParse : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("recibidos");
    reader.ATTACHMENTPATH = "recibidos";
  }
  void parse(std::string_view raw) {
    textlib::TextBuffer message;
    message.SetValue(raw);
    reader.ProcessWholeMessage(message);
  }
  NetMail reader;
};

TEST_F(MailParse, MessageBuiltByTheSenderComesBackWithItsFieldsTextsAndAttachments) {
  const std::string binary(
      "\x00\x01\xFF\xFE"
      "PK\r\n.\r\nend",
      15);
  std::filesystem::create_directories("salida");
  std::ofstream("salida/informe.bin", std::ios::binary) << binary;
  std::ofstream("salida/nota.txt", std::ios::binary) << "uno\r\ndos";
  NetMailSend sender;
  sender.SUPPRESSERRORMSG = 1;
  sender.Init(0);
  sender.FROM = "consulta@varneta.test";
  sender.TOLIST = "paciente@example.org";
  sender.CCLIST = "otro@example.org";
  sender.SUBJECT = "Cita de José"_cp;
  sender.MESSAGETEXTST->SetValue("Buenos dias,\r\nsu cita es el lunes.");
  sender.MESSAGEHTMLST->SetValue("<p>Buenos dias</p>");
  sender.ATTACHMENTLIST = std::filesystem::absolute("salida").string() + "|informe.bin|nota.txt";
  ASSERT_EQ(sender.BuildMail(2), 1);
  const std::string built = sender.WHOLEMESSAGEST->GetValue();
  sender.Kill();

  parse(built);
  EXPECT_EQ(reader.SUBJECT, "Cita de José"_cp);
  EXPECT_NE(reader.FROM.find("<consulta@varneta.test>"), std::string::npos) << reader.FROM;
  EXPECT_NE(reader.TOLIST.find("<paciente@example.org>"), std::string::npos);
  EXPECT_NE(reader.CCLIST.find("<otro@example.org>"), std::string::npos);
  EXPECT_EQ(reader.MIMEVERSION, "1.0");
  // The builder leaves a blank line before each delimiter: the texts come
  // back with the line end that belongs to their part.
  EXPECT_EQ(reader.MESSAGETEXTST->GetValue(), "Buenos dias,\r\nsu cita es el lunes.\r\n");
  EXPECT_EQ(reader.MESSAGEHTMLST->GetValue(), "<p>Buenos dias</p>\r\n");
  EXPECT_EQ(reader.ATTACHMENTLIST, "informe.bin, nota.txt");
  ASSERT_EQ(reader.ATTACHMENTLISTQ.size(), 2u);
  EXPECT_EQ(readFile("recibidos/informe.bin"), binary);
  EXPECT_EQ(readFile("recibidos/nota.txt"), "uno\r\ndos");
}

TEST_F(MailParse, HeaderFieldsAndAttributes) {
  textlib::TextBuffer header;
  header.SetValue(
      "Subject: una\r\n\tdos\r\nX-Filtro: =?utf-8?Q?S=C3=AD?=\r\n"
      "Content-Type: multipart/mixed;\r\n boundary=\"abc\"\r\nTo: a@x.es");
  EXPECT_EQ(reader.HeaderField_(header, "subject", true), "una dos");
  EXPECT_EQ(reader.HeaderField_(header, "SUBJECT", false), "una\r\n\tdos");
  EXPECT_EQ(reader.HeaderField_(header, "x-filtro", true), "Sí"_cp);
  EXPECT_EQ(reader.CODEPAGE, 1252);  // taken from the system when unset
  reader.CODEPAGE = 850;             // an OEM page has "\xED" at 0xA1
  EXPECT_EQ(reader.HeaderField_(header, "x-filtro", true), "S\xA1");
  reader.CODEPAGE = 0;
  EXPECT_EQ(reader.HeaderField_(header, "to", true), "a@x.es");
  EXPECT_EQ(reader.HeaderField_(header, "cc", true), "");
  const struct {
    const char* attribute;
    const char* value;
    const char* result;
  } cases[] = {
      {"boundary", "multipart/mixed;\r\n boundary=\"abc\"", "abc"},
      {"", "multipart/mixed;\r\n boundary=\"abc\"", "multipart/mixed"},
      {"name", "attachment; filename=\"a b.pdf\"", "a b.pdf"},  // "NAME=" inside "FILENAME="
      {"charset", "text/plain; CHARSET=iso-8859-1; format=flowed", "iso-8859-1"},
      {"charset", "text/plain", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(reader.ExtractHeaderPart_(c.attribute, c.value), c.result) << c.value;
}

TEST_F(MailParse, PartsAreRoutedByTypeAndDisposition) {
  parse(
      "From: a@x.es\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n\r\n"
      "--B\r\nContent-Type: text/plain\r\n\r\nprimero\r\n"
      "--B\r\nContent-Type: text/html\r\n\r\n<b>uno</b>\r\n"
      "--B\r\nContent-Type: text/html\r\n\r\n<b>dos</b>\r\n"
      "--B\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
      "segundo=3D\r\n"
      "--B\r\nContent-Type: Text/HTML\r\nContent-Disposition: inline\r\n\r\n<i>mayus</i>\r\n"
      "--B\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\n"
      "Content-Disposition: attachment; filename=\"r.pdf\"\r\n\r\nAAA\r\n"
      "--B\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=r.pdf\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nQkJC\r\n"
      "--B\r\nContent-Type: image/png\r\nContent-ID: <logo.png>\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nUE5H\r\n"
      "--B\r\nContent-Type: application/octet-stream\r\n\r\nx\r\n"
      "--B\r\nContent-Type: application/octet-stream\r\n\r\ny\r\n"
      "--B--\r\nepilogo\r\n");
  EXPECT_EQ(reader.MESSAGETEXTST->GetValue(), "segundo=") << "a later text part replaces";
  EXPECT_EQ(reader.MESSAGEHTMLST->GetValue(), "<b>uno</b>") << "the first HTML part wins";
  ASSERT_GE(reader.ATTACHMENTLISTQ.size(), 5u);
  EXPECT_EQ(reader.ATTACHMENTLISTQ[0].NAME.rfind("EmailFile", 0), 0u)
      << "Text/HTML is not the HTML text";
  EXPECT_EQ(reader.ATTACHMENTLISTQ[1].NAME, "r.pdf");
  EXPECT_EQ(reader.ATTACHMENTLISTQ[2].NAME, "Copy (2) r.pdf");
  EXPECT_EQ(readFile("recibidos/r.pdf"), "AAA");
  EXPECT_EQ(readFile("recibidos/Copy (2) r.pdf"), "BBB");
  ASSERT_EQ(reader.EMBEDLISTQ.size(), 1u);
  EXPECT_EQ(reader.EMBEDLISTQ[0].NAME, "logo.png");
  EXPECT_EQ(reader.EMBEDLIST, "logo.png");
  EXPECT_EQ(readFile("recibidos/logo.png"), "PNG");
  const std::string first = reader.ATTACHMENTLISTQ[0].NAME;
  const std::string second = reader.ATTACHMENTLISTQ[4].NAME;
  ASSERT_EQ(first.rfind("EmailFile", 0), 0u);
  EXPECT_EQ(first.size(), 18u) << "nine digits";
  EXPECT_EQ(std::stoi(second.substr(9)), std::stoi(first.substr(9)) + 2);
  EXPECT_EQ(readFile("recibidos/" + second), "y");
}

// A message of multiparts nested `depth` levels deep, with a text part at
// the top level and one in the innermost.
std::string nestedMessage(int depth) {
  std::string opening = "From: a@x.es\r\nMIME-Version: 1.0\r\n";
  std::string closing;
  for (int level = 1; level <= depth; ++level) {
    const std::string boundary = "=_" + std::to_string(level) + "_=";
    opening += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary +
               "\r\n";
    if (level == 1)
      opening += "Content-Type: text/html\r\n\r\n<p>arriba</p>\r\n--" + boundary + "\r\n";
    closing = "\r\n--" + boundary + "--\r\n" + closing;
  }
  return opening + "Content-Type: text/plain\r\n\r\nadentro" + closing;
}

TEST_F(MailParse, NestingIsBoundedAndEveryLevelBelowTheBoundIsRead) {
  struct Case {
    int depth;
    bool innermostRead;
  };
  const Case cases[] = {{1, true},
                        {NetMail::kMaxPartDepth, true},
                        {NetMail::kMaxPartDepth + 1, false},
                        {10000, false}};
  for (const Case& c : cases) {
    NetMail mail;
    mail.ATTACHMENTPATH = "recibidos";
    textlib::TextBuffer message;
    message.SetValue(nestedMessage(c.depth));
    mail.ProcessWholeMessage(message);
    EXPECT_EQ(mail.MESSAGEHTMLST->GetValue(), "<p>arriba</p>") << c.depth;
    EXPECT_EQ(mail.MESSAGETEXTST->GetValue(), c.innermostRead ? "adentro" : "") << c.depth;
    mail.Kill();
  }
}

TEST_F(MailParse, PlainMessageKeepsItsHeaderOutAndSavesEachUuencodedBlock) {
  parse(
      "From: a@x.es\r\nSubject: adjuntos\r\n\r\nVer adjuntos.\r\n"
      "begin 644 uno.txt\r\n+:&5L;&\\@=V]R;&0 \r\n`\r\nend\r\n"
      "begin 644 dos.bin\r\nJ /]S96-O;F0@9FEL92!B>71E<RP@;&]N9V5R('1H86X@;VYE(&=R;W5P\r\n`\r\n"
      "end\r\n");
  EXPECT_EQ(reader.SUBJECT, "adjuntos");
  EXPECT_EQ(reader.MESSAGETEXTST->GetValue(), "Ver adjuntos.");
  EXPECT_EQ(reader.ATTACHMENTLIST, "uno.txt, dos.bin");
  EXPECT_EQ(readFile("recibidos/uno.txt"), "hello world");
  EXPECT_EQ(readFile("recibidos/dos.bin"),
            std::string("\x00\xFFsecond file bytes, longer than one group", 42));
}

TEST_F(MailParse, DeliveryStatusFieldsAreReadFromTheirRegion) {
  const std::string status =
      "Reporting-MTA: dns; mx.x.es\r\n\r\nFinal-Recipient: RFC822;ana@x.es\r\n"
      "Action: failed\r\nStatus: 5.1.1\r\nDiagnostic-Code: smtp; 550 no such user\r\n";
  const std::string whole =
      "From: mx@x.es\r\nContent-Type: multipart/report\r\n\r\n--R\r\n" + status + "\r\n--R--\r\n";
  reader.WHOLEMESSAGEST->SetValue(whole);
  const std::int32_t start = static_cast<std::int32_t>(whole.find(status)) - 3;
  reader.ProcessDeliveryStatus_(start, start + static_cast<std::int32_t>(status.size()) + 8);
  EXPECT_EQ(reader.DELIVERYSTATUSFINALRECIPIENT, "ana@x.es");
  EXPECT_EQ(reader.DELIVERYSTATUSACTION, "failed");
  EXPECT_EQ(reader.DELIVERYSTATUSSTATUS, "5.1.1");
  EXPECT_EQ(reader.DELIVERYSTATUSDIAGNOSTICCODE, "smtp; 550 no such user");
  EXPECT_EQ(reader.DELIVERYSTATUSREMOTEMTA, "");
}

TEST_F(MailParse, EmptyOrSwitchedOffMessagesLeaveTheFieldsAlone) {
  parse("");
  EXPECT_EQ(reader.SUBJECT, "");
  reader.OPTIONSONLYPROCESSHEADER = 1;
  parse("Subject: s\r\n\r\ncuerpo");
  EXPECT_EQ(reader.SUBJECT, "s");
  EXPECT_EQ(reader.MESSAGETEXTST->GetValue(), "");
  reader.OPTIONSDONTPROCESSWHOLEMESSAGE = 1;
  parse("Subject: otro\r\n\r\ncuerpo");
  EXPECT_EQ(reader.SUBJECT, "s");
}

}  // namespace
}  // namespace netlib
