// The printer set-up window: it lists the machine's printers (asked off the
// window thread), accepting makes the printer picked there the one every
// later print goes to, cancelling keeps the printer in use.
#include "platform/ui/printer_setup.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>

#include "platform/ui/print_system.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

struct InstalledPrinters {
  PrintSystem previous;
  explicit InstalledPrinters(PrinterQuery answer) {
    previous = setPrintSystem({[answer] { return answer; }, {}, {}});
  }
  ~InstalledPrinters() { setPrintSystem(previous); }
};

const PrinterQuery kTwoPrinters{
    {{QStringLiteral("Recepcion"), true, {}}, {QStringLiteral("Consultorio"), false, {}}}, {}};

TEST(PrinterSetup, CancelKeepsThePrinterAndAcceptChoosesThePickedOne) {
  InstalledPrinters printers(kTwoPrinters);
  setChosenPrinterName("");
  QString acceptText, firstShown;
  QStringList offered;
  testing::WindowScript script;
  script.on("Configurar Impresora", [&](WindowDriver& w) {
    acceptText = w.control<QAbstractButton>("?OK")->text();
    auto* list = w.control<QListWidget>("?PRINTERS");
    for (int i = 0; i < list->count(); ++i) offered << list->item(i)->text();
    firstShown = list->currentItem()->text();
    testing::click(w, "?CANCEL");
  });
  script.on("Configurar Impresora", [](WindowDriver& w) {
    w.control<QListWidget>("?PRINTERS")->setCurrentRow(1);
    testing::click(w, "?OK");
  });
  bool answer = true;
  ASSERT_TRUE(testing::runOnThread([&] { answer = printerSetup(); }));
  EXPECT_FALSE(answer);
  EXPECT_EQ(chosenPrinterName(), "");
  EXPECT_EQ(acceptText, QStringLiteral("&Aceptar"));
  EXPECT_EQ(offered, (QStringList{QStringLiteral("Recepcion (predeterminada)"),
                                  QStringLiteral("Consultorio")}));
  EXPECT_EQ(firstShown, QStringLiteral("Recepcion (predeterminada)"));

  ASSERT_TRUE(testing::runOnThread([&] { answer = printerSetup(); }));
  EXPECT_TRUE(answer);
  EXPECT_EQ(chosenPrinterName(), "Consultorio");
  EXPECT_EQ(script.pending(), 0);
  setChosenPrinterName("");
}

// Without any printer, or when the print service cannot be asked, the set-up
// says so in Spanish (pointing to the PDF listings) instead of an empty list,
// and the printer in use stays.
TEST(PrinterSetup, WithoutPrintersOrServiceItSaysSo) {
  struct Case {
    PrinterQuery answer;
    const char* start;
  } cases[] = {
      {{}, "No hay ninguna impresora instalada"},
      {{{}, QString::fromUtf8("El servicio de impresión no está disponible.")},
       "No se pudo consultar las impresoras"},
  };
  for (const Case& c : cases) {
    InstalledPrinters printers(c.answer);
    setChosenPrinterName("Consultorio");
    testing::ScriptedMessages messages;
    bool answer = true;
    ASSERT_TRUE(testing::runOnThread([&] { answer = printerSetup(); }));
    EXPECT_FALSE(answer);
    ASSERT_EQ(messages.asked().size(), 1u) << c.start;
    EXPECT_EQ(messages.asked()[0].text.rfind(c.start, 0), 0u) << messages.asked()[0].text;
    EXPECT_EQ(chosenPrinterName(), "Consultorio");
    EXPECT_TRUE(WindowDriver::openWindows().empty());
  }
  setChosenPrinterName("");
}

}  // namespace
}  // namespace rt
