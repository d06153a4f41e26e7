// The clinical waits of a practice at full size, each beside its peer read
// straight from the same data file by SQL: the consultation listing of one
// month written as a PDF (beside the month's rows by SQL), one patient's
// consultations of every date in the consultation list (beside the rows of
// the patient-and-date key), and the code of a new consultation and of a new
// appointment (beside max() through the key). Every benchmark reports the
// longest the window thread went unanswered; the listing also reports where
// its progress bar ended and how long it took to its first record and from
// its last one.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_main.h"
#include "bench/full_size_practice.h"
#include "bench/window_gap.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "core/testing/probed_window.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/consultation_list.h"
#include "practice/consultation_report.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The month of the listing: the thirty days after the ten years' middle.
constexpr std::int32_t kMonthFrom = bench::kFirstDay + bench::kDays / 2;
constexpr std::int32_t kMonthTo = kMonthFrom + 29;
// A patient of the consultation in the middle of the ten years.
int patientInTheMiddle() {
  return 1 + static_cast<int>(static_cast<std::int64_t>(bench::fullRows() / 2) * 7919 %
                              bench::kFullPatients);
}

// The practice's data file opened by SQLite alone, read-only: the peers.
class PlainReader {
 public:
  PlainReader() {
    const std::filesystem::path file = bench::openFullSizePractice() / "Varneta.dat";
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      std::abort();
  }
  ~PlainReader() { sqlite3_close(db_); }
  // Steps the query to its end; answers the rows.
  long long rows(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db_));
      std::abort();
    }
    long long n = 0;
    while (sqlite3_step(s) == SQLITE_ROW) ++n;
    sqlite3_finalize(s);
    return n;
  }

 private:
  sqlite3* db_ = nullptr;
};

std::string tableName(const rt::TableDef& def) { return "\"" + def.storage().storageName + "\""; }
std::string column(const rt::TableDef& def, const char* field) {
  return "\"" + def.fields[def.fieldIndex(field)].column + "\"";
}

void setUpPractice() {
  bench::openFullSizePractice();
  GLO::UsuarioSistema = "Consultorio Central";
  rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
    core::settleReportDestination();
    return rt::kCompleted;
  });
}

// A peer: the query stepped to its end by SQLite alone, its rows counted.
void runPeer(benchmark::State& state, const std::string& query) {
  setUpPractice();
  PlainReader sql;
  long long rows = 0;
  for (auto _ : state) rows = sql.rows(query);
  state.counters["rows"] = static_cast<double>(rows);
}

// The listing with the moments it printed its first and its last record.
class TimedListing : public practice::ConsultationReport {
 public:
  using ConsultationReport::ConsultationReport;
  Clock::time_point firstPrinted, lastPrinted;

 protected:
  void printRecord(rt::ReportEngine& report) override {
    lastPrinted = Clock::now();
    if (firstPrinted == Clock::time_point{}) firstPrinted = lastPrinted;
    ConsultationReport::printRecord(report);
  }
};

