// The message builder without a connection: header lines, charsets, address
// formats, identifiers, embedded images and attachment lists; the dot-stuffing
// of the text across chunks; replies split over packets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "netlib/net_mail_send.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/net/records.h"
#include "platform/net/socket_library.h"

namespace netlib {
namespace {

class MailBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    mail.SUPPRESSERRORMSG = 1;
    mail.Init(0);
    mail.FROM = "consulta@varneta.test";
    mail.TOLIST = "paciente@example.org";
    mail.MESSAGETEXTST->SetValue("Hola");
  }
  void TearDown() override { mail.Kill(); }
  std::string built() {
    EXPECT_EQ(mail.BuildMail(2), 1);
    return mail.WHOLEMESSAGEST->GetValue();
  }
  static void write(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(name).parent_path().empty()
                                            ? "."
                                            : std::filesystem::path(name).parent_path());
    std::ofstream(name, std::ios::binary) << bytes;
  }
  NetMailSend mail;
};

TEST_F(MailBuild, TextOnlyMessageWithAccentsIsSentInUtf8) {
  mail.SUBJECT = "Cita de José"_cp;
  mail.MESSAGETEXTST->SetValue("Señor Pérez"_cp);
  const std::string m = built();
  EXPECT_NE(m.find("\r\nSubject: =?utf-8?Q?Cita_de_Jos=C3=A9?=\r\n"), std::string::npos) << m;
  EXPECT_NE(m.find("From: \"consulta@varneta.test\" <consulta@varneta.test>\r\n"),
            std::string::npos);
  EXPECT_NE(m.find("MIME-version: 1.0\r\nContent-Type: text/plain;\r\n\tcharset=UTF-8\r\n"
                   "Content-Transfer-Encoding: quoted-printable\r\n"),
            std::string::npos);
  EXPECT_EQ(m.substr(m.find("\r\n\r\n") + 4), "Se=C3=B1or P=C3=A9rez");
  EXPECT_EQ(mail.OPTIONSMIMETEXTCHARSET, "UTF-8") << "kept for the next messages";
  EXPECT_EQ(mail.DATAQUEUE->size(), 1u);
  EXPECT_EQ(mail.DATAQUEUE->front().WHOLEMESSAGELEN, static_cast<std::int32_t>(m.size()));
}

TEST_F(MailBuild, AddressListsAndIdentifiers) {
  // A comma inside quotes does not split; the list is split at ";" when it has no other comma.
  EXPECT_EQ(mail.NormalizeAddressList_("\"Ana, Dra\" <ana@x.es>; b@y.es", 0, 3),
            "\"Ana, Dra\" <ana@x.es>,\"b@y.es\" <b@y.es>");
  EXPECT_EQ(mail.NormalizeAddressList_("\"Ana, Dra\" <ana@x.es>; b@y.es", 2, 2), "b@y.es");
  EXPECT_EQ(mail.NormalizeAddressList_("Ana <ana@x.es>, b@y.es", 0, 3),
            "\"Ana\" <ana@x.es>,\"b@y.es\" <b@y.es>");
  EXPECT_EQ(mail.NormalizeAddressList_("José <j@x.es>"_cp, 1, 3),
            "\"=?utf-8?Q?Jos=C3=A9?=\" <j@x.es>");
  EXPECT_EQ(mail.NormalizeAddressList_("a@x.es|b@y.es", 2, 2), "b@y.es");
  EXPECT_EQ(mail.NormalizeAddressList_("a@x.es|b@y.es", 3, 2), "");
  std::string name;
  std::string address;
  EXPECT_EQ(mail.GetAddress_("\"Pérez, Ana\" <ana@x.es>; b@y.es"_cp, 1, name, address), 1);
  EXPECT_EQ(name, "Pérez, Ana"_cp);
  EXPECT_EQ(address, "ana@x.es");
  EXPECT_EQ(mail.GetAddress_("\"Pérez, Ana\" <ana@x.es>; b@y.es"_cp, 2, name, address), 1);
  EXPECT_EQ(address, "b@y.es");
  EXPECT_EQ(mail.GetAddress_("a@x.es", 2, name, address), 0);
  EXPECT_EQ(mail.GetAddress_("", 1, name, address), 0);
  const std::string id = mail.MakeMessageId_("\"Consulta\" <c@varneta.es>, otro@x.es");
  EXPECT_EQ(id.front(), '<');
  EXPECT_EQ(id.substr(id.size() - 12), "@varneta.es>");
  EXPECT_EQ(id.find('>'), id.size() - 1);
  EXPECT_EQ(id.find('.'), 9u) << "eight characters, then a dot";
}

