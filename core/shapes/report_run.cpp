#include "core/shapes/report_run.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/frame/globals.h"
#include "core/shapes/report_destination.h"
#include "core/shapes/report_display_strings.h"
#include "core/tables/file_warnings.h"
#include "core/tables/table_managers.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/thread_timer.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/report_output.h"
#include "platform/ui/report_pages.h"
#include "platform/ui/report_preview.h"

namespace core {
namespace {

constexpr int kEndOfData = 33;
constexpr int kTickHundredths = 1;

// The PDF files' own title: the same for every listing of the program.
constexpr const char* kPdfTitle = "Listado de Varneta";
constexpr const char* kApplicationName = "varneta";

std::string upperClipped(std::string text) {
  text = std::string(rt::clip(text));
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// A question of the cancel path: the second button is the default.
int question(const std::string& text, const std::string& caption, const std::string& buttons) {
  rt::MessageRequest request;
  request.text = text;
  request.caption = caption;
  request.icon = rt::MessageIcon::Question;
  request.labels = buttons;
  request.defaultButton = 2;
  return rt::showMessage(request);
}

PaceClock& paceClock() {
  static PaceClock clock;
  return clock;
}

std::chrono::steady_clock::time_point paceNow() {
  return paceClock() ? paceClock()() : std::chrono::steady_clock::now();
}

}  // namespace

void ReportRun::setPaceClock(PaceClock clock) { paceClock() = std::move(clock); }

ReportRun::ReportRun() : report_(std::make_unique<rt::ReportEngine>()) {}
ReportRun::~ReportRun() = default;

int ReportRun::execute() {
  core::LoadReportDisplayStrings("RPTPREVW.INI", "", "Preview",
                                 "Do you wish to PREVIEW this Report?");
  std::error_code ec;
  savedFolder_ = rt::runtimeName(std::filesystem::current_path(ec));
  copies_ = 1;
  globals_ = std::make_unique<core::OwnReportGlobals>();
  core::presetReportGlobals(title());
  QApplication::restoreOverrideCursor();
  localResponse_ = rt::kCancelled;
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  tablesOpened_ = true;
  openTables();
  rt::callProcedure("VentanaParametrosListado");
  core::prepareReportPdf();
  recordsToProcess_ = 0;
  pace_ = kPace;
  ticksRead_ = 0;
  recordsRead_ = 0;
  percentage_ = 0;
  percentageShown_ = -1;
  ReportRunDate = rt::today();
  Run();
  endOfRead();
  closeReport();
  return rt::ThreadResponse();
}

int ReportRun::Init() {
  const core::ReportDisplayStrings& texts = core::reportDisplayStrings();
  auto* window = new QWidget(progressParent(), Qt::Dialog);
  window->setObjectName("P1$PROGRESSWINDOW");
  window->setWindowTitle(rt::toQString(texts.ProgWinTitlePrvw));
  auto* layout = new QVBoxLayout(window);
  thermometer_ = new QProgressBar(window);
  thermometer_->setObjectName("?PROGRESS:THERMOMETER");
  thermometer_->setRange(0, 100);
  thermometer_->setValue(0);
  thermometer_->setTextVisible(false);
  layout->addWidget(thermometer_);
  auto* user = new QLabel(rt::toQString(texts.ProgWinUsrText), window);
  user->setObjectName("?PROGRESS:USERSTRING");
  user->setAlignment(Qt::AlignCenter);
  layout->addWidget(user);
  pctText_ = new QLabel(rt::toQString(texts.ProgWinPctText), window);
  pctText_->setObjectName("?PROGRESS:PCTTEXT");
  pctText_->setAlignment(Qt::AlignCenter);
  layout->addWidget(pctText_);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), window);
  cancel->setObjectName("?PROGRESS:CANCEL");
  layout->addWidget(cancel, 0, Qt::AlignCenter);
  window->resize(rt::DialogUnits(window->font()).size(162, 64));
  Open(window);
  progressOpened_ = true;
  alertKey(Qt::Key_Escape);
  setTimer(kTickHundredths);
  return rt::level::Benign;
}

int ReportRun::TakeEvent() {
  if (event() == rt::event::AlertKey && keyCode() == Qt::Key_Escape) {
    // Esc is the Cancel button.
    escPressed_ = true;
    post(rt::event::Accepted, control("?PROGRESS:CANCEL"));
    return rt::level::Benign;
  }
  return WindowDriver::TakeEvent();
}

