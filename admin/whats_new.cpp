#include "admin/whats_new.h"

#include <unistd.h>

#include <QFont>
#include <QFontMetrics>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/shapes/list_cells.h"
#include "platform/base/cp1252.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/runtime_errors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace admin {
namespace {

constexpr std::size_t kWrapWidth = 80;
constexpr int kLineHeight = 10;  // dialog units
constexpr std::size_t kRowWidth = 255;

std::string trimmedEnd(std::string_view text) { return std::string(rt::clip(text)); }

bool validUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int follow = c < 0x80                 ? 0
                       : c >= 0xC2 && c <= 0xDF ? 1
                       : c >= 0xE0 && c <= 0xEF ? 2
                       : c >= 0xF0 && c <= 0xF4 ? 3
                                                : -1;
    if (follow < 0 || i + follow >= text.size()) return false;
    for (int k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += follow + 1;
  }
  return true;
}

// The list's styles 1 to 6 (style 0 is the list's own): face and size the
// list's, weight and colour (blue-green-red) their own.
const core::RuntimeFont kStyles[] = {{"", -1, 0x000000, 700, -1}, {"", -1, 0x0000FF, 400, -1},
                                     {"", -1, 0xFF0000, 400, -1}, {"", -1, 0x008000, 400, -1},
                                     {"", -1, 0x0080FF, 400, -1}, {"", -1, 0x000080, 400, -1}};

}  // namespace

std::vector<std::string> historyLines(std::string_view content) {
  const std::string text = validUtf8(content) ? rt::utf8ToCp1252(content) : std::string(content);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<HistoryRow> historyRows(const std::vector<std::string>& lines) {
  std::vector<HistoryRow> rows;
  int style = 0;
  std::size_t indent = 0;
  auto add = [&](std::string text) {
    if (text.size() > kRowWidth) text.resize(kRowWidth);
    rows.push_back({std::move(text), style});
  };
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] == '!') {
      style = 1;
    } else if (const std::size_t first = line.find_first_not_of(' '); first != std::string::npos) {
      switch (line[first]) {
        case '!':
          style = 2, indent = 4;
          break;
        case '+':
          style = 3, indent = 4;
          break;
        case '*':
          style = 4, indent = 4;
          break;
        case '-':
          style = 5, indent = 4;
          break;
        case '%':
          style = 6, indent = 4;
          break;
        case '=':
          indent = 6;
          break;
        default:
          break;
      }
    }
    // Bold lines are never wrapped.
    if (style == 1) {
      add(line);
      continue;
    }
    std::string text = line;
    bool placed = false;
    while (trimmedEnd(text).size() > kWrapWidth) {
      // The highest blank at positions 80 down to 1.
      std::size_t blank = std::string::npos;
      for (std::size_t p = kWrapWidth; p >= 1; --p) {
        if (text[p - 1] == ' ') {
          blank = p - 1;
          break;
        }
      }
      std::string piece = blank == std::string::npos ? text : text.substr(0, blank);
      std::string rest =
          blank == std::string::npos ? std::string() : trimmedEnd(text.substr(blank + 1));
      add(placed ? std::string(indent, ' ') + trimmedEnd(piece) : piece);
      text = std::move(rest);
      placed = true;
    }
    if (!trimmedEnd(text).empty() || !placed)
      add(placed ? std::string(indent + 3, ' ') + trimmedEnd(text) : text);
  }
  return rows;
}

int WhatsNewWindow::Init() {
  auto* window = new QWidget;
  window->setObjectName("WhatsNew");
  window->setWindowTitle("Historial de Modificaciones");
  window->setWindowIcon(window->style()->standardIcon(QStyle::SP_MessageBoxQuestion));
  window->setFont(core::designedWindowFont());
  auto* list = new QListWidget;
  list->setObjectName("?LIST");
  QFont font("Arial Monospaced 02", 10);
  font.setStyleHint(QFont::TypeWriter);
  list->setFont(font);
  list->setUniformItemSizes(true);
  // Rows are wrapped already: shown whole, scrolled sideways when wider.
  list->setTextElideMode(Qt::ElideNone);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  core::ListStyles& styles = core::ListStyles::of(list);
  for (int number = 1; number <= static_cast<int>(std::size(kStyles)); ++number) {
    styles.setStyle(number, kStyles[number - 1]);
  }
  for (const HistoryRow& row : rows_) {
    list->addItem(new core::StyledListItem(rt::toQString(row.text), row.style));
  }
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list);
  // Room for a wrapped row (80 characters and the indents) of the list's font.
  const QFontMetrics metrics(font);
  window->resize(metrics.horizontalAdvance(QString(88, 'M')) +
                     list->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                 rt::DialogUnits::of(window).y(230));
  Open(window);
  core::ColorearControles(window);
  scaleFont(window);
  // Rows 10 units high in the window's font as it now stands.
  const int rowHeight = rt::DialogUnits::of(window).y(kLineHeight);
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    item->setSizeHint(
        QSize(QFontMetrics(item->font()).horizontalAdvance(item->text()) + 4, rowHeight));
  }
  markAndNavigate(window);
  return rt::level::Benign;
}

int WhatsNew() {
  rt::ProcedureScope scope("WhatsNew");
  const std::filesystem::path path = rt::resolvePath("Historial.txt");
  std::error_code ec;
  int error = 0;
  std::string content;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = rt::error::NoFile;
  } else if (::access(path.c_str(), R_OK) != 0) {
    error = rt::error::AccessDenied;
  } else {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    if (!in) error = rt::error::AccessDenied;
    content = s.str();
  }
  if (error != 0) {
    // Named whole, so the user knows which file to put where.
    rt::MessageRequest message;
    message.caption = "Historial de Modificaciones";
    message.text = rt::errorText(error) + ": " + rt::runtimeName(path);
    rt::showMessage(message);
    return rt::kCancelled;
  }
  WhatsNewWindow window(historyRows(historyLines(content)));
  return window.Run();
}

}  // namespace admin
