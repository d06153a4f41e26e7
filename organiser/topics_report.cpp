#include "organiser/topics_report.h"

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/file_warnings.h"
#include "organiser/report_parts.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"

namespace organiser {

TopicsReport::TopicsReport(std::string filter, std::string /*order*/)
    : OneTableReport(core::Temas::def(), core::Temas::TEM_002), filter_(std::move(filter)) {}

int TopicsReport::openTables() {
  runTime_ = rt::clockTime();
  return OneTableReport::openTables();
}

void TopicsReport::openView() {
  // By date, whatever order the list showed. The list's filter is taken
  // whole: cut short it would select other topics, or none it could read.
  OneTableReport::openView();
  if (!rt::clip(filter_).empty() && view().setFilter(filter_).code != 0) {
    core::ShowFileWarningNumber(core::kViewOpenWarning);
    view().setFilter(rt::View::Filter{});
  }
}

void TopicsReport::layOut(rt::ReportEngine& report) {
  report.marginLeft = 521;
  report.marginTop = 323;
  report.marginRight = report.paperWidth - 531 - 7313;
  report.marginBottom = report.paperHeight - 990 - 9656;
  const QFont small = rt::reportFont("LettrGoth12 BT", 9);
  rt::ReportBand& header = report.header;
  header.height = 667;
  header.text(
      0, 0, 5400, 300, [] { return GLO::UsuarioSistema; }, rt::reportFont("Arial", 18, true),
      "@s80");
  header.label(0, 313, 5000, 208, "Reporte de Notas - Filtrado por consulta",
               rt::reportFont("Arial", 11, true));
  pageOfPages(header, {6146, 6302, 6823, 6979}, 0, "Pag.:", small,
              [this] { return ReportPageNo(); });
  header.text(
      6146, 156, 700, 208, [this] { return std::to_string(ReportRunDate); }, small, "@d17");
  header.text(
      6875, 156, 700, 208, [this] { return std::to_string(runTime_); }, small, "@t1");

  const QFont band = rt::reportFont("Arial", 9);
  const QFont caption = emphasised(rt::reportFont("Arial", 9, true));
  detail_ = rt::ReportBand{};
  detail_.height = 573;
  detail_.label(104, 0, 460, 160, "Fecha:", caption);
  detail_.text(
      573, 0, 800, 160, [] { return std::to_string(core::TEM().Fecha); }, band, "@d17");
  detail_.label(1406, 0, 360, 160, "Hora:", caption);
  detail_.text(
      1771, 0, 600, 160, [] { return std::to_string(core::TEM().Hora); }, band, "@t7");
  detail_.label(104, 156, 500, 160, "Asunto:", caption);
  detail_.text(
      604, 156, 6094, 208, [] { return std::string(core::TEM().Asunto); }, band, "@s120");
  // The whole notes, however long: the box grows and goes on over pages.
  detail_.wrapped(
      427, 365, 6667, [] { return core::TEM().Notas; }, rt::reportFont("LettrGoth12 BT", 10), 52);
  detail_.line(52, 521, 7188, 0);
}

int ReporteTemasFiltrado(const std::string& filter, const std::string& order) {
  TopicsReport report(filter, order);
  return report.execute();
}

}  // namespace organiser
