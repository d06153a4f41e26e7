// The organiser's record forms: closing a changed record with Cancel asks
// whether to save it, with Cancel as the default answer.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <string>

#include "core/tables/catalog_tables.h"
#include "organiser/address_book.h"
#include "organiser/note_windows.h"
#include "organiser/reminders.h"
#include "organiser/tests/organiser_test_kit.h"
#include "organiser/topic_windows.h"
#include "platform/base/cp_literal.h"

namespace organiser {
namespace {

using rt::testing::click;
using rt::testing::ScriptedMessages;

class FormQuestions : public testing::OrganiserTables {
 protected:
  // An insert with a typed text: Cancel asks, the answer Cancel goes back
  // to the first field; Cancel again, answered No, leaves nothing stored.
  template <class Form>
  void cancelAsksToSave(const rt::TableDef& def, const char* entry) {
    SCOPED_TRACE(entry);
    ScriptedMessages answers({rt::button::Cancel, rt::button::No});
    QWidget* first = nullptr;
    const int answer = runProbed<Form>(core::request::Insert, def,
                                       {[&](Form& f) {
                                          first = f.FIRSTFIELD;
                                          ASSERT_NE(first, nullptr);
                                          f.template control<QLineEdit>(entry)->setText("Cambiado");
                                          f.control("?OK")->setFocus();
                                          click(f, "?CANCEL");
                                        },
                                        [](Form&) {},  // the close request Cancel posted
                                        [&](Form& f) {
                                          EXPECT_TRUE(f.isOpen()) << "Cancel keeps the form";
                                          EXPECT_EQ(f.window()->focusWidget(), first);
                                          click(f, "?CANCEL");
                                        }});
    EXPECT_EQ(answer, rt::kCancelled);
    ASSERT_EQ(answers.asked().size(), 2u);
    const rt::MessageRequest& asked = answers.asked()[0];
    EXPECT_EQ(asked.text, "¿ Desea guardar los cambios?"_cp);
    EXPECT_EQ(asked.caption, "Guardar Registro");
    EXPECT_EQ(asked.buttons, rt::button::Yes | rt::button::No | rt::button::Cancel);
    EXPECT_EQ(asked.defaultButton, rt::button::Cancel);
    EXPECT_EQ(rt::table(def).records(), 0) << "nothing stored";
  }
};

TEST_F(FormQuestions, EveryOrganiserFormAsksToSaveWithCancelTheDefault) {
  cancelAsksToSave<ReminderForm>(core::AgendaRecordatoria::def(), "?AGG:ASUNTO");
  cancelAsksToSave<CategoryForm>(core::RubrosAgenda::def(), "?RAG:DESCRIPCION");
  cancelAsksToSave<ContactForm>(core::Agenda::def(), "?AGE:NOMBRE");
  cancelAsksToSave<TopicForm>(core::Temas::def(), "?TEM:ASUNTO");
  cancelAsksToSave<NoteForm>(core::Notas::def(), "?TEX:DESCRIPCION");
}

}  // namespace
}  // namespace organiser
