#include "platform/ui/report_preview.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>

#include "platform/base/procedures.h"
#include "platform/ui/report_output.h"
#include "platform/ui/window_placement.h"

namespace rt {
namespace {

constexpr double kLargestScale = 96.0 / 1000.0;  // pages shown at 96 dots per inch at most

QPushButton* button(QWidget* parent, QBoxLayout* row, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  row->addWidget(b);
  return b;
}

// Shown inside the frame, the preview is never larger than the frame's client
// area: its own scroll area shows the rest of a page.
void fitInsideHost(QWidget* window) {
  QWidget* holder = window->parentWidget();
  if (holder == nullptr || holder->parentWidget() == nullptr) return;
  holder->resize(holder->size().boundedTo(holder->parentWidget()->size()));
  centreInParent(holder);
}

}  // namespace

ReportPreview::ReportPreview(const std::vector<ReportPage>& pages, QString title, int copies)
    : pages_(pages), title_(std::move(title)), copies_(std::max(copies, 1)) {}

int ReportPreview::Init() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setWindowTitle(QStringLiteral("Vista previa: ") + title_);
  auto* outer = new QVBoxLayout(window);
  auto* row = new QHBoxLayout;
  button(window, row, "?FIRST", QStringLiteral("<<"));
  button(window, row, "?PREVIOUS", QStringLiteral("<"));
  counter_ = new QLabel(window);
  counter_->setObjectName("?PAGES");
  counter_->setMinimumWidth(
      counter_->fontMetrics().horizontalAdvance(QStringLiteral("Página 9999 de 9999")));
  counter_->setAlignment(Qt::AlignCenter);
  row->addWidget(counter_);
  button(window, row, "?NEXT", QStringLiteral(">"));
  button(window, row, "?LAST", QStringLiteral(">>"));
  row->addStretch(1);
  row->addWidget(new QLabel(QStringLiteral("Copias:"), window));
  copiesBox_ = new QSpinBox(window);
  copiesBox_->setObjectName("?COPIES");
  copiesBox_->setRange(1, 999);
  copiesBox_->setValue(copies_);
  row->addWidget(copiesBox_);
  button(window, row, "?PRINT", QStringLiteral("&Imprimir"));
  button(window, row, "?CLOSE", QStringLiteral("&Cerrar"));
  outer->addLayout(row);
  auto* scroll = new QScrollArea(window);
  area_ = scroll;
  scroll->setObjectName("?PAGEAREA");
  scroll->setBackgroundRole(QPalette::Dark);
  scroll->setAlignment(Qt::AlignHCenter);
  page_ = new QLabel;
  page_->setObjectName("?PAGE");
  scroll->setWidget(page_);
  outer->addWidget(scroll, 1);
  // As large as a page wants: placing the window fits it, with the frame the
  // window manager draws around it, to the screen.
  window->resize(900, 1000);
  Open(window);
  if (hosted()) fitInsideHost(window);
  window->layout()->activate();
  for (int key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Escape}) alertKey(key);
  showPage(0);
  return level::Benign;
}

void ReportPreview::showPage(int index) {
  if (pages_.empty()) {
    counter_->setText(QStringLiteral("Sin p\u00e1ginas"));
    return;
  }
  current_ = std::clamp(index, 0, static_cast<int>(pages_.size()) - 1);
  const ReportPage& page = pages_[current_];
  // The whole width of the page in view, without a horizontal scroll.
  const int room = area_->viewport()->width() - 2 * area_->frameWidth();
  const double scale = std::min(kLargestScale, std::max(room, 200) / double(page.width));
  QPixmap pixmap(qRound(page.width * scale), qRound(page.height * scale));
  pixmap.fill(Qt::white);
  {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawPage(painter, page, scale);
  }
  page_->setPixmap(pixmap);
  page_->resize(pixmap.size());
  counter_->setText(QStringLiteral("P\u00e1gina %1 de %2").arg(current_ + 1).arg(pages_.size()));
}

int ReportPreview::TakeWindowEvent() {
  if (event() != event::AlertKey) return WindowDriver::TakeWindowEvent();
  if (keyCode() == Qt::Key_Escape) post(event::CloseWindow);
  if (keyCode() == Qt::Key_PageDown) showPage(current_ + 1);
  if (keyCode() == Qt::Key_PageUp) showPage(current_ - 1);
  return level::Benign;
}

int ReportPreview::TakeAccepted() {
  const QString name = field() ? field()->objectName() : QString();
  const int last = static_cast<int>(pages_.size()) - 1;
  if (name == "?FIRST") showPage(0);
  if (name == "?PREVIOUS") showPage(current_ - 1);
  if (name == "?NEXT") showPage(current_ + 1);
  if (name == "?LAST") showPage(last);
  if (name == "?PRINT") {
    copies_ = copiesBox_->value();
    // A print that could not start or was refused has been told; the report
    // stays in view to try again or on another printer.
    if (printReport(pages_, copies_, title_)) {
      Response = kCompleted;
      post(event::CloseWindow);
    }
  }
  if (name == "?CLOSE") post(event::CloseWindow);
  return level::Benign;
}

int ReportPreview::preview() {
  Run();
  return Response == kCompleted ? kCompleted : 0;
}

}  // namespace rt
