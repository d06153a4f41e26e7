#include "netlib/net_connection.h"

#include <string>

#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/net/socket_library.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

rt::net::SocketLibrary& library() { return rt::net::socketLibrary(); }

std::string clip(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

constexpr std::string_view kInitNotCalled =
    "The NetConnection object's Init() method was not called before the Open() method was called";

}  // namespace

NetConnection::NetConnection() : QSERVERCONNECTIONS_(std::make_unique<ServerConnections>()) {
  QSERVERCONNECTIONS = QSERVERCONNECTIONS_.get();
}

NetConnection::~NetConnection() {
  // The library may still hold the options handle of a connection left open;
  // once released it can no longer reach this object's memory.
  if (optionsHandle_ != 0) rt::net::releaseCertificateOptionsHandle(optionsHandle_);
}

std::string NetConnection::serverAndPort() const {
  return " Server = " + SERVER() + " Port = " + std::to_string(PORT());
}

void NetConnection::Init(std::int32_t mode) {
  if (INITALISED_ != 0) return;
  Log("NetConnection.Init", std::string("Initialising a new ") + (mode != 0 ? "Server" : "Client"),
      log_type::kInformation);
  CONNECTION_.MODE = mode != 0 ? 1 : 0;
  SSLCERTIFICATEOPTIONS.SIZE_ = static_cast<std::int32_t>(sizeof(CertificateOptionsRecord));
  if (optionsHandle_ == 0)
    optionsHandle_ = rt::net::certificateOptionsHandle(SSLCERTIFICATEOPTIONS);
  CONNECTION_.SSL_CERTIFICATEOPTIONSPOINTER_ = optionsHandle_;
  rt::net::setFieldText(SSLCERTIFICATEOPTIONS.CAROOTFILE, ".\\CARoot.pem");
  CONNECTION_.NOTIFYTHREAD = USETHISTHREAD != 0 ? USETHISTHREAD : rt::currentThreadNumber();
  SSLMETHOD = -1;
  ASYNCOPENUSE = 1;
  ASYNCOPENTIMEOUT = 1200;
  Prime();
  INITALISED_ = 1;
}

void NetConnection::Prime() {
  Wait();
  if (INITALISED_ == 0 && CONNECTION_.NOTIFYEVENT == 0) {
    CONNECTION_.NOTIFYEVENT = library().NetGetUniqueEvent();
    if (CONNECTION_.NOTIFYEVENT == 0) {
      Log("NetConnection.Prime", "Error getting new unique event. None was available.",
          log_type::kError);
    }
  }
  Release();
}

void NetConnection::Open(std::string_view server, std::uint16_t port) {
  Log("NetConnection.Open",
      std::string("Mode = ") + (isServer() ? "Server" : "Client") + " Server = " + clip(server) +
          " Port = " + std::to_string(port),
      log_type::kInformation);
  if (INITALISED_ == 0) {
    ERROR = -60;
    ErrorTrap(kInitNotCalled, "NetConnection.Open");
    return;
  }
  if (OPENFLAG != 0 || ASYNCOPENBUSY != 0) {
    ERROR = -55;
    ErrorTrap(isServer() ? "The Server is already listening on a Port."
                         : "The client connection could not be opened because the connection "
                           "was already open",
              "NetConnection.Open");
    return;
  }
  clearErrors();
  ASYNCOPENBUSY = 0;
  switchingToTls_ = false;
  if (BETWEENPHASEONEANTWO_ != 0) IGNOREPHASETWO_ = 1;
  rt::net::setFieldText(CONNECTION_.SERVER, clip(server));
  CONNECTION_.PORT = port;
  if (SSL == 1) {
    CertificateOptionsRecord& o = SSLCERTIFICATEOPTIONS;
    o.REMOTECERTIFICATEHAVEDETAILS = 0;
    o.REMOTECERTIFICATEVERSION = 0;
    rt::net::setFieldText(o.REMOTECERTIFICATESUBJECT, "");
    rt::net::setFieldText(o.REMOTECERTIFICATEISSUER, "");
    o.REMOTECERTIFICATENOTBEFOREDATE = 0;
    o.REMOTECERTIFICATENOTBEFORETIME = 0;
    o.REMOTECERTIFICATENOTAFTERDATE = 0;
    o.REMOTECERTIFICATENOTAFTERTIME = 0;
    rt::net::setFieldText(o.REMOTECERTIFICATEPUBLICKEY, "");
    o.REMOTECERTIFICATEALGORITHM = 0;
    o.REMOTECERTIFICATESERIALNUMBER = 0;
  }
  CONNECTION_.SSL = SSL;
  CONNECTION_.SSL_METHOD = SSLMETHOD;
  CONNECTION_.SSL_DONTCONNECTONOPEN = SSLDONTCONNECTONOPEN_;
  CONNECTION_.ASYNCOPENTIMEOUT = ASYNCOPENUSE != 0 ? ASYNCOPENTIMEOUT : 0;
  CONNECTION_.INACTIVETIMEOUT = INACTIVETIMEOUT;
  ERROR = library().NetConnectionOpen(CONNECTION_);

  const std::string portText = std::to_string(port);
  if (ERROR != 0) {
    if (isServer()) {
      CallErrorTrap_(
          (isUdp() ? "Unable to Listen on UDP Port " : "Unable to Listen on TCP Port ") + portText,
          "NetConnection(Server).Open");
    } else if (ERROR == -50 && SSL != 0) {
      CallErrorTrap_(
          "Could not load the TLS (Transport Layer Security) libraries. (libssl-1_1.dll, "
          "libcrypto-1_1.dll, msvcr120.dll)",
          "NetConnection(Client).Open");
    } else {
      CallErrorTrap_("Unable to Open Connection to " + SERVER() + ":" + portText,
                     "NetConnection(Client).Open");
    }
    return;
  }
  if (isServer()) {
    OPENFLAG = 1;
    GetServerConnections_(1);
    SERVERCONNECTIONSCOUNT = 0;
    Log("NetConnection.Open",
        std::string(isUdp() ? "Successfully listening on UDP Port = "
                            : "Successfully listening on TCP Port = ") +
            portText + " Socket = " + std::to_string(CONNECTION_.SOCKET) +
            " SockID = " + std::to_string(CONNECTION_.SOCKID),
        log_type::kInformation);
  } else if (CONNECTION_.ASYNCOPENTIMEOUT > 0) {
    OPENFLAG = 0;
    ASYNCOPENBUSY = 1;
  } else {
    OPENFLAG = 1;
  }
}

