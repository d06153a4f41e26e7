// The list export window on a small list: the columns it starts with, the
// moves, totals, titles and sort order, the files it writes and what it does
// with them, and the saved layouts with their chooser.
#include "output/export_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "netlib/net_event_delivery.h"
#include "netlib/testing/mail_probe.h"
#include "netlib/testing/smtp_test_server.h"
#include "output/register_procedures.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "platform/base/ini_file.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace output {
namespace {

namespace fs = std::filesystem;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::waitUntil;
using rt::testing::WindowScript;

constexpr char kTitle[] = "Lista de prueba";

// The list's rows as numbered fields: 1 the name, 6 the amount, 11 the date.
class Rows : public core::RowFields {
 public:
  void add(std::string name, std::string amount, std::string date) {
    std::vector<std::string> row(11);
    row[0] = std::move(name);
    row[5] = std::move(amount);
    row[10] = std::move(date);
    rows_.push_back(std::move(row));
  }
  std::size_t rowCount() const override { return rows_.size(); }
  std::string field(std::size_t row, int number) const override {
    return row < rows_.size() && number >= 1 && number <= 11 ? rows_[row][number - 1]
                                                             : std::string();
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

std::string day(int d, int m, int y) { return std::to_string(rt::makeDate(m, d, y)); }

core::ExportSpec spec(std::string nameTitle = "Nombre") {
  return core::ExportSpec{
      1,
      "1,6,11,",
      {{std::move(nameTitle), "@s30", 0}, {"Importe", "@n10.2", 0}, {"Fecha", "@d17", 0}},
      kTitle,
      1};
}

class ExportWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("export", folder_));
    GLO::DirectorioExportacion = rt::runtimeName(folder_ / "Exportados");
    GLO::ArchivoIni = rt::runtimeName(folder_ / "Dezedu.ini");
    // The e-mail window's settings lie in the shared working folder: those
    // another test left (TLS, a CA file) are not this test's.
    fs::remove(rt::resolvePath(".\\TLMail.ini"));
    registerProcedures();
    // The hand-over of the running window, for the checks of what it writes back.
    rt::registerProcedure(core::kExportWindow, [this](const rt::ProcedureArgs&) {
      handOver_ = core::currentExportHandOver();
      if (adjust_) adjust_(*handOver_);
      return runKovExportSourceV2();
    });
    previousOpener_ = rt::setShellCodeOpener([this](const std::string& target) {
      opened_.push_back(target);
      return openAnswer_;
    });
    rows_.add("Nuñez"_cp, "12.5", day(2, 10, 2025));
    rows_.add("Ñandú"_cp, "1234.56", "0");
    rows_.add("Nunez", "-3", day(29, 2, 2000));
  }
  void TearDown() override {
    // A test that failed with its window still open ends it here, before
    // what the window uses (servers, deliveries) goes with the test.
    if (shown_ != nullptr && !done_) {
      rt::endAllThreads();
      rt::testing::waitIdle();
    }
    rt::setShellCodeOpener(previousOpener_);
    rt::unregisterProcedure("EnvioEmailTLFull");
    rt::closeDatabase();
  }

  // Opens the window for the list `procedure` and waits until it shows.
  ExportWindow& open(std::string procedure = "ExaminarPrueba", core::ExportSpec listSpec = spec()) {
    shown_ = nullptr;
    done_ = false;
    script_.reset();  // scripts restore the observer they replaced: one at a time
    script_ = std::make_unique<WindowScript>();
    script_->on(kTitle, [this](rt::WindowDriver& w) { shown_ = dynamic_cast<ExportWindow*>(&w); });
    currentFolder_ = fs::current_path();
    rt::start([this, procedure, listSpec] {
      core::TableManagersInit();
      {
        rt::ProcedureScope list(procedure);
        core::PrepararExportacion(rows_, {60, 30, 30}, listSpec, nullptr);
      }
      core::TableManagersKill();
      done_ = true;
    });
    EXPECT_TRUE(waitUntil([this] { return shown_ != nullptr; }, "the export window shown"));
    return *shown_;
  }
  void close() {
    ASSERT_TRUE(click(*shown_, "?SALIR"));
    ASSERT_TRUE(waitUntil([this] { return done_; }, "the export window closed"));
    EXPECT_EQ(fs::current_path(), currentFolder_) << "the current folder never changes";
  }

