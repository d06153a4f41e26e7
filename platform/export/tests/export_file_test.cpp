// The office-file writer, read back by independent readers: openpyxl, odfpy,
// python-docx and Python's HTML and XML parsers.
#include "platform/export/export_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/private_temp.h"
#include "platform/base/testing/office_reader.h"
#include "platform/base/testing/test_environment.h"
#include "platform/export/export_sample.h"
#include "platform/export/spilled_rows.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

ExportFileTable fixture() { return sampleExportTable(); }

struct ReadBack {
  std::string title;
  std::map<std::string, std::string> cells;  // "row,column" -> "type value"
  std::map<std::string, std::string> facts;
  std::string cell(int r, int c) const {
    const auto found = cells.find(std::to_string(r) + "," + std::to_string(c));
    return found == cells.end() ? std::string("(none)") : found->second;
  }
  std::string fact(const std::string& name) const {
    const auto found = facts.find(name);
    return found == facts.end() ? std::string("(none)") : found->second;
  }
};

// Fields of a line split at tabs; the last keeps any further tabs, and the
// line breaks inside a value come back as they were.
std::vector<std::string> split(const std::string& line, std::size_t count) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() + 1 < count) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string::npos) break;
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

ReadBack readBack(const fs::path& file) {
  ReadBack result;
  const std::string command = "/usr/bin/python3 " + std::string(VARNETA_TESTS_DIR) +
                              "/read_export.py '" + file.string() + "' 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
  // Records are lines that start with a known word; other lines continue a value.
  std::vector<std::string> records;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const bool starts = line.rfind("title\t", 0) == 0 || line.rfind("cell\t", 0) == 0 ||
                        line.rfind("fact\t", 0) == 0;
    if (starts || records.empty()) {
      records.push_back(line);
    } else {
      records.back() += "\n" + line;
    }
  }
  for (const std::string& record : records) {
    if (record.rfind("title\t", 0) == 0) {
      result.title = record.substr(6);
    } else if (record.rfind("cell\t", 0) == 0) {
      const auto f = split(record, 5);
      if (f.size() == 5) result.cells[f[1] + "," + f[2]] = f[3] + " " + f[4];
    } else if (record.rfind("fact\t", 0) == 0) {
      const auto f = split(record, 3);
      if (f.size() == 3) result.facts[f[1]] = f[2];
    } else {
      ADD_FAILURE() << "reader said: " << record;
    }
  }
  return result;
}

fs::path folder() {
  const fs::path f = testing::testRoot() / "exports";
  fs::create_directories(f);
  return f;
}

fs::path written(ExportKind kind, bool openDocument, const ExportFileTable& table = fixture()) {
  const ExportFileResult result = writeExportFile(table, kind, openDocument, folder() / "lista");
  EXPECT_TRUE(result.ok()) << result.error;
  EXPECT_TRUE(fs::exists(result.path));
  return result.path;
}

struct Expected {
  int row, column;
  const char* value;
};

void expectCells(const ReadBack& back, std::initializer_list<Expected> cases, const char* kind) {
  for (const Expected& e : cases) {
    EXPECT_EQ(back.cell(e.row, e.column), e.value) << kind << " cell " << e.row << "," << e.column;
  }
}

TEST(ExportFile, SpreadsheetsHoldTypedCellsAndTotalsAsFormulas) {
  const ReadBack xlsx = readBack(written(ExportKind::Spreadsheet, false));
  EXPECT_EQ(xlsx.title, "Pacientes & Cía");
  EXPECT_EQ(xlsx.fact("sheet"), "Pacientes & Cía");
  expectCells(xlsx,
              {{0, 0, "s Nombre"},
               {0, 4, "s Código"},
               {1, 0, "s José Ñandú"},
               {1, 1, "n 12.5"},
               {1, 2, "d 2025-10-02"},
               {1, 3, "t 14:30:00"},
               {2, 0, "s =1+1"},  // text, never a formula
               {2, 2, "(none)"},  // a zero date is a blank cell
               {2, 3, "(none)"},
               {2, 4, "(none)"},
               {3, 0, "s <&>"},  // the control character is dropped
               {3, 1, "n -3"},
               {3, 2, "d 2000-02-29"},
               {4, 0, "s línea uno\nlínea dos"},
               {4, 1, "n 0"},
               {5, 0, "s Totales"},
               {5, 1, "f =SUM(B2:B5)=1244.06"},
               {5, 4, "f =COUNTA(E2:E5)=3"}},
              "xlsx");
  EXPECT_EQ(xlsx.fact("format1,1"), "#,##0.00");

  const ReadBack ods = readBack(written(ExportKind::Spreadsheet, true));
  EXPECT_EQ(ods.title, "Pacientes & Cía");
  EXPECT_EQ(ods.fact("first"), "mimetype");
  EXPECT_EQ(ods.fact("stored"), "1");
  expectCells(ods,
              {{0, 1, "s Importe"},
               {1, 0, "s José Ñandú"},
               {1, 1, "n 12.5"},
               {1, 2, "d 2025-10-02"},
               {1, 3, "t PT14H30M00S"},
               {2, 0, "s =1+1"},
               {2, 2, "(none)"},
               {3, 0, "s <&>"},
               {3, 2, "d 2000-02-29"},
               {4, 0, "s línea uno\nlínea dos"},
               {5, 0, "s Totales"},
               {5, 1, "f of:=SUM([.B2:.B5])=1244.06"},
               {5, 4, "f of:=COUNTA([.E2:.E5])=3"}},
              "ods");
  EXPECT_EQ(ods.fact("shown1,1"), "12.50");
}

