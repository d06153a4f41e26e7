// Printing through a real print server: a CUPS daemon of the test's own (a
// private configuration, queues writing to a file), started and stopped
// here. The job must reach the queue under its report's name on the queue's
// paper (set on the queue, its driver's, else the locale's), a queue that
// refuses jobs is told, and a server that stops answering freezes no window.
// Skipped, saying why, where no CUPS daemon can run.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/un.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/base/testing/test_environment.h"
#include "platform/ui/printer_setup.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/report_output.h"
#include "platform/ui/report_pages.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CupsServer {
 public:
  // Empty when running; otherwise why it could not start.
  std::string start() {
    const QString cupsd = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/usr/local/sbin"});
    const QString lpadmin = QStandardPaths::findExecutable("lpadmin", {"/usr/sbin", "/usr/bin"});
    if (cupsd.isEmpty() || lpadmin.isEmpty()) return "no cupsd/lpadmin on this machine";
    root_ = testing::testRoot() / "cups";
    for (const char* sub : {"conf", "spool", "cache", "state", "tmp", "out"})
      fs::create_directories(root_ / sub);
    socket_ = root_ / "cups.sock";
    // A local socket's path has little room: from a deep temp folder the
    // server listens in a short folder of its own instead.
    if (socket_.string().size() >= sizeof(sockaddr_un::sun_path)) {
      char shortFolder[] = "/tmp/varneta-cups-XXXXXX";
      if (::mkdtemp(shortFolder) == nullptr) return "no folder for the print server's socket";
      shortFolder_ = shortFolder;
      socket_ = shortFolder_ / "cups.sock";
    }
    std::ofstream(root_ / "conf/cupsd.conf")
        << "Listen " << socket_.string() << "\nLogLevel warn\nWebInterface No\nBrowsing No\n"
        << "PreserveJobFiles Yes\nPreserveJobHistory Yes\n"
        << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    std::ofstream(root_ / "conf/cups-files.conf")
        << "ServerRoot " << (root_ / "conf").string() << "\nRequestRoot "
        << (root_ / "spool").string() << "\nCacheDir " << (root_ / "cache").string()
        << "\nStateDir " << (root_ / "state").string() << "\nTempDir " << (root_ / "tmp").string()
        << "\nErrorLog " << (root_ / "error_log").string() << "\nAccessLog "
        << (root_ / "access_log").string() << "\nPageLog " << (root_ / "page_log").string()
        << "\nFileDevice Yes\nSandboxing Relaxed\n";
    daemon_.setProgram(cupsd);
    daemon_.setArguments({"-f", "-c", QString::fromStdString((root_ / "conf/cupsd.conf").string()),
                          "-s", QString::fromStdString((root_ / "conf/cups-files.conf").string())});
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    qputenv("CUPS_SERVER", QByteArray::fromStdString(socket_.string()));
    if (const std::string why = launch(); !why.empty()) return why;
    lpadmin_ = lpadmin;
    return {};
  }

  // Stops the server and starts it again, as the machine's restart does: it
  // reads its queues back from its settings. Empty when running again.
  std::string restart() {
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) return "cupsd did not stop";
    return launch();
  }

  // Adds an accepting queue: its name, then lpadmin's settings for it. What
  // lpadmin said on failure; empty when it succeeded.
  QString addQueue(QStringList settings) {
    settings.insert(0, "-p");
    settings.insert(2, "-E");
    return run(lpadmin_, settings);
  }
  QString makeDefault(const QString& queue) { return run(lpadmin_, {"-d", queue}); }

  ~CupsServer() {
    if (daemon_.state() == QProcess::Running) {
      ::kill(static_cast<pid_t>(daemon_.processId()), SIGCONT);
      daemon_.terminate();
      daemon_.waitForFinished(5000);
    }
    qunsetenv("CUPS_SERVER");
    std::error_code ignored;
    if (!shortFolder_.empty()) fs::remove_all(shortFolder_, ignored);
  }

  // What a command said on failure; empty when it succeeded.
  static QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(10000)) return QStringLiteral("timed out");
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAll()) + QStringLiteral(" ");
  }

  void signal(int number) { ::kill(static_cast<pid_t>(daemon_.processId()), number); }
  // The page log's line of the job titled `title`; empty until it is there.
  std::string pageLogLine(const std::string& title) const {
    std::istringstream lines(pageLog());
    for (std::string line; std::getline(lines, line);) {
      if (line.find(" " + title + " ") != std::string::npos) return line;
    }
    return {};
  }
  std::string pageLog() const { return readAll(root_ / "page_log"); }
  fs::path spool() const { return root_ / "spool"; }

 private:
  // Starts the daemon; ready once its socket is there. Empty when running.
  std::string launch() {
    std::error_code ignored;
    fs::remove(socket_, ignored);  // one left by a stopped server answers nobody
    daemon_.start();
    if (!daemon_.waitForStarted(5000)) return "cupsd did not start";
    if (!testing::waitUntil(
            [this] { return fs::exists(socket_) || daemon_.state() != QProcess::Running; },
            "the print server's socket", 10s) ||
        daemon_.state() != QProcess::Running) {
      return "cupsd did not come up: " + daemon_.readAll().toStdString() +
             readAll(root_ / "error_log");
    }
    return {};
  }

  QString lpadmin_;
  fs::path root_;
  fs::path socket_;
  fs::path shortFolder_;  // where the socket lies when the test's folder is too deep
  QProcess daemon_;
};

