// The topics list and form: row tints by place among the loaded rows, the
// notes box, the active-only filter and the filter handed to the report, the
// date query, the export hand-over, and the form's priming, codes, file
// picker and attachment opening.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <optional>

#include "core/shapes/export_handover.h"
#include "core/shapes/query_by_example.h"
#include "organiser/tests/topic_test_kit.h"
#include "platform/base/outside_actions.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"
#include "platform/ui/file_chooser.h"

namespace organiser {
namespace {

using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::columnTexts;
using testing::cp;
using testing::ProbedTopicForm;
using testing::ProbedTopics;
using testing::selectRow;

constexpr rt::Date kDay = 82000;

class Topics : public testing::TopicWindows {};

// The four colours of a row's first column as the row's fields give them.
std::vector<std::string> firstColumnColours(core::ListBrowser& b, std::size_t row) {
  std::vector<std::string> colours;
  for (int f = 2; f <= 5; ++f) colours.push_back(b.field(row, f));
  return colours;
}

const std::vector<std::string> kPlain = {"-1", "-1", "-1", "-1"};
const std::vector<std::string> kTinted = {"0", std::to_string(kTopicTint), "-1", "-1"};

TEST_F(Topics, EverySecondLoadedRowIsTintedByItsPlace) {
  struct Case {
    const char* what;
    int topics;
    int resetAt;               // a row (0-based) the list reloads from; -1 none
    std::vector<bool> tinted;  // of the first loaded rows
  };
  const Case cases[] = {
      {"one row", 1, -1, {false}},
      {"two rows", 2, -1, {false, true}},
      {"five rows", 5, -1, {false, true, false, true, false}},
      // Reloaded from the 201st topic the queue starts a page above it, at
      // the 101st: untinted there, though it is the 101st of the view.
      {"after a reset from another record", 250, 200, {false, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    onThread([&] {
      for (int i = 0; i < c.topics; ++i) {
        addTopic(kDay + i / 10, rt::makeTime(8 + i % 10, 0), "Tema " + std::to_string(1000 + i));
      }
      ProbedTopics list;
      list.probe([&](TopicList& l) {
        core::ListBrowser& b = l.browser();
        if (c.resetAt >= 0) {
          // Load down to the row, select it, and reload from its record.
          while (b.rowCount() <= static_cast<std::size_t>(c.resetAt) && b.NextPage()) {
          }
          selectRow(l, c.resetAt);
          ASSERT_TRUE(b.UpdateViewRecord());
          b.ResetFromView();
          EXPECT_EQ(rt::fromQString(b.selectedRow()->cells[2]), "Tema 1200");
          EXPECT_EQ(rt::fromQString(l.browser().list()->model()->index(0, 2).data().toString()),
                    "Tema 1100");
        }
        ASSERT_GE(b.rowCount(), c.tinted.size());
        for (std::size_t r = 0; r < c.tinted.size(); ++r) {
          EXPECT_EQ(firstColumnColours(b, r), c.tinted[r] ? kTinted : kPlain) << "row " << r;
          // The four columns alike: Notas is field 16, its colours 17 to 20.
          EXPECT_EQ(b.field(r, 18), c.tinted[r] ? std::to_string(kTopicTint) : "-1");
        }
        click(l, "?CLOSE");
      });
      EXPECT_EQ(list.Run(), rt::kCompleted);
      core::Temas::table().clear();
      for (rt::Table& t = core::Temas::table(); t.setToStart(0), t.next() == 0;) t.remove();
    });
  }
}

TEST_F(Topics, ASelectedEvenRowKeepsTheSelectionColoursAndTheBoxFollowsIt) {
  onThread([&] {
    addTopic(kDay, rt::makeTime(9, 0), "Primero", false, "notas del primero");
    addTopic(kDay, rt::makeTime(10, 0), "Segundo", false, "notas del segundo");
    ProbedTopics list;
    list.probe([&](TopicList& l) {
      auto* box = l.control<QPlainTextEdit>("?TEM:NOTAS");
      EXPECT_EQ(box->toPlainText(), "notas del primero");
      EXPECT_TRUE(box->isReadOnly());
      selectRow(l, 1);
    });
    list.probe([&](TopicList& l) {
      const core::ListRow* row = l.browser().selectedRow();
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(row->colours[0].back, static_cast<std::int32_t>(kTopicTint));
      EXPECT_EQ(row->colours[0].selectedText, -1);
      EXPECT_EQ(row->colours[0].selectedBack, -1);
      EXPECT_EQ(l.control<QPlainTextEdit>("?TEM:NOTAS")->toPlainText(), "notas del segundo");
      click(l, "?CLOSE");
    });
    list.Run();
  });
}

// The report's stand-in: the two strings it was started with.
struct Started {
  std::vector<rt::ProcedureArgs> runs;
};

TEST_F(Topics, InactiveTopicsHiddenAtOpeningAndTheFilterHandedToTheReport) {
  Started started;
  rt::registerProcedure("ReporteTemasFiltrado", [&](const rt::ProcedureArgs& args) {
    started.runs.push_back(args);
    return rt::kCompleted;
  });
  onThread([&] {
    addTopic(kDay + 2, rt::makeTime(9, 0), "Activo tarde");
    addTopic(kDay, rt::makeTime(9, 0), "Inactivo", true);
    addTopic(kDay + 1, rt::makeTime(9, 0), "Activo temprano");
    WindowScript script;
    script.on("Consulta", [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?QUERYVALUE1")->setText("02/07/2025");
      click(w, "?OK");
    });
    ProbedTopics list;
    list.probe([&](TopicList& l) {
      EXPECT_EQ(columnTexts(l, 2), (std::vector<std::string>{"Activo temprano", "Activo tarde"}));
      EXPECT_TRUE(l.control<QCheckBox>("?SOLOACTIVOS")->isChecked());
      EXPECT_EQ(l.browser().thumb(), nullptr) << "the order by date has no thumb steps";
      click(l, "?BUTTON10:2");
    });
    list.probe([&](TopicList& l) { click(l, "?SOLOACTIVOS"); });
    list.probe([&](TopicList& l) {
      EXPECT_EQ(columnTexts(l, 2),
                (std::vector<std::string>{"Inactivo", "Activo temprano", "Activo tarde"}));
      click(l, "?BUTTON10:2");
    });
    list.probe([&](TopicList& l) { click(l, "?SOLOACTIVOS"); });
    list.probe([&](TopicList& l) { click(l, "?QUERY:2"); });
    list.probe([&](TopicList& l) {
      // 02/07/2025 is day 82001: only that day's topic.
      EXPECT_EQ(columnTexts(l, 2), (std::vector<std::string>{"Activo temprano"}));
      click(l, "?BUTTON10:2");
    });
    list.probe([&](TopicList& l) { click(l, "?CLOSE"); });
    list.Run();
    EXPECT_EQ(script.pending(), 0);
  });
  // The report runs on threads of its own.
  EXPECT_TRUE(rt::testing::waitUntil([&] { return started.runs.size() == 3; }, "three reports"));
  rt::unregisterProcedure("ReporteTemasFiltrado");
  ASSERT_EQ(started.runs.size(), 3u);
  EXPECT_EQ(started.runs[0], (rt::ProcedureArgs{"(TEM:Inactivo = 0)", "+TEM:Fecha,+TEM:Hora"}));
  EXPECT_EQ(started.runs[1], (rt::ProcedureArgs{"", "+TEM:Fecha,+TEM:Hora"}));
  const std::string& both = started.runs[2][0];
  EXPECT_NE(both.find("(TEM:Inactivo = 0)"), std::string::npos) << both;
  EXPECT_NE(both.find("MATCH(TEM:Fecha,'82001',17)"), std::string::npos) << both;
  EXPECT_NE(both.find(" AND "), std::string::npos) << both;
}

TEST_F(Topics, TheQueryOpensEmptyEveryTime) {
  onThread([&] {
    addTopic(kDay, rt::makeTime(9, 0), "Uno");
    addTopic(kDay + 1, rt::makeTime(9, 0), "Dos");
    std::vector<QString> seen;
    WindowScript script;
    for (const char* typed : {"01/07/2025", ""}) {
      script.on("Consulta", [&seen, typed](rt::WindowDriver& w) {
        auto* entry = w.control<QLineEdit>("?QUERYVALUE1");
        seen.push_back(entry->text());
        entry->setText(typed);
        click(w, "?OK");
      });
    }
    ProbedTopics list;
    list.probe([&](TopicList& l) { click(l, "?QUERY:2"); });
    list.probe([&](TopicList& l) {
      EXPECT_EQ(columnTexts(l, 2), (std::vector<std::string>{"Uno"}));
      click(l, "?QUERY:2");
    });
    list.probe([&](TopicList& l) {
      EXPECT_EQ(columnTexts(l, 2), (std::vector<std::string>{"Uno", "Dos"}));
      click(l, "?CLOSE");
    });
    list.Run();
    EXPECT_EQ(seen, (std::vector<QString>{"", ""}));
  });
}

TEST_F(Topics, ExportHandsOverTheFourColumnValues) {
  std::vector<std::string> parameters;
  std::string procedure;
  std::vector<std::string> firstRow;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    const core::ExportHandOver* h = core::currentExportHandOver();
    parameters = h->parameters;
    procedure = h->group->procedure;
    const std::vector<std::vector<std::string>> all = core::allExportRows(*h->rows, 16);
    for (int f : {1, 6, 11, 16}) firstRow.push_back(all.at(0).at(f - 1));
    return 0;
  });
  onThread([&] {
    addTopic(kDay, rt::makeTime(9, 30), "Compras", false, "pan y leche");
    ProbedTopics list;
    list.probe([&](TopicList& l) { click(l, "?KOVEXPORTAR"); });
    list.probe([&](TopicList& l) { click(l, "?CLOSE"); });
    list.Run();
  });
  rt::unregisterProcedure(core::kExportWindow);
  ASSERT_FALSE(parameters.empty());
  EXPECT_EQ(parameters[0], "1,6,11,16,");
  EXPECT_EQ(procedure, "ExaminarTemas3");
  EXPECT_EQ(firstRow,
            (std::vector<std::string>{std::to_string(kDay), std::to_string(rt::makeTime(9, 30)),
                                      "Compras", "pan y leche"}));
}

TEST_F(Topics, SearchKeysAndTheirMessages) {
  onThread([&] {
    addTopic(kDay, rt::makeTime(9, 0), "Banco");
    addTopic(kDay, rt::makeTime(10, 0), "Compras");
    ScriptedMessages messages;
    ProbedTopics list;
    auto key = [](TopicList& l, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
      QTest::keyClick(l.browser().list(), static_cast<Qt::Key>(k), m);
    };
    list.probe([&](TopicList& l) { key(l, Qt::Key_F3); });
    list.probe([&](TopicList& l) { click(l, "?CLOSE"); });
    list.Run();
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, "No search criteria specified.");
    EXPECT_EQ(messages.asked()[0].caption, "Error");
  });
}

// The form, run for a request on the list's thread.
int runForm(int request, const std::function<void(TopicForm&)>& step) {
  rt::ThreadRequest() = static_cast<std::uint8_t>(request);
  ProbedTopicForm form;
  form.probe(step);
  return form.Run();
}

TEST_F(Topics, NewTopicsCarryTodayAndNowAndDistinctCodes) {
  std::optional<rt::testing::FixedClock> clock(std::in_place, kDay, rt::makeTime(14, 25, 30));
  onThread([&] {
    for (const char* subject : {"Primero", "Segundo"}) {
      EXPECT_EQ(runForm(core::request::Insert,
                        [&](TopicForm& f) {
                          EXPECT_EQ(f.control<QLineEdit>("?TEM:FECHA")->text(), "01/07/2025");
                          EXPECT_EQ(f.control<QLineEdit>("?TEM:HORA")->text(), "14:25");
                          f.control<QLineEdit>("?TEM:ASUNTO")->setText(subject);
                          click(f, "?OK");
                        }),
                rt::kCompleted);
    }
    std::vector<std::uint32_t> codes;
    rt::Table& t = core::Temas::table();
    for (t.setToStart(core::Temas::TEM_001); t.next() == 0;) {
      codes.push_back(core::TEM().NroInternoTema);
      EXPECT_EQ(core::TEM().Fecha, kDay);
      // The form shows and keeps hours and minutes.
      EXPECT_EQ(core::TEM().Hora, rt::makeTime(14, 25));
    }
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{1, 2}));
  });
  clock.reset();
  const std::vector<std::string> lines = logLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "FORMULARIOTEMAS - Insertar - Cod. 1 - Ingreso");
  EXPECT_EQ(lines[3], "FORMULARIOTEMAS - Aceptado - Cod. 2 - Salida");
}

