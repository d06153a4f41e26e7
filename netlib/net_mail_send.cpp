// The sender's life: initialisation, opening and closing, SendMail, and the
// error report that every failure goes through.
#include "netlib/net_mail_send.h"

#include <string>

#include "platform/base/cp1252.h"

namespace netlib {
NetMailSend::NetMailSend() : CUSTOMHEADER(std::make_unique<textlib::TextBuffer>()) {
  OBJECTTYPE_ = 0;
}

NetMailSend::~NetMailSend() = default;

void NetMailSend::Init(std::int32_t /*mode*/) {
  Log("NetMailSend.Init", "Init called");
  if (SERVERDESC_SET_ == 0) {
    SERVERDESC_SET_ = 1;
    OBJECTTYPE_ = 3;
    SERVERDESC_ = "Email (SMTP)";
    if (rt::clip(XMAILER).empty()) XMAILER = "Rednet Email 11.05";
    if (PORT == 0) PORT = 25;
  }
  if (INITED_ == 0) {
    PORT = 25;
    OPTIONSMIMETEXTCHARSET = "us-ascii";
    OPTIONSMIMEHTMLCHARSET = "us-ascii";
    OPTIONSMIMETEXTTRANSFERENCODING = "quoted-printable";
    OPTIONSMIMEHTMLTRANSFERENCODING = "quoted-printable";
    OPTIONSATTACHMENTCONTENTTYPE = "application/x-unknown";
  }
  ASYNCOPENUSE = 1;
  ASYNCOPENTIMEOUT = 1200;
  INACTIVETIMEOUT = 9000;
  DATAQUEUE_ = std::make_unique<MailQueue>();
  DATAQUEUE = DATAQUEUE_.get();
  NetMail::Init(0);
}

void NetMailSend::Open(std::string_view server, std::uint16_t port) {
  Log("NetMailSend.Open", "Trying to open connection to remote " + SERVERDESC_ + " Server");
  NetMail::Open(server, port);
}

void NetMailSend::Close() {
  Log("NetMailSend.Close", "Trying to close connection to the remote " + SERVERDESC_ + " Server");
  NetMail::Close();
}

void NetMailSend::Abort() {
  Log("NetMailSend.Abort", "Aborting connection to " + SERVERDESC_ + " Server");
  NetConnection::Abort();
  MESSAGESSENTONCURRENTCONNECTION_ = 0;
  STATE_ = smtp_state::kNotConnected;
}

void NetMailSend::Kill() {
  Log("NetMailSend.Kill", "Kill called");
  NetMail::Kill();
  DeleteAllMessagesInDataQueue_();
  DATAQUEUE_.reset();
  DATAQUEUE = nullptr;
  NetMail::Free();
  Log("NetMailSend.Kill", "Kill complete");
}

void NetMailSend::ConnectionClosed() {
  const std::string text =
      "The remote " + SERVERDESC_ + " server closed the connection or a dial-up connection closed";
  Log("NetMailSend.ConnectionClosed", text + ".");
  MESSAGESSENTONCURRENTCONNECTION_ = 0;
  if (STATE_ != smtp_state::kNotConnected) {
    ERRORSTATUS_ = 0;
    AFTERERRORACTION_ = after_error::kDeleteAllNow;
    ErrorTrap(text, "NetMailSend.ConnectionClosed");
  }
  STATE_ = smtp_state::kNotConnected;
}

void NetMailSend::TryOpen_() {
  if (ASYNCOPENBUSY != 0) {
    Log("NetMailSend._TryOpen",
        "The connection is currently being opened asynchronously, we will just wait for it to "
        "work or fail.");
    return;
  }
  Open(SERVER, PORT);
}

void NetMailSend::sendCommand(std::string_view command, SmtpStep step) {
  awaitedStep_ = step;
  const std::size_t length = std::min(command.size(), sizeof(PACKET.BINDATA));
  command.copy(PACKET.BINDATA, length);
  PACKET.BINDATALEN = static_cast<std::int32_t>(rt::clip(command.substr(0, length)).size());
  Log("NetMailSend.Send", "Sending --> [" + std::string(command) + "]");
  Send();
}

std::int32_t NetMailSend::SendMail(std::int32_t mode) {
  if (BuildMail(mode) == 0) return 0;
  ResetProgress_();
  if (OPENFLAG == 0) {
    TryOpen_();
    return 1;
  }
  if (STATE_ == smtp_state::kNotConnected) {
    ShowProgress_(false, 0);
    ERRORSTATUS_ = 0;
    AFTERERRORACTION_ = after_error::kDeleteAllNow;
    ErrorTrap("Illegal State. NET:ES_NOTCONNECTED in section of SendMail.", "NetMailSend.SendMail");
    return 0;
  }
  if (STATE_ != smtp_state::kConnectedAndIdle) return 1;
  STATE_ = smtp_state::kReady;
  sendCommand("RSET\r\n", SmtpStep::kOther);
  return 1;
}

std::int32_t NetMailSend::RaiseError_(std::int32_t error, std::int32_t kind, std::int32_t action,
                                      std::string_view text, std::string_view functionName) {
  ERROR = error;
  ERRORSTATUS_ = kind;
  AFTERERRORACTION_ = action;
  ErrorTrap(rt::clip(text), functionName);
  return 0;
}

void NetMailSend::ErrorTrap(std::string_view errorText, std::string_view functionName) {
  NetMail::ErrorTrap(errorText, functionName);
  switch (AFTERERRORACTION_) {
    case after_error::kDeleteAllNow:
      Log("NetMailSend.ErrorTrap",
          "This error was so bad we need to delete all records from DataQueue and abort the "
          "connection",
          log_type::kError);
      DeleteAllMessagesInDataQueue_();
      if (OPENFLAG != 0 || ASYNCOPENBUSY != 0) NetConnection::Abort();
      STATE_ = smtp_state::kNotConnected;
      break;
    case after_error::kNextMessage:
      Log("NetMailSend.ErrorTrap", "Attempting to send next message", log_type::kError);
      break;
    case after_error::kNotQueued:
      Log("NetMailSend.ErrorTrap",
          "The email was not added to the DataQueue, so no further actions are necessary.",
          log_type::kError);
      break;
    case after_error::kDeleteAllAfter:
      Log("NetMailSend.ErrorTrap",
          "This error was so bad we need to delete all records from DataQueue and abort the "
          "connection, but this will be done after ErrorTrap.",
          log_type::kError);
      break;
    default:
      Log("NetMailSend.ErrorTrap", "ERROR. Invalid Error Status in NetMailSend.ErrorTrap..",
          log_type::kError);
      break;
  }
  if (PROGRESSCONTROL != 0 && (DATAQUEUE == nullptr || DATAQUEUE->size() <= 1)) {
    ShowProgress_(false, 0);
  }
  AFTERERRORSAVEDACTION_ = AFTERERRORACTION_;
  ERRORSTATUS_ = 0;
  AFTERERRORACTION_ = 0;
}

void NetMailSend::CloseIdleConnection_() {
  Log("NetMailSend._CloseIdleConnection", "The connection was idle and will be aborted.");
  ERROR = -57;
  WINSOCKERROR = 0;
  SSLERROR = 0;
  ErrorTrap("Idle Timeout - Warning connection has been idle for more than " +
                std::to_string(INACTIVETIMEOUT / 100) +
                " seconds. Connection will be closed. State = " + std::to_string(STATE_),
            "NetMailSend._CloseIdleConnection");
  Abort();
}

}  // namespace netlib
