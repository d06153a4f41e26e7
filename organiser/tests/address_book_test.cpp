// The address book: the categories list with its copy and its search key,
// the contacts list with its filter and outer joins, and the contact form
// with its two lookups, the mail link and its protection.
#include "organiser/address_book.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <string>
#include <vector>

#include "core/tables/catalog_tables.h"
#include "organiser/tests/organiser_test_kit.h"
#include "platform/base/cp_literal.h"
#include "platform/ui/qt_text.h"

namespace organiser {
namespace {

using core::AGE;
using core::Agenda;
using core::RAG;
using core::RubrosAgenda;
using core::testing::Probed;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

constexpr char kSearchTitle[] = "Busqueda...";

class AddressBook : public testing::OrganiserTables {
 protected:
  static int addCategory(const char* description, const char* notes = "") {
    RubrosAgenda::table().clear();
    RAG().Descripcion = description;
    RAG().Notas = notes;
    EXPECT_EQ(RubrosAgenda::table().addNumbered(), 0);
    return RAG().Cod_RubroAgenda;
  }
  // Numbered after the highest code unless a code is given.
  static int addContact(const char* name, int category = 0, std::uint32_t postal = 0,
                        int inactive = 0, int code = 0) {
    Agenda::table().clear();
    AGE().Nombre = name;
    AGE().Domicilio = "Calle 1";
    AGE().Cod_RubroAgenda = static_cast<std::uint16_t>(category);
    AGE().Cod_Postal = postal;
    AGE().Inactivo = static_cast<std::uint8_t>(inactive);
    AGE().Cod_Agenda = static_cast<std::uint16_t>(code);
    EXPECT_EQ(code != 0 ? Agenda::table().add() : Agenda::table().addNumbered(), 0);
    return AGE().Cod_Agenda;
  }
  static void addLocality(std::uint32_t code, const char* name) {
    core::Localidades::table().clear();
    core::LOC().Cod_Postal = code;
    core::LOC().NombreLocalidad = name;
    ASSERT_EQ(core::Localidades::table().add(), 0);
  }
  static std::vector<std::string> categories() {
    std::vector<std::string> all;
    rt::Table& t = RubrosAgenda::table();
    t.setToStart(RubrosAgenda::RAG01);
    while (t.next() == 0) {
      all.push_back(std::to_string(RAG().Cod_RubroAgenda) + " " +
                    std::string(RAG().Descripcion.clipped()) + " / " + RAG().Notas);
    }
    return all;
  }
  static bool readContact(int code) {
    AGE().Cod_Agenda = static_cast<std::uint16_t>(code);
    return Agenda::table().fetch(Agenda::AGE01) == 0;
  }