  void press(const char* button) {
    ASSERT_TRUE(click(*shown_, button));
    rt::testing::waitIdle();
  }
  // Presses an output button and waits for its after-export step.
  void exportWith(const char* button) {
    rt::DebugCapture trace;
    ASSERT_TRUE(click(*shown_, button));
    ASSERT_TRUE(waitUntil(
        [&] {
          for (const std::string& line : trace.lines()) {
            if (line.rfind("ArchivoEnviar -> ", 0) == 0) return true;
          }
          return false;
        },
        "the export finished"));
    traced_ = trace.lines();
    rt::testing::waitIdle();
  }

  // Presses "Seleccionar" and waits for the chooser to list `layouts` rows.
  rt::WindowDriver* openChooser(int layouts) {
    rt::WindowDriver* chooser = nullptr;
    chooserScript_.reset();
    chooserScript_ = std::make_unique<WindowScript>();
    chooserScript_->on("Listas Guardadas [Lista de prueba]",
                       [&chooser](rt::WindowDriver& c) { chooser = &c; });
    EXPECT_TRUE(click(*shown_, "?SELECCIONAR"));
    EXPECT_TRUE(waitUntil([&] { return chooser != nullptr; }, "the chooser shown"));
    if (chooser == nullptr) return nullptr;
    auto* list = chooser->control<QTableView>("?BROWSE:1");
    EXPECT_TRUE(
        waitUntil([&] { return list->model()->rowCount() == layouts; }, "the layouts listed"));
    if (layouts > 0) list->setCurrentIndex(list->model()->index(0, 0));
    return chooser;
  }

