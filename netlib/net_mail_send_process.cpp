// The SMTP conversation, reply by reply: whole and multi-line replies, the
// state table, the envelope, and the message text dot-stuffed in chunks.
#include <cstdlib>
#include <string>

#include "netlib/net_mail_send.h"
#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"
#include "platform/net/records.h"
#include "platform/net/socket_library.h"

namespace netlib {
namespace {

namespace st = smtp_state;

constexpr std::size_t kChunk = 8192;
constexpr std::size_t kReplyTextMax = 255;

bool isWholeLine(std::string_view data) {
  return data.size() >= 2 && data.substr(data.size() - 2) == "\r\n";
}

// The length of the first whole reply in data (its last line included).
std::size_t replyLength(std::string_view data) {
  std::size_t lineStart = 0;
  for (;;) {
    const std::size_t end = data.find("\r\n", lineStart);
    if (end == std::string_view::npos) return data.size();
    if (end < lineStart + 4 || data[lineStart + 3] != '-') return end + 2;
    lineStart = end + 2;
  }
}

// True when the EHLO reply lists the extension (a line "250-KEYWORD ..." or
// "250 KEYWORD").
bool offersExtension(std::string_view reply, std::string_view keyword) {
  for (std::size_t lineStart = 0; lineStart < reply.size();) {
    std::size_t end = reply.find("\r\n", lineStart);
    if (end == std::string_view::npos) end = reply.size();
    if (end >= lineStart + 4) {
      const std::string_view line = reply.substr(lineStart + 4, end - lineStart - 4);
      const std::string_view word = line.substr(0, line.find(' '));
      if (rt::upper(word) == keyword) return true;
    }
    lineStart = end + 2;
  }
  return false;
}

// True when every line of a multi-line reply has come: the lines whose 4th
// character is "-" are followed by one whose 4th character is not.
bool isWholeReply(std::string_view data) {
  std::size_t lineStart = 0;
  while (lineStart + 3 < data.size() && data[lineStart + 3] == '-') {
    const std::size_t end = data.find("\r\n", lineStart);
    if (end == std::string_view::npos) return false;
    lineStart = end + 2;
  }
  return lineStart < data.size();
}

}  // namespace

std::string stuffDots(std::string_view chunk, char beforeLast, char last) {
  std::string out;
  out.reserve(chunk.size() + 64);
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    const char c = chunk[i];
    if (c == '.') {
      bool lineStart;
      if (i >= 2) {
        lineStart = chunk[i - 2] == '\r' && chunk[i - 1] == '\n';
      } else if (i == 1) {
        lineStart = last == '\r' && chunk[0] == '\n';
      } else {
        lineStart = beforeLast == '\r' && last == '\n';
      }
      if (lineStart) out.push_back('.');
    }
    out.push_back(c);
  }
  return out;
}

void NetMailSend::Process() {
  switch (static_cast<std::int32_t>(PACKET.PACKETTYPE)) {
    case rt::net::packet::kData:
      replyArrived();
      break;
    case rt::net::packet::kOpened:
      ProcessOpen_();
      break;
    case rt::net::packet::kIdle: {
      Log("NetMailSend.Process", "Received Idle Warning. Will abort connection.");
      const std::string text = "Idle Timeout - Warning connection has been idle for more than " +
                               std::to_string(CONNECTION_.INACTIVETIMEOUT / 100) +
                               " seconds. Connection will be closed";
      ERROR = -57;
      WINSOCKERROR = 0;
      SSLERROR = 0;
      serverError(1, after_error::kNextMessage, 0, text, "Error in this Message. ",
                  ". Will try and send next email");
      break;
    }
    default:
      break;
  }
}

void NetMailSend::ProcessOpen_() {
  const std::string where = NetConnection::SERVER() + ":" + std::to_string(NetConnection::PORT());
  if (STATE_ == st::kSwitchingToTls && SSL == 1) {
    Log("NetMailSend._ProcessOpen",
        "The connection successfully switched to SSL mode (" + where + ")");
    if (CheckCommonName_() != 0) return;
    if (!rt::clip(AUTHUSER).empty() || !rt::clip(AUTHPASSWORD).empty()) {
      STATE_ = st::kAuthEhlo;
      sendCommand("EHLO " + std::string(rt::clip(HELO)) + "\r\n", SmtpStep::kHello);
    } else {
      STATE_ = st::kReady;
      sendCommand("HELO " + std::string(rt::clip(HELO)) + "\r\n", SmtpStep::kHello);
    }
    return;
  }
  awaitedStep_ = SmtpStep::kGreeting;
  Log("NetMailSend._ProcessOpen", "The connection opened to " + where +
                                      " The EmailSend will wait for the Welcome message from "
                                      "the Server.");
  STATE_ = st::kGreeting;
}