TEST_F(Topics, AttachmentPathChosenCancelledOrTyped) {
  std::vector<rt::FileRequest> asked;
  std::optional<std::string> answer;
  rt::FileChooser previous = rt::setFileChooser([&](const rt::FileRequest& r) {
    asked.push_back(r);
    return answer;
  });
  const std::filesystem::path before = std::filesystem::current_path();
  struct Case {
    const char* what;
    std::optional<std::string> chosen;  // none: cancelled
    const char* typed;                  // typed instead of picking
    const char* stored;
  };
  const Case cases[] = {
      {"chosen", std::string("/home/ana/Documentos/informe.pdf"), nullptr,
       "/home/ana/Documentos/informe.pdf"},
      {"cancelled: the path stays", std::nullopt, nullptr, "/antes/otro.txt"},
      {"typed", std::nullopt, "/srv/compartido/plano.dwg", "/srv/compartido/plano.dwg"},
  };
  onThread([&] {
    const std::uint32_t code = addTopic(kDay, rt::makeTime(9, 0), "Con adjunto");
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      answer = c.chosen;
      core::TEM().NroInternoTema = code;
      ASSERT_EQ(core::Temas::table().fetch(core::Temas::TEM_001), 0);
      core::TEM().Archivo_Adjunto = "/antes/otro.txt";
      core::Temas::table().put();
      const int response = runForm(core::request::Change, [&](TopicForm& f) {
        if (c.typed) {
          auto* path = f.control<QLineEdit>("?TEM:ARCHIVO_ADJUNTO");
          path->setText(c.typed);
        } else {
          click(f, "?LOOKUPFILE");
        }
        f.post(rt::event::Accepted, f.control("?OK"));
      });
      EXPECT_EQ(response, rt::kCompleted);
      core::TEM().NroInternoTema = code;
      ASSERT_EQ(core::Temas::table().fetch(core::Temas::TEM_001), 0);
      EXPECT_EQ(std::string(rt::clip(core::TEM().Archivo_Adjunto.view())), c.stored);
    }
  });
  rt::setFileChooser(std::move(previous));
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].title, "Seleccione el archivo adjunto");
  EXPECT_EQ(asked[0].masks, "All Files|*.*|");
  EXPECT_EQ(std::filesystem::current_path(), before) << "the working folder is never left";
}

TEST_F(Topics, AMissingAttachmentShowsTheShellsMessageTitledError) {
  std::string missing;
  // Nothing is launched, whatever the shell would do with a file that exists.
  rt::ShellCodeOpener previous =
      rt::setShellCodeOpener([](const std::string&) { return rt::kShellOpened; });
  onThread([&] {
    addTopic(kDay, rt::makeTime(9, 0), "Con adjunto");
    missing = rt::runtimeName(folder_ / "acta.odt");
    core::TEM().Archivo_Adjunto = missing;
    core::Temas::table().put();
    ScriptedMessages messages;
    EXPECT_EQ(runForm(core::request::Change,
                      [&](TopicForm& f) {
                        click(f, "?ABRIR");
                        f.post(rt::event::Accepted, f.control("?CANCEL"));
                      }),
              rt::kCancelled);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, "File not found");
    EXPECT_EQ(messages.asked()[0].caption, "ERROR");
    EXPECT_EQ(std::string(rt::clip(core::TEM().Archivo_Adjunto.view())), missing);
  });
  rt::setShellCodeOpener(std::move(previous));
}

}  // namespace
}  // namespace organiser