void BM_MonthListingToPdf(benchmark::State& state) {
  setUpPractice();
  const std::string filter = "(CON:Fecha >= " + std::to_string(kMonthFrom) +
                             " AND CON:Fecha <= " + std::to_string(kMonthTo) + ")";
  bench::WindowGapMeter gap;
  double largestGap = 0;
  int percentage = 0;
  double beforeFirst = 0, afterLast = 0;
  for (auto _ : state) {
    GLO::ModoListado = "P";
    double ms = 0;
    gap.start();
    rt::testing::runOnThread(
        [&] {
          TimedListing report(filter, "+CON:Fecha");
          const auto start = Clock::now();
          report.execute();
          ms = millisecondsSince(start);
          percentage = report.percentage();
          beforeFirst =
              std::chrono::duration<double, std::milli>(report.firstPrinted - start).count();
          afterLast = millisecondsSince(report.lastPrinted);
        },
        std::chrono::minutes(10));
    largestGap = std::max(largestGap, gap.stop());
    state.SetIterationTime(ms / 1000);
  }
  state.counters["gap_ms"] = largestGap;
  state.counters["progress_pct"] = percentage;
  // Of the last run: up to the first record printed, and from the last one
  // to the end (the pages written as PDF).
  state.counters["first_ms"] = beforeFirst;
  state.counters["end_ms"] = afterLast;
}
BENCHMARK(BM_MonthListingToPdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MonthRowsBySql(benchmark::State& state) {
  const rt::TableDef& con = core::Consultas::def();
  const std::string date = column(con, "CON:Fecha");
  runPeer(state, "SELECT * FROM " + tableName(con) + " WHERE " + date + " <> 0 AND " + date +
                     " >= " + std::to_string(kMonthFrom) + " AND " + date +
                     " <= " + std::to_string(kMonthTo) + " ORDER BY " + date);
}
BENCHMARK(BM_MonthRowsBySql)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OnePatientAllDatesInTheList(benchmark::State& state) {
  setUpPractice();
  core::registerTableManagers();
  bench::WindowGapMeter gap;
  double largestGap = 0;
  int rows = 0;
  for (auto _ : state) {
    double ms = 0;
    rt::testing::runOnThread(
        [&] {
          core::testing::Probed<practice::ConsultationList> list;
          list.probe([&](practice::ConsultationList& l) {
            l.TodasLasCitas = 1;
            l.TodosLosPacientes = 0;
            l.CodPaciente = static_cast<std::uint16_t>(patientInTheMiddle());
            gap.start();
            const auto start = Clock::now();
            l.AplicarFiltrosConsultas();
            ms = millisecondsSince(start);
            largestGap = std::max(largestGap, gap.stop());
            rows = l.browser().RecordsInView();
            l.post(rt::event::CloseWindow);
          });
          list.Run();
        },
        std::chrono::minutes(10));
    state.SetIterationTime(ms / 1000);
  }
  state.counters["gap_ms"] = largestGap;
  state.counters["rows"] = rows;
}
BENCHMARK(BM_OnePatientAllDatesInTheList)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_OnePatientByTheKeyBySql(benchmark::State& state) {
  const rt::TableDef& con = core::Consultas::def();
  const std::string patient = column(con, "CON:Cod_Paciente"), date = column(con, "CON:Fecha");
  runPeer(state, "SELECT * FROM " + tableName(con) + " WHERE " + patient + " = " +
                     std::to_string(patientInTheMiddle()) + " AND (" + patient + " <> 0 OR " +
                     date + " <> 0) ORDER BY " + patient + ", " + date);
}
BENCHMARK(BM_OnePatientByTheKeyBySql)->Unit(benchmark::kMillisecond)->Iterations(3);

// A new record numbered by the table, inside a transaction that is rolled
// back: the code and its insert are timed, not the disk's flush at a commit,
// and every repetition numbers the same table.
template <class T>
void newCode(benchmark::State& state) {
  setUpPractice();
  bench::WindowGapMeter gap;
  double largestGap = 0;
  for (auto _ : state) {
    double ms = 0;
    gap.start();
    rt::testing::runOnThread([&] {
      core::relate(T::def()).open();
      rt::Table& t = T::table();
      t.clear();
      if (rt::beginTransaction() != 0) std::abort();
      const auto start = Clock::now();
      if (t.addNumbered() != 0) std::abort();
      ms = millisecondsSince(start);
      rt::rollbackTransaction();
      core::relate(T::def()).close();
    });
    largestGap = std::max(largestGap, gap.stop());
    state.SetIterationTime(ms / 1000);
  }
  state.counters["gap_ms"] = largestGap;
}

void BM_NewConsultationCode(benchmark::State& state) { newCode<core::Consultas>(state); }
BENCHMARK(BM_NewConsultationCode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_NewAppointmentCode(benchmark::State& state) { newCode<core::Turnos>(state); }
BENCHMARK(BM_NewAppointmentCode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HighestCodeBySql(benchmark::State& state) {
  const std::string code = column(core::Consultas::def(), "CON:Cod_Consulta");
  runPeer(state, "SELECT max(" + code + ") FROM " + tableName(core::Consultas::def()) + " WHERE " +
                     code + " <> 0");
}
BENCHMARK(BM_HighestCodeBySql)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv, [] {
    core::registerTableManagers();
    core::installThreadRoutines();
  });
}
