// The templates' list and form: the preview follows the current row, a
// search finds a word of a template's text, F2 puts a macro's reference over
// the selection, a viewed template saves nothing, and a template whose markup
// passes the limit is refused with the form left open.
#include "letters/template_windows.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTextCursor>

#include "core/shapes/export_handover.h"
#include "letters/macro_windows.h"
#include "letters/tests/letter_fixture.h"
#include "platform/base/procedures.h"

namespace letters {
namespace {

using catalogs::testing::columnTexts;
using catalogs::testing::selectedText;
using catalogs::testing::selectRow;
using core::testing::Probed;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::cp;
using testing::plainOf;

std::string rtf(const char* utf8Words) {
  std::string markup = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  for (unsigned char c : cp(utf8Words)) {
    if (c > 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\'%02x", c);
      markup += hex;
    } else {
      markup += static_cast<char>(c);
    }
  }
  return markup + "\\par}";
}

class TemplateWindows : public testing::LetterWindows {};

TEST_F(TemplateWindows, ThePreviewFollowsTheRowAndASearchFindsAWordOfTheText) {
  onLetterThread([&] {
    addTemplate("Alta", rtf("Se otorga el alta al paciente."));
    addTemplate("Certificado", rtf("Certifico que concurrió a la consulta."));
    addTemplate("Derivación"_cp, rtf("Derivo al paciente a cardiología."));
    addTemplate("Vieja", rtf("Ya no se usa."), 1);
    WindowScript dialogs;
    dialogs.on("Busqueda...", [](rt::WindowDriver& w) {
      auto* fields = w.control<QComboBox>("?SEARCHFIELDS");
      fields->setCurrentIndex(fields->findText("Texto"));
      w.post(rt::event::Accepted, fields);
      w.control<QLineEdit>("?SEARCHVALUE")->setText(QString::fromUtf8("cardiología"));
      click(w, "?FIND");
    });
    Probed<TemplateList> list;
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_EQ(columnTexts(l, 1),
                (std::vector<std::string>{"Alta", "Certificado", cp("Derivación")}));
      EXPECT_FALSE(l.browser().list()->isColumnHidden(2) && l.browser().list()->columnWidth(2) > 0);
      EXPECT_EQ(plainOf(l.control<QTextEdit>("?PREVIEW")), "Se otorga el alta al paciente.");
      selectRow(l, 1);
    });
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_EQ(plainOf(l.control<QTextEdit>("?PREVIEW")),
                cp("Certifico que concurrió a la consulta."));
      testing::screenShot(l.window(), "template-list");
      selectRow(l, 0);
      QTest::keyClick(l.browser().list(), Qt::Key_B, Qt::ControlModifier);
    });
    list.probe([&](catalogs::CatalogList& l) {
      EXPECT_EQ(selectedText(l, 1), cp("Derivación"));
      EXPECT_EQ(plainOf(l.control<QTextEdit>("?PREVIEW")), cp("Derivo al paciente a cardiología."));
      click(l, "?CLOSE");
    });
    list.Run();
    EXPECT_EQ(dialogs.pending(), 0);
  });
}

