// The mail base: the fields a parsed message fills and clearing them, the
// queues, packets cut to their size, tokens, the type names, and Open on an
// open connection.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "netlib/net_mail.h"
#include "platform/net/records.h"

namespace netlib {
namespace {

// Counts the errors trapped, without showing them.
class TrappedMail : public NetMail {
 public:
  TrappedMail() { SUPPRESSERRORMSG = 1; }
  void ErrorTrap(std::string_view text, std::string_view function) override {
    trapped.emplace_back(text, function);
    NetMail::ErrorTrap(text, function);
  }
  std::vector<std::pair<std::string, std::string>> trapped;
};

constexpr char kMessage[] =
    "From: a@x.es\r\nTo: b@x.es\r\nCc: c@x.es\r\nSubject: Informe\r\nReply-To: r@x.es\r\n"
    "Organization: Consultorio\r\nDelivery-Receipt-To: d@x.es\r\n"
    "Disposition-Notification-To: n@x.es\r\nDate: Thu, 10 Dec 2026 10:00:00 -0300\r\n"
    "Message-ID: <m1@x.es>\r\nReferences: <m0@x.es>\r\nX-Filtro: paciente 7\r\n"
    "MIME-Version: 1.0\r\nContent-Transfer-Encoding: 7bit\r\nContent-ID: <principal>\r\n"
    "Content-Disposition: inline; filename=\"todo.eml\"\r\n"
    "Content-Type: multipart/mixed; boundary=\"B\"; charset=\"utf-8\"; name=\"todo\"\r\n\r\n"
    "--B\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\nhola\r\n"
    "--B\r\nContent-Type: text/html; charset=\"utf-8\"\r\n\r\n<b>hola</b>\r\n"
    "--B\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\nContent-ID: <r1>\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"r.pdf\"\r\n\r\nQkJC\r\n"
    "--B\r\nContent-Type: image/png\r\nContent-ID: <logo>\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nUE5H\r\n"
    "--B--\r\n";

TEST(MailBase, AParsedMessageFillsItsFieldsAndClearingEmptiesThemButKeepsTheSettings) {
  std::filesystem::create_directories("buzon");
  TrappedMail mail;
  mail.Init(0);
  mail.ATTACHMENTPATH = "buzon";
  mail.OPTIONSUSERFILTER = "X-Filtro";
  mail.RETURNRECEIPTTO = "vuelta@x.es";
  mail.OPTIONSDONTSAVEEMBEDS = 1;
  textlib::TextBuffer message;
  message.SetValue(kMessage);
  mail.ProcessWholeMessage(message);
  mail.DELIVERYSTATUSACTION = "failed";  // as a delivery report leaves them
  mail.DELIVERYSTATUSSTATUS = "5.1.1";

  EXPECT_EQ(mail.USERFILTERCONTENT, "paciente 7");
  EXPECT_EQ(mail.MDCONTENTTYPE_, "multipart/mixed");
  EXPECT_EQ(mail.MDCHARSET_, "utf-8");
  EXPECT_EQ(mail.MDCONTENTBOUNDARY_, "B");
  EXPECT_EQ(mail.MDCONTENTDISPOSITION_, "inline");
  EXPECT_NE(mail.MDCONTENTID_.find("principal"), std::string::npos) << mail.MDCONTENTID_;
  EXPECT_EQ(mail.MDFILENAME_, "todo.eml");
  EXPECT_EQ(mail.MDNAME_, "todo");
  EXPECT_EQ(mail.MIMEMIXEDBOUNDARY, "B");
  EXPECT_EQ(mail.TEXTCHARSET, "iso-8859-1");
  EXPECT_EQ(mail.HTMLCHARSET, "utf-8");
  ASSERT_EQ(mail.ATTACHMENTLISTQ.size(), 1u);
  const NetMail::AttachmentRecord& pdf = mail.ATTACHMENTLISTQ[0];
  EXPECT_EQ(pdf.NAME, "r.pdf");
  EXPECT_EQ(pdf.CONTENTTYPE, "application/pdf");
  EXPECT_EQ(pdf.CONTENTENCODING, "base64");
  EXPECT_NE(pdf.CONTENTID.find("r1"), std::string::npos) << pdf.CONTENTID;
  ASSERT_EQ(mail.EMBEDLISTQ.size(), 1u);
  EXPECT_EQ(mail.EMBEDLISTQ[0].CONTENTTYPE, "image/png");
  EXPECT_NE(mail.EMBEDLISTQ[0].CONTENTID.find("logo"), std::string::npos)
      << "the part's id, not its type: " << mail.EMBEDLISTQ[0].CONTENTID;

  const std::vector<std::pair<const char*, const std::string*>> cleared = {
      {"TOLIST", &mail.TOLIST},
      {"CCLIST", &mail.CCLIST},
      {"FROM", &mail.FROM},
      {"SUBJECT", &mail.SUBJECT},
      {"REPLYTO", &mail.REPLYTO},
      {"ORGANIZATION", &mail.ORGANIZATION},
      {"DELIVERYRECEIPTTO", &mail.DELIVERYRECEIPTTO},
      {"DISPOSITIONNOTIFICATIONTO", &mail.DISPOSITIONNOTIFICATIONTO},
      {"SENTDATE", &mail.SENTDATE},
      {"MESSAGEID", &mail.MESSAGEID},
      {"REFERENCES", &mail.REFERENCES},
      {"USERFILTERCONTENT", &mail.USERFILTERCONTENT},
      {"ATTACHMENTLIST", &mail.ATTACHMENTLIST},
      {"EMBEDLIST", &mail.EMBEDLIST},
      {"MIMEVERSION", &mail.MIMEVERSION},
      {"MIMEMIXEDBOUNDARY", &mail.MIMEMIXEDBOUNDARY},
      {"CONTENTTYPE", &mail.CONTENTTYPE},
      {"TEXTCHARSET", &mail.TEXTCHARSET},
      {"HTMLCHARSET", &mail.HTMLCHARSET},
      {"CONTENTTRANSFERENCODING", &mail.CONTENTTRANSFERENCODING},
      {"CONTENTDISPOSITION", &mail.CONTENTDISPOSITION},
      {"DELIVERYSTATUSACTION", &mail.DELIVERYSTATUSACTION},
      {"DELIVERYSTATUSSTATUS", &mail.DELIVERYSTATUSSTATUS},
      {"_MDCONTENTTYPE", &mail.MDCONTENTTYPE_},
      {"_MDCHARSET", &mail.MDCHARSET_},
      {"_MDCONTENTTRANSFER", &mail.MDCONTENTTRANSFER_},
      {"_MDCONTENTBOUNDARY", &mail.MDCONTENTBOUNDARY_},
      {"_MDCONTENTDISPOSITION", &mail.MDCONTENTDISPOSITION_},
      {"_MDCONTENTID", &mail.MDCONTENTID_},
      {"_MDFILENAME", &mail.MDFILENAME_},
      {"_MDNAME", &mail.MDNAME_},
  };
  for (const auto& [name, field] : cleared) EXPECT_FALSE(field->empty()) << name << " filled";

  mail.ClearMessageFields_();
  for (const auto& [name, field] : cleared) EXPECT_EQ(*field, "") << name << " cleared";
  EXPECT_EQ(mail.UID, "0") << "not empty";
  EXPECT_EQ(mail.MESSAGETEXTST->GetValue(), "");
  EXPECT_EQ(mail.MIMEBOUNDARY, "B");
  EXPECT_EQ(mail.RETURNRECEIPTTO, "vuelta@x.es");
  EXPECT_EQ(mail.ATTACHMENTPATH, "buzon");
  EXPECT_EQ(mail.OPTIONSUSERFILTER, "X-Filtro");
  EXPECT_EQ(mail.OPTIONSDONTSAVEEMBEDS, 1);

  mail.EMAILSLISTQ.push_back({1, 0, 1, 1, 0, 120, "u1", 0, 0});
  mail.EMAILSDONEBEFOREQ.push_back({120, "u0", 0, 0});
  mail.Kill();
  EXPECT_TRUE(mail.ATTACHMENTLISTQ.empty());
  EXPECT_TRUE(mail.EMBEDLISTQ.empty());
  EXPECT_TRUE(mail.EMAILSLISTQ.empty());
  EXPECT_TRUE(mail.EMAILSDONEBEFOREQ.empty());
}

TEST(MailBase, SetPacketDataCutsWhatAPacketCannotHold) {
  TrappedMail mail;
  mail.Init(0);
  EXPECT_EQ(mail.SetPacketData(std::string(20000, 'x')), rt::net::kMaxBinData);
  EXPECT_EQ(mail.GetPacketDataLen(), 16384);
  ASSERT_EQ(mail.trapped.size(), 1u);
  EXPECT_EQ(mail.trapped[0].first,
            "The data passed was too large for a single packet and was truncated! ");
  EXPECT_EQ(mail.trapped[0].second, "NetMail.SetPacketData");
  // The clipped length unless one is given.
  EXPECT_EQ(mail.SetPacketData("HELO x   "), 6);
  EXPECT_EQ(mail.GetPacketData(), "HELO x");
  EXPECT_EQ(mail.SetPacketData("ab  ", 4), 4);
  EXPECT_EQ(mail.GetPacketData(), "ab  ");
  EXPECT_EQ(mail.trapped.size(), 1u);
  mail.Kill();
}

TEST(MailBase, TokensCountEmptyOnesUnlessSkippedButALeadingOneAlways) {
  NetMail mail;
  struct Case {
    std::string_view text;
    int n;
    bool skip;
    std::string expected;
  };
  const Case cases[] = {
      {"uno,,tres", 1, false, "uno"},  {"uno,,tres", 2, false, ""},
      {"uno,,tres", 3, false, "tres"}, {"uno,,tres", 4, false, ""},
      {"uno,,tres", 1, true, "uno"},   {"uno,,tres", 2, true, "tres"},
      {"uno,,tres", 3, true, ""},      {",dos", 1, true, ""},
      {",dos", 2, true, "dos"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mail.FindToken_(c.text, c.n, c.skip, ','), c.expected)
        << c.text << " " << c.n << (c.skip ? " skipping" : "");
    if (!c.skip) {
      EXPECT_EQ(mail.GetToken_(c.text, c.n, ','), c.expected);
    }
  }
}

TEST(MailBase, ObjectTypeNames) {
  NetMail mail;
  const std::pair<int, const char*> names[] = {
      {1, "Mail Client"}, {2, "POP Client"},   {3, "SMTP Client"}, {4, "NNTP Client"},
      {5, "IMAP Client"}, {0, "Unknown Type"}, {6, "Unknown Type"}};
  for (const auto& [type, name] : names) {
    mail.OBJECTTYPE_ = type;
    EXPECT_EQ(mail.ObjectTypeName(), name) << type;
  }
}

TEST(MailBase, OpenOnAnOpenConnectionOnlyLogs) {
  TrappedMail mail;
  mail.Init(0);
  mail.OPENFLAG = 1;
  mail.Open("mx.x.es", 25);
  EXPECT_TRUE(mail.trapped.empty()) << mail.trapped.front().first;
  EXPECT_EQ(mail.ERROR, 0);
  EXPECT_EQ(mail.NetConnection::SERVER(), "") << "the connection was not touched";
  mail.OPENFLAG = 0;
  mail.Kill();
}

}  // namespace
}  // namespace netlib
