#include "platform/base/procedures.h"

#include <gtest/gtest.h>

namespace {

TEST(Procedures, UnregisteredNamesAnswerCancelled) {
  EXPECT_EQ(rt::callProcedure("ExaminarNadaTodavia"), rt::kCancelled);
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
