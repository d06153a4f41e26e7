#include "core/frame/message_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "core/aids/designed_font.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "platform/base/number_text.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/title_width.h"

namespace core {
namespace {

constexpr std::size_t kTextLength = 5000;
constexpr std::size_t kArgumentLength = 255;
constexpr std::size_t kLabelLength = 20;
constexpr int kMaxButtons = 8;

// The icon as defined: x 0, y 9, 19 wide, 21 high.
constexpr int kIconX = 0, kIconY = 9, kIconW = 19, kIconH = 21;
constexpr int kButtonW = 50, kButtonH = 14, kButtonGap = 5, kButtonsPerRow = 4;
constexpr int kMinTextWidth = 160;
constexpr int kPromptMargin = 2;  // a prompt's natural height over its line height

constexpr const char* kMaskLabels[kMaxButtons] = {"Aceptar",    "&Si",      "&No",      "&Abortar",
                                                  "&Reitentar", "&Ignorar", "Cancelar", "&Ayuda"};

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool isBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string::npos; }

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = text.find(separator, start);
    pieces.emplace_back(text.substr(start, bar - start));
    if (bar == std::string_view::npos) return pieces;
    start = bar + 1;
  }
}

// Halves are worked out exactly and stored as whole numbers, dropping the
// fraction as the runtime does.
int centred(int outer, int inner) { return static_cast<int>((outer - inner) / 2.0); }

QPixmap iconPixmap(std::string_view icon, const QStyle* style, int size) {
  const std::pair<std::string_view, QStyle::StandardPixmap> standard[] = {
      {kIconError, QStyle::SP_MessageBoxCritical},
      {kIconQuestion, QStyle::SP_MessageBoxQuestion},
      {kIconWarning, QStyle::SP_MessageBoxWarning},
      {kIconInformation, QStyle::SP_MessageBoxInformation},
  };
  for (const auto& [name, pixmap] : standard) {
    if (icon == name) return style->standardIcon(pixmap).pixmap(size, size);
  }
  QPixmap file(QString::fromStdString(rt::resolvePath(icon).string()));
  return file.isNull() ? file
                       : file.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

std::string_view iconName(rt::MessageIcon icon) {
  switch (icon) {
    case rt::MessageIcon::Error:
      return kIconError;
    case rt::MessageIcon::Question:
      return kIconQuestion;
    case rt::MessageIcon::Warning:
      return kIconWarning;
    case rt::MessageIcon::Information:
      return kIconInformation;
    default:
      return {};
  }
}

// The answer of a message closed without a button: its Cancel button's,
// by value or by a label that reads "Cancelar"; 0 when it offers none.
unsigned cancelAnswer(const MessageButtons& buttons) {
  for (std::size_t i = 0; i < buttons.buttons.size(); ++i) {
    const MessageButton& b = buttons.buttons[i];
    if (buttons.maskMode && b.value == rt::button::Cancel) return static_cast<unsigned>(b.value);
    if (!buttons.maskMode && rt::toQString(trimmed(b.label))
                                     .remove(QLatin1Char('&'))
                                     .compare("Cancelar", Qt::CaseInsensitive) == 0) {
      return static_cast<unsigned>(i + 1);
    }
  }
  return 0;
}

}  // namespace

MessageButtons messageButtons(std::string_view argument, unsigned defaultButton) {
  MessageButtons result;
  if (isBlank(argument)) {
    result.buttons.push_back({kMaskLabels[0], 1});
  } else if (const auto mask = rt::readNumber(argument)) {
    const long long bits = rt::wholeNumber(*mask);
    for (int i = 0; i < kMaxButtons; ++i) {
      if (bits & (1LL << i)) result.buttons.push_back({kMaskLabels[i], 1 << i});
    }
  } else {
    result.maskMode = false;
    std::vector<std::string> labels = split(argument, '|');
    if (labels.size() > kMaxButtons) labels.resize(kMaxButtons);
    for (std::string& label : labels) {
      if (label.size() > kLabelLength) label.resize(kLabelLength);
      result.buttons.push_back({std::move(label), 0});
    }
  }
  const int count = static_cast<int>(result.buttons.size());
  result.defaultIndex = count - 1;  // when nothing matches, the last
  if (defaultButton == 0 && count > 0) {
    result.defaultIndex = 0;
  } else if (result.maskMode) {
    for (int i = 0; i < count; ++i) {
      if (static_cast<unsigned>(result.buttons[i].value) == defaultButton) result.defaultIndex = i;
    }
  } else if (defaultButton <= static_cast<unsigned>(count)) {
    result.defaultIndex = static_cast<int>(defaultButton) - 1;
  }
  return result;
}

