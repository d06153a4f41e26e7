// Printing on paper through a stand-in of the system's print service: a
// refused job is told and the preview stays, a service that does not answer
// freezes no window and can be left, and jobs carry their report's name and
// the printer's paper (the locale's when the printer names none).
#include "platform/ui/printing.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <clocale>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "platform/base/private_temp.h"
#include "platform/base/testing/test_environment.h"
#include "platform/ui/printer_setup.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/report_output.h"
#include "platform/ui/report_preview.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

const PaperSize kA4{8268, 11693, QStringLiteral("iso_a4_210x297mm")};
const PaperSize kLetter{8500, 11000, QStringLiteral("na_letter_8.5x11in")};

// Records every job, keeping a copy of its PDF; answers as told.
struct PrintServiceStandIn {
  std::vector<PrinterInfo> printers{{QStringLiteral("Recepcion"), true, kA4},
                                    {QStringLiteral("Consultorio"), false, {}}};
  std::mutex lock;
  std::vector<PrintJob> jobs;
  std::vector<int> cancelled;
  JobResult answer{17, {}};
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("printing-test-" + std::to_string(::getpid()));
  PrintSystem previous;

  PrintServiceStandIn() {
    std::filesystem::create_directories(folder);
    previous = setPrintSystem({[this] {
                                 return PrinterQuery{printers, {}};
                               },
                               [this](const PrintJob& job) { return take(job); },
                               [this](const QString&, int id) { cancelled.push_back(id); }});
  }
  ~PrintServiceStandIn() {
    setPrintSystem(previous);
    std::filesystem::remove_all(folder);
  }
  JobResult take(const PrintJob& job) {
    std::lock_guard guard(lock);
    PrintJob kept = job;
    kept.file =
        QString::fromStdString((folder / ("job" + std::to_string(jobs.size()) + ".pdf")).string());
    QFile::copy(job.file, kept.file);
    jobs.push_back(kept);
    return answer;
  }
};

std::vector<ReportPage> pagesSaying(const QString& text, int width = 8500, int height = 11000) {
  ReportPage page;
  page.width = width;
  page.height = height;
  PageItem item;
  item.kind = PageItem::Kind::Text;
  item.rect = QRectF(500, 500, 6000, 300);
  item.text = text;
  item.font = reportFont("Arial", 10);
  page.items.push_back(item);
  return {page};
}

// Calls `action` from the event loop once `ready` holds.
void whenReady(std::function<bool()> ready, std::function<void()> action) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll,
                   [poll, ready = std::move(ready), action = std::move(action)] {
                     if (!ready()) return;
                     poll->stop();
                     poll->deleteLater();
                     action();
                   });
  poll->start(5);
}

WindowDriver* openWindowTitled(const QString& title) {
  for (WindowDriver* w : WindowDriver::openWindows()) {
    if (w->window() != nullptr && w->window()->windowTitle() == title) return w;
  }
  return nullptr;
}

TEST(Printing, ARefusedJobIsToldNamingThePrinterAndThePreviewStaysToTryAgain) {
  PrintServiceStandIn service;
  service.answer = {0, QString::fromUtf8("La impresora no acepta trabajos.")};
  setChosenPrinterName("");
  testing::ScriptedMessages messages;
  const std::vector<ReportPage> pages = pagesSaying(QStringLiteral("Paciente 351-5550005"));
  ReportPreview preview(pages, QStringLiteral("Listado de Pacientes"), 1);
  testing::WindowScript script;
  script.on("Vista previa: Listado de Pacientes",
            [](WindowDriver& w) { testing::click(w, "?PRINT"); });
  bool stayedOpen = false;
  whenReady([&] { return messages.asked().size() == 1; },
            [&] {
              WindowDriver* shown =
                  openWindowTitled(QStringLiteral("Vista previa: Listado de Pacientes"));
              stayedOpen = shown != nullptr;
              service.answer = {18, {}};
              if (shown != nullptr) testing::click(*shown, "?PRINT");
            });
  int answer = -1;
  ASSERT_TRUE(testing::runOnThread([&] { answer = preview.preview(); }));
  ASSERT_EQ(messages.asked().size(), 1u);
  const std::string text = messages.asked()[0].text;
  EXPECT_NE(text.find("Listado de Pacientes"), std::string::npos) << text;
  EXPECT_NE(text.find("Recepcion"), std::string::npos) << text;
  EXPECT_NE(text.find("no acepta trabajos"), std::string::npos) << text;
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(answer, kCompleted) << "the second try printed";
  EXPECT_EQ(service.jobs.size(), 2u);
}

