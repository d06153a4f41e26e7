#include "platform/ui/message_box.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "platform/base/debug_sink.h"
#include "platform/base/locale_texts.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

QStyle::StandardPixmap iconPixmap(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QStyle::SP_MessageBoxCritical;
    case MessageIcon::Question:
      return QStyle::SP_MessageBoxQuestion;
    case MessageIcon::Warning:
      return QStyle::SP_MessageBoxWarning;
    default:
      return QStyle::SP_MessageBoxInformation;
  }
}

QString lines(const std::string& text) { return toQString(text).replace(QLatin1Char('|'), "\n"); }

// The buttons a message offers: caption and answer, in the runtime's order.
std::vector<std::pair<QString, int>> buttonList(const MessageRequest& request) {
  std::vector<std::pair<QString, int>> list;
  if (!request.labels.empty()) {
    const QStringList labels = toQString(request.labels).split(QLatin1Char('|'));
    for (int i = 0; i < labels.size(); ++i) list.emplace_back(labels[i], i + 1);
    return list;
  }
  for (int i = 0; i <= static_cast<int>(StandardButton::Help); ++i) {
    const int mask = 1 << i;
    if (request.buttons & mask) {
      list.emplace_back(toQString(buttonCaption(static_cast<StandardButton>(i))), mask);
    }
  }
  if (list.empty()) list.emplace_back(toQString(buttonCaption(StandardButton::Ok)), button::Ok);
  return list;
}

}  // namespace

MessageBoxWindow::MessageBoxWindow(MessageRequest request) : request_(std::move(request)) {}

int MessageBoxWindow::Init() {
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setWindowTitle(toQString(request_.caption));
  auto* outer = new QVBoxLayout(window);
  auto* body = new QHBoxLayout;
  if (request_.icon != MessageIcon::None) {
    auto* icon = new QLabel(window);
    icon->setObjectName("?Icon");
    icon->setPixmap(window->style()->standardIcon(iconPixmap(request_.icon)).pixmap(32, 32));
    body->addWidget(icon, 0, Qt::AlignTop);
  }
  auto* text = new QLabel(lines(request_.text), window);
  text->setObjectName("?Text");
  text->setTextFormat(Qt::PlainText);
  body->addWidget(text, 1);
  outer->addLayout(body);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  const int wanted = defaultAnswer(request_);
  QPushButton* preferred = nullptr;
  int index = 0;
  for (const auto& [caption, value] : buttonList(request_)) {
    auto* b = new QPushButton(caption, window);
    b->setObjectName(QString("?Button%1").arg(++index));
    row->addWidget(b);
    buttons_.emplace_back(b, value);
    if (value == wanted || preferred == nullptr) preferred = b;
  }
  outer->addLayout(row);
  preferred->setDefault(true);
  Open(window);
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) alertKey(key);
  preferred->setFocus();
  return level::Benign;
}

int MessageBoxWindow::TakeWindowEvent() {
  if (event() != event::AlertKey) return WindowDriver::TakeWindowEvent();
  if (keyCode() == Qt::Key_Escape) {
    post(event::CloseWindow);
    return level::Benign;
  }
  QWidget* focused = window()->focusWidget();
  for (const auto& [b, value] : buttons_) {
    if (b == focused) post(event::Accepted, b);
  }
  return level::Benign;
}

int MessageBoxWindow::TakeAccepted() {
  for (const auto& [b, value] : buttons_) {
    if (b == field()) {
      answer_ = value;
      post(event::CloseWindow);
    }
  }
  return level::Benign;
}

int MessageBoxWindow::TakeCloseEvent() {
  if (answer_ != 0) return level::Benign;
  for (const auto& [b, value] : buttons_) {
    if (request_.labels.empty() && value == button::Cancel) answer_ = value;
  }
  if (answer_ == 0 && buttons_.size() == 1) answer_ = buttons_.front().second;
  return answer_ != 0 ? level::Benign : level::Notify;
}

int MessageBoxWindow::ask() {
  Run();
  return answer_;
}

void installMessageBoxes() {
  setMessageHandler([](const MessageRequest& request) {
    if (!onLogicalThread()) {
      debugOutput("Mensaje fuera de un hilo logico: " + request.text);
      return defaultAnswer(request);
    }
    MessageBoxWindow window(request);
    return window.ask();
  });
}

}  // namespace rt
