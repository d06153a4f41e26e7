#include "core/aids/font_scaler.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/frame/window_font_start.h"
#include "core/shapes/list_cells.h"
#include "platform/base/paths.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_placement.h"

namespace core {
namespace {

// A window designed in an 8-point font, 200 by 100 units.
struct DesignedWindow {
  QWidget window;
  QLabel* plain = new QLabel("Nombre:", &window);
  QLabel* boldRed = new QLabel("Aviso", &window);
  QLabel* otherFace = new QLabel("Serif", &window);
  QTextEdit* notes = new QTextEdit(&window);
  QTableWidget* list = new QTableWidget(3, 2, &window);

  DesignedWindow() {
    QFont designed("DejaVu Sans", 8);
    window.setFont(designed);
    const rt::DialogUnits units = rt::DialogUnits::of(&window);
    window.resize(units.size(200, 100));
    QFont bold = designed;
    bold.setBold(true);
    boldRed->setFont(bold);
    rt::setFontColor(boldRed, 0x0000FF);
    QFont serif("Liberation Serif", 8);
    otherFace->setFont(serif);
    QFont notesFont("Liberation Mono", 10);
    notes->setFont(notesFont);
    list->setGeometry(units.x(10), units.y(50), units.x(150), units.y(40));
    list->horizontalHeader()->resizeSection(0, units.x(60));
    list->verticalHeader()->setDefaultSectionSize(units.y(10));
  }
};

class ConfigurarFuenteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(rt::resolvePath(kProgramIni));
    setWindowFontStartValues();
    settingsStore().Init(kProgramIni);
  }
  void TearDown() override { settingsStore().Kill(); }
};

TEST_F(ConfigurarFuenteTest, ReadsTheSettingsOnceAndScalesTheWindowInItsUnits) {
  settingsStore().update("AnyFont", "FontSize", "12");
  DesignedWindow w;
  FontScaler scaler;
  scaler.Init();
  // A window of another thread than the frame's grows with the font both ways.
  ASSERT_TRUE(rt::testing::runOnThread([&] { ConfigurarFuente(scaler, &w.window); }));
  EXPECT_EQ(w.window.font().family(), "Roboto Medium");
  EXPECT_EQ(w.window.font().pointSize(), 12);
  EXPECT_EQ(windowFontStart().flags & 4, 4);

  const rt::DialogUnits units = rt::DialogUnits::of(&w.window);
  EXPECT_EQ(units.unitsX(w.window.width()), 200) << "the same units, now wider";
  EXPECT_GT(w.window.width(), rt::DialogUnits(QFont("DejaVu Sans", 8)).x(200));
  EXPECT_EQ(units.unitsY(w.window.height()), 100);
  EXPECT_EQ(units.unitsX(w.list->x()), 10);
  EXPECT_EQ(units.unitsY(w.list->y()), 50);
  EXPECT_EQ(units.unitsX(w.list->width()), 150);
  EXPECT_EQ(units.unitsX(w.list->horizontalHeader()->sectionSize(0)), 60);
  EXPECT_EQ(units.unitsY(w.list->verticalHeader()->defaultSectionSize()), 10);

  EXPECT_EQ(w.plain->font().family(), "Roboto Medium");
  EXPECT_TRUE(w.boldRed->font().bold()) << "bold stays bold in the new face";
  EXPECT_EQ(w.boldRed->font().family(), "Roboto Medium");
  EXPECT_EQ(w.boldRed->font().pointSize(), 12);
  EXPECT_EQ(rt::toBgr(w.boldRed->palette().color(QPalette::WindowText)), 0x0000FF);
  EXPECT_EQ(w.otherFace->font().family(), "Liberation Serif") << "another face is kept";
  EXPECT_EQ(w.otherFace->font().pointSize(), 12);
  EXPECT_EQ(w.notes->font().family(), "Liberation Mono") << "rich text keeps its fonts";
  EXPECT_EQ(w.notes->font().pointSize(), 10);

  // Read once per process: a later change of the INI reaches no window.
  settingsStore().update("AnyFont", "FontSize", "14");
  DesignedWindow second;
  FontScaler other;
  other.Init();
  ConfigurarFuente(other, &second.window);
  EXPECT_EQ(second.window.font().pointSize(), 12);

  // Closing: back to the size in window units from before the change.
  w.window.resize(units.x(240), w.window.height());
  scaler.ApplyPendingSize();
  EXPECT_EQ(units.unitsX(w.window.width()), 240);
  EXPECT_EQ(scaler.INITED, 0);
}