// Dates a spreadsheet cannot hold as the same day everywhere (before 1 March
// 1900, after 9999) go out as the text they show; a totalled date column
// counts them.
TEST(ExportFile, SpreadsheetDatesOutOfRangeGoOutAsTheirText) {
  ExportFileTable table;
  table.title = "Fechas";
  table.columns = {{"Fecha", "@d17", true}};
  table.rows = {{std::to_string(makeDate(1, 1, 1900))}, {std::to_string(makeDate(3, 1, 1900))}};
  const ReadBack xlsx = readBack(written(ExportKind::Spreadsheet, false, table));
  expectCells(xlsx, {{1, 0, "s 01/01/1900"}, {2, 0, "d 1900-03-01"}, {3, 0, "f =COUNTA(A2:A3)=2"}},
              "xlsx");
}

TEST(ExportFile, DocumentsShowValuesByTheirPictures) {
  const ReadBack docx = readBack(written(ExportKind::Document, false));
  EXPECT_EQ(docx.title, "Pacientes & Cía");
  EXPECT_EQ(docx.fact("heading"), "Pacientes & Cía");
  EXPECT_EQ(docx.fact("grid"), "5");
  const ReadBack html = readBack(written(ExportKind::Html, false));
  EXPECT_EQ(html.title, "Pacientes & Cía");
  const ReadBack xml = readBack(written(ExportKind::Xml, false));
  EXPECT_EQ(xml.title, "Pacientes & Cía");
  for (const auto& [kind, back] : {std::pair{"docx", &docx}, {"html", &html}, {"xml", &xml}}) {
    expectCells(*back,
                {{0, 0, "s Nombre"},
                 {0, 4, "s Código"},
                 {1, 0, "s José Ñandú"},
                 {1, 1, "s 12.50"},
                 {1, 2, "s 02/10/2025"},
                 {1, 3, "s 14:30"},
                 {2, 0, "s =1+1"},
                 {2, 1, "s 1,234.56"},
                 {2, 2, "(none)"},
                 {2, 3, "(none)"},
                 {3, 0, "s <&>"},
                 {3, 1, "s -3.00"},
                 {4, 0, "s línea uno\nlínea dos"},
                 {5, 1, "s 1,244.06"},
                 {5, 4, "s 3"}},
                kind);
  }
  EXPECT_EQ(docx.cell(5, 0), "s Totales");
  EXPECT_EQ(html.cell(5, 0), "s Totales");
  EXPECT_EQ(xml.fact("type1"), "number");
  EXPECT_EQ(xml.fact("type2"), "date");
  EXPECT_EQ(xml.fact("value1,2"), "2025-10-02");
  EXPECT_EQ(xml.fact("value2,1"), "1234.56");
}

TEST(ExportFile, PlainTextIsUtf8PaddedByCharacters) {
  const ReadBack txt = readBack(written(ExportKind::Text, false));
  EXPECT_EQ(txt.title, "Pacientes & Cía");
  // Widths count characters, not bytes: "José Ñandú" and "línea uno línea dos"
  // take as many places as they have letters. Numbers align right.
  EXPECT_EQ(txt.fact("line0"), "Nombre                Importe  Fecha       Hora   Código");
  EXPECT_EQ(txt.fact("line1"), "-------------------  --------  ----------  -----  ------");
  EXPECT_EQ(txt.fact("line2"), "José Ñandú              12.50  02/10/2025  14:30  A1");
  EXPECT_EQ(txt.fact("line3"), "=1+1                 1,234.56");
  EXPECT_EQ(txt.fact("line4"), "<&>                     -3.00  29/02/2000  08:05  B2");
  EXPECT_EQ(txt.fact("line5"), "línea uno línea dos      0.00  01/01/1990         C3");
  EXPECT_EQ(txt.fact("line6"), "-------------------  --------  ----------  -----  ------");
  EXPECT_EQ(txt.fact("line7"), "Totales              1,244.06                     3");
}