int ReportRun::TakeWindowEvent() {
  if (event() == rt::event::OpenWindow) {
    openView();
    recordsToProcess_ = primaryRecords();
    nextReportRecord();
    takeReportRecord();
    if (recordStatus_ == 1) localResponse_ = rt::kCancelled;
    if (localResponse_ == rt::kCancelled) {
      ending_ = true;
      setTimer(0);
      post(rt::event::CloseWindow);
    } else {
      openReport();
    }
    return rt::level::Benign;
  }
  if (event() == rt::event::Timer) {
    onTimer();
    return rt::level::Benign;
  }
  return WindowDriver::TakeWindowEvent();
}

void ReportRun::onTimer() {
  if (ending_) return;
  ++ticksRead_;
  const auto until = paceNow() + pace_.budget;
  // A Cancel (or Esc) waiting in the queue ends the tick: its question comes
  // after the record in hand, not a budget later.
  const auto cancelWaits = [this] {
    return hasQueued(rt::event::Accepted) || hasQueued(rt::event::AlertKey);
  };
  for (int i = 0; !ending_ && !cancelWaits() && (i < pace_.leastRecords || paceNow() < until);
       ++i) {
    printRecord(*report_);
    nextReportRecord();
    takeReportRecord();
    if (recordStatus_ == 1) {
      localResponse_ = rt::kCompleted;
      ending_ = true;
      setTimer(0);
      post(rt::event::CloseWindow);
    } else {
      localResponse_ = rt::kCancelled;  // not finished yet
    }
  }
}

int ReportRun::TakeAccepted() {
  if (field() == control("?PROGRESS:CANCEL")) {
    // Esc has become this Cancel: from here only the answers decide, so a
    // user who carries on gets the whole report.
    escPressed_ = false;
    if (!ending_) askCancel();
  }
  return rt::level::Benign;
}

void ReportRun::askCancel() {
  const core::ReportDisplayStrings& texts = core::reportDisplayStrings();
  if (question(texts.CancelAreYouSureText, texts.CancelAreYouSureTitle, texts.ButtonYesNo) != 1) {
    return;
  }
  pace_ = ReportPace{1, std::chrono::milliseconds(0)};
  int answer = 2;
  if (pagesDone_ > 0) {
    answer = question(texts.CancelPrvwPartialText, texts.CancelPrvwPartialTitle,
                      texts.ButtonYesNoIgnore);
    if (answer == 3) return;  // Ignore: reading goes on, one record a tick
  }
  if (answer == 1) {
    localResponse_ = rt::kCompleted;
    partialPreview_ = true;
  } else {
    localResponse_ = rt::kCancelled;
  }
  ending_ = true;
  setTimer(0);
  post(rt::event::CloseWindow);
}

void ReportRun::nextReportRecord() {
  const int error = readNext();
  if (error != 0) {
    if (error != kEndOfData) core::ShowFileWarningText(core::kRecordRetrievalWarning, tableName());
    localResponse_ = rt::kCancelled;
    return;
  }
  localResponse_ = rt::kCompleted;
  updateProgress();
}

void ReportRun::takeReportRecord() { recordStatus_ = localResponse_ == rt::kCancelled ? 1 : 0; }

void ReportRun::updateProgress() {
  ++recordsRead_;
  if (percentage_ < 100) {
    const long long whole = recordsToProcess_ > 0 ? recordsRead_ * 100 / recordsToProcess_ : 100;
    percentage_ = static_cast<int>(std::min<long long>(whole, 100));
    if (thermometer_ && thermometer_->value() != percentage_) thermometer_->setValue(percentage_);
  }
  if (pctText_ && percentage_ != percentageShown_) {
    percentageShown_ = percentage_;
    pctText_->setText(rt::toQString(rt::format(percentage_, "@n3") +
                                    core::reportDisplayStrings().ProgWinPctText));
  }
}

int ReportRun::openReportTables(const rt::TableDef& primary,
                                std::vector<const rt::TableDef*> others) {
  if (int e = core::relate(primary).open()) return e;
  primaryOpened_ = &primary;
  for (const rt::TableDef* def : others) {
    if (int e = core::access(*def).open()) return e;
    othersOpened_.push_back(def);
  }
  return 0;
}

