// The message builder without a connection: header lines, charsets, address
// formats, identifiers, embedded images and attachment lists; the dot-stuffing
// of the text across chunks; replies split over packets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "netlib/net_mail_send.h"
#include "platform/net/records.h"
#include "platform/net/socket_library.h"
#include "platform/base/cp_literal.h"

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