void NetMailSend::replyArrived() {
  if (STATE_ == st::kSwitchingToTls) {
    // Plain text read before the handshake began: the server went on in
    // clear after agreeing to TLS.
    failSwitchOnPlainText();
    return;
  }
  Log("NetMailSend.Process", "Received Data from the remote " + SERVERDESC_ + " Server");
  std::string data = GetPacketData();
  if (!isWholeLine(data)) {
    Log("NetMailSend.Process",
        "Warning. We Received Data from the remote " + SERVERDESC_ +
            " Server - but did not receive a whole line. Will store the line in the buffer",
        log_type::kError);
    BufferReply_();
    return;
  }
  if (!SERVERREPLYBUFFER_.empty()) {
    GetBufferedData_();
    data = GetPacketData();
  }
  if (data.size() >= 4 && data[3] == '-' && !isWholeReply(data)) {
    Log("NetMailSend.Process",
        "Warning. We Received **MultiLine** Data from the remote " + SERVERDESC_ +
            " Server - but did not receive a whole set of lines. Will store the data in the "
            "buffer",
        log_type::kError);
    SERVERREPLYBUFFER_ = data;
    return;
  }
  if (ERROR != 0) {
    localError("Error reading data from the remote " + SERVERDESC_ + " Server");
    return;
  }
  // The reply code of a multi-line reply is that of its last line.
  const std::int32_t code = data.size() < 3 ? 0 : std::atoi(data.substr(0, 3).c_str());
  const std::string text = data.size() <= 3 ? std::string() : data.substr(3, kReplyTextMax);
  Log("NetMailSend.Process", "<-- Data : " + std::to_string(code) + " [" + text + "]");
  if (STATE_ == st::kConnectedAndIdle) {
    if (DATAQUEUE->empty()) return;
    STATE_ = st::kReady;
  }
  actOnReply(code, text, data);
}

void NetMailSend::actOnReply(std::int32_t code, const std::string& text,
                             std::string_view wholeReply) {
  const std::string helo(rt::clip(HELO));
  const bool account = !rt::clip(AUTHUSER).empty() || !rt::clip(AUTHPASSWORD).empty();
  auto fatal = [&] {
    serverError(0, after_error::kDeleteAllAfter, code, text, "Fatal Error. ",
                ". Will abort all messages in the DataQueue");
  };
  auto messageError = [&] {
    serverError(1, after_error::kNextMessage, code, text, "Error in this Message. ",
                ". Will try and send next email");
  };
  switch (STATE_) {
    case st::kNotConnected:
      if (code != 221) fatal();
      return;
    case st::kGreeting:
      if (code != 220) return fatal();
      if (SECUREEMAILSTARTTLS != start_tls::kNever) {
        STATE_ = st::kTlsEhlo;
        sendCommand("EHLO " + helo + "\r\n", SmtpStep::kHello);
      } else if (account) {
        STATE_ = st::kAuthEhlo;
        sendCommand("EHLO " + helo + "\r\n", SmtpStep::kHello);
      } else {
        STATE_ = st::kReady;
        sendCommand("HELO " + helo + "\r\n", SmtpStep::kHello);
      }
      return;
    case st::kTlsEhlo:
      if (code != 250) return fatal();
      afterTlsEhlo(code, text, wholeReply);
      return;
    case st::kStartTls:
      if (code != 220) return fatal();
      // Anything behind the 220 came in clear where the handshake was due.
      if (replyLength(wholeReply) < wholeReply.size()) return failSwitchOnPlainText();
      STATE_ = st::kSwitchingToTls;
      SSLSwitchToSSL_();
      return;
    case st::kAuthEhlo:
      if (code != 250) return fatal();
      STATE_ = st::kAuthLogin;
      sendCommand("AUTH LOGIN\r\n", SmtpStep::kLogin);
      return;
    case st::kAuthLogin:
      if (code != 334) return fatal();
      STATE_ = st::kAuthUser;
      sendCommand(rt::net::NetBase64Encode(rt::clip(AUTHUSER)) + "\r\n", SmtpStep::kLogin);
      return;
    case st::kAuthUser:
      if (code != 334) return fatal();
      STATE_ = st::kReady;
      sendCommand(rt::net::NetBase64Encode(rt::clip(AUTHPASSWORD)) + "\r\n", SmtpStep::kLogin);
      return;
    case st::kReady: {
      const bool bothSet = !rt::clip(AUTHUSER).empty() && !rt::clip(AUTHPASSWORD).empty();
      if (!(code == 250 || (bothSet && code == 235))) {
        if (code == 421) {
          return serverError(0, after_error::kPostpone, code, text, "Error. ",
                             ". Will try message again after everything else has been sent");
        }
        return fatal();
      }
      if (DATAQUEUE->empty()) {
        STATE_ = st::kConnectedAndIdle;
        return;
      }
      STATE_ = st::kMailFrom;
      LISTINDEX2_ = 0;
      LISTWHICH2_ = 0;
      std::string name;
      std::string address;
      if (GetAddress_(DATAQUEUE->front().FROM, 1, name, address) == 0) {
        return localError("Invalid from address found in data queue");
      }
      sendCommand("MAIL FROM: <" + address + ">\r\n", SmtpStep::kSender);
      return;
    }
    case st::kMailFrom:
    case st::kRcptTo:
      if (code != 250 && code != 251) return messageError();
      offerNextRecipient();
      return;
    case st::kData:
      if (code != 354) return messageError();
      STATE_ = st::kEndOfData;
      sendMessageText();
      return;
    case st::kEndOfData:
      if (code != 250) return messageError();
      messageFinished(true);
      return;
    default:
      localError("Error. NetMailSend - no state found. State = " + std::to_string(STATE_));
      return;
  }
}

