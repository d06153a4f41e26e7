#include "core/aids/patient_services.h"

#include <QPainter>
#include <QPixmap>

#include "core/tables/catalog_tables.h"
#include "platform/base/age_text.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_reader.h"

namespace core {
namespace {

QPixmap envelope() {
  QPixmap pixmap(20, 14);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(40, 60, 120), 1.2));
  painter.setBrush(QColor(250, 245, 220));
  painter.drawRect(QRectF(0.5, 0.5, 19, 13));
  painter.drawLine(QPointF(0.5, 0.5), QPointF(10, 8));
  painter.drawLine(QPointF(19.5, 0.5), QPointF(10, 8));
  return pixmap;
}

}  // namespace

std::string CalcularEdad(rt::Date birth, int width) {
  const std::string raw = rt::ageText(birth, rt::today(), 14);
  if (raw.empty()) return {};
  std::string digits;
  for (char c : raw) {
    if (c == ' ') break;
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  const char* suffix = raw.find("MO") != std::string::npos   ? " Meses"
                       : raw.find("DA") != std::string::npos ? " Dias"
                                                             : " Años"_cp;
  std::string text = digits + suffix;
  if (static_cast<int>(text.size()) > width) text.resize(static_cast<std::size_t>(width));
  return text;
}

std::string mailLink(std::string_view address) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string link = "mailto:";
  for (unsigned char c : rt::cp1252ToUtf8(rt::clip(address))) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '@';
    if (plain) {
      link.push_back(static_cast<char>(c));
    } else {
      link.push_back('%');
      link.push_back(kHex[c >> 4]);
      link.push_back(kHex[c & 0x0F]);
    }
  }
  return link;
}

QToolButton* CrearEnlaceEmail(QWidget* parent, const char* name) {
  auto* link = new QToolButton(parent);
  link->setObjectName(name);
  link->setIcon(QIcon(envelope()));
  link->setIconSize(QSize(20, 14));
  link->setAutoRaise(true);
  link->setCursor(Qt::PointingHandCursor);
  link->setFocusPolicy(Qt::NoFocus);
  link->setToolTip(rt::toQString("Enviar un correo"));
  return link;
}

std::string notesAsText(std::string markup) {
  if (markup.rfind("{\\rtf", 0) != 0) return markup;
  std::string text = rt::rtfPlainText(markup);
  const std::size_t end = text.find_last_not_of(" \r\n\t");
  text.resize(end == std::string::npos ? 0 : end + 1);
  return text;
}

void AbrirEnlaceEmail(std::string_view address) { rt::shellOpen(mailLink(address)); }

LocalityTypeAhead CompletarLocalidad(std::string_view shown, int cursor, bool backspace) {
  LocalityTypeAhead result;
  const int n = std::max(0, std::min(cursor, static_cast<int>(shown.size())));
  if (n == 0) return result;
  const std::string prefix(shown.substr(0, static_cast<std::size_t>(n)));
  core::LocalidadesBuffer& loc = core::LOC();
  rt::Table& table = core::Localidades::table();
  table.clear();
  loc.NombreLocalidad = rt::upper(prefix);
  table.setFromBuffer(core::Localidades::LOC03);
  const bool read = table.next() == 0;
  const std::string name = read ? std::string(loc.NombreLocalidad.clipped()) : std::string();
  if (read && name.size() >= prefix.size() &&
      rt::upper(name.substr(0, prefix.size())) == rt::upper(prefix)) {
    result.name = name;
    result.found = true;
    result.postalCode = loc.Cod_Postal;
  } else {
    result.name = prefix;
  }
  result.selectionStart = backspace ? n - 1 : n;
  result.selectionEnd = static_cast<int>(result.name.size());
  return result;
}

void AbrirArchivoAdjunto(std::string_view path) {
  const int code = rt::shellOpen(rt::clip(path));
  if (code > 32) return;
  const std::string_view text = rt::shellOpenErrorText(code);
  if (text.empty()) return;
  rt::showMessage(
      {std::string(text), "ERROR", rt::MessageIcon::Error, rt::button::Ok, {}, rt::button::Ok});
}

}  // namespace core