TEST_F(ConfigurarFuenteTest, DisableKeepsTheDesignedFont) {
  settingsStore().update("AnyFont", "Disable", "1");
  settingsStore().update("AnyFont", "FontSize", "12");
  DesignedWindow w;
  const int designedWidth = w.window.width();
  FontScaler scaler;
  scaler.Init();
  ConfigurarFuente(scaler, &w.window);
  EXPECT_EQ(w.window.font().family(), "DejaVu Sans");
  EXPECT_EQ(w.window.font().pointSize(), 8);
  EXPECT_EQ(w.window.width(), designedWidth);
  EXPECT_EQ(scaler.INITED, 0);
  EXPECT_EQ(windowFontStart().disable, 1);
}

}  // namespace
}  // namespace core

namespace core {
namespace {

TEST(FontScaler, ACentredWindowStaysCentredAndAMaximizedOneMaximized) {
  for (const bool shown : {true, false}) {
    SCOPED_TRACE(shown ? "shown" : "still to be shown");
    QWidget window;
    window.setFont(QFont("DejaVu Sans", 8));
    window.resize(rt::DialogUnits::of(&window).size(120, 60));
    rt::placeWindow(&window, nullptr, std::nullopt);
    if (shown) window.show();
    const QPoint centre = window.geometry().center();
    FontScaler scaler;
    scaler.Init();
    scaler.NOWINDOWSAVE = 1;
    scaler.SetFont(&window, false, 14, -1, false, -1, -1, "Roboto Medium");
    EXPECT_GT(window.width(), rt::DialogUnits(QFont("DejaVu Sans", 8)).x(120));
    EXPECT_LE((window.geometry().center() - centre).manhattanLength(), 2);
  }

  // One placed where it was given keeps its corner.
  QWidget placed;
  placed.setFont(QFont("DejaVu Sans", 8));
  placed.resize(rt::DialogUnits::of(&placed).size(120, 60));
  rt::placeWindow(&placed, nullptr, QPoint(40, 30));
  placed.show();
  const QPoint corner = placed.pos();
  FontScaler kept;
  kept.Init();
  kept.NOWINDOWSAVE = 1;
  kept.SetFont(&placed, false, 14, -1, false, -1, -1, "Roboto Medium");
  EXPECT_EQ(placed.pos(), corner);

  QWidget maximized;
  maximized.showMaximized();
  FontScaler other;
  other.Init();
  other.SetFont(&maximized, false, 14, -1, false, -1, -1, "Roboto Medium");
  EXPECT_TRUE(maximized.isMaximized());
}

TEST(FontScaler, TheMainThreadsWindowsGrowWiderButNotTaller) {
  QWidget window;
  window.setFont(QFont("DejaVu Sans", 8));
  window.resize(rt::DialogUnits::of(&window).size(200, 100));
  const QSize before = window.size();
  FontScaler scaler;
  scaler.Init();
  scaler.SetFont(&window, false, 14, -1, false, -1, -1, "Roboto Medium");
  EXPECT_GT(window.width(), before.width());
  EXPECT_LE(window.height(), before.height()) << "the client area is not taller";
}

}  // namespace
}  // namespace core

