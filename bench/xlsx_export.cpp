// 50,000 rows of 12 columns written as XLSX: the export writer next to
// libxlsxwriter called directly with the same cells (numbers, dates and
// times as typed values with their formats, text as text), in the same run;
// and the memory a large export leaves held once it is over.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/bench_export_table.h"
#include "bench/bench_folder.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/memory_release.h"
#include "platform/export/export_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = bench::kExportRows;
const auto& table = bench::exportTable;

fs::path folder() { return bench::scratchFolder("xlsx"); }

void BM_ExportWriterXlsx(benchmark::State& state) {
  for (auto _ : state) {
    if (!rt::writeExportFile(table(), rt::ExportKind::Spreadsheet, false, folder() / "lista")
             .ok()) {
      state.SkipWithError("the file was not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ExportWriterXlsx)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same cells straight through libxlsxwriter: the values already typed
// (the work of reading them is the writer's own), the same formats and
// options, shared strings off as the writer has them.
void BM_LibxlsxwriterDirect(benchmark::State& state) {
  struct Typed {
    std::vector<std::string> texts;  // UTF-8, per text column
    std::vector<double> numbers;
  };
  const rt::ExportFileTable& t = table();
  std::vector<std::vector<std::string>> utf8(t.rows.size());
  for (std::size_t r = 0; r < t.rows.size(); ++r) {
    for (int c : {1, 2, 4, 5, 6, 10}) utf8[r].push_back(rt::cp1252ToUtf8(t.rows[r][c]));
  }
  for (auto _ : state) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt((folder() / "direct.xlsx").c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Examinando Pacientes");
    lxw_format* head = workbook_add_format(book);
    format_set_bold(head);
    lxw_format* whole = workbook_add_format(book);
    format_set_num_format(whole, "0");
    lxw_format* money = workbook_add_format(book);
    format_set_num_format(money, "0.00");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "dd/mm/yyyy");
    lxw_format* time = workbook_add_format(book);
    format_set_num_format(time, "hh:mm");
    for (int c = 0; c < 12; ++c) {
      worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), "Columna", head);
    }
    lxw_row_t row = 1;
    for (std::size_t r = 0; r < t.rows.size(); ++r, ++row) {
      const std::vector<std::string>& v = t.rows[r];
      const std::vector<std::string>& s = utf8[r];
      worksheet_write_number(sheet, row, 0, std::stod(v[0]), whole);
      worksheet_write_string(sheet, row, 1, s[0].c_str(), nullptr);
      worksheet_write_string(sheet, row, 2, s[1].c_str(), nullptr);
      worksheet_write_number(sheet, row, 3, std::stod(v[3]) - 36161, date);
      worksheet_write_string(sheet, row, 4, s[2].c_str(), nullptr);
      worksheet_write_string(sheet, row, 5, s[3].c_str(), nullptr);
      worksheet_write_string(sheet, row, 6, s[4].c_str(), nullptr);
      worksheet_write_number(sheet, row, 7, std::stod(v[7]), money);
      if (v[8] != "0") worksheet_write_number(sheet, row, 8, std::stod(v[8]) - 36161, date);
      worksheet_write_number(sheet, row, 9, (std::stod(v[9]) - 1) / 8640000, time);
      if (!s[5].empty()) worksheet_write_string(sheet, row, 10, s[5].c_str(), nullptr);
      worksheet_write_number(sheet, row, 11, std::stod(v[11]), whole);
    }
    workbook_close(book);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_LibxlsxwriterDirect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Three exports of 60,000 rows, each built, written on a worker thread (as
// the export window does) and freed: the resident memory left over after the
// last one, against before the first; without (0) and with (1) the release
// the program makes when an export window closes.
void BM_MemoryHeldAfterLargeExports(benchmark::State& state) {
  for (auto _ : state) {
    const long before = residentKiB();
    for (int cycle = 0; cycle < 3; ++cycle) {
      rt::ExportFileTable copy = bench::patientsExportTable(60000);
      std::thread([t = std::move(copy)] {
        rt::writeExportFile(t, rt::ExportKind::Spreadsheet, false, folder() / "grande");
      }).join();
    }
    // What the program does once an export window has closed.
    if (state.range(0) == 1) rt::returnFreedMemory();
    state.counters["held_MiB"] = static_cast<double>(residentKiB() - before) / 1024.0;
  }
}
BENCHMARK(BM_MemoryHeldAfterLargeExports)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
