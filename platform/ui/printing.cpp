#include "platform/ui/printing.h"

#include <QBoxLayout>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryFile>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/private_temp.h"
#include "platform/base/procedures.h"
#include "platform/base/thread_timer.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

// How long a wait goes without a window: a service that answers at once
// shows nothing.
constexpr int kQuietWaitMs = 300;
constexpr int kQuietStepMs = 20;

QPushButton* addButton(QWidget* parent, QBoxLayout* row, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  row->addWidget(b);
  return b;
}

class WaitWindow : public WindowDriver {
 public:
  WaitWindow(QString caption, QString text, std::shared_ptr<std::atomic<bool>> done)
      : caption_(std::move(caption)), text_(std::move(text)), done_(std::move(done)) {}

  bool hostable() const override { return false; }

  int Init() override {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setWindowTitle(caption_);
    auto* outer = new QVBoxLayout(window);
    auto* label = new QLabel(text_, window);
    label->setObjectName("?TEXT");
    label->setWordWrap(true);
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 48);
    outer->addWidget(label);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    addButton(window, row, "?CANCEL", QStringLiteral("&Cancelar"));
    row->addStretch(1);
    outer->addLayout(row);
    Open(window);
    alertKey(Qt::Key_Escape);
    setTimer(5);
    return level::Benign;
  }

  int TakeWindowEvent() override {
    if (event() == event::Timer && done_->load()) {
      Response = kCompleted;
      post(event::CloseWindow);
    }
    if (event() == event::AlertKey && keyCode() == Qt::Key_Escape) post(event::CloseWindow);
    return WindowDriver::TakeWindowEvent();
  }

  int TakeAccepted() override {
    if (field() != nullptr && field()->objectName() == "?CANCEL") post(event::CloseWindow);
    return level::Benign;
  }

 private:
  QString caption_;
  QString text_;
  std::shared_ptr<std::atomic<bool>> done_;
};

class PrinterChooser : public WindowDriver {
 public:
  PrinterChooser(const PrinterQuery& printers, const QString& current, QString caption,
                 QString acceptText)
      : printers_(printers),
        current_(current),
        caption_(std::move(caption)),
        acceptText_(std::move(acceptText)) {}

  bool hostable() const override { return false; }

  int Init() override {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setWindowTitle(caption_);
    auto* outer = new QVBoxLayout(window);
    auto* label = new QLabel(QStringLiteral("&Impresora:"), window);
    outer->addWidget(label);
    list_ = new QListWidget(window);
    list_->setObjectName("?PRINTERS");
    label->setBuddy(list_);
    const PrinterInfo* start = printers_.find(current_);
    if (start == nullptr) start = printers_.find(QString());
    for (const PrinterInfo& p : printers_.printers) {
      auto* item = new QListWidgetItem(
          p.isDefault ? p.name + QString::fromUtf8(" (predeterminada)") : p.name, list_);
      item->setData(Qt::UserRole, p.name);
      if (start != nullptr && start->name == p.name) list_->setCurrentItem(item);
    }
    const int rows = std::clamp(static_cast<int>(printers_.printers.size()), 3, 10);
    list_->setMinimumHeight(list_->fontMetrics().height() * (rows + 1));
    list_->setMinimumWidth(list_->fontMetrics().averageCharWidth() * 40);
    outer->addWidget(list_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    addButton(window, row, "?OK", acceptText_);
    addButton(window, row, "?CANCEL", QStringLiteral("Cancelar"));
    outer->addLayout(row);
    Open(window);
    alertKey(Qt::Key_Escape);
    QObject::connect(list_, &QListWidget::itemActivated, window,
                     [this] { post(event::Accepted, control("?OK")); });
    list_->setFocus();
    return level::Benign;
  }

  int TakeWindowEvent() override {
    if (event() == event::AlertKey && keyCode() == Qt::Key_Escape) post(event::CloseWindow);
    return WindowDriver::TakeWindowEvent();
  }

  int TakeAccepted() override {
    const QString name = field() != nullptr ? field()->objectName() : QString();
    if (name == "?OK" && list_->currentItem() != nullptr) {
      chosen_ = list_->currentItem()->data(Qt::UserRole).toString();
      Response = kCompleted;
      post(event::CloseWindow);
    }
    if (name == "?CANCEL") post(event::CloseWindow);
    return level::Benign;
  }

  std::optional<QString> chosen() const { return chosen_; }

 private:
  const PrinterQuery& printers_;
  QString current_;
  QString caption_;
  QString acceptText_;
  QListWidget* list_ = nullptr;
  std::optional<QString> chosen_;
};

void tell(const QString& text, MessageIcon icon = MessageIcon::Error) {
  MessageRequest message;
  message.caption = "Imprimir";
  message.icon = icon;
  message.text = fromQString(text);
  showMessage(message);
}

QString quoted(const QString& text) {
  return QString::fromUtf8("«") + text + QString::fromUtf8("»");
}

QPageSize pageSizeOf(const PaperSize& paper) {
  return QPageSize(QSizeF(paper.width / 1000.0, paper.height / 1000.0), QPageSize::Inch, QString(),
                   QPageSize::ExactMatch);
}

}  // namespace