namespace core {
namespace {

TEST(FontScaler, EachListStyleIsReFontedAsTheListWas) {
  QWidget window;
  window.setFont(QFont("DejaVu Sans", 8));
  auto* list = new QListWidget(&window);
  auto* mono = new QListWidget(&window);
  mono->setFont(QFont("Liberation Mono", 10));
  ListStyles& styles = ListStyles::of(list);
  styles.setStyle(1, {"", -1, 0x000000, 700, -1});
  styles.setStyle(2, {"Liberation Serif", 8, 0x0000FF, 400, -1});
  styles.setStyle(3, {"DejaVu Sans", 8, -1, 400 | 0x1000, -1});
  styles.setStyle(20, {"", 9, -1, -1, -1});
  ListStyles::of(mono).setStyle(1, {"", -1, -1, 700, -1});
  auto* bold = new StyledListItem("Aviso", 1);
  list->addItem(bold);

  FontScaler scaler;
  scaler.Init();
  scaler.SetFont(&window, false, 12, -1, false, -1, -1, "Roboto Medium");
  scaler.Apply();

  struct Case {
    const char* what;
    QWidget* list;
    int number;
    std::string name;
    int size;
    long colour;
    int style;
  };
  const Case cases[] = {
      {"blank face and size: the list's new ones, bold kept", list, 1, "Roboto Medium", 12, 0, 700},
      {"another face and a red kept", list, 2, "Liberation Serif", 12, 0x0000FF, 400},
      {"the window's face given outright: the new face", list, 3, "Roboto Medium", 12, 0,
       400 | 0x1000},
      {"a size of its own kept", list, 20, "Roboto Medium", 9, 0, 400},
      {"a style never set: the list's new font", list, 7, "Roboto Medium", 12, 0, 400},
      {"a list in a face of its own lends it to its styles", mono, 1, "Liberation Mono", 10, 0,
       700},
  };
  for (const Case& c : cases) {
    const RuntimeFont font = ListStyles::of(c.list).style(c.number);
    EXPECT_EQ(font.name, c.name) << c.what;
    EXPECT_EQ(font.size, c.size) << c.what;
    EXPECT_EQ(font.colour, c.colour) << c.what;
    EXPECT_EQ(font.style, c.style) << c.what;
  }
  // The rows are drawn in their style's new font.
  EXPECT_EQ(bold->font().family(), "Roboto Medium");
  EXPECT_EQ(bold->font().pointSize(), 12);
  EXPECT_TRUE(bold->font().bold());
}

}  // namespace
}  // namespace core

namespace core {
namespace {

// The menu bar keeps the font of its drop-down menus and the tool bars the
// font they were designed in, whatever size the window's font takes: in the
// frame, in the program's own font, and in a window designed in another.
TEST_F(ConfigurarFuenteTest, TheMenuBarAndTheToolBarsKeepTheirDesignedFont) {
  struct Case {
    const char* size;
    bool designedFont;
  } cases[] = {{"14", false}, {"16", false}, {"16", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.size) + (c.designedFont ? " in a designed font" : ""));
    setWindowFontStartValues();
    settingsStore().update("AnyFont", "FontSize", c.size);
    QMainWindow frame;
    if (c.designedFont) frame.setFont(QFont("DejaVu Sans", 8));
    QMenu* menu = frame.menuBar()->addMenu("&General");
    menu->addAction("&Salir");
    QToolBar* tools = frame.addToolBar("Aplicacion");
    auto* button = new QToolButton;
    button->setText("Pacientes");
    tools->addWidget(button);
    auto* entry = new QLineEdit(&frame);
    frame.setCentralWidget(entry);
    const QFont designed = frame.font();
    ASSERT_NE(designed.pointSize(), std::stoi(c.size));
    FontScaler scaler;
    scaler.Init();
    ConfigurarFuente(scaler, &frame);
    ASSERT_EQ(entry->font().pointSize(), std::stoi(c.size)) << "the window's controls grow";
    for (const QWidget* kept : {static_cast<QWidget*>(tools), static_cast<QWidget*>(button)}) {
      EXPECT_EQ(kept->font().family().toStdString(), designed.family().toStdString());
      EXPECT_EQ(kept->font().pointSize(), designed.pointSize());
    }
    EXPECT_EQ(frame.menuBar()->font().family().toStdString(), menu->font().family().toStdString())
        << "the bar as its drop-down menu";
    EXPECT_EQ(frame.menuBar()->font().pointSize(), menu->font().pointSize())
        << "the bar as its drop-down menu";
  }
}

}  // namespace
}  // namespace core
