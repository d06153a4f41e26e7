// Pictures of the users list, the users form and the search dialog, written
// to $VARNETA_SCREENSHOTS when set, for looking at; each window must show its
// controls whole.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "core/frame/globals.h"
#include "core/frame/users_windows.h"
#include "core/shapes/list_search.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/data/database.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::WindowScript;

void keep(rt::WindowDriver& w, const char* name) {
  const QPixmap picture = w.window()->grab();
  EXPECT_FALSE(picture.isNull());
  // Every control lies inside the window.
  for (QWidget* c : w.window()->findChildren<QWidget*>()) {
    if (!c->isVisible() || c->objectName().isEmpty() || !c->objectName().startsWith('?')) continue;
    const QRect r(c->mapTo(w.window(), QPoint(0, 0)), c->size());
    EXPECT_TRUE(w.window()->rect().contains(r)) << c->objectName().toStdString();
  }
  if (const char* folder = std::getenv("VARNETA_SCREENSHOTS")) {
    picture.save(QString::fromUtf8(folder) + "/" + name + ".png");
  }
}

TEST(UsersScreens, ListFormAndSearch) {
  const auto folder = std::filesystem::current_path() / "screens";
  std::filesystem::create_directories(folder);
  ASSERT_EQ(openPracticeDatabase(folder), 0);
  GLO::Nivel_Usuario_Logueado = 9;
  rt::testing::ScriptedMessages messages;
  ASSERT_TRUE(runOnThread([] {
    TableManagersInit();
    relate(Usuarios::def()).open();
    const char* names[][2] = {{"Ana Pérez"_cp, "ana"},
                              {"Beto Suárez"_cp, "beto"},
                              {"Carla Nuñez"_cp, "carla"},
                              {"Dr. Martín Gómez"_cp, "mgomez"},
                              {"Recepción"_cp, "recep"}};
    for (auto& n : names) {
      access(Usuarios::def()).primeRecord();
      USU().Nombre_Usuario = n[0];
      USU().Login_Usuario = n[1];
      USU().Password_Usuario = "x";
      access(Usuarios::def()).insertNumbered(false);
      access(Usuarios::def()).insert(false);
    }
    WindowScript script;
    script
        .on("Examinando el archivo de Usuarios",
            [](rt::WindowDriver& w) {
              keep(w, "users_list");
              auto* list = w.control<QTableView>("?BROWSE:5");
              list->setCurrentIndex(list->model()->index(3, 0));
              click(w, "?CHANGE:6");
              click(w, "?CLOSE");
            })
        .on("Actualizando un registro de Usuarios",
            [](rt::WindowDriver& w) {
              keep(w, "users_form");
              click(w, "?CANCEL");
            })
        .on("Busqueda...", [](rt::WindowDriver& w) {
          keep(w, "search_dialog");
          click(w, "?CANCEL");
        });
    ExaminarUsuarios();
    std::string title = "Nombre", value = "martín"_cp;
    std::uint8_t next = 0;
    vsFind("Nombre|@s60|USU:Nombre_Usuario|Login|@s20|USU:Login_Usuario|", title, value, next);
    relate(Usuarios::def()).close();
    TableManagersKill();
  }));
  rt::closeDatabase();
}

}  // namespace
}  // namespace core