TEST(ExportFile, SpreadsheetTextIsCutAtTheCellLimit) {
  ExportFileTable t;
  t.title = "Notas";
  t.columns = {{"Texto", "@s255", false}};
  t.rows = {{std::string(40000, 'a')}, {std::string(32767, '\xF1')}};  // ñ: two bytes in UTF-8
  const std::pair<bool, const char*> readers[] = {
      {false,
       "import openpyxl,sys; s=openpyxl.load_workbook(sys.argv[1]).active; "
       "print(len(s['A2'].value), len(s['A3'].value))"},
      {true,
       "import sys; from odf.opendocument import load; from odf import table, teletype; "
       "rows=load(sys.argv[1]).spreadsheet.getElementsByType(table.TableRow)[1:]; "
       "print(*[len(teletype.extractText(r.getElementsByType(table.TableCell)[0])) for r in "
       "rows])"}};
  for (const auto& [openDocument, reader] : readers) {
    const fs::path file = written(ExportKind::Spreadsheet, openDocument, t);
    const std::string lengths =
        std::string("/usr/bin/python3 -c \"") + reader + "\" '" + file.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(lengths.c_str(), "r"), pclose);
    char buffer[64] = {};
    ASSERT_NE(std::fgets(buffer, sizeof buffer, pipe.get()), nullptr) << file;
    EXPECT_STREQ(buffer, "32767 32767\n") << file;
  }
}

