// The list search: the expression the dialog builds, and the search of the
// users list from the top, from the selected row and past the last match.
#include "core/shapes/list_search.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <functional>

#include "core/frame/globals.h"
#include "core/frame/users_windows.h"
#include "core/frame/window_font_start.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "platform/base/testing/test_environment.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

TEST(SearchExpression, FromAColumnAndATypedValue) {
  struct Case {
    const char* value;
    const char* picture;
    const char* expected;
  } cases[] = {
      {"ana", "@s60", "MATCH(USU:Nombre_Usuario,'*ana*',17)"},
      {"ana  ", "@S60", "MATCH(USU:Nombre_Usuario,'*ana*',17)"},
      {"an?a", "@s60", "MATCH(USU:Nombre_Usuario,'an?a',17)"},
      {"an*", "@s60", "MATCH(USU:Nombre_Usuario,'an*',17)"},
      {"O'Brien", "@s60", "MATCH(USU:Nombre_Usuario,'*O''Brien*',17)"},
      {"29/09/2025", "@d17", "MATCH(USU:Nombre_Usuario,'82090',17)"},
      {"1,234", "@n6", "MATCH(USU:Nombre_Usuario,'1234',17)"},
      {"1*", "@n6", "MATCH(USU:Nombre_Usuario,'1*',17)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matchExpression("USU:Nombre_Usuario", searchValue(c.value, c.picture)), c.expected)
        << c.value << " " << c.picture;
  }
  EXPECT_EQ(vsDoubleQuotes("  it's ''  "), "  it''s ''''");
  const auto columns =
      splitSearchColumns("Nombre|@s60|USU:Nombre_Usuario|Login|@s20|USU:Login_Usuario|");
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[1].title, "Login");
  EXPECT_EQ(columns[1].picture, "@s20");
  EXPECT_EQ(columns[1].field, "USU:Login_Usuario");
  EXPECT_EQ(splitSearchColumns(std::string(40, 'x') + "|@s1|F")[0].title.size(), 32u);
}

constexpr char kListTitle[] = "Examinando el archivo de Usuarios";
constexpr char kDialogTitle[] = "Busqueda...";
// The users list with helpers of the search tests.
class ProbedList : public testing::Probed<UsersList> {
 public:
  void probe(std::function<void(ProbedList&)> step) {
    Probed::probe([step](UsersList& l) { step(static_cast<ProbedList&>(l)); });
  }
  std::string selected() {
    const ListRow* row = browser().selectedRow();
    return row ? rt::fromQString(row->cells[0]) : std::string();
  }
  void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(browser().list(), static_cast<Qt::Key>(key), modifiers);
  }
};

class ListSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("search", folder_));
    GLO::Nivel_Usuario_Logueado = 9;
  }
  void TearDown() override { rt::closeDatabase(); }

  // One script drives every window of a test: the list's step is added here.
  template <class List = ProbedList>
  void withList(const std::vector<std::string>& names, WindowScript& script,
                const std::function<void(ProbedList&)>& steps) {
    ASSERT_TRUE(runOnThread(
        [&] {
          TableManagersInit();
          relate(Usuarios::def()).open();
          for (const std::string& name : names) {
            access(Usuarios::def()).primeRecord();
            USU().Nombre_Usuario = name;
            USU().Login_Usuario = "l" + name;
            access(Usuarios::def()).insertNumbered(false);
            access(Usuarios::def()).insert(false);
          }
          List list;
          script.on(kListTitle, [&](rt::WindowDriver&) { steps(list); });
          list.Run();
          relate(Usuarios::def()).close();
          TableManagersKill();
        },
        std::chrono::seconds(30)));
  }

  std::filesystem::path folder_;
};

// Types the value into the dialog and presses the button.
std::function<void(rt::WindowDriver&)> searchFor(const char* value, const char* button,
                                                 std::string* shown = nullptr) {
  return [=](rt::WindowDriver& w) {
    if (shown) *shown = rt::fromQString(w.control<QLineEdit>("?SEARCHVALUE")->text());
    if (value) w.control<QLineEdit>("?SEARCHVALUE")->setText(value);
    click(w, button);
  };
}