bool awaitWithWaitWindow(const QString& caption, const QString& text, std::function<void()> work) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread([done, work = std::move(work)] {
    try {
      work();
    } catch (...) {
      // The work reports through what it owns; a throw only ends it.
    }
    done->store(true);
  }).detach();
  if (!onLogicalThread()) {
    // Tools and tests without windows simply wait.
    while (!done->load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
  }
  for (int waited = 0; waited < kQuietWaitMs && !done->load(); waited += kQuietStepMs) {
    waitOnTimer(kQuietStepMs);
  }
  if (done->load()) return true;
  WaitWindow window(caption, text, done);
  window.Run();
  return done->load();
}

std::optional<PrinterQuery> askPrinters() {
  auto answer = std::make_shared<PrinterQuery>();
  const bool ended = awaitWithWaitWindow(
      QStringLiteral("Impresoras"), QString::fromUtf8("Consultando las impresoras del equipo..."),
      [answer] { *answer = queryPrinters(); });
  if (!ended) return std::nullopt;
  return *answer;
}

std::optional<QString> choosePrinter(const PrinterQuery& printers, const QString& current,
                                     const QString& caption, const QString& acceptText) {
  PrinterChooser chooser(printers, current, caption, acceptText);
  chooser.Run();
  return chooser.chosen();
}

bool printOnPaper(const QString& title, const QString& printer, int copies,
                  const PaperDrawing& draw, const PrinterQuery* known, const PaperSize* ownPaper) {
  std::optional<PrinterQuery> asked;
  if (known == nullptr) {
    asked = askPrinters();
    if (!asked) return false;
    known = &*asked;
  }
  const QString shownTitle = title.isEmpty() ? QStringLiteral("Documento") : title;
  const QString failed = QString::fromUtf8("No se pudo imprimir %1").arg(quoted(shownTitle));
  if (!known->error.isEmpty()) {
    tell(failed + ".|" + known->error);
    return false;
  }
  const PrinterInfo* target = known->find(printer);
  if (target == nullptr) {
    tell(failed + (printer.isEmpty()
                       ? QString::fromUtf8(": no hay ninguna impresora instalada en este equipo.")
                       : QString::fromUtf8(": la impresora %1 no está instalada en este equipo.")
                             .arg(quoted(printer))));
    return false;
  }
  const QString on = QString::fromUtf8(" en la impresora %1").arg(quoted(target->name));
  const PaperSize paper = ownPaper != nullptr     ? *ownPaper
                          : target->paper.known() ? target->paper
                                                  : localePaper();

  // The pages hold patient data: staged in the account's own temp folder.
  const std::filesystem::path folder = privateTempFolder();
  QTemporaryFile staging(QString::fromStdString((folder / "impresion-XXXXXX.pdf").string()));
  staging.setAutoRemove(false);
  if (folder.empty() || !staging.open()) {
    tell(failed + on +
         QString::fromUtf8(": no se pudo preparar el trabajo en la carpeta temporal."));
    return false;
  }
  const QString file = staging.fileName();
  staging.close();
  bool drawn = false;
  {
    QPdfWriter writer(file);
    writer.setTitle(shownTitle);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(pageSizeOf(paper), QPageLayout::Portrait, QMarginsF()));
    drawn = draw(writer, paper);
  }
  if (!drawn) {
    QFile::remove(file);
    return false;  // the drawing says what went wrong
  }

  PrintJob job{target->name, shownTitle, file, std::max(copies, 1), paper.media};
  auto result = std::make_shared<JobResult>();
  auto stopped = std::make_shared<std::atomic<bool>>(false);
  const bool ended = awaitWithWaitWindow(QStringLiteral("Imprimir"),
                                         QString::fromUtf8("Enviando %1 a la impresora %2...")
                                             .arg(quoted(shownTitle), quoted(target->name)),
                                         [job, result, stopped] {
                                           *result = submitPrintJob(job);
                                           // The user stopped waiting: a late acceptance must not
                                           // print after all.
                                           if (stopped->load() && result->accepted())
                                             cancelPrintJob(job.printer, result->jobId);
                                           QFile::remove(job.file);
                                         });
  if (!ended) {
    stopped->store(true);
    return false;
  }
  if (!result->accepted()) {
    tell(failed + on + ".|" + result->error);
    return false;
  }
  return true;
}

}  // namespace rt