TEST_F(MailBuild, BuildErrorsQueueNothing) {
  mail.TOLIST.clear();
  EXPECT_EQ(mail.SendMail(2), 0);
  EXPECT_EQ(mail.ERROR, -37);
  mail.TOLIST = "a@x.es";
  mail.FROM.clear();
  EXPECT_EQ(mail.SendMail(2), 0);
  EXPECT_EQ(mail.ERROR, -37);
  EXPECT_EQ(mail.SendMail(3), 0);
  EXPECT_EQ(mail.ERROR, -22);
  EXPECT_TRUE(mail.DATAQUEUE->empty());
  EXPECT_EQ(mail.OPENFLAG + mail.ASYNCOPENBUSY, 0) << "the connection is not touched";
}

TEST_F(MailBuild, ImagesAreEmbeddedOnceUnderNamesWithoutBlanks) {
  write("img/mi logo.png", "PNGDATA");
  write("img/b.gif", "GIFDATA");
  mail.MESSAGEHTMLST->SetValue(
      "<body background=\"img/b.gif\"><IMG SRC=\"img/mi logo.png\"><img src=\"img\\mi logo.png\">"
      "<img src=\"http://x/y.png\"><img src='z.png'></body>");
  const std::string m = built();
  EXPECT_EQ(mail.MESSAGEHTMLST->GetValue(),
            "<body background=\"cid:b.gif\"><IMG SRC=\"cid:mi-logo.png\"><img "
            "src=\"cid:mi-logo.png\"><img src=\"http://x/y.png\"><img src='z.png'></body>");
  EXPECT_NE(m.find("Content-Type: multipart/related; type=\"multipart/alternative\";"),
            std::string::npos);
  EXPECT_NE(m.find("Content-Type: image/png;\r\n name=\"mi-logo.png\"\r\n"
                   "Content-Transfer-Encoding: base64\r\nContent-ID: <mi-logo.png>\r\n\r\n"
                   "UE5HREFUQQ=="),
            std::string::npos)
      << "read under the name it has on disk";
  EXPECT_NE(m.find("Content-ID: <b.gif>\r\n\r\nR0lGREFUQQ=="), std::string::npos);
  EXPECT_EQ(m.find("Content-ID: <mi-logo.png>"), m.rfind("Content-ID: <mi-logo.png>"));
}

TEST_F(MailBuild, FolderFormAttachesEveryFileWithItsType) {
  const std::string folder = std::filesystem::absolute("adjuntos").string();
  write(folder + "/a.txt", "uno");
  write(folder + "/data.xyz1", "dos");
  mail.ATTACHMENTLIST = folder + "|a.txt|data.xyz1";
  const std::string m = built();
  EXPECT_NE(m.find("Content-Type: multipart/mixed;"), std::string::npos);
  const std::size_t first = m.find("Content-Type: text/plain;\r\n name=\"a.txt\"");
  const std::size_t second = m.find("Content-Type: application/x-unknown;\r\n name=\"data.xyz1\"");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_NE(m.find("filename=\"a.txt\"\r\n\r\ndW5v\r\n\r\n----=_NextPart_000_"), std::string::npos)
      << "the second attachment has one more line end before it";
}

// The text of one Q-encoded word of UTF-8, decoded.
std::string decodedWord(const std::string& word) {
  const std::string prefix = "=?utf-8?Q?";
  EXPECT_EQ(word.rfind(prefix, 0), 0u) << word;
  textlib::TextBuffer bytes;
  bytes.SetValue(word.substr(prefix.size(), word.size() - prefix.size() - 2));
  bytes.UrlDecode("=", "_");
  return bytes.GetValue();
}

TEST_F(MailBuild, ALongSubjectIsFoldedIntoShortEncodedWordsOfWholeCharacters) {
  std::string utf8;
  while (utf8.size() < 240) utf8 += "Turno de José Núñez – 50 € – ";
  utf8 += "fin";
  mail.SUBJECT = rt::utf8ToCp1252(utf8);
  const std::string m = built();
  const std::size_t start = m.find("\r\nSubject: ") + 2;
  std::size_t end = start;
  while ((end = m.find("\r\n", end)) != std::string::npos && m[end + 2] == ' ') end += 2;
  const std::string field = m.substr(start, end - start);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at <= field.size();) {
    const std::size_t next = std::min(field.find("\r\n", at), field.size());
    lines.push_back(field.substr(at, next - at));
    at = next + 2;
  }
  ASSERT_GT(lines.size(), 3u) << field;
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 76u) << lines[i];
    const std::string word = lines[i].substr(i == 0 ? std::string("Subject: ").size() : 1);
    EXPECT_LE(word.size(), 75u) << word;
    EXPECT_EQ(word.find(' '), std::string::npos) << "one word a line: " << word;
    const std::string text = decodedWord(word);
    textlib::TextBuffer check;
    check.SetValue(text);
    EXPECT_EQ(check.IsValidUtf8(), 1) << "whole characters only: " << word;
    joined += text;
  }
  EXPECT_EQ(joined, utf8);

  NetMail reader;
  textlib::TextBuffer whole;
  whole.SetValue(m);
  reader.ProcessWholeMessage(whole);
  EXPECT_EQ(reader.SUBJECT, mail.SUBJECT) << "read back whole";
  reader.Kill();
}

