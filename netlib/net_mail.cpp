#include "netlib/net_mail.h"

#include <algorithm>

#include "platform/base/cp1252.h"
#include "platform/net/records.h"

namespace netlib {
namespace {

constexpr std::int32_t kPacketSize = rt::net::kMaxBinData;
constexpr std::int32_t kRefused = 10061;

}  // namespace

NetMail::NetMail()
    : MESSAGETEXTST(std::make_unique<textlib::TextBuffer>()),
      MESSAGEHTMLST(std::make_unique<textlib::TextBuffer>()),
      WHOLEMESSAGEST(std::make_unique<textlib::TextBuffer>()) {}

NetMail::~NetMail() = default;

void NetMail::Init(std::int32_t mode) {
  Log("NetMail.Init", "Init Called");
  emptyQueues();
  ASYNCOPENUSE = 1;
  ASYNCOPENTIMEOUT = 1200;
  INACTIVETIMEOUT = 9000;
  MAXTRIES = 5;
  NetConnection::Init(mode);
}

void NetMail::Open(std::string_view server, std::uint16_t port) {
  Log("NetMail.Open (" + SERVERDESC_ + ")",
      "Attempting to open connection to remote " + SERVERDESC_ + " Server");
  if (OPENFLAG == 0) NetConnection::Open(server, port);
}

void NetMail::Close() {
  Log("NetMail.Close",
      "Attempting to close the connection to the remote " + SERVERDESC_ + " Server");
  NetConnection::Close();
  STATE_ = 0;
}

void NetMail::ErrorTrap(std::string_view errorText, std::string_view functionName) {
  const std::string text =
      ERROR == kRefused ? "Could not open a connection to the remote " + SERVERDESC_ + " Server"
                        : std::string(rt::clip(errorText));
  NetConnection::ErrorTrap(text, functionName);
}

void NetMail::Kill() {
  Log("NetMail.Kill", "Kill called");
  NetConnection::Kill();
  emptyQueues();
  Free();
  Log("NetMail.Kill", "End of Kill()");
}

void NetMail::emptyQueues() {
  // Emptied with their memory given back: a long-lived object keeps none.
  std::vector<AttachmentRecord>().swap(ATTACHMENTLISTQ);
  std::vector<EmbedRecord>().swap(EMBEDLISTQ);
  std::vector<EmailsListRecord>().swap(EMAILSLISTQ);
  std::vector<EmailsDoneBeforeRecord>().swap(EMAILSDONEBEFOREQ);
}

void NetMail::Free() {
  Log("NetMail.Free", "Freeing extra memory used by the object.");
  WHOLEMESSAGEST->Free(true);
  Log("NetMail.Free", "End of free()");
}

std::string NetMail::ObjectTypeName() const {
  switch (OBJECTTYPE_) {
    case 1:
      return "Mail Client";
    case 2:
      return "POP Client";
    case 3:
      return "SMTP Client";
    case 4:
      return "NNTP Client";
    case 5:
      return "IMAP Client";
    default:
      return "Unknown Type";
  }
}

std::string NetMail::GetPacketData() const {
  const std::int32_t length = PACKET.BINDATALEN;
  if (length <= 0) return {};
  return std::string(PACKET.BINDATA, static_cast<std::size_t>(std::min(length, kPacketSize)));
}

std::int32_t NetMail::GetPacketDataLen() const { return PACKET.BINDATALEN; }

std::int32_t NetMail::SetPacketData(std::string_view text, std::int32_t length) {
  std::int32_t wanted = length > 0 ? length : static_cast<std::int32_t>(rt::clip(text).size());
  if (wanted > kPacketSize) {
    ErrorTrap("The data passed was too large for a single packet and was truncated! ",
              "NetMail.SetPacketData");
    wanted = kPacketSize;
  }
  const std::size_t copied = std::min<std::size_t>(static_cast<std::size_t>(wanted), text.size());
  text.copy(PACKET.BINDATA, copied);
  std::fill(PACKET.BINDATA + copied, PACKET.BINDATA + wanted, ' ');
  PACKET.BINDATALEN = wanted;
  return wanted;
}

std::string NetMail::ClipText_(std::string_view text) const { return std::string(rt::clip(text)); }

void NetMail::SendBuffer_(std::string_view text, std::int32_t count) {
  if (count > 0 && static_cast<std::size_t>(count) < text.size()) text = text.substr(0, count);
  for (std::size_t at = 0; at < text.size(); at += kPacketSize) {
    const std::string_view piece = text.substr(at, kPacketSize);
    piece.copy(PACKET.BINDATA, piece.size());
    PACKET.BINDATALEN = static_cast<std::int32_t>(piece.size());
    Send();
  }
}

void NetMail::CidToFileLinks_(textlib::TextBuffer& html) {
  html.Replace("src=\"cid:", "src=\"file:");
}

void NetMail::BufferReply_() {
  const std::string data = GetPacketData();
  SERVERREPLYBUFFER_ += data;
  if (SERVERREPLYBUFFER_.size() > static_cast<std::size_t>(kPacketSize)) {
    SERVERREPLYBUFFER_.resize(kPacketSize);
  }
}

void NetMail::GetBufferedData_() {
  std::string joined = SERVERREPLYBUFFER_ + GetPacketData();
  if (joined.size() > static_cast<std::size_t>(kPacketSize)) joined.resize(kPacketSize);
  joined.copy(PACKET.BINDATA, joined.size());
  PACKET.BINDATALEN = static_cast<std::int32_t>(joined.size());
  Trace("Okay we put the buffered lines together and got [" + joined + "]");
  SERVERREPLYBUFFER_.clear();
}

std::string NetMail::FindToken_(std::string_view text, int n, bool skipEmpty, char delimiter) {
  int counted = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != delimiter) continue;
    const std::string_view token = text.substr(start, i - start);
    if (!token.empty() || !skipEmpty || i == 0) {
      if (++counted == n) return std::string(token);
    }
    start = i + 1;
  }
  return {};
}

