// The notes list and form: the text box stores what is typed into the note
// it shows, only when changed, never over another workstation's change; the
// clipboard; duplicate descriptions; the codes the table gives new notes.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "core/shapes/list_thumb.h"
#include "organiser/tests/topic_test_kit.h"
#include "platform/base/cp_literal.h"
#include "platform/base/thread_timer.h"
#include "platform/ui/qt_text.h"

namespace organiser {
namespace {

using rt::testing::click;
using rt::testing::ScriptedMessages;
using testing::columnTexts;
using testing::ProbedNoteForm;
using testing::ProbedNotes;
using testing::selectRow;

class Notes : public testing::TopicWindows {
 protected:
  void SetUp() override {
    testing::TopicWindows::SetUp();
    GLO::ModoListado.assign(1, 'P');  // listings written as PDF files, no preview
  }
};

QPlainTextEdit* box(NoteList& l) { return l.control<QPlainTextEdit>("?TEX:NOTA"); }

// Types into the box as a user does: the box has the focus meanwhile.
void typeInto(NoteList& l, const char* text) {
  box(l)->setFocus();
  box(l)->setPlainText(text);
}

TEST_F(Notes, TextTypedInTheBoxIsStoredOnLeavingAndCopiedToTheClipboard) {
  onThread([&] {
    addNote("Banco", "cuenta 1");
    addNote("Compras", "pan");
    ProbedNotes list;
    list.probe([&](NoteList& l) {
      EXPECT_EQ(columnTexts(l, 0), (std::vector<std::string>{"Banco", "Compras"}));
      EXPECT_EQ(box(l)->toPlainText(), "cuenta 1");
      typeInto(l, "cuenta 2\ncon dos renglones");
      click(l, "?BUTTON7");
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(storedNote("Banco").first, "cuenta 2\ncon dos renglones");
      EXPECT_EQ(QGuiApplication::clipboard()->text(), "cuenta 2\ncon dos renglones");
      click(l, "?CLOSE");
    });
    EXPECT_EQ(list.Run(), rt::kCompleted);
    EXPECT_EQ(storedNote("Compras").first, "pan");
  });
}

TEST_F(Notes, AChangeThenAClickOnAnotherRowLandsInTheFirstNote) {
  onThread([&] {
    addNote("Banco", "cuenta");
    addNote("Compras", "pan");
    addNote("Dentista", "martes");
    ProbedNotes list;
    list.probe([&](NoteList& l) {
      typeInto(l, "cuenta cambiada");
      l.browser().list()->setFocus();
      selectRow(l, 2);
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(box(l)->toPlainText(), "martes");
      // The last note shown: its change is stored when the window closes.
      typeInto(l, "miércoles");
      l.post(rt::event::CloseWindow);
    });
    list.Run();
    EXPECT_EQ(storedNote("Banco").first, "cuenta cambiada");
    EXPECT_EQ(storedNote("Compras").first, "pan");
    EXPECT_EQ(storedNote("Dentista").first, testing::cp("miércoles"));
  });
}

TEST_F(Notes, AfterAListingAClickIntoTheBoxChangesNothing) {
  onThread([&] {
    addNote("Banco", "cuenta");
    addNote("Compras", "pan");
    addNote("Dentista", "martes");
    const auto before =
        std::vector{storedNote("Banco"), storedNote("Compras"), storedNote("Dentista")};
    ProbedNotes list;
    list.probe([&](NoteList& l) {
      selectRow(l, 0);
      click(l, "?BUTTONIMPTODAS");
    });
    list.probe([&](NoteList& l) {
      // The listing read every note through this thread's buffer.
      EXPECT_EQ(box(l)->toPlainText(), "cuenta");
      box(l)->setFocus();
      l.browser().list()->setFocus();
    });
    list.probe([&](NoteList& l) {
      typeInto(l, "cuenta nueva");
      l.browser().list()->setFocus();
    });
    list.probe([&](NoteList& l) { click(l, "?CLOSE"); });
    list.Run();
    EXPECT_EQ(storedNote("Banco").first, "cuenta nueva");
    EXPECT_EQ(storedNote("Compras"), before[1]);
    EXPECT_EQ(storedNote("Dentista"), before[2]);
  });
  EXPECT_TRUE(std::filesystem::exists(pdfOf("Listado de Notas")));
}

TEST_F(Notes, ANoteChangedElsewhereIsNotOverwrittenAndTheRefusalShown) {
  onThread([&] {
    addNote("Banco", "cuenta");
    ScriptedMessages messages;
    bool elsewhere = false;
    ProbedNotes list;
    list.probe([&](NoteList&) {
      // Another workstation stores the note meanwhile (its own buffers).
      rt::start([&elsewhere] {
        core::relate(core::Notas::def()).open();
        rt::Table& t = core::Notas::table();
        core::TEX().Descripcion = "Banco";
        EXPECT_EQ(t.fetch(core::Notas::TEX02), 0);
        core::TEX().Nota = "cuenta de la otra terminal";
        EXPECT_EQ(t.put(), 0);
        core::relate(core::Notas::def()).close();
        elsewhere = true;
      });
    });
    list.probe([&](NoteList& l) {
      // The other thread runs while this one waits.
      for (int i = 0; i < 500 && !elsewhere; ++i) rt::waitOnTimer(10);
      ASSERT_TRUE(elsewhere);
      typeInto(l, "cuenta de esta terminal");
      l.browser().list()->setFocus();
    });
    list.probe([&](NoteList& l) {
      ASSERT_EQ(messages.asked().size(), 1u);
      EXPECT_EQ(messages.asked()[0].caption, "Registro no Actualizado");
      EXPECT_EQ(box(l)->toPlainText(), "cuenta de la otra terminal");
      EXPECT_EQ(storedNote("Banco").first, "cuenta de la otra terminal");
      // As the message says, the history key gives the typing back.
      box(l)->setFocus();
      QTest::keyClick(box(l), Qt::Key_Apostrophe, Qt::ControlModifier);
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(box(l)->toPlainText(), "cuenta de esta terminal");
      click(l, "?CLOSE");
    });
    list.Run();
    EXPECT_EQ(storedNote("Banco").first, "cuenta de esta terminal");
  });
}

TEST_F(Notes, ATextTheNoteCannotHoldAsTypedStaysInTheBoxUnstored) {
  const struct {
    QString typed;
    const char* said;
  } cases[] = {
      {QString(10001, 'x'),
       "Nota: el texto tiene 10.001 caracteres y se pueden guardar hasta 10.000."},
      {QString::fromUtf8("Łukasz"), "Nota: el carácter U+0141 (posición 1) no se puede guardar"},
  };
  for (const auto& c : cases) {
    onThread([&] {
      addNote("Banco", "cuenta");
      ScriptedMessages messages;
      ProbedNotes list;
      list.probe([&](NoteList& l) {
        box(l)->setFocus();
        box(l)->setPlainText(c.typed);
        l.post(rt::event::CloseWindow);
      });
      list.probe([&](NoteList& l) {
        EXPECT_TRUE(l.isOpen()) << "closing would lose the text";
        EXPECT_EQ(box(l)->toPlainText(), c.typed);
        box(l)->setPlainText(QString(10000, 'y'));
        click(l, "?CLOSE");
      });
      list.Run();
      ASSERT_EQ(messages.asked().size(), 1u);
      EXPECT_NE(rt::toQString(messages.asked()[0].text).indexOf(QString::fromUtf8(c.said)), -1)
          << messages.asked()[0].text;
      EXPECT_EQ(storedNote("Banco").first, std::string(10000, 'y'));
      EXPECT_EQ(core::Notas::table().remove(), 0);  // the next case starts alike
    });
  }
}

TEST_F(Notes, ARefusedTextKeepsItsNoteWhenAnotherRowIsChosen) {
  onThread([&] {
    addNote("Banco", "cuenta");
    addNote("Compras", "pan");
    ScriptedMessages messages;
    ProbedNotes list;
    list.probe([&](NoteList& l) {
      typeInto(l, "Łukasz");
      l.browser().list()->setFocus();
      selectRow(l, 1);
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(messages.asked().size(), 1u) << "said once";
      EXPECT_EQ(box(l)->toPlainText(), QString::fromUtf8("Łukasz"));
      ASSERT_NE(l.browser().selectedRow(), nullptr);
      EXPECT_EQ(l.browser().selectedRow()->values.at(0), "Banco");
      typeInto(l, "Lukasz");
      l.browser().list()->setFocus();
      selectRow(l, 1);
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(box(l)->toPlainText(), "pan");
      click(l, "?CLOSE");
    });
    list.Run();
    EXPECT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(storedNote("Banco").first, "Lukasz");
    EXPECT_EQ(storedNote("Compras").first, "pan");
  });
}

// Drags the list's thumb to a step and lets it go, as a user does.
void dropThumb(NoteList& l, char letter) {
  QScrollBar* thumb = l.browser().thumb();
  ASSERT_NE(thumb, nullptr);
  const std::size_t step = core::alphabeticSteps().find(letter);
  ASSERT_NE(step, std::string::npos);
  thumb->setSliderDown(true);
  thumb->setSliderPosition(static_cast<int>(step));
  thumb->setSliderDown(false);
}

std::string selectedDescription(NoteList& l) {
  const core::ListRow* row = l.browser().selectedRow();
  return row != nullptr ? row->values.at(0) : "<none>";
}

const char kEnye = "Ñ"_cp[0];

int stepOf(char letter) { return static_cast<int>(core::alphabeticSteps().find(letter)); }

TEST_F(Notes, TheThumbStandsAtTheSelectedLetterAndMovesTheListByLetters) {
  onThread([&] {
    // More notes than the list shows; no K; lower-case ñ sorts as Ñ, after N.
    for (const char* first : {"1", "A", "b", "L", "N", "ñ"_cp}) {
      for (int n = 1; n <= 8; ++n) {
        const std::string description = std::string(first) + "-" + std::to_string(n);
        addNote(description, "texto de " + description);
      }
    }
    ProbedNotes list;
    list.probe([&](NoteList& l) {
      QScrollBar* thumb = l.browser().thumb();
      ASSERT_NE(thumb, nullptr);
      EXPECT_TRUE(thumb->isVisible()) << "over the list's scroll bar";
      EXPECT_EQ(thumb->geometry(), thumb->parentWidget()->rect());
      EXPECT_EQ(thumb->maximum(), static_cast<int>(core::alphabeticSteps().size()) - 1);
      EXPECT_EQ(thumb->value(), 0);
      dropThumb(l, 'K');
    });
    // The box follows the new selection once its event has come.
    const auto selectionLands = [](NoteList&) {};
    list.probe(selectionLands);
    list.probe([&](NoteList& l) {
      EXPECT_EQ(selectedDescription(l), "L-1") << "no K: the first from K on";
      EXPECT_EQ(box(l)->toPlainText(), "texto de L-1");
      EXPECT_EQ(l.browser().thumb()->value(), stepOf('L'));
      dropThumb(l, kEnye);
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(selectedDescription(l), "ñ-1"_cp);
      EXPECT_EQ(l.browser().thumb()->value(), stepOf(kEnye));
      l.browser().thumb()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    });
    list.probe(selectionLands);
    list.probe([&](NoteList& l) {
      EXPECT_EQ(selectedDescription(l), "N-8") << "an arrow moves one row";
      EXPECT_EQ(box(l)->toPlainText(), "texto de N-8");
      EXPECT_EQ(l.browser().thumb()->value(), stepOf('N'));
      dropThumb(l, 'Z');
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(selectedDescription(l), "ñ-8"_cp) << "nothing from Z on: the last";
      EXPECT_EQ(l.browser().thumb()->value(), stepOf(kEnye));
      dropThumb(l, 'A');
    });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(selectedDescription(l), "1-1") << "the first step holds what comes before A";
      EXPECT_EQ(l.browser().thumb()->value(), 0);
      l.browser().thumb()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    });
    list.probe([&](NoteList& l) {
      const QModelIndex current = l.browser().list()->currentIndex();
      EXPECT_GT(current.row(), 1) << "a page area moves a page";
      EXPECT_EQ(l.browser().thumb()->value(), core::alphabeticStep(selectedDescription(l)));
      click(l, "?CLOSE");
    });
    EXPECT_EQ(list.Run(), rt::kCompleted);
  });
}