TEST_F(MailBuild, ATextAttachmentNamesItsCharset) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* contentType;
  };
  const Case cases[] = {
      {"utf8.txt", "Se\xC3\xB1or P\xC3\xA9rez \xE2\x82\xAC",
       "text/plain;\r\n\tcharset=utf-8;\r\n name=\"utf8.txt\""},
      {"ansi.txt", "Se\xF1or P\xE9rez \x80",
       "text/plain;\r\n\tcharset=windows-1252;\r\n name=\"ansi.txt\""},
      {"ascii.txt", "Senor Perez", "text/plain;\r\n name=\"ascii.txt\""},
      {"nota.html", "<p>Se\xC3\xB1or</p>", "text/html;\r\n\tcharset=utf-8;\r\n name=\"nota.html\""},
      {"datos.bin", "\xC3\xB1", "application/octet-stream;\r\n name=\"datos.bin\""},
  };
  const std::string folder = std::filesystem::absolute("textos").string();
  std::string list = folder;
  for (const Case& c : cases) {
    write(folder + "/" + c.name, c.bytes);
    list += std::string("|") + c.name;
  }
  mail.ATTACHMENTLIST = list;
  const std::string m = built();
  for (const Case& c : cases) {
    EXPECT_NE(m.find(std::string("Content-Type: ") + c.contentType + "\r\n"), std::string::npos)
        << c.name << "\n"
        << m.substr(0, 3000);
  }
}

TEST_F(MailBuild, ProgressCountsTheBytesStillQueued) {
  mail.UpdateProgress_();
  EXPECT_EQ(mail.PROGRESS1000, 1000);
  built();
  const std::int32_t first = mail.DATAQUEUE->front().WHOLEMESSAGELEN;
  mail.MESSAGETEXTST->SetValue(std::string(3000, 'x'));
  built();
  const std::int32_t second = mail.DATAQUEUE->back().WHOLEMESSAGELEN;
  mail.UpdateProgress_();
  EXPECT_EQ(mail.PROGRESSBYTESTOGO, first + second);
  EXPECT_EQ(mail.PROGRESS1000, 0);
  mail.DATAQUEUE->pop_front();
  mail.UpdateProgress_();
  EXPECT_EQ(mail.PROGRESSBYTESMAX, first + second) << "the greatest size seen";
  EXPECT_EQ(mail.PROGRESS1000, first * 1000 / (first + second));
}

TEST(MailDots, StuffingIsTheSameWhereverTheChunksSplit) {
  const std::string text = ".a\r\n.\r\n..\r\nx.\r\n\r\n.\r\r\n.b";
  const std::string whole = stuffDots(text, ' ', ' ');
  // The text of a message starts with its header: the first line is never stuffed.
  EXPECT_EQ(whole, ".a\r\n..\r\n...\r\nx.\r\n\r\n..\r\r\n..b");
  for (std::size_t split = 1; split < text.size(); ++split) {
    const std::string first = stuffDots(text.substr(0, split), ' ', ' ');
    const char beforeLast = first.size() >= 2 ? first[first.size() - 2] : ' ';
    EXPECT_EQ(first + stuffDots(text.substr(split), beforeLast, first.back()), whole) << split;
  }
}

class RepliesInPieces : public NetMailSend {
 public:
  std::vector<std::string> errors;
  void ErrorTrap(std::string_view text, std::string_view) override { errors.emplace_back(text); }
  void arrive(std::string_view data) {
    data.copy(PACKET.BINDATA, data.size());
    PACKET.BINDATALEN = static_cast<std::int32_t>(data.size());
    PACKET.PACKETTYPE = rt::net::packet::kData;
    Process();
  }
};

TEST(MailReplies, SplitAndMultiLineRepliesAreJoinedBeforeTheyAreRead) {
  RepliesInPieces mail;
  mail.SUPPRESSERRORMSG = 1;
  mail.Init(0);
  mail.arrive("22");  // state 0 accepts the 221 to QUIT only
  EXPECT_EQ(mail.SERVERREPLYBUFFER_, "22");
  mail.arrive("1 bye\r\n");
  EXPECT_TRUE(mail.errors.empty()) << mail.errors[0];
  mail.arrive("221-first\r\n");
  EXPECT_EQ(mail.SERVERREPLYBUFFER_, "221-first\r\n");
  mail.arrive("221-second\r\n221 last\r\n");
  EXPECT_TRUE(mail.errors.empty());
  EXPECT_EQ(mail.SERVERREPLYBUFFER_, "");
  mail.arrive("250 what\r\n");
  ASSERT_EQ(mail.errors.size(), 1u);
  EXPECT_EQ(mail.errors[0],
            "Fatal Error. The remote Email (SMTP) server sent error = 250 what\r\n State = 0. "
            "Will abort all messages in the DataQueue");
  mail.Kill();
}

}  // namespace
}  // namespace netlib