MessageLayout layoutMessage(const std::vector<QSize>& lineSizes, bool icon, int buttonCount,
                            int captionWidth) {
  MessageLayout layout;
  int W = 15, H = 15;  // the window as defined
  if (icon) {
    W = kIconW + kIconX;
    H = kIconY + kIconH;
  }
  int TW = 0, LH = 0;
  for (const QSize& line : lineSizes) {
    TW = std::max(TW, line.width());
    LH = std::max(LH, line.height() - kPromptMargin);
  }
  TW = std::max(TW, kMinTextWidth);
  const int TH = LH * static_cast<int>(lineSizes.size());
  if (TH > H) H = TH + 10;
  if (TW > W) W = TW + 20 + (icon ? kIconX + kIconW + 20 : 0);

  int x, y;
  if (!icon) {
    x = centred(W, TW);
    y = centred(H, TH);
  } else {
    x = kIconX + kIconW + 20;
    y = TH < kIconH ? static_cast<int>((kIconH / 2.0 + kIconY) - TH / 2.0) : centred(H, TH);
  }
  layout.text = QRect(x, y, TW, TH);
  W += 15;
  W = std::max(W, captionWidth);  // the caption whole in the title bar
  layout.cartel = QRect(x, y + TH + 4, 160, 10);

  const int n = buttonCount;
  const int firstRow = std::min(n, kButtonsPerRow);
  const int R = firstRow * kButtonW + std::max(0, firstRow - 1) * kButtonGap;
  if (R > W) W = R + 15;
  int bx = centred(W, R);
  int by = y + TH + 22;
  for (int i = 0; i < n; ++i) {
    if (i == kButtonsPerRow) {
      by += kButtonH + 5;
      const int second = (n - 4) * kButtonW + (n - 5) * kButtonGap;
      bx = centred(W, second);
    }
    layout.buttons.emplace_back(bx, by, kButtonW, kButtonH);
    bx += kButtonW + kButtonGap;
  }
  for (const QRect& b : layout.buttons) {
    W = std::max(W, b.x() + b.width());
    if (b.y() + b.height() > H) H = b.y() + b.height() + 5;
  }
  layout.window = QSize(W, H);
  if (icon) {
    // Centred on the window's height, but never down into the buttons: with
    // a second row of buttons the centre lies beside the first row.
    const int centredY = static_cast<int>(H / 2.0 - kIconH / 2.0);
    const int aboveButtons = y + TH + 22 - kIconH - 2;
    layout.image = QRect(5, n > 0 ? std::min(centredY, aboveButtons) : centredY,
                         kIconX + kIconW + 10, kIconY + kIconH);
  }
  return layout;
}

MessageWindow::MessageWindow(std::string text, std::string caption, std::string icon,
                             std::string buttons, unsigned defaultButton)
    : text_(std::move(text)),
      caption_(std::move(caption)),
      icon_(std::move(icon)),
      buttonsArgument_(std::move(buttons)),
      default_(defaultButton) {}