std::string NetMail::GetToken_(std::string_view text, int n, char delimiter) {
  return FindToken_(text, n, false, delimiter);
}

void NetMail::ClearMessage_() {
  MESSAGETEXTST->Free(true);
  MESSAGEHTMLST->Free(true);
  WHOLEMESSAGEST->Free(true);
  ENCODING = 0;
  CODEPAGE = 0;
}

void NetMail::ClearMessageFields_() {
  ClearMessage_();
  MSGNUMBER = 0;
  BYTES = 0;
  UID = "0";
  // MIMEBOUNDARY, RETURNRECEIPTTO, ATTACHMENTPATH and the options are kept.
  for (std::string* field : {&TOLIST,
                             &CCLIST,
                             &FROM,
                             &SUBJECT,
                             &REPLYTO,
                             &ORGANIZATION,
                             &SENTDATE,
                             &MESSAGEID,
                             &REFERENCES,
                             &USERFILTERCONTENT,
                             &ATTACHMENTLIST,
                             &EMBEDLIST,
                             &MIMEVERSION,
                             &MIMEALTBOUNDARY,
                             &MIMEMIXEDBOUNDARY,
                             &MIMERELBOUNDARY,
                             &CONTENTTYPE,
                             &TEXTCHARSET,
                             &HTMLCHARSET,
                             &CONTENTTRANSFERENCODING,
                             &DELIVERYSTATUSORIGINALRECIPIENT,
                             &DELIVERYSTATUSFINALRECIPIENT,
                             &DELIVERYSTATUSACTION,
                             &DELIVERYSTATUSSTATUS,
                             &DELIVERYSTATUSREMOTEMTA,
                             &DELIVERYSTATUSDIAGNOSTICCODE,
                             &DELIVERYSTATUSLASTATTEMPTDATE,
                             &DELIVERYRECEIPTTO,
                             &DISPOSITIONNOTIFICATIONTO,
                             &CONTENTDISPOSITION,
                             &MDCONTENTTYPE_,
                             &MDCHARSET_,
                             &MDCONTENTTRANSFER_,
                             &MDCONTENTBOUNDARY_,
                             &MDCONTENTDISPOSITION_,
                             &MDCONTENTID_,
                             &MDFILENAME_,
                             &MDNAME_}) {
    field->clear();
  }
}

std::int32_t NetMail::ProcessRaiseError_(std::string_view serverText) {
  SERVERERRORDESC = std::string(rt::clip(serverText));
  ErrorTrap("The " + SERVERDESC_ + " Server returned error = " + SERVERERRORDESC,
            "NetMail._ProcessRaiseError");
  SERVERERRORDESC.clear();
  Close();
  return 1;
}

void NetMail::ProcessSendIt_() {
  const std::string data(rt::clip(std::string_view(PACKET.BINDATA, PACKET.BINDATALEN)));
  Trace("Sending [" + data + "]");
  PACKET.BINDATALEN = static_cast<std::int32_t>(data.size());
  Send();
}

}  // namespace netlib