  QListWidget* selectedList() { return shown_->control<QListWidget>("?SELECTED"); }
  void highlight(int row) { selectedList()->setCurrentRow(row); }
  std::vector<int> selectedIds() const {
    std::vector<int> ids;
    for (const auto& c : shown_->selected()) ids.push_back(c.id);
    return ids;
  }
  std::string orderText() const {
    std::string text;
    for (const auto& e : shown_->order()) text += std::string(1, e.sign) + e.description + ",";
    return text;
  }
  std::string file(const char* extension) const {
    std::ifstream in(shown_->basePath().string() + extension);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  fs::path folder_;
  Rows rows_;
  std::function<void(core::ExportHandOver&)> adjust_;
  core::ExportHandOver* handOver_ = nullptr;
  std::unique_ptr<WindowScript> script_;
  std::unique_ptr<WindowScript> chooserScript_;
  ExportWindow* shown_ = nullptr;
  bool done_ = false;
  fs::path currentFolder_;
  std::vector<std::string> opened_;
  int openAnswer_ = 42;
  rt::ShellCodeOpener previousOpener_;
  std::vector<std::string> traced_;
};

TEST_F(ExportWindowTest, ListedColumnsStartSelectedPairedWithTheColumnRowsInOrder) {
  ExportWindow& w = open();
  EXPECT_EQ(selectedIds(), (std::vector<int>{1, 6, 11}));
  ASSERT_EQ(w.selected().size(), 3u);
  EXPECT_EQ(w.selected()[1].title, "Importe");
  EXPECT_EQ(w.selected()[2].title, "Fecha");
  EXPECT_TRUE(w.available().empty());
  EXPECT_EQ(selectedList()->currentRow(), 0);
  EXPECT_EQ(handOver_->parameters[5], "ExaminarPrueba1");
  EXPECT_EQ(w.basePath(), folder_ / "Exportados" / "ExaminarPrueba1");
  EXPECT_TRUE(fs::is_directory(folder_ / "Exportados"));
  close();
}

TEST_F(ExportWindowTest, RowOneIsReadUpToTheColumnsAndTheOfferedKindsShowTheirButtons) {
  struct Case {
    const char* row1;
    const char* kinds;
    std::vector<int> selected;
    std::vector<const char*> hidden;
  };
  const Case cases[] = {
      {"1,6,11,16,21,",
       "HTML|EXCEL|WORD|ASCII|XML|PRT|All",
       {1, 6, 11},
       {}},  // stops at the last column
      {"1,6,11",
       "EXCEL|",
       {1, 6},
       {"?HTML", "?WORD", "?ASCII", "?XML", "?PRINT"}},  // 11 lacks its ","
      // The blank ends the scan; the last number stored bounds the columns.
      {"6,1, 11,", "XML|PRT|", {1}, {"?HTML", "?EXCEL", "?WORD", "?ASCII"}},
      // A number keeps its first three digits.
      {"1,6,1234,", "", {1, 6, 123}, {"?HTML", "?EXCEL", "?WORD", "?ASCII", "?XML", "?PRINT"}},
  };
  for (const Case& c : cases) {
    adjust_ = [&c](core::ExportHandOver& h) {
      h.parameters[0] = c.row1;
      h.parameters[7] = c.kinds;
    };
    ExportWindow& w = open();
    EXPECT_EQ(selectedIds(), c.selected) << c.row1;
    for (const char* name : {"?HTML", "?EXCEL", "?WORD", "?ASCII", "?XML", "?PRINT"}) {
      const bool hidden = std::find_if(c.hidden.begin(), c.hidden.end(), [&](const char* h) {
                            return std::string(h) == name;
                          }) != c.hidden.end();
      EXPECT_EQ(w.control(name)->isHidden(), hidden) << c.row1 << " " << name;
    }
    EXPECT_FALSE(w.control("?OFFICE")->isHidden());
    close();
  }
}

TEST_F(ExportWindowTest, AColumnMarkedNotForExportIsOfferedNowhere) {
  open("ExaminarPrueba", spec("ECNOEXPORT"));
  EXPECT_EQ(selectedIds(), (std::vector<int>{6, 11}));
  press("?DELETEALL");
  EXPECT_EQ(shown_->available().size(), 2u);
  press("?INSERTALL");
  EXPECT_EQ(selectedIds(), (std::vector<int>{6, 11}));
  close();
}

TEST_F(ExportWindowTest, MovesKeepTheHighlightAndDoNothingPastTheEnds) {
  struct Case {
    int highlighted;
    const char* button;
    std::vector<int> selected;
    int highlightedAfter;
    std::vector<int> available;
  };
  const Case cases[] = {
      {2, "?MOVEDOWN", {1, 6, 11}, 2, {}},  // the last row stays
      {0, "?MOVEUP", {1, 6, 11}, 0, {}},    // the first row stays
      {0, "?MOVEDOWN", {6, 1, 11}, 1, {}}, {2, "?MOVEUP", {1, 11, 6}, 1, {}},
      {1, "?DELETE", {1, 11}, 1, {6}},     {1, "?DELETEALL", {}, -1, {1, 6, 11}},
  };
  for (const Case& c : cases) {
    open();
    highlight(c.highlighted);
    press(c.button);
    EXPECT_EQ(selectedIds(), c.selected) << c.button << " from row " << c.highlighted;
    EXPECT_EQ(selectedList()->currentRow(), c.highlightedAfter) << c.button;
    std::vector<int> available;
    for (const auto& a : shown_->available()) available.push_back(a.id);
    EXPECT_EQ(available, c.available) << c.button;
    close();
  }
  // Back to the selected list: at its end, in list order.
  open();
  press("?DELETEALL");
  shown_->control<QListWidget>("?AVAILABLE")->setCurrentRow(2);
  press("?INSERT");
  EXPECT_EQ(selectedIds(), (std::vector<int>{11}));
  press("?INSERTALL");
  EXPECT_EQ(selectedIds(), (std::vector<int>{11, 1, 6}));
  close();
}

// Rows that a test counts and makes fail: `count` rows are said to be there;
// reading them answers nothing, or fails for want of memory.
class CountedRows : public core::ExportRows {
 public:
  explicit CountedRows(std::size_t count, bool failing = false)
      : count_(count), failing_(failing) {}
  bool moreThan(std::size_t limit) override { return count_ > limit; }
  void rewind() override {}
  std::vector<std::vector<std::string>> next(std::size_t, const std::vector<int>&) override {
    ++reads;
    if (failing_) throw std::bad_alloc();
    return {};
  }
  int reads = 0;