std::vector<ReportPage> listingPages() {
  ReportPage page;  // Letter, as the listings are laid out
  PageItem item;
  item.kind = PageItem::Kind::Text;
  item.rect = QRectF(500, 500, 6000, 300);
  item.text = QStringLiteral("Paciente 351-5550005");
  item.font = reportFont("Arial", 10);
  page.items.push_back(item);
  return {page};
}

TEST(CupsPrinting, JobsRefusalsAndAServerThatStopsAnswering) {
  CupsServer server;
  if (const std::string why = server.start(); !why.empty())
    GTEST_SKIP() << "no print server: " << why;
  ASSERT_EQ(
      server.addQueue({"Sala", "-v", "file:///dev/null", "-o", "media-default=iso_a4_210x297mm"}),
      QString());
  ASSERT_EQ(server.makeDefault("Sala"), QString());
  setChosenPrinterName("");
  testing::ScriptedMessages messages;
  const std::vector<ReportPage> pages = listingPages();

  bool printed = false;
  ASSERT_TRUE(testing::runOnThread(
      [&] { printed = printReport(pages, 1, QStringLiteral("Listado de Pacientes")); }, 30s));
  EXPECT_TRUE(printed);
  ASSERT_TRUE(messages.asked().empty()) << messages.asked()[0].text;
  ASSERT_TRUE(testing::waitUntil(
      [&] { return server.pageLog().find("Listado de Pacientes") != std::string::npos; },
      "the job in the page log", 20s));
  const std::string log = server.pageLog();
  EXPECT_NE(log.find("Listado de Pacientes iso_a4_210x297mm"), std::string::npos)
      << "named after the report, on the queue's A4\n"
      << log;
  // The document the queue got is the report, on A4.
  fs::path document;
  for (const auto& entry : fs::directory_iterator(server.spool())) {
    if (entry.path().filename().string().rfind("d00001", 0) == 0) document = entry.path();
  }
  ASSERT_FALSE(document.empty());
  EXPECT_NE(testing::pdfText(document.string()).find("351-5550005"), std::string::npos);
  EXPECT_NE(testing::pdfInfo(document.string()).find("(A4)"), std::string::npos);

  // A queue that refuses jobs: told, naming the printer.
  ASSERT_EQ(CupsServer::run(QStandardPaths::findExecutable("cupsreject", {"/usr/sbin", "/usr/bin"}),
                            {"Sala"}),
            QString());
  ASSERT_TRUE(testing::runOnThread(
      [&] { printed = printReport(pages, 1, QStringLiteral("Listado de Pacientes")); }, 30s));
  EXPECT_FALSE(printed);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_NE(messages.asked()[0].text.find("Sala"), std::string::npos) << messages.asked()[0].text;
  EXPECT_NE(messages.asked()[0].text.find("no acepta trabajos"), std::string::npos)
      << messages.asked()[0].text;

  // A server that stops answering: the wait window comes, the event loop runs
  // on, and cancelling ends the wait at once.
  server.signal(SIGSTOP);
  int ticks = 0;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
  heartbeat.start(10);
  bool cancelledWithLoopRunning = false;
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
    for (WindowDriver* w : WindowDriver::openWindows()) {
      if (w->window() == nullptr || w->window()->windowTitle() != QStringLiteral("Impresoras"))
        continue;
      poll->stop();
      poll->deleteLater();
      cancelledWithLoopRunning = ticks > 0;
      testing::click(*w, "?CANCEL");
      return;
    }
  });
  poll->start(5);
  ASSERT_TRUE(testing::runOnThread(
      [&] { printed = printReport(pages, 1, QStringLiteral("Turnos")); }, 30s));
  EXPECT_FALSE(printed);
  EXPECT_TRUE(cancelledWithLoopRunning);
  EXPECT_EQ(messages.asked().size(), 1u) << "leaving the wait is not an error";
}