  int runCategories(const std::vector<std::function<void(CategoryList&)>>& steps, int request = 0) {
    return runProbed<CategoryList>(request, RubrosAgenda::def(), steps);
  }
  void runContacts(const std::vector<std::function<void(ContactList&)>>& steps) {
    runProbed<ContactList>(0, Agenda::def(), steps);
  }
  int runContactForm(int request, const std::vector<std::function<void(ContactForm&)>>& steps,
                     int code = 0) {
    return runProbed<ContactForm>(
        request, Agenda::def(), steps, [] { return new Probed<ContactForm>; },
        [code] {
          if (code != 0) {
            EXPECT_TRUE(readContact(code));
          }
        });
  }
};

QString cell(core::ListBrowser& b, int row, int column) {
  QAbstractItemModel* m = b.list()->model();
  return m->data(m->index(row, column)).toString();
}

// ------------------------------------------------------------ categories

TEST_F(AddressBook, CopyStartsANewCategoryFromTheSelectedOneAndAgregarStartsEmpty) {
  addCategory("Proveedores", "los de siempre");
  WindowScript forms;
  forms.on("Actualizando un Rubro para la Agenda", [](rt::WindowDriver& w) {
    EXPECT_EQ(w.control<QLineEdit>("?RAG:DESCRIPCION")->text(), "Proveedores");
    EXPECT_EQ(w.control<QPlainTextEdit>("?RAG:NOTAS")->toPlainText(), "los de siempre");
    EXPECT_EQ(w.control<QLineEdit>("?RAG:COD_RUBROAGENDA")->text().trimmed(), "2");
    click(w, "?OK");
  });
  forms.on("Actualizando un Rubro para la Agenda", [](rt::WindowDriver& w) {
    EXPECT_EQ(w.control<QLineEdit>("?RAG:DESCRIPCION")->text(), "");
    EXPECT_EQ(w.control<QPlainTextEdit>("?RAG:NOTAS")->toPlainText(), "");
    click(w, "?CANCEL");
  });
  runCategories({[](CategoryList& l) { click(l, "?COPY"); },
                 [](CategoryList&) {},  // the copy goes on through "&Agregar"
                 [](CategoryList& l) {
                   EXPECT_EQ(l.browser().RecordsInView(), 2);
                   click(l, "?INSERT");
                 },
                 [](CategoryList& l) { click(l, "?CLOSE"); }});
  EXPECT_EQ(forms.pending(), 0);
  EXPECT_EQ(categories(), (std::vector<std::string>{"1 Proveedores / los de siempre",
                                                    "2 Proveedores / los de siempre"}));
}

TEST_F(AddressBook, CopyIsOffWhileTheListIsEmptyAndACategoryInUseIsNotDeleted) {
  runCategories({[](CategoryList& l) {
    EXPECT_FALSE(l.control("?COPY")->isEnabled());
    click(l, "?CLOSE");
  }});
  const int used = addCategory("Bancos");
  addContact("Banco Sur", used);
  ScriptedMessages messages({rt::button::Yes, rt::button::Ok});
  const int answer = runProbed<CategoryForm>(
      core::request::Delete, RubrosAgenda::def(), {}, [] { return new Probed<CategoryForm>; },
      [used] {
        RAG().Cod_RubroAgenda = static_cast<std::uint16_t>(used);
        RubrosAgenda::table().fetch(RubrosAgenda::RAG01);
      });
  EXPECT_EQ(answer, rt::kCancelled);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[1].caption, "Error de Integridad Referencial (Borrado)");
  EXPECT_NE(messages.asked()[1].text.find("Agenda"), std::string::npos) << messages.asked()[1].text;
  EXPECT_EQ(categories().size(), 1u);
}

TEST_F(AddressBook, CtrlFSearchesTheCategoriesAndCtrlBDoesNot) {
  addCategory("Bancos");
  addCategory("Farmacias");
  addCategory("Proveedores");
  WindowScript dialogs;
  dialogs.on(kSearchTitle, [](rt::WindowDriver& w) {
    w.control<QComboBox>("?SEARCHFIELDS")->setCurrentIndex(1);
    w.post(rt::event::Accepted, w.control("?SEARCHFIELDS"));
    w.control<QLineEdit>("?SEARCHVALUE")->setText("farm");
    w.post(rt::event::Accepted, w.control("?FIND"));
  });
  dialogs.on(kSearchTitle, [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
  ScriptedMessages messages;
  const int ctrlB = Qt::Key_B | static_cast<int>(Qt::ControlModifier);
  const int ctrlF = Qt::Key_F | static_cast<int>(Qt::ControlModifier);
  runCategories({[&](CategoryList& l) {
                   EXPECT_FALSE(l.search()->TakeKey(ctrlB));
                   EXPECT_TRUE(l.search()->TakeKey(ctrlF));
                 },
                 [&](CategoryList& l) {
                   EXPECT_EQ(l.browser().list()->currentIndex().row(), 1);
                   l.search()->TakeKey(ctrlF);
                 },
                 [](CategoryList& l) { click(l, "?CLOSE"); }});
  EXPECT_EQ(dialogs.pending(), 0);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "No se ha definido el criterio de busqueda.");
  EXPECT_EQ(messages.asked()[0].caption, "Buscar");
}

// -------------------------------------------------------------- contacts

TEST_F(AddressBook, TheListHidesInactiveEntriesJoinsOuterAndOrdersEqualNamesByCode) {
  const int bank = addCategory("Bancos");
  addLocality(1000, "BUENOS AIRES");
  addContact("Perez", 0, 0, 0, 5);  // stored before an equal name of a lower code
  addContact("Gomez", 77, 9999);    // codes that match nothing
  addContact("Perez", bank, 1000, 0, 2);
  addContact("Alvarez", bank, 1000, 1);
  runContacts({[](ContactList& l) {
                 core::ListBrowser& b = l.browser();
                 ASSERT_EQ(b.RecordsInView(), 3);
                 EXPECT_EQ(cell(b, 0, 0), "Gomez");
                 EXPECT_EQ(cell(b, 0, 2), "") << "no such locality";
                 EXPECT_EQ(cell(b, 0, 5), "") << "no such category";
                 EXPECT_EQ(b.field(1, 7), "2") << "equal names by code";
                 EXPECT_EQ(cell(b, 1, 2), "BUENOS AIRES");
                 EXPECT_EQ(cell(b, 1, 5), "Bancos");
                 EXPECT_EQ(b.field(2, 7), "5");
                 click(l, "?LOC:SOLOACTIVOS");
               },
               [](ContactList& l) {
                 EXPECT_EQ(l.browser().RecordsInView(), 4);
                 EXPECT_EQ(cell(l.browser(), 0, 0), "Alvarez");
                 click(l, "?CLOSE");
               }});
}

TEST_F(AddressBook, PostalCodeZeroLooksNothingUpAndAnUnknownOneOpensTheLocalities) {
  addLocality(1000, "BUENOS AIRES");
  const int code = addContact("Perez");
  int calls = 0;
  rt::registerProcedure("ExaminarLocalidades", [&](const rt::ProcedureArgs&) {
    ++calls;
    EXPECT_EQ(rt::ThreadRequest(), core::request::Select);
    EXPECT_EQ(core::LOC().Cod_Postal, 4321u);
    return rt::kCancelled;
  });
  auto enter = [](ContactForm& f, const char* value) {
    auto* e = f.control<QLineEdit>("?AGE:COD_POSTAL");
    e->setText(value);
    f.post(rt::event::Accepted, e);
  };
  ScriptedMessages leaving({rt::button::No});
  runContactForm(core::request::Change,
                 {[&](ContactForm& f) { enter(f, "0000-000"); },
                  [&](ContactForm& f) {
                    EXPECT_EQ(calls, 0);
                    enter(f, "0001-000");
                  },
                  [&](ContactForm& f) {
                    EXPECT_EQ(calls, 0);
                    EXPECT_EQ(f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->text(), "BUENOS AIRES");
                    enter(f, "0004-321");
                  },
                  [&](ContactForm& f) {
                    EXPECT_EQ(calls, 1);
                    EXPECT_EQ(f.control<QLineEdit>("?AGE:COD_POSTAL")->text(), "0004-321");
                    EXPECT_EQ(f.window()->focusWidget(), f.control("?AGE:COD_POSTAL"));
                    EXPECT_EQ(f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->text(), "");
                    click(f, "?OK");
                  },
                  [&](ContactForm& f) {
                    EXPECT_EQ(calls, 2) << "OK takes the code again";
                    ASSERT_TRUE(f.isOpen());
                    EXPECT_EQ(f.window()->focusWidget(), f.control("?AGE:COD_POSTAL"));
                    click(f, "?CANCEL");  // No to saving it
                  }},
                 code);
  ASSERT_TRUE(readContact(code));
  EXPECT_EQ(AGE().Cod_Postal, 0u) << "a code matching nothing is not stored";
  ASSERT_EQ(leaving.asked().size(), 1u);
  EXPECT_EQ(leaving.asked()[0].caption, "Guardar Registro");
}

TEST_F(AddressBook, TheMailLinkOpensMailtoAndEscMovesToOk) {
  const int code = addContact("Perez");
  std::vector<std::string> opened;
  rt::ShellOpener previous =
      rt::setShellOpener([&](const std::string& target) { opened.push_back(target); });
  ScriptedMessages messages({rt::button::No});
  runContactForm(core::request::Change,
                 {[](ContactForm& f) {
                    EXPECT_EQ(f.control<QLabel>("?STATUSBAR")->text(), "Record will be Changed");
                    click(f, "?MAILLINK");
                  },
                  [](ContactForm& f) {
                    f.control("?AGE:NOMBRE")->setFocus();
                    QTest::keyClick(f.control("?AGE:NOMBRE"), Qt::Key_Escape);
                  },
                  [](ContactForm& f) {
                    EXPECT_TRUE(f.isOpen());
                    EXPECT_EQ(f.window()->focusWidget(), f.control("?OK"));
                    f.control<QLineEdit>("?AGE:NOMBRE")->setText("");
                    click(f, "?OK");  // the name is required
                  },
                  [](ContactForm& f) {
                    EXPECT_EQ(f.window()->focusWidget(), f.control("?AGE:NOMBRE"));
                    click(f, "?CANCEL");  // changed: asks, and No leaves it
                  }},
                 code);
  rt::setShellOpener(previous);
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:"});
  EXPECT_EQ(messages.asked().size(), 1u);
  ASSERT_TRUE(readContact(code));
  EXPECT_EQ(AGE().Nombre.clipped(), "Perez");
}

}  // namespace
}  // namespace organiser