void NetMailSend::afterTlsEhlo(std::int32_t code, const std::string& text,
                               std::string_view wholeReply) {
  if (SECUREEMAILSTARTTLS != start_tls::kWhenOffered || offersExtension(wholeReply, "STARTTLS")) {
    STATE_ = st::kStartTls;
    sendCommand("STARTTLS\r\n", SmtpStep::kStartTls);
    return;
  }
  if (!rt::clip(AUTHUSER).empty() || !rt::clip(AUTHPASSWORD).empty()) {
    RaiseError_(kNoSecureLogin, 0, after_error::kDeleteAllNow,
                "The remote " + SERVERDESC_ +
                    " server offers no STARTTLS: the password is not sent in clear. Will abort "
                    "all messages in the DataQueue",
                "NetMailSend.Process");
    return;
  }
  // Nothing secret to protect: the EHLO reply stands for the HELO one.
  STATE_ = st::kReady;
  actOnReply(code, text, wholeReply);
}

void NetMailSend::offerNextRecipient() {
  const MailQueueRecord& message = DATAQUEUE->front();
  std::string name;
  std::string address;
  if (LISTWHICH2_ == 0) {
    if (GetAddress_(message.TOLIST, ++LISTINDEX2_, name, address) != 0) {
      STATE_ = st::kRcptTo;
      return sendCommand("RCPT TO: <" + address + ">\r\n", SmtpStep::kRecipient);
    }
    LISTINDEX2_ = 0;
    LISTWHICH2_ = 1;
  }
  if (LISTWHICH2_ == 1) {
    address = NormalizeAddressList_(message.CCLIST, ++LISTINDEX2_, 2);
    if (!address.empty()) {
      STATE_ = st::kRcptTo;
      return sendCommand("RCPT TO: <" + address + ">\r\n", SmtpStep::kRecipient);
    }
    LISTINDEX2_ = 0;
    LISTWHICH2_ = 2;
  }
  if (GetAddress_(message.BCCLIST, ++LISTINDEX2_, name, address) != 0) {
    STATE_ = st::kRcptTo;
    return sendCommand("RCPT TO: <" + address + ">\r\n", SmtpStep::kRecipient);
  }
  STATE_ = st::kData;
  sendCommand("DATA\r\n", SmtpStep::kMessage);
}

void NetMailSend::sendMessageText() {
  const std::string& text = DATAQUEUE->front().WHOLEMESSAGE;
  char beforeLast = ' ';
  char last = ' ';
  for (std::size_t at = 0; at < text.size(); at += kChunk) {
    const std::string_view chunk = std::string_view(text).substr(at, kChunk);
    const std::string stuffed = stuffDots(chunk, beforeLast, last);
    stuffed.copy(PACKET.BINDATA, stuffed.size());
    PACKET.BINDATALEN = static_cast<std::int32_t>(stuffed.size());
    if (LOGGINGON != 0) {
      Log("NetMailSend.Process", "Sending Message DataLen = " + std::to_string(stuffed.size()));
    }
    Send();
    if (ERROR != 0) return;
    beforeLast = stuffed.size() >= 2 ? stuffed[stuffed.size() - 2] : last;
    last = stuffed.back();
  }
  sendCommand("\r\n.\r\n", SmtpStep::kMessage);
}

}  // namespace netlib