TEST(Printing, JobsCarryTheReportsNameAndGoOnThePrintersPaper) {
  PrintServiceStandIn service;
  testing::ScriptedMessages messages;
  setChosenPrinterName("");
  std::vector<ReportPage> pages = pagesSaying(QStringLiteral("Listado vertical"));
  const std::vector<ReportPage> wide = pagesSaying(QStringLiteral("Listado apaisado"), 11000, 8500);
  pages.push_back(wide.front());
  bool printed = false;
  ASSERT_TRUE(testing::runOnThread(
      [&] { printed = printReport(pages, 2, QStringLiteral("Listado de Consultas")); }));
  EXPECT_TRUE(printed);
  EXPECT_TRUE(messages.asked().empty());
  ASSERT_EQ(service.jobs.size(), 1u);
  const PrintJob& job = service.jobs[0];
  EXPECT_EQ(job.title, QStringLiteral("Listado de Consultas"));
  EXPECT_EQ(job.printer, QStringLiteral("Recepcion")) << "the service's default";
  EXPECT_EQ(job.media, kA4.media);
  EXPECT_EQ(job.copies, 2);
  const std::string pdf = job.file.toStdString();
  const std::string text = testing::pdfText(pdf);
  EXPECT_NE(text.find("Listado vertical"), std::string::npos);
  EXPECT_NE(text.find("Listado apaisado"), std::string::npos);
  const std::string first = testing::commandOutput("pdfinfo -f 1 -l 2 '" + pdf + "'");
  EXPECT_NE(first.find("Page    1 size:  595 x 842 pts (A4)"), std::string::npos) << first;
  EXPECT_NE(first.find("Page    2 size:  842 x 595 pts (A4)"), std::string::npos)
      << "turned to landscape A4\n"
      << first;
  // Staged privately and gone once sent.
  for (const auto& entry : std::filesystem::directory_iterator(privateTempFolder())) {
    EXPECT_EQ(entry.path().filename().string().rfind("impresion-", 0), std::string::npos)
        << entry.path();
  }

  // A printer chosen earlier that is gone is named, nothing is sent.
  setChosenPrinterName("Sala 2");
  ASSERT_TRUE(
      testing::runOnThread([&] { printed = printReport(pages, 1, QStringLiteral("Turnos")); }));
  EXPECT_FALSE(printed);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_NE(messages.asked()[0].text.find("Sala 2"), std::string::npos) << messages.asked()[0].text;
  EXPECT_EQ(service.jobs.size(), 1u);
  setChosenPrinterName("");
}

// The locale `name` compiled from its source into the test's own folder and
// found there through LOCPATH; false where the system cannot compile it.
bool compileLocale(const std::string& source, const std::string& name) {
  const std::filesystem::path folder = testing::testRoot() / "locales";
  std::filesystem::create_directories(folder);
  const std::string command =
      "localedef -i " + source + " -f UTF-8 '" + (folder / name).string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) == -1) return false;
  setenv("LOCPATH", folder.c_str(), 1);
  return std::filesystem::exists(folder / name / "LC_PAPER");
}