void NetConnection::Send() {
  if (INITALISED_ == 0) {
    Log("NetConnection.Send", "Error - Open being called before Init.", log_type::kError);
    ERROR = -60;
    ErrorTrap(kInitNotCalled, "NetConnection.Send");
    return;
  }
  clearErrors();
  auto refuse = [&](std::int32_t error, std::string_view text) {
    ERROR = error;
    CallErrorTrap_(text, "NetConnection.Send");
  };
  const std::int32_t length = PACKET.BINDATALEN;
  if (PACKET.SHAREDMEMORY == 0 && length > rt::net::kMaxBinData) {
    return refuse(-4,
                  "Trying to send too much data in self.packet.binData and "
                  "self.packet.binDataLen");
  }
  if (OPENFLAG == 0 && !isUdp()) {
    return refuse(-36, "The connection is not open and therefore the data can not be sent.");
  }
  if (length <= 0) return refuse(-4, "Data length is less than or equal to zero");
  const bool noToIp = rt::net::fieldText(PACKET.TOIP).empty();
  if (isUdp()) {
    if (noToIp || PACKET.UDPTOPORT == 0) {
      return refuse(-33,
                    "Hostname or Port are not set to anything. (You must set "
                    "self.packet.ToIp and UDPToPort)");
    }
  } else if (!isServer()) {
    if (SERVER().empty() || PORT() == 0) {
      return refuse(-33,
                    "Hostname or Port are not set to anything. (You must call self.open "
                    "first).");
    }
  } else if (noToIp || PACKET.ONSOCKET == 0) {
    return refuse(-33,
                  "Hostname or Socket are not set to anything. (You must set "
                  "self.packet.ToIp and OnSocket)");
  }
  ERROR = library().NetConnectionSend(CONNECTION_, PACKET);
  if (ERROR == 0) return;
  if (ERROR == rt::net::err::kConnectionGone && !isServer()) OPENFLAG = 0;
  if (ERROR == rt::net::err::kConnectionGone && DONTERRORTRAPINSENDIFCONNECTIONCLOSED != 0) {
    Trace("NetConnection.Send - The connection was closed before the data could be sent.");
    return;
  }
  CallErrorTrap_("Error sending data", "NetConnection.Send");
}

void NetConnection::SendString(std::string_view text) {
  // A piece that fails ends the sending: the pieces after it would reach the
  // peer with a hole in the data.
  for (std::size_t at = 0; at < text.size(); at += rt::net::kMaxBinData) {
    std::string_view piece = text.substr(at, rt::net::kMaxBinData);
    piece.copy(PACKET.BINDATA, piece.size());
    PACKET.BINDATALEN = static_cast<std::int32_t>(piece.size());
    Send();
    if (ERROR != 0) return;
  }
}

