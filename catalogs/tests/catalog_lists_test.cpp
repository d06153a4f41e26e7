// The five catalogue lists as one table of values: the active-only box, the
// locator, the search and its messages, the export hand-over, select and view
// mode, the close answer and the consultation types' colours.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "catalogs/tests/catalog_fixture.h"
#include "core/shapes/export_handover.h"
#include "core/shapes/list_cells.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/ui/dialog_units.h"

namespace catalogs {
namespace {

using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::columnTexts;
using testing::ProbedList;
using testing::selectedText;
using testing::selectRow;

struct ListCase {
  const char* procedure;
  const char* title;
  const rt::TableDef& (*table)();
  const char* inactive;  // the inactive flag; null: none
  int activeAtStart;     // -1: no box
  int described;         // the description's column
  const char* noMore;    // null: no search
  const char* noCriteria;
  const char* noCriteriaCaption;
  int number;
  const char* fields;
  int mode;
  const char* exportTitle;
  int hiddenColumn;  // 1-based; 0 none
  int closeAnswer;
};

const ListCase kLists[] = {
    {"ExaminarEspecialidades", "Examinando el archivo de Especialidades Médicas",
     &core::Especialidades::def, "Inactiva", 1, 1, "No hay mas ocurrencias.",
     "No search criteria specified.", "Error", 9, "1,2,", 1,
     "Examinando el archivo de Especialidades Médicas", 0, 1},
    {"ExaminarFeriados", "Examinando el archivo de Feriados", &core::Feriados::def, nullptr, -1, 2,
     nullptr, nullptr, nullptr, 8, "1,2,3,", 0, "Administrator the Feriados", 0, 2},
    {"ExaminarOcupaciones", "Examinando el archivo de Ocupaciones", &core::Ocupaciones::def,
     "Inactivo", 0, 1, "No hay más ocurrencias.", "No se ha definido el criterio de busqueda.",
     "Buscar", 7, "1,2,3,", 0, "Administrator the Ocupaciones", 3, 1},
    {"ExaminarTiposConsulta", "Examinando el archivo de TiposConsultas", &core::TiposConsultas::def,
     nullptr, -1, 1, "No hay más ocurrencias.", "No se ha definido el criterio de busqueda.",
     "Buscar", 8, "1,2,7,", 0, "Examinando el archivo de TiposConsultas", 3, 1},
    {"ExaminarCoberturas", "Archivo de Coberturas Médicas", &core::Coberturas_Medicas::def,
     "Inactivo", 1, 1, "No hay más ocurrencias.", "No search criteria specified.", "Error", 8,
     "1,2,", 0, "Archivo de Coberturas Médicas", 0, 1},
};

using testing::cp;

// Types text into a widget, letters outside ASCII included.
void typeText(QWidget* widget, const char* utf8) {
  for (QChar ch : QString::fromUtf8(utf8)) {
    QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &release);
  }
}

class CatalogLists : public testing::CatalogWindows {
 protected:
  // Alfa (inactive where the table has the flag), Beta, Delta and Gama; the
  // holidays on dates in the order Beta, Alfa, Delta, Gama.
  static void addFour(const ListCase& c) {
    const char* names[] = {"Beta", "Alfa", "Delta", "Gama"};
    for (int i = 0; i < 4; ++i) {
      std::vector<std::pair<std::string, std::string>> values{{"Descripcion", names[i]}};
      if (c.inactive && i == 1) values.emplace_back(c.inactive, "1");
      if (c.table == &core::Feriados::def) values.emplace_back("Fecha", std::to_string(80000 + i));
      add(c.table(), values);
    }
  }
  // The four names as the list shows them before any filter.
  static std::vector<std::string> allInOrder(const ListCase& c) {
    if (c.table == &core::Feriados::def) return {"Beta", "Alfa", "Delta", "Gama"};
    return {"Alfa", "Beta", "Delta", "Gama"};
  }
};

TEST_F(CatalogLists, ActiveBoxAtOpeningAndOnTicking) {
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      addFour(c);
      ProbedList list(*catalogList(c.procedure));
      list.probe([&](CatalogList& l) {
        auto* box = l.control<QCheckBox>("?SOLOACTIVOS");
        const std::vector<std::string> all = allInOrder(c);
        const std::vector<std::string> active = {"Beta", "Delta", "Gama"};
        if (c.activeAtStart < 0) {
          EXPECT_EQ(box, nullptr);
          EXPECT_EQ(columnTexts(l, c.described), all);
        } else {
          ASSERT_NE(box, nullptr);
          EXPECT_EQ(box->isChecked(), c.activeAtStart == 1);
          EXPECT_EQ(columnTexts(l, c.described), c.activeAtStart ? active : all);
          click(l, "?SOLOACTIVOS");
        }
      });
      list.probe([&](CatalogList& l) {
        if (c.activeAtStart >= 0) {
          const std::vector<std::string> active = {"Beta", "Delta", "Gama"};
          EXPECT_EQ(columnTexts(l, c.described), c.activeAtStart ? allInOrder(c) : active);
        }
        click(l, "?CLOSE");
      });
      EXPECT_EQ(list.Run(), c.closeAnswer);
    });
  }
}

