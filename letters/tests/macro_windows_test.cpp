// The macros' list and form: a system macro's row keeps "&Modificar",
// "&Borrar", their keys and the double click from acting, a user macro's row
// gives them back; the identifier is stored in capitals.
#include "letters/macro_windows.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "letters/tests/letter_fixture.h"

namespace letters {
namespace {

using catalogs::testing::columnTexts;
using catalogs::testing::selectRow;
using core::testing::Probed;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::cp;

class MacroWindows : public testing::LetterWindows {};

TEST_F(MacroWindows, ASystemMacrosRowLocksChangeAndDeleteAndAUserMacrosRowFreesThem) {
  onLetterThread([&] {
    addMacro("PACNOMBRE", "Nombre del Paciente", 1);
    addMacro("DIAGNOSTICO", "Diagnóstico"_cp, 0);
    ScriptedMessages messages({rt::button::No});
    WindowScript forms;
    forms.on("Modificando Registro", [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
    Probed<MacroListWindow> list;
    list.probe([&](catalogs::CatalogList& l) {
      ASSERT_EQ(columnTexts(l, 1),
                (std::vector<std::string>{cp("Diagnóstico"), "Nombre del Paciente"}));
      selectRow(l, 1);  // the system macro
    });
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_FALSE(l.control("?CHANGE")->isEnabled());
      EXPECT_FALSE(l.control("?DELETE")->isEnabled());
      testing::screenShot(l.window(), "macro-list");
      EXPECT_TRUE(l.control("?INSERT")->isEnabled());
      EXPECT_TRUE(l.control("?EXPORTAR")->isEnabled());
      QTest::keyClick(l.browser().list(), Qt::Key_Delete);
      QTest::keyClick(l.browser().list(), Qt::Key_Return);
      l.post(rt::event::Accepted, l.browser().list());  // a double click
    });
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_TRUE(messages.asked().empty()) << "no delete asked";
      EXPECT_EQ(forms.pending(), 1) << "no form opened";
      selectRow(l, 0);  // the user's macro
    });
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_TRUE(l.control("?CHANGE")->isEnabled());
      EXPECT_TRUE(l.control("?DELETE")->isEnabled());
      QTest::keyClick(l.browser().list(), Qt::Key_Delete);  // asked, answered No
    });
    list.probe([&](catalogs::CatalogList& l) {
      ASSERT_EQ(messages.asked().size(), 1u);
      l.post(rt::event::Accepted, l.browser().list());
    });
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_EQ(forms.pending(), 0) << "the form opened on the user's macro";
      click(l, "?CLOSE");
    });
    list.Run();
  });
}

TEST_F(MacroWindows, TheIdentifierIsStoredInCapitals) {
  onLetterThread([&] {
    rt::ThreadRequest() = core::request::Insert;
    Probed<MacroForm> form;
    form.probe([](catalogs::CatalogForm& f) {
      EXPECT_EQ(f.window()->windowTitle(), "Agregando Registro");
      f.control<QLineEdit>("?MAC:DESCRIPCION")->setText("Receta");
      auto* identifier = f.control<QLineEdit>("?MAC:IDENTIFICADOR");
      identifier->setFocus();
      QTest::keyClicks(identifier, "receta ");
      QKeyEvent enye(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("ñ"));
      QApplication::sendEvent(identifier, &enye);
      f.post(rt::event::Accepted, identifier);  // as leaving the entry does
    });
    form.probe([](catalogs::CatalogForm& f) {
      EXPECT_EQ(rt::fromQString(f.control<QLineEdit>("?MAC:IDENTIFICADOR")->text()),
                cp("RECETA Ñ"));
      testing::screenShot(f.window(), "macro-form");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    core::Macros::table().clear();
    core::MAC().Identificador = cp("RECETA Ñ");
    EXPECT_EQ(core::Macros::table().fetch(core::Macros::MAC03), 0);
  });
}

}  // namespace
}  // namespace letters
