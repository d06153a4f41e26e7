// Every procedure name the sources call is registered by some subsystem: a
// misspelt name would otherwise answer "cancelled" and quietly do nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/all_procedures.h"
#include "platform/base/procedures.h"

namespace {

namespace fs = std::filesystem;

const char* const kSubsystems[] = {"core",    "practice", "catalogs", "organiser", "letters",
                                   "textlib", "netlib",   "output",   "admin",     "app"};

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The subsystems' own sources, their tests left out (tests register
// stand-ins of their own).
std::map<std::string, std::string> subsystemSources() {
  std::map<std::string, std::string> sources;
  const fs::path root = VARNETA_SOURCE_DIR;
  for (const char* folder : kSubsystems) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const fs::path& path = entry.path();
      if (!entry.is_regular_file() || (path.extension() != ".cpp" && path.extension() != ".h"))
        continue;
      const std::string relative = fs::relative(path, root).generic_string();
      if (relative.find("/tests/") != std::string::npos ||
          relative.find("/testing/") != std::string::npos)
        continue;
      sources[relative] = contents(path);
    }
  }
  return sources;
}

void collect(const std::string& text, const std::regex& pattern, std::set<std::string>& names) {
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    if (!(*it)[1].str().empty()) names.insert((*it)[1].str());
  }
}

// The names the sources reach a procedure by: the first argument of a call
// or start by name, the procedure of a frame button, a named constant passed
// to a call, and the list and form names kept in lookup tables (which follow
// the procedures' naming).
std::set<std::string> calledNames(const std::map<std::string, std::string>& sources) {
  const std::regex byName(R"re(\b(?:callProcedure|startProcedure|start|call)\(\s*"([^"]*)")re");
  const std::regex frameButton(R"re(\baddButton\(\s*tools\s*,[^;]*"([^"]*)"\s*\);)re");
  const std::regex byConstant(R"re(\bcallProcedure\(\s*(?:core::)?(k[A-Z]\w*)\b)re");
  const std::regex constant(R"re(\bconstexpr\s+char\s+(k[A-Z]\w*)\[\]\s*=\s*"([^"]+)")re");
  const std::regex tableName(R"re("((?:Examinar|Formulario|Reporte|Ventana)[A-Z][A-Za-z]*)")re");
  std::set<std::string> names;
  std::set<std::string> constantsCalled;
  std::map<std::string, std::string> constants;
  for (const auto& [file, text] : sources) {
    collect(text, byName, names);
    collect(text, frameButton, names);
    collect(text, tableName, names);
    collect(text, byConstant, constantsCalled);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), constant);
         it != std::sregex_iterator(); ++it)
      constants[(*it)[1].str()] = (*it)[2].str();
  }
  for (const std::string& called : constantsCalled) {
    EXPECT_TRUE(constants.count(called)) << "no text found for the constant " << called;
    if (constants.count(called)) names.insert(constants[called]);
  }
  return names;
}

TEST(ProcedureNames, EveryNameTheSourcesCallIsRegistered) {
  app::registerAllProcedures();
  const std::set<std::string> names = calledNames(subsystemSources());
  // The scan itself finds the kinds of call it looks for.
  for (const char* known : {"ExaminarPacientes", "FormularioConsultas", "ReporteTurnos", "Relogin",
                            "Kov_Export_Source_V2", "ExaminarLocalidades"}) {
    EXPECT_TRUE(names.count(known)) << known << " was not found by the scan";
  }
  for (const std::string& name : names) {
    EXPECT_TRUE(rt::isProcedureRegistered(name))
        << "\"" << name << "\" is called but never registered";
  }
}

}  // namespace