int MessageWindow::Init() {
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setFont(designedWindowFont());
  if (!isBlank(caption_)) window->setWindowTitle(rt::toQString(trimmed(caption_)));
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  // The natural size of each line, as a prompt in the window's font shows it.
  const std::string text = trimmed(text_);
  const QFontMetrics metrics(window->font());
  std::vector<QSize> lines;
  for (const std::string& piece : split(text, '|')) {
    lines.emplace_back(units.unitsX(metrics.horizontalAdvance(rt::toQString(piece))) + 1,
                       units.unitsY(metrics.height()) + kPromptMargin);
  }
  const bool icon = !isBlank(icon_);
  buttons_ = messageButtons(buttonsArgument_, default_);
  const MessageLayout layout = layoutMessage(lines, icon, static_cast<int>(buttons_.buttons.size()),
                                             units.unitsX(rt::titleBarWidth(window)));
  auto place = [&](QWidget* w, const QRect& r) {
    w->setGeometry(units.x(r.x()), units.y(r.y()), units.x(r.width()), units.y(r.height()));
  };

  auto* label =
      new QLabel(rt::toQString(text).replace(QLatin1Char('|'), QLatin1Char('\n')), window);
  label->setObjectName("?TEXT");
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  rt::setFontColor(label, 0x000000);
  place(label, layout.text);

  if (icon) {
    auto* image = new QLabel(window);
    image->setObjectName("?IMAGE");
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(
        iconPixmap(trimmed(icon_), window->style(), std::min(units.x(kIconW), units.y(kIconH))));
    place(image, layout.image);
  }

  auto* cartel = new QLabel("F12: Enviar Mail de Soporte a Tolvane", window);
  cartel->setObjectName("?CARTELF12");
  QFont bold = window->font();
  bold.setBold(true);
  cartel->setFont(bold);
  rt::setFontColor(cartel, 0x0000FF);
  place(cartel, layout.cartel);

  for (std::size_t i = 0; i < buttons_.buttons.size(); ++i) {
    auto* b = new QPushButton(rt::toQString(buttons_.buttons[i].label), window);
    b->setObjectName(QString("?BUTTON%1").arg(i + 1));
    b->setCursor(Qt::PointingHandCursor);
    b->setAutoDefault(false);
    place(b, layout.buttons[i]);
    controls_.push_back(b);
    const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
    if (!mnemonic.isEmpty()) letterKeys_.emplace_back(mnemonic[0].key(), b);
  }
  window->setFixedSize(units.size(layout.window.width(), layout.window.height()));
  // Centred where the program shows its windows.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect g = window->frameGeometry();
    g.moveCenter(screen->availableGeometry().center());
    window->move(g.topLeft());
  }
  Open(window);
  for (int key : {Qt::Key_F12, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) alertKey(key);
  // A button's marked letter answers it: the window takes no typed text.
  for (const auto& [key, button] : letterKeys_) alertKey(key);
  if (buttons_.defaultIndex >= 0) {
    auto* preferred = static_cast<QPushButton*>(controls_[buttons_.defaultIndex]);
    preferred->setDefault(true);
    preferred->setFocus();
  }
  return rt::level::Benign;
}

int MessageWindow::TakeWindowEvent() {
  if (event() != rt::event::AlertKey) return WindowDriver::TakeWindowEvent();
  switch (keyCode()) {
    case Qt::Key_F12:
      // The support window opens over the message, which waits on below it.
      GLO::AdjuntarCaptura = 1;
      rt::callProcedure("TLSoporte");
      break;
    case Qt::Key_Escape:
      post(rt::event::CloseWindow);
      break;
    default: {
      for (const auto& [key, button] : letterKeys_) {
        if (key == keyCode()) {
          post(rt::event::Accepted, button);
          return rt::level::Benign;
        }
      }
      QWidget* focused = window()->focusWidget();
      if (std::find(controls_.begin(), controls_.end(), focused) != controls_.end()) {
        post(rt::event::Accepted, focused);
      }
    }
  }
  return rt::level::Benign;
}

int MessageWindow::TakeAccepted() {
  const auto found = std::find(controls_.begin(), controls_.end(), field());
  if (found == controls_.end()) return rt::level::Benign;
  const auto row = static_cast<std::size_t>(found - controls_.begin());
  answer_ = buttons_.maskMode ? static_cast<unsigned>(buttons_.buttons[row].value)
                              : static_cast<unsigned>(row + 1);
  post(rt::event::CloseWindow);
  return rt::level::Benign;
}

int MessageWindow::TakeCloseEvent() {
  if (answer_ == 0) answer_ = cancelAnswer(buttons_);
  return WindowDriver::TakeCloseEvent();
}

unsigned Kov_Message(std::string_view text, std::string_view caption, std::string_view icon,
                     std::string_view buttons, unsigned defaultButton, bool /*style*/) {
  std::string textBuffer(text.substr(0, kTextLength));
  AgregaLog(textBuffer);
  MessageWindow window(std::move(textBuffer), std::string(caption.substr(0, kArgumentLength)),
                       std::string(icon.substr(0, kArgumentLength)),
                       std::string(buttons.substr(0, kArgumentLength)), defaultButton);
  window.Run();
  return window.answer();
}

void installMessageWindow() {
  static rt::MessageHandler platform;
  rt::MessageHandler previous = rt::setMessageHandler([](const rt::MessageRequest& request) {
    if (!rt::onLogicalThread()) {
      AgregaLog(request.text);
      return platform ? platform(request) : rt::defaultAnswer(request);
    }
    const std::string buttons =
        request.labels.empty() ? std::to_string(request.buttons) : request.labels;
    return static_cast<int>(Kov_Message(request.text, request.caption, iconName(request.icon),
                                        buttons, static_cast<unsigned>(request.defaultButton)));
  });
  if (!platform) platform = std::move(previous);
}

}  // namespace core
