#include "output/mail_failure_text.h"

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/net/errors.h"

namespace output {
namespace {

namespace st = netlib::smtp_state;
using netlib::SmtpStep;

constexpr std::int32_t kCertificateNameMismatch = -71;
constexpr std::int32_t kCertificateRefused = -92;
constexpr std::int32_t kCertificateVerifyFailed = 134;  // OpenSSL's reason
constexpr std::int32_t kIdleTimeout = -57;

std::string refusedWhat(SmtpStep step) {
  switch (step) {
    case SmtpStep::kGreeting:
      return "la conexión"_cp;
    case SmtpStep::kHello:
      return "el saludo";
    case SmtpStep::kStartTls:
      return "la conexión segura (STARTTLS)"_cp;
    case SmtpStep::kLogin:
      return "el usuario o la clave";
    case SmtpStep::kSender:
      return "el remitente";
    case SmtpStep::kRecipient:
      return "el destinatario";
    case SmtpStep::kMessage:
      return "el mensaje";
    default:
      return "la orden";
  }
}

// The server's reply on one line: line ends become blanks, the last dropped.
std::string oneLine(std::string_view reply) {
  std::string line;
  for (const char c : reply) {
    if (c == '\r') continue;
    line += c == '\n' ? ' ' : c;
  }
  return std::string(rt::clip(line));
}

}  // namespace

std::string mailFailureText(const netlib::NetMailSend& mail, std::string_view functionName) {
  const std::string nothingSent = "; no se envió nada."_cp;
  if (mail.SERVERERRORNUM != 0) {
    return "El servidor rechazó "_cp + refusedWhat(mail.awaitedStep()) + ": " +
           std::to_string(mail.SERVERERRORNUM) + " " + oneLine(mail.SERVERERRORDESC);
  }
  switch (mail.ERROR) {
    case kCertificateNameMismatch:
      return "El certificado del servidor no corresponde a su nombre (" +
             std::string(rt::clip(mail.SERVER)) + ")" + nothingSent;
    case kCertificateRefused:
      if (mail.SSLERROR == kCertificateVerifyFailed) {
        return "El certificado del servidor no es de confianza" + nothingSent;
      }
      break;
    case rt::net::err::kSslConnectFailed: {
      const std::string reason = rt::net::TlsReasonText(mail.SSLERROR);
      return "Falló la conexión segura (TLS) con el servidor"_cp +
             (reason.empty() ? std::string() : " (" + reason + ")") + nothingSent;
    }
    case netlib::kNoSecureLogin:
      return "El servidor no ofrece conexión segura (STARTTLS); no se envió nada, para no "
             "mandar la clave sin cifrar."_cp;
    case kIdleTimeout:
      return "El servidor dejó de responder."_cp;
    case netlib::kUnreadableFile:
      return "No se puede leer el archivo " + mail.unreadableFile() + nothingSent;
    default:
      break;
  }
  if (functionName == "NetMailSend.ConnectionClosed") {
    return "El servidor cerró la conexión sin aceptar el mensaje."_cp;
  }
  // A connection that never opened (refused, no answer): with the
  // connection opened in the background that failure arrives here, after
  // Send has already shown the queue.
  if (mail.STATE_ == st::kNotConnected && mail.OPENFLAG == 0 &&
      functionName.substr(0, 14) == "NetConnection.") {
    return "No es posible conectar con el Servidor.";
  }
  return "Ocurrió un error."_cp;
}

}  // namespace output