// Each queue's job goes on the paper the queue has, asked of the queue
// itself: its driver's default page size, else the locale's paper; never a
// US Letter the printer never named. The server is restarted first, as a
// machine's is: where no queue has a paper set by hand, the server's list of
// queues then leaves the driver's paper out. (A media-default set on the
// queue is the first test's.)
TEST(CupsPrinting, EachQueuesJobGoesOnThePaperTheQueueHas) {
  CupsServer server;
  if (const std::string why = server.start(); !why.empty())
    GTEST_SKIP() << "no print server: " << why;
  const QString driver =
      QString::fromStdString((fs::path(VARNETA_TESTS_DIR) / "data" / "a4_printer.ppd").string());
  ASSERT_EQ(server.addQueue({"Consultorio", "-v", "file:///dev/null", "-P", driver}), QString());
  ASSERT_EQ(server.addQueue({"Guardia", "-v", "file:///dev/null"}), QString());
  ASSERT_EQ(server.restart(), "");
  const testing::ScopedLocale paper(LC_PAPER, "C");  // A4, as a Spanish locale's
  testing::ScriptedMessages messages;
  const std::vector<ReportPage> pages = listingPages();
  const struct {
    const char* queue;
    const char* has;
  } queues[] = {{"Consultorio", "a driver whose default is A4"},
                {"Guardia", "no paper of its own"}};
  for (const auto& q : queues) {
    SCOPED_TRACE(std::string(q.queue) + ", with " + q.has);
    setChosenPrinterName(q.queue);
    const std::string title = std::string("Listado para ") + q.queue;
    bool printed = false;
    ASSERT_TRUE(testing::runOnThread(
        [&] { printed = printReport(pages, 1, QString::fromStdString(title)); }, 30s));
    EXPECT_TRUE(printed);
    ASSERT_TRUE(testing::waitUntil([&] { return !server.pageLogLine(title).empty(); },
                                   "the job in the page log", 20s));
    const std::string line = server.pageLogLine(title);
    EXPECT_EQ(line.rfind(q.queue, 0), 0u) << line;
    EXPECT_NE(line.find(title + " iso_a4_210x297mm"), std::string::npos) << line;
    // The document the queue got is laid on A4 too.
    std::istringstream fields(line);
    std::string queue, user;
    int job = 0;
    fields >> queue >> user >> job;
    char name[16];
    std::snprintf(name, sizeof name, "d%05d-001", job);
    EXPECT_NE(testing::pdfInfo((server.spool() / name).string()).find("(A4)"), std::string::npos);
  }
  EXPECT_TRUE(messages.asked().empty()) << messages.asked()[0].text;
  setChosenPrinterName("");
}

}  // namespace
}  // namespace rt