TEST_F(Notes, TheThumbOfAnEmptyListMovesNothing) {
  onThread([&] {
    ProbedNotes list;
    list.probe([&](NoteList& l) { dropThumb(l, 'M'); });
    list.probe([&](NoteList& l) {
      EXPECT_EQ(l.browser().RecordsInView(), 0);
      EXPECT_EQ(l.browser().thumb()->value(), 0);
      EXPECT_FALSE(l.control("?CHANGE:6")->isEnabled());
      click(l, "?CLOSE");
    });
    EXPECT_EQ(list.Run(), rt::kCompleted);
  });
}

int runNoteForm(int request, const std::function<void(NoteForm&)>& step) {
  rt::ThreadRequest() = static_cast<std::uint8_t>(request);
  ProbedNoteForm form;
  form.probe(step);
  return form.Run();
}

TEST_F(Notes, DescriptionsDifferingOnlyInCaseAreRefusedAndNewNotesAreNumbered) {
  onThread([&] {
    // The refusal, then the save question over the changed note: No.
    ScriptedMessages messages({rt::button::Ok, rt::button::No});
    for (const char* description : {"Compras", "Banco"}) {
      EXPECT_EQ(runNoteForm(core::request::Insert,
                            [&](NoteForm& f) {
                              f.control<QLineEdit>("?TEX:DESCRIPCION")->setText(description);
                              f.control<QPlainTextEdit>("?TEX:NOTA")->setPlainText("texto");
                              click(f, "?OK");
                            }),
                rt::kCompleted);
    }
    rt::ThreadRequest() = core::request::Insert;
    ProbedNoteForm form;
    form.probe([](NoteForm& f) {
      f.control<QLineEdit>("?TEX:DESCRIPCION")->setText("COMPRAS");
      click(f, "?OK");
    });
    form.probe([](NoteForm& f) {
      EXPECT_TRUE(f.isOpen()) << "the form stays open";
      f.post(rt::event::Accepted, f.control("?CANCEL"));
    });
    EXPECT_EQ(form.Run(), rt::kCancelled);
    ASSERT_EQ(messages.asked().size(), 2u);
    EXPECT_EQ(messages.asked()[1].caption, "Guardar Registro");
    std::vector<std::pair<std::string, int>> stored;
    rt::Table& t = core::Notas::table();
    for (t.setToStart(core::Notas::TEX02); t.next() == 0;) {
      stored.emplace_back(std::string(rt::clip(core::TEX().Descripcion.view())),
                          core::TEX().CodigoInterno);
    }
    EXPECT_EQ(stored, (std::vector<std::pair<std::string, int>>{{"Banco", 2}, {"Compras", 1}}));
  });
  const std::vector<std::string> lines = logLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "FORMULARIONOTAS - Insertar - Cod. 1 - Ingreso");
  EXPECT_EQ(lines[1], "FORMULARIONOTAS - Aceptado - Cod. 1 - Salida");
}

}  // namespace
}  // namespace organiser