TEST_F(CatalogLists, LocatorMovesOverAccentedNames) {
  for (const ListCase& c : kLists) {
    if (c.table == &core::Feriados::def) continue;  // no locator
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      for (const char* name : {"Zona", "Nutrición", "Ñandú", "Obra", "Órtesis", "Martín"}) {
        add(c.table(), {{"Descripcion", cp(name)}});
      }
      ProbedList list(*catalogList(c.procedure));
      list.probe([&](CatalogList& l) { typeText(l.browser().list(), "ñ"); });
      list.probe([&](CatalogList& l) {
        EXPECT_EQ(selectedText(l, c.described), cp("Ñandú"));
        EXPECT_EQ(l.control<QLineEdit>("?LOCATOR")->text(), QString::fromUtf8("Ñ"));
        QTest::keyClick(l.browser().list(), Qt::Key_Backspace);
        QTest::keyClicks(l.browser().list(), "or");
      });
      list.probe([&](CatalogList& l) {
        EXPECT_EQ(selectedText(l, c.described), cp("Órtesis"));
        click(l, "?CLOSE");
      });
      list.Run();
    });
  }
}

TEST_F(CatalogLists, SearchFromTheTopThenFromTheNextRowAndTheMessages) {
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      addFour(c);
      ScriptedMessages messages;
      WindowScript dialogs;
      auto search = [](const char* button) {
        return [button](rt::WindowDriver& w) {
          w.control<QComboBox>("?SEARCHFIELDS")->setCurrentIndex(1);
          w.post(rt::event::Accepted, w.control("?SEARCHFIELDS"));
          w.control<QLineEdit>("?SEARCHVALUE")->setText("a");
          click(w, button);
        };
      };
      dialogs.on("Busqueda...", search("?FIND"))
          .on("Busqueda...", search("?FINDNEXT"))
          .on("Busqueda...", [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
      ProbedList list(*catalogList(c.procedure));
      auto key = [](CatalogList& l, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(l.browser().list(), static_cast<Qt::Key>(k), m);
      };
      std::vector<std::string> rows;
      list.probe([&](CatalogList& l) {
        rows = columnTexts(l, c.described);
        ASSERT_GE(rows.size(), 3u);
        if (!c.noMore) {
          EXPECT_EQ(l.search(), nullptr);
          EXPECT_EQ(l.control("?PROMPT1"), nullptr);
          click(l, "?CLOSE");
          return;
        }
        selectRow(l, static_cast<int>(rows.size()) - 1);
        key(l, Qt::Key_B, Qt::ControlModifier);  // from the top
      });
      if (c.noMore) {
        list.probe([&](CatalogList& l) {
          EXPECT_EQ(selectedText(l, c.described), rows[0]);
          key(l, Qt::Key_F3);  // from the next row
        });
        list.probe([&](CatalogList& l) {
          EXPECT_EQ(selectedText(l, c.described), rows[1]);
          key(l, Qt::Key_B, Qt::ControlModifier);  // "Buscar Próximo": the next row on
        });
        list.probe([&](CatalogList& l) {
          EXPECT_EQ(selectedText(l, c.described), rows[2]);
          selectRow(l, static_cast<int>(rows.size()) - 1);
          key(l, Qt::Key_F3);  // nothing after the last
        });
        list.probe([&](CatalogList& l) {
          EXPECT_EQ(selectedText(l, c.described), rows.back());
          key(l, Qt::Key_B, Qt::ControlModifier);  // cancelled
        });
        list.probe([&](CatalogList& l) { click(l, "?CLOSE"); });
      }
      list.Run();
      if (!c.noMore) {
        EXPECT_TRUE(messages.asked().empty());
        return;
      }
      ASSERT_EQ(messages.asked().size(), 2u);
      EXPECT_EQ(messages.asked()[0].text, cp(c.noMore));
      EXPECT_EQ(messages.asked()[0].caption, "Buscar");
      EXPECT_EQ(messages.asked()[1].text, c.noCriteria);
      EXPECT_EQ(messages.asked()[1].caption, c.noCriteriaCaption);
    });
  }
}