TEST_F(ListSearchTest, FromTheTopThenNextUntilNoMore) {
  ScriptedMessages messages;
  WindowScript dialog;
  dialog.on(kDialogTitle, searchFor("ana", "?FIND"));
  withList({"Mariana", "ANA", "Beto", "Juana"}, dialog, [&](ProbedList& list) {
    list.probe([](ProbedList& l) {
      l.browser().list()->setCurrentIndex(l.browser().list()->model()->index(3, 0));
      l.key(Qt::Key_B, Qt::ControlModifier);  // from the top, though Mariana is selected
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.selected(), "ANA");
      EXPECT_EQ(l.search()->expression(), "MATCH(USU:Nombre_Usuario,'*ana*',17)");
      EXPECT_EQ(l.window()->focusWidget(), l.browser().list());
      l.key(Qt::Key_F3);
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.selected(), "Juana");
      l.key(Qt::Key_F3);
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.selected(), "Mariana");
      l.key(Qt::Key_F3);
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.selected(), "Mariana");  // no further match: the selection stays
      click(l, "?CLOSE");
    });
  });
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "No hay mas ocurrencias.");
  EXPECT_EQ(messages.asked()[0].caption, "Buscar");
}

TEST_F(ListSearchTest, NextFromTheSelectedRowRememberedValueAndNoCriteria) {
  ScriptedMessages messages;
  WindowScript dialogs;
  std::string reopenedWith;
  dialogs.on(kDialogTitle, searchFor("an*", "?FINDNEXT"))
      .on(kDialogTitle, searchFor(nullptr, "?CANCEL", &reopenedWith));
  withList({"Ana", "Andres", "Beto", "Antonio"}, dialogs, [&](ProbedList& list) {
    list.probe([](ProbedList& l) {
      l.key(Qt::Key_F3);  // before any search: no criteria
    });
    list.probe([](ProbedList& l) {
      // Ana, Andres, Antonio, Beto: from the selected Andres the next is Antonio.
      l.browser().list()->setCurrentIndex(l.browser().list()->model()->index(1, 0));
      l.key(Qt::Key_B, Qt::ControlModifier);
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.selected(), "Antonio");
      l.key(Qt::Key_B, Qt::ControlModifier);  // reopened, then Cancelar
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.search()->expression(), "");
      click(l, "?CLOSE");
    });
  });
  EXPECT_EQ(reopenedWith, "an*");
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].text, "No search criteria specified.");
  EXPECT_EQ(messages.asked()[0].caption, "Error");
  EXPECT_EQ(messages.asked()[1].text, "No search criteria specified.");
}

// A list whose F4 filters with the search dialog.
class FilteringList : public ProbedList {
 protected:
  std::optional<ListSearchSettings> searchSettings() const override {
    auto settings = ProbedList::searchSettings();
    settings->filterKey = true;
    return settings;
  }
};

TEST_F(ListSearchTest, F4FiltersWithFindNextAndFindRemovesTheFilter) {
  WindowScript script;
  script.on(kDialogTitle, searchFor("ana", "?FINDNEXT"))
      .on(kDialogTitle, searchFor(nullptr, "?FIND"));
  withList<FilteringList>({"Mariana", "ANA", "Beto"}, script, [&](ProbedList& list) {
    list.probe([](ProbedList& l) { l.key(Qt::Key_F4); });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.browser().RecordsInView(), 2);
      EXPECT_EQ(l.browser().filterText(), "(MATCH(USU:Nombre_Usuario,'*ana*',17))");
      l.key(Qt::Key_F4);
    });
    list.probe([](ProbedList& l) {
      EXPECT_EQ(l.browser().RecordsInView(), 3);
      EXPECT_EQ(l.browser().filterText(), "");
      click(l, "?CLOSE");
    });
  });
}

// A list whose searched value is computed: the database cannot test it, so
// every record is loaded and tested in turn.
class ComputedColumnList : public ProbedList {
 protected:
  std::optional<ListSearchSettings> searchSettings() const override {
    auto settings = ProbedList::searchSettings();
    settings->columns = "Nombre|@s60|CLIP(USU:Nombre_Usuario)|";
    return settings;
  }
};

