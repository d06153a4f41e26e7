#pragma once
// What the topics and notes tests share: a data folder with an activity log
// and a PDF folder, a logical thread with the two tables open, topics and
// notes added by their values, the report destination settled without a
// window, and the text of a written listing.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "organiser/note_windows.h"
#include "organiser/topic_windows.h"
#include "platform/base/clock.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"

namespace organiser::testing {

using ProbedTopics = core::testing::Probed<TopicList>;
using ProbedTopicForm = core::testing::Probed<TopicForm>;
using ProbedNotes = core::testing::Probed<NoteList>;
using ProbedNoteForm = core::testing::Probed<NoteForm>;

class TopicWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("topics", folder_));
    std::filesystem::create_directories(folder_ / "tmp");
    std::filesystem::create_directories(folder_ / "PDF");
    setenv("TEMP", rt::runtimeName(folder_ / "tmp").c_str(), 1);
    GLO::Cod_Usuario_Logueado = 0;
    GLO::UsuarioSistema = "Consultorio Central";
    core::BuildArchivoLog();
    // The log lies in the account's temp folder, shared by every test here.
    std::filesystem::remove(rt::resolvePath(GLO::ArchivoLog));
    std::filesystem::remove(rt::resolvePath(core::kProgramIni));
    core::settingsStore().Init(core::kProgramIni);
    // Threads started by the windows (the topics report) get their managers.
    core::registerTableManagers();
    core::installThreadRoutines();
    // The destination window settles the destination without showing itself.
    rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
      core::settleReportDestination();
      return rt::kCompleted;
    });
    rt::registerProcedure("FormularioTemas",
                          [](const rt::ProcedureArgs&) { return FormularioTemas(); });
    rt::registerProcedure("FormularioNotas",
                          [](const rt::ProcedureArgs&) { return FormularioNotas(); });
  }
  void TearDown() override {
    rt::unregisterProcedure("FormularioTemas");
    rt::unregisterProcedure("FormularioNotas");
    core::settingsStore().Kill();
    rt::closeDatabase();
    unsetenv("TEMP");
  }

  // Runs the body on a logical thread with its managers and the two tables.
  void onThread(const std::function<void()>& body) {
    ASSERT_TRUE(rt::testing::runOnThread(
        [&] {
          core::TableManagersInit();
          core::relate(core::Temas::def()).open();
          core::relate(core::Notas::def()).open();
          body();
          core::relate(core::Notas::def()).close();
          core::relate(core::Temas::def()).close();
          core::TableManagersKill();
        },
        std::chrono::seconds(120)));
  }

  // On a thread: a topic numbered by the table; answers its code.
  static std::uint32_t addTopic(rt::Date date, rt::Time time, const std::string& subject,
                                bool inactive = false, const std::string& notes = {}) {
    core::TableAccess& a = core::access(core::Temas::def());
    a.primeRecord();
    core::TEM().Fecha = date;
    core::TEM().Hora = time;
    core::TEM().Asunto = subject;
    core::TEM().Inactivo = inactive ? 1 : 0;
    core::TEM().Notas = notes;
    EXPECT_EQ(a.insertNumbered(false), core::level::Benign);
    EXPECT_EQ(a.insert(false), core::level::Benign);
    return core::TEM().NroInternoTema;
  }

  // On a thread: a note numbered by the table; answers its code.
  static std::uint16_t addNote(const std::string& description, const std::string& text) {
    core::TableAccess& a = core::access(core::Notas::def());
    a.primeRecord();
    core::TEX().Descripcion = description;
    core::TEX().Nota = text;
    EXPECT_EQ(a.insertNumbered(false), core::level::Benign);
    EXPECT_EQ(a.insert(false), core::level::Benign);
    return core::TEX().CodigoInterno;
  }

  // On a thread: the stored note of that description (its text, its version).
  static std::pair<std::string, std::int64_t> storedNote(const std::string& description) {
    rt::Table& t = core::Notas::table();
    t.clear();
    core::TEX().Descripcion = description;
    if (t.fetch(core::Notas::TEX02) != 0) return {"<none>", 0};
    return {core::TEX().Nota, t.version()};
  }

  // The activity lines without their date and time.
  static std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::ifstream in(rt::resolvePath(GLO::ArchivoLog));
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line.size() > 22 ? line.substr(22) : line);
    }
    return lines;
  }

  static std::filesystem::path pdfOf(const char* title) {
    return rt::workingFolder() / "PDF" / (std::string(title) + ".PDF");
  }

  std::filesystem::path folder_;
};

// A text of the program (CP1252) from its UTF-8 spelling.
inline std::string cp(const char* utf8) { return rt::fromQString(QString::fromUtf8(utf8)); }

inline std::vector<std::string> columnTexts(core::ListWindow& list, int column) {
  std::vector<std::string> texts;
  QAbstractItemModel* model = list.browser().list()->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    texts.push_back(rt::fromQString(model->data(model->index(r, column)).toString()));
  }
  return texts;
}

inline void selectRow(core::ListWindow& list, int row) {
  QTableView* view = list.browser().list();
  view->setCurrentIndex(view->model()->index(row, 0));
}

using rt::testing::occurrences;

}  // namespace organiser::testing
