#pragma once
// What the letter window tests share: the catalogue windows' data folder and
// activity log, a logical thread with the tables of the letters open, and a
// few records of macros, templates, patients and physicians.
#include <QApplication>
#include <QTextEdit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "catalogs/tests/catalog_fixture.h"
#include "core/tables/clinical_tables.h"
#include "platform/base/cp_literal.h"

namespace letters::testing {

using catalogs::testing::cp;

inline std::vector<const rt::TableDef*> letterTables() {
  std::vector<const rt::TableDef*> tables = catalogs::testing::catalogueTables();
  tables.push_back(&core::Macros::def());
  tables.push_back(&core::NotasMacros::def());
  return tables;
}

class LetterWindows : public catalogs::testing::CatalogWindows {
 protected:
  void onLetterThread(const std::function<void()>& body) {
    ASSERT_TRUE(rt::testing::runOnThread(
        [&] {
          core::TableManagersInit();
          for (const rt::TableDef* def : letterTables()) core::relate(*def).open();
          body();
          for (const rt::TableDef* def : letterTables()) core::relate(*def).close();
          core::TableManagersKill();
        },
        std::chrono::seconds(60)));
  }
  static std::int64_t addMacro(const char* identifier, const char* description, int system,
                               const char* value = "", int keep = 0) {
    return add(core::Macros::def(), {{"Identificador", identifier},
                                     {"Descripcion", description},
                                     {"Interna", std::to_string(system)},
                                     {"Valor", value},
                                     {"ConservarValor", std::to_string(keep)}});
  }
  static std::int64_t addTemplate(const std::string& description, const std::string& markup,
                                  int inactive = 0) {
    return add(
        core::NotasMacros::def(),
        {{"Descripcion", description}, {"Texto", markup}, {"Inactivo", std::to_string(inactive)}});
  }
};

// A picture of the screen into $VARNETA_SHOT_DIR, when set, to be looked at
// (run on a display of its own, with its window manager).
inline void screenShot(QWidget* window, const char* name) {
  const char* folder = std::getenv("VARNETA_SHOT_DIR");
  if (folder == nullptr) return;
  window->raise();
  window->activateWindow();
  window->repaint();
  QApplication::sync();
  const std::string command = std::string("import -window root '") + folder + "/" + name + ".png'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

// A file of the tests' data folder, whole.
inline std::string testData(const char* name) {
  std::ifstream in(std::filesystem::path(VARNETA_TESTS_DIR) / "data" / name, std::ios::binary);
  EXPECT_TRUE(in) << "missing test data " << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The words of a rich-text control, without its last paragraph end.
inline std::string plainOf(QTextEdit* text) {
  QString words = text->toPlainText();
  while (words.endsWith('\n')) words.chop(1);
  return rt::fromQString(words);
}

}  // namespace letters::testing
