// The printer set-up dialog: cancelling keeps the printer in use, accepting
// makes the dialog's printer the one every later print goes to.
#include "platform/ui/printer_setup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintDialog>
#include <QTimer>

#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

// Answers the next print dialog; notes the printer it showed and its title.
struct DialogAnswer {
  bool accept = false;
  QString shownPrinter;
  QString title;
  bool seen = false;

  void arm() {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll] {
      auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      poll->stop();
      poll->deleteLater();
      seen = true;
      title = dialog->windowTitle();
      shownPrinter = dialog->printer()->printerName();
      if (accept) {
        dialog->accept();
      } else {
        dialog->reject();
      }
    });
    poll->start(10);
  }
};

TEST(PrinterSetup, CancelKeepsThePrinterAndAcceptChoosesTheDialogsPrinter) {
  const PrinterNames previous = setInstalledPrinters([] { return std::vector<std::string>{"Recepcion"}; });
  setChosenPrinterName("");
  DialogAnswer cancel;
  cancel.arm();
  bool answer = true;
  ASSERT_TRUE(testing::runOnThread([&] { answer = printerSetup(); }));
  EXPECT_TRUE(cancel.seen);
  EXPECT_EQ(cancel.title, "Configurar Impresora");
  EXPECT_FALSE(answer);
  EXPECT_EQ(chosenPrinterName(), "");

  DialogAnswer accept;
  accept.accept = true;
  accept.arm();
  ASSERT_TRUE(testing::runOnThread([&] { answer = printerSetup(); }));
  EXPECT_TRUE(accept.seen);
  EXPECT_TRUE(answer);
  EXPECT_EQ(chosenPrinterName(), fromQString(accept.shownPrinter));
  setChosenPrinterName("");
  setInstalledPrinters(previous);
}

// Without any printer the set-up says so, in Spanish, and points to the PDF
// listings; no empty list is shown and the printer in use stays.
TEST(PrinterSetup, WithoutPrintersItSaysSoAndOffersThePdf) {
  const PrinterNames previous = setInstalledPrinters([] { return std::vector<std::string>{}; });
  setChosenPrinterName("");
  testing::ScriptedMessages messages;
  bool answer = true;
  ASSERT_TRUE(testing::runOnThread([&] { answer = printerSetup(); }));
  EXPECT_FALSE(answer);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text.rfind("No hay ninguna impresora instalada", 0), 0u);
  EXPECT_NE(messages.asked()[0].text.find("PDF"), std::string::npos);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  setInstalledPrinters(previous);
}

TEST(PrinterSetup, ANewPrinterStartsOnTheChosenOne) {
  // Without printers on the machine the name cannot be checked on the device;
  // the choice itself is what later prints read.
  setChosenPrinterName("Consultorio");
  EXPECT_EQ(chosenPrinterName(), "Consultorio");
  QPrinter untouched;
  const QString defaultName = untouched.printerName();
  setChosenPrinterName("");
  QPrinter printer;
  useChosenPrinter(printer);
  EXPECT_EQ(printer.printerName(), defaultName) << "no choice leaves the system's default";
}

}  // namespace
}  // namespace rt