 private:
  std::size_t count_;
  bool failing_;
};

// A list longer than a spreadsheet holds is refused before a row is read,
// and the earlier file of that kind stays; other kinds are not limited.
TEST_F(ExportWindowTest, AListLongerThanASpreadsheetHoldsIsRefusedBeforeAnyRowIsRead) {
  CountedRows rows(rt::kSpreadsheetRows - 1);
  adjust_ = [&rows](core::ExportHandOver& h) { h.rows = &rows; };
  open();
  for (const char* button : {"?EXCEL", "?OFFICE"}) {
    const std::string extension = std::string(button) == "?EXCEL" ? ".xlsx" : ".ods";
    std::ofstream(shown_->basePath().string() + extension) << "anterior";
    ScriptedMessages messages;
    ASSERT_TRUE(click(*shown_, button));
    ASSERT_TRUE(waitUntil([&] { return !messages.asked().empty(); }, "the refusal"));
    EXPECT_NE(messages.asked()[0].text.find("más de 1,048,574 filas"_cp), std::string::npos)
        << messages.asked()[0].text;
    EXPECT_NE(messages.asked()[0].text.find("no se exportó nada"_cp), std::string::npos);
    EXPECT_EQ(rows.reads, 0) << button;
    EXPECT_EQ(file(extension.c_str()), "anterior") << button;
  }
  rows = CountedRows(rt::kSpreadsheetRows - 2);
  exportWith("?EXCEL");
  EXPECT_EQ(rows.reads, 1) << "a list that fits is read";
  close();
}

// Memory that cannot be had while the rows are read is said in a message
// naming the window, which stays open.
TEST_F(ExportWindowTest, AFailureToGetMemoryIsShownNamingTheWindow) {
  CountedRows rows(3, true);
  adjust_ = [&rows](core::ExportHandOver& h) { h.rows = &rows; };
  open();
  ScriptedMessages messages;
  ASSERT_TRUE(click(*shown_, "?ASCII"));
  ASSERT_TRUE(waitUntil([&] { return !messages.asked().empty(); }, "the message"));
  EXPECT_NE(messages.asked()[0].text.find("No hay memoria suficiente"), std::string::npos);
  EXPECT_NE(messages.asked()[0].text.find(kTitle), std::string::npos) << messages.asked()[0].text;
  EXPECT_FALSE(done_);
  EXPECT_FALSE(fs::exists(shown_->basePath().string() + ".txt"));
  close();
}

TEST_F(ExportWindowTest, TotalsAndEditedTitlesReachTheFile) {
  open();
  highlight(1);
  press("?TOTALIZAR");
  EXPECT_EQ(shown_->selected()[1].icon, 2);
  EXPECT_EQ(handOver_->columns[1].total, 1) << "TOT of the paired column row";
  highlight(2);
  press("?TOTALIZAR");
  press("?TOTALIZAR");
  EXPECT_EQ(shown_->selected()[2].icon, 1);
  EXPECT_EQ(handOver_->columns[2].total, 0);

  highlight(0);
  press("?EDITARTITULO");
  auto* editor = shown_->control<QLineEdit>("?LOC:ENTRY");
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->text(), "Nombre");
  editor->setText("Apellido y nombre");
  QTest::keyClick(editor, Qt::Key_Return);
  ASSERT_TRUE(waitUntil([&] { return !editor->isVisible(); }, "the title stored"));
  EXPECT_EQ(shown_->selected()[0].title, "Apellido y nombre");

  exportWith("?XML");
  const std::string xml = file(".xml");
  EXPECT_NE(xml.find("<column number=\"1\" type=\"text\">Apellido y nombre</column>"),
            std::string::npos);
  EXPECT_NE(xml.find("<column number=\"2\" type=\"number\" total=\"sum\">Importe</column>"),
            std::string::npos);
  EXPECT_NE(xml.find("<total column=\"2\" kind=\"sum\" value=\"1244.06\">1,244.06</total>"),
            std::string::npos);
  close();
}

TEST_F(ExportWindowTest, TheSortOrderTakesAColumnOnceFlipsAndGoes) {
  open();
  highlight(0);
  press("?ORDERADD");
  press("?ORDERADD");
  EXPECT_EQ(orderText(), "+Nombre,");
  highlight(2);
  press("?ORDERADD");
  EXPECT_EQ(orderText(), "+Nombre,+Fecha,");
  EXPECT_EQ(shown_->control<QTreeWidget>("?LIST_ORDER")->currentIndex().row(), 1)
      << "the new entry";
  press("?ORDERCHANGE");
  EXPECT_EQ(orderText(), "+Nombre,-Fecha,");
  auto* order = shown_->control<QTreeWidget>("?LIST_ORDER");
  order->setCurrentItem(order->topLevelItem(0));
  press("?ORDERDELETE");
  EXPECT_EQ(orderText(), "-Fecha,");
  close();
}