// Between ticks of the search the other windows are served; Esc in the
// list's window then stops it where it stands, with no message and the
// selection where it was; F3 afterwards searches again.
TEST_F(ListSearchTest, EscStopsTheSearchBetweenTicks) {
  ListSearch::setTickBudget(std::chrono::milliseconds(0));  // a tick a record
  int waits = 0;
  QPointer<QWidget> list;
  const rt::TimerHook previous = rt::setTimerHook({});
  rt::setTimerHook([&](int milliseconds, std::function<void()> fire) {
    if (++waits == 1 && list) QTest::keyClick(list, Qt::Key_Escape);
    previous(milliseconds, std::move(fire));
  });
  ScriptedMessages messages;
  WindowScript dialog;
  dialog.on(kDialogTitle, searchFor("zoe", "?FIND"));
  withList<ComputedColumnList>(
      {"Ana", "Beto", "Carla", "Dario", "Zoe"}, dialog, [&](ProbedList& probed) {
        probed.probe([&](ProbedList& l) {
          list = l.browser().list();
          l.browser().list()->setCurrentIndex(l.browser().list()->model()->index(1, 0));
          l.key(Qt::Key_B, Qt::ControlModifier);
        });
        probed.probe([&](ProbedList& l) {
          EXPECT_EQ(waits, 1) << "stopped at the first pause";
          EXPECT_TRUE(messages.asked().empty());
          EXPECT_EQ(l.selected(), "Beto");
          EXPECT_TRUE(l.isOpen()) << "Esc stopped the search, not the window";
          l.key(Qt::Key_F3);
        });
        probed.probe([&](ProbedList& l) {
          EXPECT_EQ(l.selected(), "Zoe");
          EXPECT_GT(waits, 2);
          click(l, "?CLOSE");
        });
      });
  rt::setTimerHook(previous);
  ListSearch::setTickBudget(std::chrono::milliseconds(-1));
  EXPECT_TRUE(messages.asked().empty());
}

TEST_F(ListSearchTest, DialogGivesTheValueTheColumnsPicture) {
  // The configured font, read already: the dialog takes it like every window.
  const WindowFontStart saved = windowFontStart();
  windowFontStart() = {"Roboto Medium", 9, -1, -1, -1, 0, 4 | saved.flags, saved.section};
  ASSERT_TRUE(runOnThread([&] {
    std::string title = "Login", value = "beto";
    std::uint8_t next = 0;
    WindowScript script;
    script.on(kDialogTitle, [](rt::WindowDriver& w) {
      EXPECT_EQ(w.control<QComboBox>("?SEARCHFIELDS")->currentText(), "Login");
      EXPECT_EQ(w.window()->font().family(), "Roboto Medium") << "the configured font";
      EXPECT_TRUE(w.window()->property("rtFocusMarker").isValid()) << "the focus marker";
      EXPECT_EQ(w.control<QLineEdit>("?SEARCHVALUE")->maxLength(), 20);
      EXPECT_EQ(w.control<QLabel>("?MATCHCRITERIA")->text(),
                "MATCH(USU:Login_Usuario,'*beto*',17)");
      click(w, "?FINDNEXT");
    });
    EXPECT_EQ(
        vsFind("Nombre|@s60|USU:Nombre_Usuario|Login|@s20|USU:Login_Usuario|", title, value, next),
        "MATCH(USU:Login_Usuario,'*beto*',17)");
    EXPECT_EQ(next, 1);
  }));
  windowFontStart() = saved;
}

// The expression shown follows each key typed into the value, before the
// value is left.
TEST_F(ListSearchTest, TheExpressionShownFollowsEachKey) {
  ASSERT_TRUE(runOnThread([&] {
    std::string title = "Login", value;
    std::uint8_t next = 0;
    testing::Probed<SearchDialog> dialog(
        "Nombre|@s60|USU:Nombre_Usuario|Login|@s20|USU:Login_Usuario|", title, value, next);
    auto type = [](SearchDialog& d, Qt::Key key) {
      QTest::keyClick(d.control("?SEARCHVALUE"), key);
    };
    auto shows = [](SearchDialog& d, const char* expression) {
      EXPECT_EQ(d.control<QLabel>("?MATCHCRITERIA")->text(), expression);
    };
    dialog.probe([&](SearchDialog& d) { type(d, Qt::Key_O); });
    dialog.probe([&](SearchDialog& d) {
      shows(d, "MATCH(USU:Login_Usuario,'*o*',17)");
      type(d, Qt::Key_N);
    });
    dialog.probe([&](SearchDialog& d) {
      shows(d, "MATCH(USU:Login_Usuario,'*on*',17)");
      type(d, Qt::Key_Backspace);
    });
    dialog.probe([&](SearchDialog& d) {
      shows(d, "MATCH(USU:Login_Usuario,'*o*',17)");
      click(d, "?CANCEL");
    });
    dialog.Run();
  }));
}

}  // namespace
}  // namespace core