void ReportRun::closeReportTables() {
  while (!othersOpened_.empty()) {
    core::access(*othersOpened_.back()).close();
    othersOpened_.pop_back();
  }
  if (primaryOpened_ != nullptr) core::relate(*primaryOpened_).close();
  primaryOpened_ = nullptr;
}

void ReportRun::layOutPageHeader(rt::ReportBand& header, const std::string& heading) {
  const QFont big = rt::reportFont("Arial", 14, true);
  const QFont plain = rt::reportFont("Arial", 10);
  const int right = report_->bodyWidth();
  header.text(
      0, 0, 5156, 260, [] { return GLO::UsuarioSistema; }, big, "@s80");
  header.label(right - 1700, 40, 600, 200, "Fecha:", plain);
  header.text(
      right - 1100, 40, 1100, 200, [this] { return std::to_string(ReportRunDate); }, plain, "@d17",
      Qt::AlignRight);
  header.label(0, 300, right - 1800, 260, heading, big);
  header.label(right - 1700, 340, 600, 200, "Pag.:", plain);
  header.text(
      right - 1100, 340, 1100, 200, [this] { return std::to_string(ReportPageNo()); }, plain,
      "@n-7", Qt::AlignRight);
}

void ReportRun::openReport() {
  copies_ = std::max(report_->copies, 1);
  if (report_->collate) report_->copies = 1;
  if (rt::clip(report_->title).empty()) report_->title = procedureName();
  report_->onPageDone = [this](int) { ++pagesDone_; };
  layOut(*report_);
  reportOpened_ = true;
}

void ReportRun::endOfRead() {
  const bool completed = localResponse_ == rt::kCompleted && !escPressed_;
  if (completed || partialPreview_) {
    std::vector<rt::ReportPage> pages = report_->takePages();
    if (!pages.empty()) {
      // "n de m": the total is known only now.
      rt::assignPageTotals(pages);
      report_->copies = copies_;
      if (core::reportGoesToPdf()) {
        printList_ = std::move(pages);
        pages.clear();
        rt::ThreadResponse() = rt::kCompleted;
      } else {
        rt::ReportPreview preview(pages, rt::toQString(core::reportGlobals().NombrePDF), copies_);
        rt::ThreadResponse() = static_cast<std::uint8_t>(preview.preview());
        copies_ = preview.copies();
      }
      generateOutput();
    }
    localResponse_ = rt::ThreadResponse();
  }
  report_ = std::make_unique<rt::ReportEngine>();
  pagesDone_ = 0;
}

void ReportRun::generateOutput() {
  if (!core::reportGoesToPdf() || printList_.empty()) return;
  rt::PdfDocumentInfo info;
  info.title = QString::fromLatin1(kPdfTitle);
  info.creator = QString::fromLatin1(kApplicationName);
  info.subject = rt::toQString(procedureName());
  info.programName = info.subject;
  const std::filesystem::path target = rt::resolvePath(core::reportGlobals().NombrePDF);
  std::error_code ec;
  // The PDF folder may not exist yet (a per-user folder on a first run).
  std::filesystem::create_directories(target.parent_path(), ec);
  // A long listing takes seconds to draw: page by page, the other windows
  // are served whenever a tick's time has passed, as while it was read.
  auto until = paceNow() + kPace.budget;
  rt::writePdf(printList_, QString::fromStdString(target.string()), info, [&until] {
    if (paceNow() < until) return;
    rt::waitOnTimer(1);
    until = paceNow() + kPace.budget;
  });
}

void ReportRun::closeReport() {
  QApplication::restoreOverrideCursor();
  if (tablesOpened_) {
    closeView();
    closeTables();
    tablesOpened_ = false;
  }
  progressOpened_ = false;
  if (localResponse_ != rt::kCancelled) core::finishReportGlobals();
  globalsAtClose_ = globals_->values();
  globals_.reset();
  rt::ThreadResponse() = static_cast<std::uint8_t>(localResponse_ != 0 ? localResponse_ : 2);
  std::error_code ec;
  const std::string current = rt::runtimeName(std::filesystem::current_path(ec));
  if (upperClipped(current) != upperClipped(savedFolder_)) {
    std::filesystem::current_path(rt::resolvePath(savedFolder_), ec);
  }
  printList_.clear();
}

}  // namespace core