TEST_F(ExportWindowTest, RowsSortStablyTextInSpanishOrderNumbersAndDatesByValue) {
  struct Case {
    int column;  // the selected row ordered by
    bool descending;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {0, false, {"Nunez", "Nuñez"_cp, "Ñandú"_cp}},
      {0, true, {"Ñandú"_cp, "Nuñez"_cp, "Nunez"}},
      {1, false, {"Nunez", "Nuñez"_cp, "Ñandú"_cp}},  // -3, 12.5, 1234.56
      {2, false, {"Ñandú"_cp, "Nunez", "Nuñez"_cp}},  // no date, 2000, 2025
  };
  for (const Case& c : cases) {
    open();
    highlight(c.column);
    press("?ORDERADD");
    if (c.descending) press("?ORDERCHANGE");
    exportWith("?ASCII");
    std::istringstream text(file(".txt"));
    std::vector<std::string> names;
    std::string line;
    for (int n = 0; std::getline(text, line); ++n) {
      if (n >= 4 && !line.empty())
        names.push_back(rt::utf8ToCp1252(line.substr(0, line.find("  "))));
    }
    EXPECT_EQ(names, c.names) << "column " << c.column << (c.descending ? " descending" : "");
    close();
  }
}

// A column of rich text (notes) goes out as its plain text, sorted or not.
TEST_F(ExportWindowTest, RichTextGoesOutAsItsPlainText) {
  rows_.add("{\\rtf1\\ansi Tos {\\b seca}\\par}", "1", day(1, 1, 2020));
  for (bool sorted : {false, true}) {
    open();
    if (sorted) {
      highlight(1);
      press("?ORDERADD");
    }
    exportWith("?ASCII");
    const std::string text = file(".txt");
    EXPECT_NE(text.find("Tos seca"), std::string::npos) << text;
    EXPECT_EQ(text.find("rtf"), std::string::npos) << text;
    close();
  }
}

TEST_F(ExportWindowTest, ALayoutComesBackWithItsColumnsTotalsTitlesAndOrder) {
  open();
  // Columns date, name, amount; sorted by amount descending, then by name.
  highlight(2);
  press("?MOVEUP");
  press("?MOVEUP");
  highlight(2);
  press("?TOTALIZAR");
  press("?ORDERADD");
  press("?ORDERCHANGE");
  highlight(1);
  press("?ORDERADD");
  EXPECT_EQ(orderText(), "-Importe,+Nombre,");
  auto* box = shown_->control<QCheckBox>("?L:SAVEEXP");
  EXPECT_FALSE(shown_->control("?LAYOUTGROUP")->isEnabled());
  box->click();
  ASSERT_TRUE(
      waitUntil([&] { return shown_->control("?LAYOUTGROUP")->isEnabled(); }, "the name enabled"));
  shown_->control<QLineEdit>("?L:SAVE")->setText("Por importe");
  press("?SALVAR");
  EXPECT_TRUE(shown_->control<QLineEdit>("?L:SAVE")->text().isEmpty());
  EXPECT_FALSE(box->isEnabled()) << "one layout per opening";
  EXPECT_FALSE(shown_->control("?LAYOUTGROUP")->isEnabled());
  close();

  open();
  EXPECT_TRUE(shown_->control<QCheckBox>("?L:SAVEEXP")->isEnabled());
  rt::WindowDriver* chooser = openChooser(1);
  ASSERT_NE(chooser, nullptr);
  ASSERT_TRUE(click(*chooser, "?SELECT"));
  ASSERT_TRUE(waitUntil([&] { return shown_->order().size() == 2; }, "the layout loaded"));
  EXPECT_EQ(selectedIds(), (std::vector<int>{11, 1, 6}));
  EXPECT_EQ(shown_->selected()[2].icon, 2);
  EXPECT_EQ(orderText(), "-Importe,+Nombre,") << "signs and sequence";
  EXPECT_TRUE(shown_->available().empty());
  close();
}

