#pragma once
// A data folder with physicians, specialities, localities and schedule
// sheets for the window tests of the physicians and their sheets.
#include <gtest/gtest.h>

#include <QTableView>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "platform/base/clock.h"
#include "platform/base/paths.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace practice::testing {

class PhysicianData : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("physicians", folder_));
    std::filesystem::create_directories(folder_ / "tmp");
    setenv("TEMP", rt::runtimeName(folder_ / "tmp").c_str(), 1);
    GLO::Nivel_Usuario_Logueado = 9;
    core::BuildArchivoLog();
  }
  void TearDown() override {
    rt::closeDatabase();
    unsetenv("TEMP");
  }

  // Runs the body on a logical thread with its table managers and the
  // physicians' tables open.
  static void onThread(const std::function<void()>& body) {
    ASSERT_TRUE(rt::testing::runOnThread(
        [&] {
          core::TableManagersInit();
          core::relate(core::Medicos::def()).open();
          body();
          core::relate(core::Medicos::def()).close();
          core::TableManagersKill();
        },
        std::chrono::seconds(60)));
  }

  static int addPhysician(std::string_view name, int speciality = 0, int inactive = 0,
                          std::string_view phone = "") {
    rt::Table& t = core::Medicos::table();
    const int code = static_cast<int>(t.records()) + 1;
    t.clear();
    core::MDC().Cod_Medico = static_cast<std::uint16_t>(code);
    core::MDC().Nombre = name;
    core::MDC().Cod_Especialidad = static_cast<std::uint16_t>(speciality);
    core::MDC().Inactivo = static_cast<std::uint8_t>(inactive);
    core::MDC().Telefono_1 = phone;
    EXPECT_EQ(t.add(), 0);
    return code;
  }
  static void readPhysician(int code) {
    core::MDC().Cod_Medico = static_cast<std::uint16_t>(code);
    ASSERT_EQ(core::Medicos::table().fetch(core::Medicos::MDC01), 0);
  }
  static void addSpeciality(int code, std::string_view description) {
    rt::Table& t = core::Especialidades::table();
    t.clear();
    core::ESP().Cod_Especialidad = static_cast<std::uint16_t>(code);
    core::ESP().Descripcion = description;
    EXPECT_EQ(t.add(), 0);
  }
  static void addLocality(std::uint32_t code, std::string_view name) {
    rt::Table& t = core::Localidades::table();
    t.clear();
    core::LOC().Cod_Postal = code;
    core::LOC().NombreLocalidad = name;
    EXPECT_EQ(t.add(), 0);
  }
  // Numbered after the highest code unless a code is given.
  static std::uint32_t addSheet(int physician, rt::Date from, std::string_view description = "",
                                std::uint32_t code = 0) {
    rt::Table& t = core::Planilla::table();
    t.clear();
    core::PLA().Cod_Medico = static_cast<std::uint16_t>(physician);
    core::PLA().FecVigenciaDesde = from;
    core::PLA().DscPlanilla = description;
    core::PLA().CodPlanilla = code;
    EXPECT_EQ(code != 0 ? t.add() : t.addNumbered(), 0);
    return core::PLA().CodPlanilla;
  }
  static void readSheet(std::uint32_t code) {
    core::PLA().CodPlanilla = code;
    ASSERT_EQ(core::Planilla::table().fetch(core::Planilla::PLA01), 0);
  }
  static void addWeekday(std::uint32_t sheet, int number, std::string_view name) {
    rt::Table& t = core::PlanillaHorarios::table();
    t.clear();
    core::PLH().CodPlanilla = sheet;
    core::PLH().DiaSemanaNro = static_cast<std::uint16_t>(number);
    core::PLH().DiaSemanaDsc = name;
    EXPECT_EQ(t.addNumbered(), 0);
  }

 public:
  // The shown text of every row of a list, column by column.
  static std::vector<std::vector<std::string>> rows(const QTableView* list) {
    std::vector<std::vector<std::string>> shown;
    const QAbstractItemModel* model = list->model();
    for (int r = 0; r < model->rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < model->columnCount(); ++c) {
        row.push_back(rt::fromQString(model->data(model->index(r, c)).toString()));
      }
      shown.push_back(std::move(row));
    }
    return shown;
  }

  std::filesystem::path folder_;
};

}  // namespace practice::testing
