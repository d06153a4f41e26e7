// What follows a delivered or failed message: the error policy (drop every
// message, drop this one, postpone it), the next message, RSET, QUIT and the
// reconnection after a number of messages, and the progress figures.
#include <string>

#include "netlib/net_mail_send.h"
#include "platform/net/socket_library.h"

namespace netlib {
namespace {

namespace st = smtp_state;

std::string withoutLeadingBlanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

void NetMailSend::serverError(std::int32_t kind, std::int32_t action, std::int32_t code,
                              const std::string& text, std::string_view opening,
                              std::string_view closing) {
  const std::string reply = withoutLeadingBlanks(text);
  SERVERERRORNUM = code;
  SERVERERRORDESC = reply.substr(0, 252);
  ERRORSTATUS_ = kind;
  AFTERERRORACTION_ = action;
  ErrorTrap(std::string(opening) + "The remote " + SERVERDESC_ +
                " server sent error = " + std::to_string(code) + " " + reply +
                " State = " + std::to_string(STATE_) + std::string(closing),
            "NetMailSend.Process");
  SERVERERRORNUM = 0;
  SERVERERRORDESC.clear();
  afterErrorAction();
}

void NetMailSend::localError(std::string_view text) {
  ERRORSTATUS_ = 1;
  AFTERERRORACTION_ = after_error::kNextMessage;
  ErrorTrap(text, "NetMailSend.Process");
  // A local fault keeps the connection: the message is dropped and the
  // conversation goes on with RSET.
  if (AFTERERRORSAVEDACTION_ == after_error::kNextMessage) messageFinished(false);
}

void NetMailSend::afterErrorAction() {
  switch (AFTERERRORSAVEDACTION_) {
    case after_error::kDeleteAllAfter:
      DeleteAllMessagesInDataQueue_();
      Abort();
      break;
    case after_error::kNextMessage:
      dropCurrentMessage();
      abortAndReopenIfAny();
      break;
    case after_error::kPostpone:
      if (!DATAQUEUE->empty()) {
        MailQueueRecord message = std::move(DATAQUEUE->front());
        DATAQUEUE->pop_front();
        ++message.TRIES_;
        if (message.TRIES_ < message.MAXTRIES) DATAQUEUE->push_back(std::move(message));
      }
      abortAndReopenIfAny();
      break;
    default:
      break;
  }
}

void NetMailSend::dropCurrentMessage() {
  if (!DATAQUEUE->empty()) DATAQUEUE->pop_front();
}

void NetMailSend::abortAndReopenIfAny() {
  Abort();
  if (!DATAQUEUE->empty()) TryOpen_();
}

void NetMailSend::sendQuitAndClose() {
  sendCommand("QUIT\r\n", SmtpStep::kOther);
  Close();
}

void NetMailSend::messageFinished(bool delivered) {
  if (delivered) {
    if (LOGGINGON != 0) {
      Log("NetMailSend.Process",
          "Message sent to " + DATAQUEUE->front().TOLIST + ". Will call MessageSent()");
    }
    ++MESSAGESSENTONCURRENTCONNECTION_;
    MessageSent();
  }
  dropCurrentMessage();
  const bool countReached =
      RECONNECTAFTERXMSGS > 0 && MESSAGESSENTONCURRENTCONNECTION_ >= RECONNECTAFTERXMSGS;
  if (!DATAQUEUE->empty()) {
    if (countReached) {
      Log("NetMailSend.Process", std::to_string(MESSAGESSENTONCURRENTCONNECTION_) +
                                     " messages have been sent on this connection. Connection "
                                     "will be restarted");
      sendQuitAndClose();
      MESSAGESSENTONCURRENTCONNECTION_ = 0;
      STATE_ = st::kNotConnected;
      TryOpen_();
    } else {
      STATE_ = st::kReady;
      sendCommand("RSET\r\n", SmtpStep::kOther);
    }
    return;
  }
  if (OPTIONSKEEPCONNECTIONOPEN == 0 || countReached) {
    if (countReached && LOGGINGON != 0) {
      Log("NetMailSend.Process", std::to_string(MESSAGESSENTONCURRENTCONNECTION_) +
                                     " messages have been sent on this connection. (2) "
                                     "Connection will be restarted");
    } else {
      Log("NetMailSend.Process",
          "This object has been configured to close when there are no more messages to be "
          "sent.");
    }
    sendQuitAndClose();
    MESSAGESSENTONCURRENTCONNECTION_ = 0;
    STATE_ = st::kNotConnected;
  } else {
    STATE_ = st::kReady;
    sendCommand("RSET\r\n", SmtpStep::kOther);
  }
  if (PROGRESSCONTROL != 0) ShowProgress_(false, 0);
}

void NetMailSend::DeleteAllMessagesInDataQueue_() {
  if (DATAQUEUE == nullptr || DATAQUEUE->empty()) return;
  Log("NetMailSend._DeleteAllMessagesInDataQueue",
      "Attention: All messages in the queue will be deleted now.");
  DATAQUEUE->clear();
}

void NetMailSend::ResetProgress_() {
  if (PROGRESSCONTROL != 0) ShowProgress_(true, 0);
}

void NetMailSend::UpdateProgress_() {
  if (DATAQUEUE == nullptr || DATAQUEUE->empty()) {
    PROGRESS1000 = 1000;
    PROGRESSBYTESTOGO = 0;
    PROGRESSBYTESMAX = 0;
    return;
  }
  std::int64_t toGo = 0;
  for (const MailQueueRecord& message : *DATAQUEUE) toGo += message.WHOLEMESSAGELEN;
  if (toGo > PROGRESSBYTESMAX) PROGRESSBYTESMAX = static_cast<std::int32_t>(toGo);
  if (STATE_ == st::kEndOfData) {
    toGo -= DATAQUEUE->front().WHOLEMESSAGELEN;
    GetInfo(rt::net::option::kQueuedPacketsAndBytes);
    toGo += OUTGOINGDLLPACKETSBYTES;
  }
  PROGRESSBYTESTOGO = static_cast<std::int32_t>(toGo);
  const std::int32_t before = PROGRESS1000;
  PROGRESS1000 =
      PROGRESSBYTESMAX <= 0
          ? 1000
          : static_cast<std::int32_t>((static_cast<std::int64_t>(PROGRESSBYTESMAX) - toGo) * 1000 /
                                      PROGRESSBYTESMAX);
  if (PROGRESSCONTROL != 0 && before / 10 != PROGRESS1000 / 10) ShowProgress_(true, PROGRESS1000);
}

}  // namespace netlib