// Saves a layout of the selected columns under a name in the open window.
void saveLayout(ExportWindow& w, const char* name) {
  w.control<QCheckBox>("?L:SAVEEXP")->click();
  ASSERT_TRUE(
      waitUntil([&] { return w.control("?LAYOUTGROUP")->isEnabled(); }, "the name enabled"));
  w.control<QLineEdit>("?L:SAVE")->setText(name);
  ASSERT_TRUE(click(w, "?SALVAR"));
  ASSERT_TRUE(waitUntil([&] { return !w.control("?L:SAVEEXP")->isEnabled(); }, "the layout saved"));
}

TEST_F(ExportWindowTest, EachListSeesItsOwnLayoutsAndANewLayoutNeverTakesADeletedOnesColumns) {
  saveLayout(open("ExaminarB"), "Lista B");
  close();
  saveLayout(open("ExaminarA"), "Lista A");
  close();

  // The chooser of list A shows its layout only; deleting it leaves its
  // column rows behind, numbered 2.
  open("ExaminarA");
  rt::WindowDriver* chooser = openChooser(1);
  ASSERT_NE(chooser, nullptr);
  auto* list = chooser->control<QTableView>("?BROWSE:1");
  EXPECT_EQ(list->model()->index(0, 0).data().toString(), "Lista A");
  {
    ScriptedMessages yes({rt::button::Yes});
    ASSERT_TRUE(click(*chooser, "?DELETE"));
    ASSERT_TRUE(waitUntil([&] { return list->model()->rowCount() == 0; }, "the layout deleted"));
    EXPECT_EQ(yes.asked().size(), 1u) << "the platform's question";
  }
  ASSERT_TRUE(click(*chooser, "?CLOSE"));
  rt::testing::waitIdle();
  EXPECT_EQ(selectedIds(), (std::vector<int>{1, 6, 11})) << "a closed chooser changes nothing";

  // The next layout takes the highest number plus one, the number the
  // deleted layout had; it loads its own column only.
  highlight(0);
  press("?DELETE");
  press("?DELETE");
  saveLayout(*shown_, "Solo fecha");
  close();
  open("ExaminarA");
  chooser = openChooser(1);
  ASSERT_NE(chooser, nullptr);
  ASSERT_TRUE(click(*chooser, "?SELECT"));
  ASSERT_TRUE(waitUntil([&] { return shown_->selected().size() == 1; }, "the new layout loaded"));
  EXPECT_EQ(selectedIds(), (std::vector<int>{11}));
  EXPECT_EQ(shown_->available().size(), 2u);
  close();
}

TEST_F(ExportWindowTest, AfterTheExportTheFileIsMailedOrOpened) {
  rt::putIni("Email", "Listados", "listados@example.com", GLO::ArchivoIni);
  std::vector<rt::ProcedureArgs> mails;
  rt::registerProcedure("EnvioEmailTLFull", [&](const rt::ProcedureArgs& args) {
    mails.push_back(args);
    return rt::kCompleted;
  });
  open();
  exportWith("?WORD");
  const fs::path docx = folder_ / "Exportados" / "ExaminarPrueba1.docx";
  EXPECT_TRUE(fs::exists(docx));
  EXPECT_EQ(opened_, (std::vector<std::string>{docx.string()}));
  EXPECT_EQ(traced_.back(), "ArchivoEnviar -> 1 - " + rt::runtimeName(docx));

  shown_->control<QCheckBox>("?ENVIARPORMAIL")->click();
  exportWith("?EXCEL");
  const fs::path xlsx = folder_ / "Exportados" / "ExaminarPrueba1.xlsx";
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0],
            (rt::ProcedureArgs{"listados@example.com", "", "Archivo Exportado",
                               rt::runtimeName(xlsx), "Archivo Enviado Automáticamente"_cp, "1"}));
  EXPECT_EQ(opened_.size(), 1u) << "a mailed file is not opened";
  EXPECT_EQ(handOver_->parameters[5], rt::runtimeName(folder_ / "Exportados" / "ExaminarPrueba1"));
  EXPECT_EQ(handOver_->parameters[23], "0");
  exportWith("?OFFICE");
  EXPECT_TRUE(fs::exists(folder_ / "Exportados" / "ExaminarPrueba1.ods"));
  EXPECT_EQ(handOver_->parameters[23], "1");
  EXPECT_EQ(mails.size(), 2u);

  // Another kind that writes no file (a folder stands in its way): the
  // reason is shown, nothing is mailed or opened though earlier exports
  // succeeded.
  auto inTheWay = [this](const char* name) {
    fs::create_directories(folder_ / "Exportados" / name);
    std::ofstream(folder_ / "Exportados" / name / "otro.txt") << "x";
  };
  inTheWay("ExaminarPrueba1.html");
  {
    ScriptedMessages messages;
    exportWith("?HTML");
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_NE(messages.asked()[0].text.find("Ya existe una carpeta con ese nombre"_cp),
              std::string::npos);
  }
  EXPECT_EQ(traced_.back(), "ArchivoEnviar -> 0 -");  // the trace drops trailing blanks
  EXPECT_EQ(mails.size(), 2u);
  shown_->control<QCheckBox>("?ENVIARPORMAIL")->click();
  inTheWay("ExaminarPrueba1.txt");
  {
    ScriptedMessages messages;
    exportWith("?ASCII");
  }
  EXPECT_EQ(opened_.size(), 1u);
  close();
}

