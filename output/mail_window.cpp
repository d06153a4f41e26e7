#include "output/mail_window.h"

#include <filesystem>

#include "core/aids/control_colouring.h"
#include "platform/base/cp1252.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/ui/qt_text.h"

namespace output {

MailWindow::MailWindow(std::string procedureName)
    : AidedWindow(std::move(procedureName)), mailer_(*this) {}

int MailWindow::Init() {
  const int result = AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  return result;
}

int MailWindow::TakeCloseEvent() {
  if (mailer_.queued() > 0 && !leaveWhileSending()) return rt::level::Notify;
  return rt::level::Benign;
}

MailWindow::Frame MailWindow::buildFrame(std::string_view caption) {
  Frame frame;
  frame.window = new QWidget(nullptr, Qt::Dialog);
  frame.window->setWindowTitle(rt::toQString(caption));
  frame.outer = new QVBoxLayout(frame.window);
  frame.sheet = new QTabWidget(frame.window);
  frame.sheet->setObjectName("?SHEET1");
  frame.outer->addWidget(frame.sheet);
  frame.general = new QWidget;
  frame.general->setObjectName("?TAB1");
  frame.sheet->addTab(frame.general, QStringLiteral(" &General"));
  frame.generalLayout = new QVBoxLayout(frame.general);
  return frame;
}

void MailWindow::openFrame(const Frame& frame, int width, int height) {
  addMailWindowFoot(frame.window, frame.outer);
  frame.window->resize(width, height);
  Open(frame.window);
  core::ColorearControles(frame.window);
  scaleFont(frame.window);
}

bool namesAFile(std::string_view name) {
  std::error_code ec;
  const std::string_view clipped = rt::clip(name);
  return !clipped.empty() && std::filesystem::is_regular_file(rt::resolvePath(clipped), ec);
}

std::string keptAttachment(std::string attachment) {
  if (attachment.find(',') != std::string::npos || namesAFile(attachment)) return attachment;
  return {};
}

}  // namespace output
