#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/base/cp_literal.h"
#include "platform/base/paths.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/print_service.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/testing/window_test_kit.h"
#include "rich_text_describe.h"

namespace rt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The output of a poppler tool run on a file.
QString popplerOutput(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(FileDialogFilters, RuntimeMasksBecomeDialogFilters) {
  const struct {
    const char* masks;
    const char* filters;
  } cases[] = {
      {"Archivos RTF|*.rtf|Todos los archivos|*.*",
       "Archivos RTF (*.rtf *.RTF);;Todos los archivos (*)"},
      {"Texto|*.TXT;*.log|", "Texto (*.txt *.TXT *.log *.LOG)"},
      {"Imágenes|*.bmp"_cp, "Imágenes (*.bmp *.BMP)"_cp},
      {"Sin patrones||Todo|*", "Todo (*)"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fileDialogFilters(c.masks), toQString(c.filters)) << c.masks;
  }
}

// The desktop's dialog itself, answered from the main context while the
// calling thread waits with its windows disabled.
class FileDialogTest : public ::testing::Test {
 protected:
  // Answers the next file dialog with `name` (empty: cancels it) and notes
  // whether the caller's window was disabled while it was open.
  void answerDialog(const QString& name) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, name] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      // Left open for a few polls, so that the caller's timer ticks meanwhile.
      if (dialog == nullptr || ++polls < 5) return;
      poll->stop();
      poll->deleteLater();
      dialogEnabled = dialog->isEnabled();
      callerEnabled = caller && caller->isEnabled();
      // Typed as a user would: the name entry decides what the dialog answers.
      auto* entry = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (name.isEmpty() || entry == nullptr) {
        EXPECT_TRUE(name.isEmpty()) << "the dialog has no name entry";
        dialog->reject();
      } else {
        entry->setText(name);
        static_cast<QDialog*>(dialog)->accept();  // as the Open button does
      }
    });
    poll->start(10);
  }

  std::optional<std::string> chooseOnThread(const FileRequest& request) {
    std::optional<std::string> answer;
    EXPECT_TRUE(testing::runOnThread([&] {
      WindowDriver window;
      auto* widget = new QWidget;
      widget->setWindowTitle("Llamador");
      window.Open(widget);
      caller = widget;
      window.setTimer(1);
      answer = chooseFile(request);
      callerEnabledAfter = widget->isEnabled();
      tickQueued = window.hasQueued(event::Timer);
      window.Kill();
    }));
    return answer;
  }

  testing::Watchdog watchdog;
  QPointer<QWidget> caller;
  bool dialogEnabled = false;
  bool callerEnabled = true;
  bool callerEnabledAfter = false;
  bool tickQueued = false;
  int polls = 0;
};

TEST_F(FileDialogTest, ChosenFileComesBackAsARuntimeName) {
  const fs::path existing = fs::absolute(
      "nota-\xC3\xB1"
      ".rtf");
  writeBytes(existing, "{\\rtf1 x}");
  answerDialog(QString::fromStdString(existing.string()));
  const auto chosen =
      chooseOnThread({FileRequest::Purpose::Open, "Abrir", "", "Archivos RTF|*.rtf"});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, runtimeName(existing));
  EXPECT_NE(chosen->find("nota-ñ"_cp), std::string::npos) << "CP1252 runtime text";
  EXPECT_TRUE(dialogEnabled);
  EXPECT_FALSE(callerEnabled) << "the caller's windows wait under the dialog";
  EXPECT_TRUE(callerEnabledAfter);
  EXPECT_FALSE(tickQueued) << "timer ticks under the dialog are dropped";
}

TEST_F(FileDialogTest, CancellingAnswersNothing) {
  answerDialog({});
  EXPECT_FALSE(chooseOnThread({FileRequest::Purpose::Save, "Guardar como", "x.rtf", ""}));
  EXPECT_TRUE(callerEnabledAfter);
}

// The file tools of a control given no services of its own: files come from
// scripted answers, printing goes to a PDF file.
class RtfFileToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = new QTextEdit(&window);
    fileName = new QLabel(&window);
    modified = new QLabel(&window);
    control.setOption(1, fileName);
    control.setOption(4, modified);
    control.attachControl(editor, 1, "");
    previousChooser = setFileChooser([this](const FileRequest& request) {
      requests.push_back(request);
      std::optional<std::string> answer;
      if (!answers.empty()) {
        answer = answers.front();
        answers.erase(answers.begin());
      }
      return answer;
    });
    previousPrinter = setPrintService([this](const std::string& title, const PageDrawing& draw) {
      printedTitle = title;
      QPdfWriter writer(QString::fromStdString(pdf.string()));
      writer.setPageSize(QPageSize(QPageSize::A4));
      writer.setResolution(300);
      return draw(writer);
    });
  }
  void TearDown() override {
    setFileChooser(previousChooser);
    setPrintService(previousPrinter);
  }

  QWidget window;
  QTextEdit* editor = nullptr;
  QLabel* fileName = nullptr;
  QLabel* modified = nullptr;
  RtfControl control;
  std::vector<std::optional<std::string>> answers;
  std::vector<FileRequest> requests;
  std::string printedTitle;
  const fs::path pdf = tempFolder() / "varneta-rtf-print-test.pdf";
  FileChooser previousChooser;
  PrintService previousPrinter;
};