TEST_F(TemplateWindows, F2PutsTheChosenMacrosReferenceOverTheSelection) {
  onLetterThread([&] {
    addMacro("PACNOMBRE", "Nombre del Paciente", 1);
    addMacro("MEDNOMBRE", "FNombre del Profesional", 1);
    WindowScript lists;
    lists.on("Examinando el archivo de Macros", [](rt::WindowDriver& w) {
      auto& list = dynamic_cast<catalogs::CatalogList&>(w);
      selectRow(list, 0);  // "FNombre del Profesional" comes first
      w.post(rt::event::NewSelection, list.browser().list());
      click(w, "?SELECT");
    });
    rt::ThreadRequest() = core::request::Insert;
    Probed<TemplateForm> form;
    form.probe([](core::RecordForm& f) {
      EXPECT_EQ(f.window()->windowTitle(), "Agregando Registro");
      f.control<QLineEdit>("?NMA:DESCRIPCION")->setText("Saludo");
      auto* text = f.control<QTextEdit>("?NMA:TEXTO");
      text->setPlainText("Atte. XXX, fin");
      QTextCursor cursor = text->textCursor();
      cursor.setPosition(6);
      cursor.setPosition(9, QTextCursor::KeepAnchor);
      text->setTextCursor(cursor);
      text->setFocus();
      QTest::keyClick(text, Qt::Key_F2);
    });
    form.probe([](core::RecordForm&) {});  // the paste the lookup posted
    form.probe([](core::RecordForm& f) {
      EXPECT_EQ(plainOf(f.control<QTextEdit>("?NMA:TEXTO")), "Atte. ***MEDNOMBRE***, fin");
      testing::screenShot(f.window(), "template-form");
      EXPECT_EQ(QApplication::clipboard()->text(), "***MEDNOMBRE***");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(lists.pending(), 0);
    core::NotasMacros::table().clear();
    core::NMA().Cod_NotaMacro = 1;
    ASSERT_EQ(core::NotasMacros::table().fetch(core::NotasMacros::NMA01), 0);
    EXPECT_NE(std::string(core::NMA().Texto.clipped()).find("***MEDNOMBRE***"), std::string::npos);
  });
}

// Enter in a template's text ends a paragraph, as in every rich-text box.
TEST_F(TemplateWindows, EnterInTheTextStartsAParagraph) {
  onLetterThread([&] {
    const std::int64_t position = addTemplate("Carta", rtf("Estimado"));
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    rt::ThreadRequest() = core::request::Change;
    Probed<TemplateForm> form;
    form.probe([](core::RecordForm& f) {
      auto* text = f.control<QTextEdit>("?NMA:TEXTO");
      text->moveCursor(QTextCursor::End);
      QTest::keyClicks(text, "primero");
      QTest::keyClick(text, Qt::Key_Return);
      QTest::keyClicks(text, "segundo");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    const std::string stored(core::NMA().Texto.clipped());
    EXPECT_NE(stored.find("primero\\par"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("\\line"), std::string::npos) << stored;
  });
}

TEST_F(TemplateWindows, CtrlHInTheTextPutsBackTheTextSavedLast) {
  onLetterThread([&] {
    rt::ThreadRequest() = core::request::Insert;
    Probed<TemplateForm> first;
    first.probe([](core::RecordForm& f) {
      f.control<QLineEdit>("?NMA:DESCRIPCION")->setText("Primera");
      f.control<QTextEdit>("?NMA:TEXTO")->setPlainText("Texto guardado");
      click(f, "?OK");
    });
    ASSERT_EQ(first.Run(), rt::kCompleted);

    rt::ThreadRequest() = core::request::Insert;
    Probed<TemplateForm> form;
    form.probe([](core::RecordForm& f) {
      auto* text = f.control<QTextEdit>("?NMA:TEXTO");
      EXPECT_EQ(plainOf(text), "");
      text->setFocus();
      QTest::keyClick(text, Qt::Key_H, Qt::ControlModifier);
    });
    form.probe([](core::RecordForm& f) {
      EXPECT_EQ(plainOf(f.control<QTextEdit>("?NMA:TEXTO")), "Texto guardado");
      EXPECT_EQ(f.control<QLineEdit>("?NMA:DESCRIPCION")->text(), "") << "only the text";
      click(f, "?CANCEL");
    });
    ScriptedMessages leave({rt::button::Yes});  // whether to cancel the change
    form.Run();
  });
}

TEST_F(TemplateWindows, AViewedTemplateSavesNothingAndAnOversizedOneIsRefused) {
  onLetterThread([&] {
    const std::string stored = rtf("Texto original.");
    const std::int64_t position = addTemplate("Original", stored);
    // Viewed: the editor may change, nothing is saved, the answer is 2.
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    rt::ThreadRequest() = core::request::View;
    Probed<TemplateForm> viewed;
    viewed.probe([](core::RecordForm& f) {
      EXPECT_EQ(f.window()->windowTitle(), "Ver Registro");
      EXPECT_TRUE(f.control<QLineEdit>("?NMA:DESCRIPCION")->isReadOnly());
      EXPECT_FALSE(f.control("?INSERTARMACRO")->isEnabled());
      EXPECT_FALSE(f.control("?RTFFONTNAME")->isEnabled());
      f.control<QTextEdit>("?NMA:TEXTO")->setPlainText("Cambiado");
      click(f, "?OK");
    });
    EXPECT_EQ(viewed.Run(), rt::kCancelled);
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    EXPECT_EQ(core::NMA().Texto.clipped(), stored);

    // Changed past the limit: refused, the form stays open with its text.
    rt::ThreadRequest() = core::request::Change;
    ScriptedMessages messages({rt::button::Ok, rt::button::Yes});
    Probed<TemplateForm> changed;
    changed.probe([](core::RecordForm& f) {
      EXPECT_EQ(f.window()->windowTitle(), "Modificando Registro");
      f.control<QTextEdit>("?NMA:TEXTO")->setPlainText(QString(12000, 'x'));
      click(f, "?OK");
    });
    changed.probe([&](core::RecordForm& f) {
      ASSERT_EQ(messages.asked().size(), 1u);
      EXPECT_NE(messages.asked()[0].text.find("10.000"), std::string::npos);
      EXPECT_TRUE(f.isOpen());
      EXPECT_EQ(plainOf(f.control<QTextEdit>("?NMA:TEXTO")).size(), 12000u);
      click(f, "?CANCEL");  // "¿Desea Ud.cancelar?" Yes
    });
    EXPECT_EQ(changed.Run(), rt::kCancelled);
    ASSERT_EQ(messages.asked().size(), 2u);
    EXPECT_EQ(messages.asked()[1].text, "¿Desea Ud.cancelar?"_cp);
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    EXPECT_EQ(core::NMA().Texto.clipped(), stored);
  });
}

// Over the limit, Esc and No to cancelling, then the text undone back to
// the stored one: OK keeps the stored markup whole.
TEST_F(TemplateWindows, ATextUndoneAfterARefusedCloseIsStoredWhole) {
  onLetterThread([&] {
    const std::string stored = rtf("Texto original.");
    const std::int64_t position = addTemplate("Original", stored);
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    rt::ThreadRequest() = core::request::Change;
    ScriptedMessages messages({rt::button::No});
    Probed<TemplateForm> form;
    form.probe([](core::RecordForm& f) {
      auto* text = f.control<QTextEdit>("?NMA:TEXTO");
      QTextCursor cursor(text->document());
      cursor.select(QTextCursor::Document);
      cursor.insertText(QString(12000, 'x'));
      f.post(rt::event::CloseWindow);
    });
    form.probe([&](core::RecordForm& f) {
      ASSERT_EQ(messages.asked().size(), 1u);
      EXPECT_EQ(messages.asked()[0].text, "¿Desea Ud.cancelar?"_cp);
      auto* text = f.control<QTextEdit>("?NMA:TEXTO");
      while (text->document()->isUndoAvailable()) text->undo();
      EXPECT_EQ(plainOf(text), "Texto original.");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(messages.asked().size(), 1u);
    ASSERT_EQ(core::NotasMacros::table().fetchPosition(position), 0);
    EXPECT_EQ(core::NMA().Texto.clipped(), stored);
  });
}

}  // namespace
}  // namespace letters

namespace letters {
namespace {

// What the export window's stand-in was handed by a list.
struct Handed {
  std::vector<std::string> titles;
  std::vector<int> widths;
  std::string fields, title, procedure;
  int mode = -1;
  std::vector<std::vector<std::string>> rows;
};

class ListExports : public testing::LetterWindows {
 protected:
  void SetUp() override {
    testing::LetterWindows::SetUp();
    rt::registerProcedure(core::kExportWindow, [this](const rt::ProcedureArgs&) {
      const core::ExportHandOver* h = core::currentExportHandOver();
      handed_ = {};
      for (const core::ExportColumn& c : h->columns) {
        handed_.titles.push_back(c.name);
        handed_.widths.push_back(c.width);
      }
      handed_.fields = h->parameters.at(0);
      handed_.title = h->title;
      handed_.procedure = h->group->procedure;
      handed_.mode = h->mode;
      for (const std::vector<std::string>& row : core::allExportRows(*h->rows, 4))
        handed_.rows.push_back({row[0], row[1], row[2], row[3]});
      return 0;
    });
  }
  void TearDown() override {
    rt::unregisterProcedure(core::kExportWindow);
    testing::LetterWindows::TearDown();
  }
  template <class List>
  void exportFrom() {
    Probed<List> list;
    list.probe([](catalogs::CatalogList& l) { click(l, "?EXPORTAR"); });
    list.probe([](catalogs::CatalogList& l) { click(l, "?CLOSE"); });
    list.Run();
  }
  Handed handed_;
};

TEST_F(ListExports, TheTemplatesAndTheMacrosHandOverTheirColumns) {
  onLetterThread([&] {
    addTemplate("Alta", rtf("Se otorga el alta."));
    addMacro("RECETA", "Receta", 0);
    exportFrom<TemplateList>();
    EXPECT_EQ(handed_.titles,
              (std::vector<std::string>{cp("Cód."), cp("Descripción"), "Texto", "Inactivo"}));
    EXPECT_EQ(handed_.widths[2], 0);
    EXPECT_EQ(handed_.widths[3], 0);
    EXPECT_EQ(handed_.fields, "1,2,3,4,");
    EXPECT_EQ(handed_.title, "Administrator the NotasMacros");
    EXPECT_EQ(handed_.procedure, "ExaminarNotasConMacros9");
    EXPECT_EQ(handed_.mode, 0);
    ASSERT_EQ(handed_.rows.size(), 1u);
    EXPECT_EQ(handed_.rows[0][2], "Se otorga el alta.");  // the words, not the markup
    EXPECT_EQ(handed_.rows[0][3], "0");

    exportFrom<MacroListWindow>();
    EXPECT_EQ(handed_.titles,
              (std::vector<std::string>{"Cod.", cp("Descripción"), "Identificador"}));
    EXPECT_EQ(handed_.fields, "1,2,3,");
    EXPECT_EQ(handed_.title, "Administrator the Macros");
    EXPECT_EQ(handed_.procedure, "ExaminarMacros8");
    ASSERT_EQ(handed_.rows.size(), 1u);
    EXPECT_EQ(handed_.rows[0][2], "RECETA");
  });
}

}  // namespace
}  // namespace letters