// "Enviar Por Mail:" through the real e-mail window, shown for editing: Send
// delivers the exported file to the listings' address.
TEST_F(ExportWindowTest, AMailedExportArrivesThroughTheEmailWindow) {
  netlib::ScopedNetEventDelivery delivery;
  netlib::testing::SmtpTestServer server({});
  ASSERT_TRUE(server.started()) << server.startError();
  rt::putIni("Email", "Listados", "listados@example.com", GLO::ArchivoIni);
  for (auto [key, value] : {std::pair<const char*, std::string>{"Server", "127.0.0.1"},
                            {"Port", std::to_string(server.port())},
                            {"From", "consultorio@varneta.test"},
                            {"Organization", "Consultorio Sur"}}) {
    rt::putIni("EmailSend", key, value, ".\\TLMail.ini");
  }
  open();
  bool mailShown = false;
  WindowScript mailScript;
  mailScript.on("Envío de Email"_cp, [&](rt::WindowDriver& w) {
    mailShown = true;
    EXPECT_EQ(rt::fromQString(w.control<QLineEdit>("?TOFIELD")->text()), "listados@example.com");
    click(w, "?SEND");
  });
  shown_->control<QCheckBox>("?ENVIARPORMAIL")->click();
  exportWith("?EXCEL");
  ASSERT_TRUE(waitUntil([&] { return server.messages().size() == 1; }, "the export mailed",
                        std::chrono::seconds(30)));
  rt::testing::waitIdle();
  EXPECT_TRUE(mailShown);
  const fs::path xlsx = folder_ / "Exportados" / "ExaminarPrueba1.xlsx";
  std::ifstream in(xlsx, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const netlib::testing::ProbedMail mail = netlib::testing::probeMail(server.messages()[0].content);
  const netlib::testing::ProbedPart* attached = mail.attachment("ExaminarPrueba1.xlsx");
  ASSERT_NE(attached, nullptr);
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(attached->bytes, bytes);
  EXPECT_EQ(mail.headers.at("Subject").rfind("Archivo Exportado - ", 0), 0u);
  ASSERT_TRUE(waitUntil([&] { return rt::WindowDriver::topWindow(shown_->thread()) == shown_; },
                        "the e-mail window closed by itself"));
  close();
}

TEST_F(ExportWindowTest, AFileTheShellCannotOpenShowsTheShellsText) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {{2, "File not found"},
                        {3, "Path noth found"},
                        {31, "No program associated with this file"},
                        {33, nullptr},
                        {1, nullptr}};  // a code without a text shows nothing
  open();
  for (const Case& c : cases) {
    openAnswer_ = c.code;
    ScriptedMessages messages;
    exportWith("?XML");
    if (c.text == nullptr) {
      EXPECT_TRUE(messages.asked().empty()) << c.code;
      continue;
    }
    ASSERT_EQ(messages.asked().size(), 1u) << c.code;
    EXPECT_EQ(messages.asked()[0].caption, "ERROR");
    EXPECT_EQ(messages.asked()[0].text, c.text);
  }
  close();
}

}  // namespace
}  // namespace output
