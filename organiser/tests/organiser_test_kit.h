#pragma once
// What the organiser's window tests share: a data folder of their own with
// every table open, a fixed clock, the organiser's procedures registered, the
// warning sounds counted, and windows run on a thread with steps inside their
// loops.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "organiser/register_procedures.h"
#include "platform/base/clock.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/testing/window_test_kit.h"

namespace organiser::testing {

inline rt::Date d(int day, int month, int year) { return rt::makeDate(month, day, year); }
inline const rt::Date kToday = d(10, 12, 2026);
inline const rt::Time kTen = rt::makeTime(10, 0);

class OrganiserTables : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("organiser", folder_, core::testing::Tables::AllOpen));
    core::registerTableManagers();
    core::installThreadRoutines();
    core::BuildArchivoLog();
    // The log lies in the account's temp folder, shared by every test here.
    std::filesystem::remove(rt::resolvePath(GLO::ArchivoLog));
    rt::setFixedClock(kToday, kTen);
    registerProcedures();
    GLO::AgendaOcupada = 0;
    GLO::Cod_Usuario_Logueado = 0;
    previousSound_ = rt::setWarningSound([this] { ++beeps_; });
  }
  void TearDown() override {
    rt::setWarningSound(std::move(previousSound_));
    for (const char* p : {"ExaminarUsuarios", "ExaminarLocalidades", "ProcesoAgenda"}) {
      rt::unregisterProcedure(p);
    }
    rt::clearFixedClock();
    core::closeAllTables();
    rt::closeDatabase();
    EXPECT_EQ(GLO::AgendaOcupada, 0) << "every holder let go";
  }

  // Runs the window on a thread under a request, with the table of `def`
  // open there and `before` run first; the steps run inside its loop. Answers
  // the window's response; every step must have run.
  template <class W>
  int runProbed(
      int request, const rt::TableDef& def, const std::vector<std::function<void(W&)>>& steps,
      const std::function<core::testing::Probed<W>*()>& make =
          [] { return new core::testing::Probed<W>; },
      const std::function<void()>& before = {}) {
    int answer = 0;
    std::size_t ran = 0;
    EXPECT_TRUE(rt::testing::runOnThread([&] {
      core::TableAccess& a = core::access(def);
      a.open();
      if (before) before();
      std::unique_ptr<core::testing::Probed<W>> window(make());
      for (const auto& step : steps) {
        window->probe([&ran, step](W& w) {
          ++ran;
          step(w);
        });
      }
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      answer = window->Run();
      a.close();
    }));
    EXPECT_EQ(ran, steps.size()) << "every step ran";
    return answer;
  }

  std::filesystem::path folder_;
  int beeps_ = 0;
  rt::WarningSound previousSound_;
};

}  // namespace organiser::testing
