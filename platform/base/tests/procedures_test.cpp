#include "platform/base/procedures.h"

#include <gtest/gtest.h>

#include "platform/base/debug_sink.h"

namespace {

TEST(Procedures, UnregisteredNamesAnswerCancelledAndSaySoInTheDebugOutput) {
  rt::DebugCapture debug;
  EXPECT_EQ(rt::callProcedure("ExaminarNadaTodavia"), rt::kCancelled);
  ASSERT_EQ(debug.lines().size(), 1u);
  EXPECT_NE(debug.lines()[0].find("\"ExaminarNadaTodavia\""), std::string::npos)
      << debug.lines()[0];
  rt::registerProcedure("ExaminarAlgo", [](const rt::ProcedureArgs&) { return rt::kCompleted; });
  debug.clear();
  EXPECT_EQ(rt::callProcedure("examinaralgo"), rt::kCompleted);
  EXPECT_TRUE(debug.lines().empty()) << "a registered name is no news";
  rt::unregisterProcedure("ExaminarAlgo");
}

TEST(Procedures, CallByNameIgnoringCaseWithArguments) {
  rt::registerProcedure("ReporteConsultas", [](const rt::ProcedureArgs& args) {
    return args.size() == 2 && args[0] == "filtro" ? rt::kCompleted : 0;
  });
  EXPECT_TRUE(rt::isProcedureRegistered("REPORTECONSULTAS"));
  EXPECT_EQ(rt::callProcedure("reporteconsultas", {"filtro", "orden"}), rt::kCompleted);
  rt::unregisterProcedure("ReporteConsultas");
  EXPECT_EQ(rt::callProcedure("ReporteConsultas", {"filtro", "orden"}), rt::kCancelled);
}

}  // namespace
