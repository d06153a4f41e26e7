#include "app/all_procedures.h"
#include "core/frame/program_startup.h"

int main(int argc, char** argv) {
  app::registerAllProcedures();
  return core::ProgramEntry(argc, argv);
}