TEST_F(RtfFileToolsTest, OpenReadsMarkupOrPlainTextAndCancelKeepsTheText) {
  writeBytes("carta.rtf", testing::readTestData("wordpad_note.rtf"));
  writeBytes("apunte.txt", "Señor Peña\r\nsegunda línea"_cp);
  answers = {"carta.rtf", std::nullopt, "apunte.txt"};

  control.takeToolAccepted(static_cast<int>(RtfTool::Open));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].purpose, FileRequest::Purpose::Open);
  EXPECT_NE(requests[0].masks.find("*.rtf"), std::string::npos);
  EXPECT_TRUE(editor->toPlainText().startsWith("Informe de consulta"));
  EXPECT_EQ(fileName->text(), "carta.rtf");
  EXPECT_EQ(modified->text(), "");

  control.takeToolAccepted(static_cast<int>(RtfTool::Open));  // cancelled
  EXPECT_TRUE(editor->toPlainText().startsWith("Informe de consulta"));
  EXPECT_EQ(control.fileName(), "carta.rtf");

  control.takeToolAccepted(static_cast<int>(RtfTool::Open));
  EXPECT_EQ(editor->toPlainText(), QString::fromUtf8("Señor Peña\nsegunda línea"));
  EXPECT_EQ(control.fileName(), "apunte.txt");
}

TEST_F(RtfFileToolsTest, SaveAsWritesAtomicallyAndAFailureKeepsTheDocumentModified) {
  editor->insertPlainText(QString::fromUtf8("Diagnóstico: gripe"));
  answers = {"sin-carpeta/nota.rtf", "nota.rtf"};
  testing::ScriptedMessages messages;

  control.takeToolAccepted(static_cast<int>(RtfTool::Save));
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "No se pudo guardar el archivo sin-carpeta/nota.rtf.");
  EXPECT_TRUE(editor->document()->isModified());
  EXPECT_EQ(control.fileName(), "") << "a failed save names no file";

  control.takeToolAccepted(static_cast<int>(RtfTool::Save));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].purpose, FileRequest::Purpose::Save);
  EXPECT_EQ(fileBytes("nota.rtf"), control.markup());
  EXPECT_NE(control.markup().find("Diagn\\'f3stico"), std::string::npos);
  EXPECT_FALSE(fs::exists("nota.rtf.tmp"));
  EXPECT_FALSE(editor->document()->isModified());
  EXPECT_EQ(fileName->text(), "nota.rtf");

  editor->insertPlainText("!");
  control.takeToolAccepted(static_cast<int>(RtfTool::Save));  // to the named file, no question
  EXPECT_EQ(requests.size(), 2u);
  EXPECT_EQ(fileBytes("nota.rtf"), control.markup());

  control.takeToolAccepted(static_cast<int>(RtfTool::New));
  EXPECT_TRUE(editor->document()->isEmpty());
  EXPECT_EQ(control.fileName(), "");
  EXPECT_NE(fileBytes("nota.rtf").find("gripe!"), std::string::npos) << "the file stays";
}

TEST_F(RtfFileToolsTest, PrintDrawsEveryPageOfTheNote) {
  std::string markup = "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Sans;}}\\f0\\fs24 ";
  markup += "{\\b Paciente:} Jos\\'e9 Pe\\'f1a\\par ";
  for (int i = 1; i <= 90; ++i) markup += "Rengl\\'f3n " + std::to_string(i) + " de la nota\\par ";
  markup += "Fin de la nota}";
  control.setMarkup(markup);
  fs::remove(pdf);

  control.takeToolAccepted(static_cast<int>(RtfTool::Print));
  EXPECT_EQ(printedTitle, "Documento");
  ASSERT_TRUE(fs::exists(pdf));
  const QString info = popplerOutput("pdfinfo", {QString::fromStdString(pdf.string())});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+[23]\\n"))) << info.toStdString();
  const QString text =
      popplerOutput("pdftotext", {"-layout", QString::fromStdString(pdf.string()), "-"});
  EXPECT_TRUE(text.contains(QString::fromUtf8("Paciente: José Peña"))) << text.toStdString();
  for (const char* line : {"Renglón 1 de", "Renglón 45 de", "Renglón 90 de", "Fin de la nota"}) {
    EXPECT_EQ(text.count(QString::fromUtf8(line)), 1) << line << " printed once";
  }
}

TEST_F(RtfFileToolsTest, APrintThatCannotDrawIsReported) {
  setPrintService([](const std::string&, const PageDrawing& draw) {
    QPdfWriter writer(QString::fromStdString((tempFolder() / "no-such-folder/x.pdf").string()));
    return draw(writer);
  });
  testing::ScriptedMessages messages;
  control.setMarkup("{\\rtf1 Nota}");
  control.takeToolAccepted(static_cast<int>(RtfTool::Print));
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "No se pudo imprimir el documento.");
}

}  // namespace
}  // namespace rt