void NetConnection::SendStringObject(const textlib::TextBuffer& text) {
  SendString(text.GetValueRef());
}

void NetConnection::Close() {
  clearErrors();
  if (OPENFLAG == 0) {
    Trace("Warning. Socket not open. Can not close");
    return;
  }
  ERROR = library().NetConnectionClose(CONNECTION_, 0, 0, rt::net::close_action::kClose);
  BETWEENPHASEONEANTWO_ = 1;
  IGNOREPHASETWO_ = 0;
  OPENFLAG = 0;
  switchingToTls_ = false;
  if (ERROR != 0) {
    CallErrorTrap_("Unable to Close connection", "NetConnection.Close");
  } else {
    afterServerClose();
  }
}

void NetConnection::Abort() {
  clearErrors();
  const bool clientOpening = !isServer() && ASYNCOPENBUSY != 0;
  if (OPENFLAG == 0 && !clientOpening) {
    Trace("Warning. Socket not open. Can not abort");
    return;
  }
  ERROR = library().NetConnectionClose(CONNECTION_, 0, 0, rt::net::close_action::kAbort);
  OPENFLAG = 0;
  ASYNCOPENBUSY = 0;
  switchingToTls_ = false;
  if (ERROR != 0) {
    CallErrorTrap_("Unable to Abort (Close) connection", "NetConnection.Abort");
  } else {
    afterServerClose();
  }
}

void NetConnection::afterServerClose() {
  if (!isServer()) return;
  GetServerConnections_(1);
  SERVERCONNECTIONSCOUNT = 0;
}

void NetConnection::Kill() {
  if (OPENFLAG == 1) Close();
  if (ASYNCOPENBUSY != 0) Abort();
  library().NetFreeUniqueEvent(CONNECTION_.NOTIFYEVENT);
  CONNECTION_.NOTIFYTHREAD = 0;
  if (QSERVERCONNECTIONS_) QSERVERCONNECTIONS_->clear();
  QSERVERCONNECTIONS_.reset();
  QSERVERCONNECTIONS = nullptr;
  INITALISED_ = 0;
}

void NetConnection::CallErrorTrap_(std::string_view errorText, std::string_view functionName) {
  const std::string meaning = InterpretError();
  std::string line = "Error = " + std::to_string(ERROR) + " = " + clip(errorText);
  if (ERROR != 0) line += " : " + meaning;
  line += " Function = " + std::string(functionName) + serverAndPort();
  Log("NetConnection._CallErrorTrap", line, log_type::kError);
  ErrorTrap(errorText, functionName);
}

void NetConnection::ErrorTrap(std::string_view errorText, std::string_view functionName) {
  const std::string text = clip(errorText);
  Trace("NetConnection.ErrorTrap " + std::to_string(ERROR) + " " + text + " " +
        std::string(functionName));
  std::string meaning = InterpretError();
  ERRORSTRING = text + ".";
  if (ERROR != 0) {
    ERRORSTRING +=
        " The error number was " + std::to_string(ERROR) + " which means " + clip(meaning) + ".";
  }
  if (ERRORSTRING.size() > 256) ERRORSTRING.resize(256);
  if (ERROR == 0 || ERROR == -53 || (ERROR >= -91 && ERROR <= -61)) {
    if (WINSOCKERROR != 0) {
      meaning += " - [WinSock Error = " + std::to_string(WINSOCKERROR) + " : " +
                 rt::net::NetErrorStr(WINSOCKERROR) + "]";
    }
    if (SSLERROR != 0) meaning += " - [SSL Error = " + std::to_string(SSLERROR) + "]";
  }
  const std::string details = "Error = " + std::to_string(ERROR) + " = " + text + " : " + meaning +
                              " Function = " + std::string(functionName) + serverAndPort();
  if (SUPPRESSERRORMSG != 0) {
    Log("NetConnection.ErrorTrap", "<no display> " + details, log_type::kError);
    return;
  }
  Log("NetConnection.ErrorTrap", details, log_type::kError);
  rt::MessageRequest message;
  message.caption = "Rednet Object Error";
  message.icon = rt::MessageIcon::Error;
  message.buttons = rt::button::Ok;
  message.text = "A network communication error has occurred.||Error = " + text + ".";
  if (ERROR != 0) {
    message.text +=
        "||The error number was " + std::to_string(ERROR) + " which means " + meaning + ".";
  }
  message.text += "||Error occurred in function " + std::string(functionName);
  rt::showMessage(message);
}

}  // namespace netlib