// What the export window's stand-in was handed.
struct Received {
  std::vector<core::ExportColumn> columns;
  std::vector<std::string> parameters;
  std::vector<std::vector<std::string>> rows;  // fields 1..8 of each row
  int mode = -1;
  std::string title;
  std::string procedure;
};

TEST_F(CatalogLists, ExportIsDisabledWhileEmptyAndHandsOverTheMembersValues) {
  Received got;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    const core::ExportHandOver* h = core::currentExportHandOver();
    got = {};
    got.columns = h->columns;
    got.parameters = h->parameters;
    got.rows = core::allExportRows(*h->rows, 8);
    got.mode = h->mode;
    got.title = h->title;
    got.procedure = h->group->procedure;
    return 0;
  });
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      ProbedList empty(*catalogList(c.procedure));
      empty.probe([&](CatalogList& l) {
        EXPECT_FALSE(l.control("?EXPORTAR")->isEnabled());
        click(l, "?CLOSE");
      });
      empty.Run();

      addFour(c);
      ProbedList list(*catalogList(c.procedure));
      int widened = 0;
      list.probe([&](CatalogList& l) {
        EXPECT_TRUE(l.control("?EXPORTAR")->isEnabled());
        QTableView* view = l.browser().list();
        view->setColumnWidth(0, view->columnWidth(0) + rt::DialogUnits::of(view).x(30));
        widened = l.browser().columnWidth(1);
        click(l, "?EXPORTAR");
      });
      list.probe([&](CatalogList& l) { click(l, "?CLOSE"); });
      list.Run();

      ASSERT_EQ(got.parameters.size(), 29u);
      EXPECT_EQ(got.parameters[0], c.fields);
      EXPECT_EQ(got.mode, c.mode);
      EXPECT_EQ(got.title, cp(c.exportTitle));
      EXPECT_EQ(got.procedure, std::string(c.procedure) + std::to_string(c.number));
      EXPECT_EQ(got.columns.front().width, widened / 2);
      if (c.hiddenColumn) {
        EXPECT_EQ(got.columns.at(c.hiddenColumn - 1).width, 0);
      }
      // Every row the filter lets through, not only those on screen.
      EXPECT_EQ(got.rows.size(), c.activeAtStart == 1 ? 3u : 4u);
    });
  }
  rt::unregisterProcedure(core::kExportWindow);
  // The consultation types hand their colour over as field 7.
  ASSERT_FALSE(got.rows.empty());
}

