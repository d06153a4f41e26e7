#include "letters/letter_reports.h"

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/runtime_errors.h"
#include "platform/ui/report_pages.h"

namespace letters {
namespace {

// The sheet and the body of both letters, thousandths of an inch (A4).
constexpr int kPaperWidth = 8268;
constexpr int kPaperHeight = 11693;
constexpr int kBodyLeft = 750;
constexpr int kBodyWidth = 7083;
constexpr int kBodyBottom = 11292;
constexpr int kHeaderTop = 250;
constexpr int kNormalBodyTop = 802;
constexpr int kLetterheadBodyTop = 1969;

}  // namespace

LetterReport::LetterReport(std::string letter, bool letterhead)
    : letter_(std::move(letter)), letterhead_(letterhead) {}

std::string LetterReport::title() const { return "Reporte"; }

std::string LetterReport::procedureName() const {
  return letterhead_ ? "ReporteNotaConMacroMembrete" : "ReporteNotaConMacroNormal";
}

std::string LetterReport::tableName() const { return "NotasMacros"; }

int LetterReport::openTables() {
  if (int e = core::relate(core::NotasMacros::def()).open()) return e;
  opened_ = true;
  return 0;
}

void LetterReport::closeTables() {
  if (opened_) core::relate(core::NotasMacros::def()).close();
  opened_ = false;
}

// The letter is the one row: it prints once whatever the templates' table
// holds, also when it holds none.
long long LetterReport::primaryRecords() { return 1; }
void LetterReport::openView() { rowsRead_ = 0; }
void LetterReport::closeView() {}
int LetterReport::readNext() { return rowsRead_++ == 0 ? 0 : rt::error::RecordNotAvailable; }

void LetterReport::layOut(rt::ReportEngine& report) {
  report.paperWidth = kPaperWidth;
  report.paperHeight = kPaperHeight;
  report.paperFixed = true;
  report.marginLeft = kBodyLeft;
  report.marginRight = kPaperWidth - kBodyLeft - kBodyWidth;
  report.marginTop = kHeaderTop;
  report.marginBottom = kPaperHeight - kBodyBottom;
  report.footer = rt::ReportBand{};
  report.form = rt::ReportBand{};
  rt::ReportBand& header = report.header;
  header = rt::ReportBand{};
  if (letterhead_) {
    // The top of the sheet is the letterhead's.
    header.height = kLetterheadBodyTop - kHeaderTop;
  } else {
    const QFont name = rt::reportFont("Arial", 14, true);
    const QFont small = rt::reportFont("Arial", 8);
    header.height = kNormalBodyTop - kHeaderTop;
    header.text(
        0, 0, 5156, 260, [] { return GLO::UsuarioSistema; }, name, "@s80");
    header.label(5990, 0, 400, 160, "Fecha:", small);
    header.text(
        6406, 0, 677, 160, [this] { return std::to_string(ReportRunDate); }, small, "@d17");
    header.label(6250, 156, 300, 160, "Pag.:", small);
    header.text(
        6563, 156, 520, 160, [this] { return std::to_string(ReportPageNo()); }, small, "@n-7");
  }
  detail_ = rt::ReportBand{};
  detail_.height = 125;
  // The letter's own fonts come from its markup; this is the face of text
  // that names none.
  detail_.rich(
      240, 0, 6656, [this] { return letter_; }, rt::reportFont("Arial Monospaced 01", 11));
}

void LetterReport::printRecord(rt::ReportEngine& report) { report.print(detail_); }

int ReporteNotaConMacroNormal(std::string letter) {
  LetterReport report(std::move(letter), false);
  return report.execute();
}

int ReporteNotaConMacroMembrete(std::string letter) {
  LetterReport report(std::move(letter), true);
  return report.execute();
}

}  // namespace letters
