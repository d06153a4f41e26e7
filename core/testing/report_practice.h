#pragma once
// The set-up of a report's test: a fresh practice folder with every table
// open and its PDF folder, the table managers and thread routines every
// thread of the program gets, and the destination window standing in by
// settling the destination without showing itself (in every mode but mail).
// TearDown closes the tables and the database.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/practice_folder.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"

namespace core::testing {

class ReportPractice : public ::testing::Test {
 protected:
  // `prefix` names the fresh folder.
  explicit ReportPractice(std::string_view prefix) : prefix_(prefix) {}

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(openFreshPractice(prefix_, folder_, Tables::AllOpen));
    std::filesystem::create_directories(folder_ / "PDF");
    rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
      settleReportDestination();
      return rt::kCompleted;
    });
    registerTableManagers();
    installThreadRoutines();
  }
  void TearDown() override {
    closeAllTables();
    rt::closeDatabase();
  }

  std::filesystem::path folder_;

 private:
  std::string prefix_;
};

}  // namespace core::testing
