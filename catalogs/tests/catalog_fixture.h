#pragma once
// What the catalogue window tests share: a data folder with an activity log,
// a logical thread with the catalogue tables open, records added by a few
// field values, and the lines of the activity log.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "catalogs/catalog_form.h"
#include "catalogs/catalog_list.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace catalogs::testing {

using ProbedList = core::testing::Probed<CatalogList>;
using ProbedForm = core::testing::Probed<CatalogForm>;

// The tables the catalogue windows touch, and those that refer to them.
inline std::vector<const rt::TableDef*> catalogueTables() {
  return {&core::Especialidades::def(),
          &core::Feriados::def(),
          &core::Ocupaciones::def(),
          &core::TiposConsultas::def(),
          &core::Coberturas_Medicas::def(),
          &core::Provincias::def(),
          &core::Localidades::def(),
          &core::Medicos::def(),
          &core::Pacientes::def(),
          &core::Consultas::def(),
          &core::Turnos::def()};
}

class CatalogWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("catalogs", folder_));
    std::filesystem::create_directories(folder_ / "tmp");
    setenv("TEMP", rt::runtimeName(folder_ / "tmp").c_str(), 1);
    GLO::Cod_Usuario_Logueado = 0;
    core::BuildArchivoLog();
    std::filesystem::remove(rt::resolvePath(core::kProgramIni));
    core::settingsStore().Init(core::kProgramIni);
  }
  void TearDown() override {
    core::settingsStore().Kill();
    rt::closeDatabase();
    unsetenv("TEMP");
  }

  // Runs the body on a logical thread with its table managers and tables.
  void onThread(const std::function<void()>& body) {
    ASSERT_TRUE(rt::testing::runOnThread(
        [&] {
          core::TableManagersInit();
          for (const rt::TableDef* def : catalogueTables()) core::relate(*def).open();
          body();
          for (const rt::TableDef* def : catalogueTables()) core::relate(*def).close();
          core::TableManagersKill();
        },
        std::chrono::seconds(60)));
  }

  // On a thread: adds a record numbered by the table with the named values
  // ("Descripcion" text, numbers for the others); answers its position.
  static std::int64_t add(const rt::TableDef& def,
                          const std::vector<std::pair<std::string, std::string>>& values) {
    core::TableAccess& a = core::access(def);
    a.primeRecord();
    rt::Table& t = rt::table(def);
    for (const auto& [name, value] : values) {
      const int index = def.fieldIndex(name);
      EXPECT_GE(index, 0) << name;
      if (index < 0) continue;
      const rt::FieldDef& f = def.fields[index];
      if (rt::isTextField(f)) {
        rt::setFieldText(f, t.record(), value);
      } else {
        rt::setFieldNumber(f, t.record(), std::atoll(value.c_str()));
      }
    }
    bool numbered = false;
    for (const rt::KeyDef& k : def.keys) numbered = numbered || k.autoNumbered > 0;
    if (numbered) {
      EXPECT_EQ(a.insertNumbered(false), core::level::Benign);
    }
    EXPECT_EQ(a.insert(false), core::level::Benign);
    return t.position();
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

  std::filesystem::path folder_;
};

// A text of the program (CP1252) from its UTF-8 spelling.
inline std::string cp(const char* utf8) { return rt::fromQString(QString::fromUtf8(utf8)); }

// The shown texts of a list column, top to bottom.
inline std::vector<std::string> columnTexts(CatalogList& list, int column) {
  std::vector<std::string> texts;
  QAbstractItemModel* model = list.browser().list()->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    texts.push_back(rt::fromQString(model->data(model->index(r, column)).toString()));
  }
  return texts;
}

inline void selectRow(CatalogList& list, int row) {
  QTableView* view = list.browser().list();
  view->setCurrentIndex(view->model()->index(row, 0));
}

inline std::string selectedText(CatalogList& list, int column) {
  const core::ListRow* row = list.browser().selectedRow();
  return row ? rt::fromQString(row->cells.at(column)) : std::string();
}

}  // namespace catalogs::testing