// Where LibreOffice is installed: it opens every kind and finds the values as
// the list shows them, the totals under the rows.
TEST(ExportFile, LibreOfficeReadsEveryKindAsTheListShowsIt) {
  if (!testing::officeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const fs::path from = folder() / "office";
  fs::create_directories(from);
  struct Kind {
    ExportKind kind;
    bool openDocument;
    const char* name;
  };
  const Kind sheets[] = {{ExportKind::Spreadsheet, false, "hoja-xlsx"},
                         {ExportKind::Spreadsheet, true, "hoja-ods"}};
  const Kind documents[] = {{ExportKind::Document, false, "texto-docx"},
                            {ExportKind::Html, false, "texto-html"}};
  auto write = [&](const Kind* begin, const Kind* end) {
    std::vector<fs::path> files;
    for (const Kind* k = begin; k != end; ++k) {
      const ExportFileResult result =
          writeExportFile(fixture(), k->kind, k->openDocument, from / k->name);
      EXPECT_TRUE(result.ok()) << result.error;
      files.push_back(result.path);
    }
    return files;
  };
  std::string said;
  ASSERT_TRUE(testing::convertWithOffice(write(std::begin(sheets), std::end(sheets)),
                                         "csv:Text - txt - csv (StarCalc):44,34,76", from / "read",
                                         said))
      << said;
  ASSERT_TRUE(testing::convertWithOffice(write(std::begin(documents), std::end(documents)),
                                         "txt:Text (encoded):UTF8", from / "read", said))
      << said;
  const std::vector<std::string> sheetLines = {"Nombre,Importe,Fecha,Hora,Código",
                                               "José Ñandú,12.50,02/10/2025,14:30,A1",
                                               "=1+1,\"1,234.56\",,,",
                                               "<&>,-3.00,29/02/2000,08:05,B2",
                                               "\"línea uno",
                                               "línea dos\",0.00,01/01/1990,,C3",
                                               "Totales,\"1,244.06\",,,3"};
  // A document's reader gives its heading, then each cell on a line of its own.
  const std::vector<std::string> documentLines = {"Pacientes & Cía",
                                                  "Nombre",
                                                  "Importe",
                                                  "Fecha",
                                                  "Hora",
                                                  "Código",
                                                  "José Ñandú",
                                                  "12.50",
                                                  "02/10/2025",
                                                  "14:30",
                                                  "A1",
                                                  "=1+1",
                                                  "1,234.56",
                                                  "",
                                                  "",
                                                  "",
                                                  "<&>",
                                                  "-3.00",
                                                  "29/02/2000",
                                                  "08:05",
                                                  "B2",
                                                  "línea uno",
                                                  "línea dos",
                                                  "0.00",
                                                  "01/01/1990",
                                                  "",
                                                  "C3",
                                                  "Totales",
                                                  "1,244.06",
                                                  "",
                                                  "",
                                                  "3"};
  for (const Kind& k : sheets)
    EXPECT_EQ(testing::textLines(from / "read" / (std::string(k.name) + ".csv")), sheetLines)
        << k.name;
  for (const Kind& k : documents) {
    EXPECT_EQ(testing::textLines(from / "read" / (std::string(k.name) + ".txt")), documentLines)
        << k.name;
  }
}

std::string fileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Rows kept in a file of the private temp folder come back as they went in
// (empty values, accented bytes, a value of any length), in their order or
// in one given later, as often as asked; a file written from them is the
// one written from the rows in memory, and no kept file outlives them.
TEST(ExportFile, RowsKeptInATemporaryFileWriteTheSameFile) {
  const ExportFileTable table = fixture();
  fs::path kept;
  {
    SpilledRows spilled;
    ASSERT_EQ(spilled.error(), "");
    for (const std::vector<std::string>& row : table.rows) ASSERT_TRUE(spilled.append(row));
    std::vector<std::string> last = {"", std::string(70000, 'x'), "Ñandú"_cp};
    ASSERT_TRUE(spilled.append(last));
    ASSERT_EQ(spilled.size(), table.rows.size() + 1);
    for (int pass = 0; pass < 2; ++pass) {
      spilled.rewind();
      for (const std::vector<std::string>& row : table.rows) {
        const std::vector<std::string>* read = spilled.next();
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(*read, row);
      }
      ASSERT_NE(spilled.next(), nullptr);
      EXPECT_EQ(spilled.next(), nullptr);
    }
    spilled.setOrder({table.rows.size(), 1, 0});
    spilled.rewind();
    EXPECT_EQ(*spilled.next(), last);
    EXPECT_EQ(*spilled.next(), table.rows[1]);
    EXPECT_EQ(*spilled.next(), table.rows[0]);
    EXPECT_EQ(spilled.next(), nullptr);
    spilled.setOrder({});

    SpilledRows same;
    for (const std::vector<std::string>& row : table.rows) ASSERT_TRUE(same.append(row));
    for (auto [kind, open] : {std::pair{ExportKind::Text, false},
                              {ExportKind::Xml, false},
                              {ExportKind::Html, false}}) {
      const ExportFileResult fromFile =
          writeExportFile(table, same, kind, open, folder() / "guardadas");
      ASSERT_TRUE(fromFile.ok()) << fromFile.error;
      EXPECT_EQ(fileBytes(fromFile.path), fileBytes(written(kind, open, table)));
    }
    for (const auto& entry : fs::directory_iterator(privateTempFolder())) {
      if (entry.path().filename().string().rfind("exportacion", 0) == 0) kept = entry.path();
    }
    EXPECT_FALSE(kept.empty());
  }
  EXPECT_FALSE(fs::exists(kept));
}

// Rows that stop coming part-way make no file, never a short one.
TEST(ExportFile, RowsThatCannotBeReadMakeNoFile) {
  struct Failing : ExportRowFeed {
    std::vector<std::string> row{"uno"};
    std::size_t given = 0;
    std::size_t size() const override { return 3; }
    void rewind() override { given = 0; }
    const std::vector<std::string>* next() override { return given++ < 1 ? &row : nullptr; }
    std::string failure() const override { return "Error de lectura"; }
  } failing;
  const fs::path base = folder() / "cortada";
  const ExportFileResult result =
      writeExportFile(fixture(), failing, ExportKind::Text, false, base);
  EXPECT_EQ(result.error, "Error de lectura");
  EXPECT_FALSE(fs::exists(fs::path(base.string() + ".txt")));
}

TEST(ExportFile, AFailedWriteLeavesNoFileAndSaysWhy) {
  struct Case {
    const char* what;
    std::function<fs::path()> base;
    const char* reason;
  };
  const Case cases[] = {
      {"missing folder", [] { return folder() / "no-such-folder" / "lista"; },
       "La carpeta no existe"},
      {"a folder in the way",
       [] {
         for (const char* extension : {".txt", ".xlsx", ".ods", ".docx"}) {
           fs::create_directories(folder() / (std::string("ocupado") + extension));
         }
         return folder() / "ocupado";
       },
       "Ya existe una carpeta con ese nombre"},
  };
  for (const Case& c : cases) {
    const fs::path base = c.base();
    for (auto [kind, open] : {std::pair{ExportKind::Text, false},
                              {ExportKind::Spreadsheet, false},
                              {ExportKind::Spreadsheet, true},
                              {ExportKind::Document, false}}) {
      const ExportFileResult result = writeExportFile(fixture(), kind, open, base);
      EXPECT_FALSE(result.ok()) << c.what;
      EXPECT_TRUE(result.path.empty());
      if (kind == ExportKind::Text) {
        EXPECT_EQ(result.error, c.reason) << c.what;
      }
      EXPECT_FALSE(result.error.empty()) << c.what;
    }
    // Nothing half-written is left beside the name.
    if (fs::exists(base.parent_path())) {
      for (const auto& entry : fs::directory_iterator(base.parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
      }
    }
  }
}

}  // namespace
}  // namespace rt