// A printer that names no paper: the page goes on the paper of the locale,
// not on a US Letter the printer never named.
TEST(Printing, APrinterThatNamesNoPaperTakesTheLocalesPaper) {
  PrintServiceStandIn service;
  testing::ScriptedMessages messages;
  setChosenPrinterName("Consultorio");
  const std::vector<ReportPage> pages = pagesSaying(QStringLiteral("Turnos del dia"));
  const struct {
    const char* source;  // compiled for the test; none for a built-in locale
    const char* locale;
    PaperSize paper;
  } cases[] = {
      {nullptr, "C", kA4}, {"es_AR", "es_AR.UTF-8", kA4}, {"en_US", "en_US.UTF-8", kLetter}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    if (c.source != nullptr && !compileLocale(c.source, c.locale)) {
      std::cerr << "no locale " << c.locale << " can be compiled here: not tried\n";
      continue;
    }
    const std::size_t before = service.jobs.size();
    bool printed = false;
    {
      const testing::ScopedLocale paper(LC_PAPER, c.locale);
      ASSERT_TRUE(
          testing::runOnThread([&] { printed = printReport(pages, 1, QStringLiteral("Turnos")); }));
    }
    EXPECT_TRUE(printed);
    ASSERT_EQ(service.jobs.size(), before + 1);
    EXPECT_EQ(service.jobs.back().media, c.paper.media);
  }
  unsetenv("LOCPATH");
  setChosenPrinterName("");
}

// A letter's design fixes its paper (A4): it goes on A4 whatever paper the
// printer holds.
TEST(Printing, ADesignThatFixesItsPaperKeepsIt) {
  PrintServiceStandIn service;
  service.printers = {{QStringLiteral("Recepcion"), true, kLetter}};
  testing::ScriptedMessages messages;
  std::vector<ReportPage> pages = pagesSaying(QStringLiteral("Estimado Jose"), 8268, 11693);
  pages.front().paperFixed = true;
  bool printed = false;
  ASSERT_TRUE(
      testing::runOnThread([&] { printed = printReport(pages, 1, QStringLiteral("Carta")); }));
  EXPECT_TRUE(printed);
  ASSERT_EQ(service.jobs.size(), 1u);
  EXPECT_EQ(service.jobs[0].media, kA4.media);
  const std::string info =
      testing::commandOutput("pdfinfo '" + service.jobs[0].file.toStdString() + "'");
  EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
}

// The service hangs (as a stopped print server does): the wait shows a window
// that can be cancelled, the event loop keeps running for every other window,
// and a job accepted after the user stopped waiting is taken back.
TEST(Printing, AServiceThatDoesNotAnswerFreezesNoWindowAndCanBeLeft) {
  PrintServiceStandIn service;
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  std::atomic<bool> submitted{false};
  setPrintSystem({[&service] {
                    return PrinterQuery{service.printers, {}};
                  },
                  [&](const PrintJob& job) {
                    std::unique_lock guard(m);
                    cv.wait(guard, [&] { return release; });
                    JobResult r = service.take(job);
                    submitted = true;
                    return r;
                  },
                  [&service](const QString&, int id) { service.cancelled.push_back(id); }});
  testing::ScriptedMessages messages;
  int ticks = 0;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
  heartbeat.start(10);
  int ticksWhileWaiting = 0;
  whenReady([] { return openWindowTitled(QStringLiteral("Imprimir")) != nullptr; },
            [&] {
              const int seen = ticks;
              whenReady([&ticks, seen] { return ticks >= seen + 3; },
                        [&ticks, &ticksWhileWaiting, seen] {
                          ticksWhileWaiting = ticks - seen;
                          testing::click(*openWindowTitled(QStringLiteral("Imprimir")), "?CANCEL");
                        });
            });
  bool printed = true;
  const std::vector<ReportPage> pages = pagesSaying(QStringLiteral("Hoja de turnos"));
  ASSERT_TRUE(
      testing::runOnThread([&] { printed = printReport(pages, 1, QStringLiteral("Turnos")); }));
  EXPECT_FALSE(printed);
  EXPECT_GE(ticksWhileWaiting, 3) << "the event loop ran while the service hung";
  EXPECT_TRUE(messages.asked().empty()) << "leaving a wait is not an error";
  {
    std::lock_guard guard(m);
    release = true;
  }
  cv.notify_all();
  ASSERT_TRUE(testing::waitUntil([&] { return submitted.load() && !service.cancelled.empty(); },
                                 "the late job taken back"));
  EXPECT_EQ(service.cancelled, std::vector<int>{17});
}

}  // namespace
}  // namespace rt