TEST_F(CatalogLists, SelectModeAnswersTheRowOrTheCallersRecordAsItWas) {
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      addFour(c);
      const rt::TableDef& def = c.table();
      rt::Table& t = rt::table(def);
      const int describedField = def.fieldIndex("Descripcion");
      // The caller's record: Delta, read by its description key.
      for (std::size_t k = 0; k < def.keys.size(); ++k) {
        if (def.keys[k].components[0].field == describedField) {
          rt::setFieldText(def.fields[describedField], t.record(), "Delta");
          ASSERT_EQ(t.fetch(static_cast<int>(k)), 0);
        }
      }
      const std::vector<char> before(t.record(), t.record() + def.recordSize);

      rt::ThreadRequest() = core::request::Select;
      ProbedList cancelled(*catalogList(c.procedure));
      cancelled.probe([&](CatalogList& l) {
        EXPECT_TRUE(l.control("?SELECT")->isVisible());
        EXPECT_EQ(selectedText(l, c.described), "Delta");  // opened at the caller's record
        click(l, "?CLOSE");
      });
      EXPECT_EQ(cancelled.Run(), rt::kCancelled);
      EXPECT_TRUE(std::equal(before.begin(), before.end(), t.record()));

      rt::ThreadRequest() = core::request::Select;
      ProbedList chosen(*catalogList(c.procedure));
      chosen.probe([&](CatalogList& l) {
        const std::vector<std::string> rows = columnTexts(l, c.described);
        selectRow(l, static_cast<int>(rows.size()) - 1);
        click(l, "?SELECT");
      });
      EXPECT_EQ(chosen.Run(), rt::kCompleted);
      EXPECT_EQ(rt::fieldText(def.fields[describedField], t.record()).substr(0, 4), "Gama");
    });
  }
}

TEST_F(CatalogLists, ViewModeCallsNoForm) {
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      addFour(c);
      rt::ThreadRequest() = core::request::View;
      ProbedList list(*catalogList(c.procedure));
      list.probe([&](CatalogList& l) {
        EXPECT_EQ(l.browser().INSERTCONTROL, nullptr);
        EXPECT_EQ(l.browser().CHANGECONTROL, nullptr);
        EXPECT_EQ(l.RunProcedure(1, core::request::Change), rt::kCancelled);
        click(l, "?CLOSE");
      });
      list.Run();
    });
  }
  EXPECT_TRUE(logLines().empty());
}

TEST_F(CatalogLists, ATypeIsDrawnInItsColourOnWhiteAlsoSelected) {
  onThread([&] {
    add(core::TiposConsultas::def(), {{"Descripcion", "Normal"}, {"Color", "0"}});
    add(core::TiposConsultas::def(), {{"Descripcion", "Urgencia"}, {"Color", "255"}});
    ProbedList list(*catalogList("ExaminarTiposConsulta"));
    list.probe([](CatalogList& l) {
      QAbstractItemModel* model = l.browser().list()->model();
      struct Expect {
        int row;
        std::int32_t colour;
        QColor shown;
      } expected[] = {{0, 0, Qt::black}, {1, 255, Qt::red}};
      for (const Expect& e : expected) {
        selectRow(l, e.row);
        const core::ListRow* row = l.browser().selectedRow();
        ASSERT_NE(row, nullptr);
        const core::CellColours& colours = row->colours.at(1);
        EXPECT_EQ(colours.text, e.colour);
        EXPECT_EQ(colours.back, 0xFFFFFF);
        EXPECT_EQ(colours.selectedText, e.colour);
        EXPECT_EQ(colours.selectedBack, 0xFFFFFF);
        EXPECT_EQ(model->data(model->index(e.row, 1), Qt::ForegroundRole).value<QColor>(), e.shown);
        EXPECT_EQ(model->data(model->index(e.row, 1), core::kSelectedTextRole).value<QColor>(),
                  e.shown);
        EXPECT_FALSE(row->colours.at(0).any());  // the code keeps the list's colours
        EXPECT_EQ(l.browser().field(static_cast<std::size_t>(e.row), 7), std::to_string(e.colour));
      }
      click(l, "?CLOSE");
    });
    list.Run();
  });
}

}  // namespace
}  // namespace catalogs
