#include "organiser/notes_listing.h"

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "organiser/report_parts.h"

namespace organiser {

NotesListing::NotesListing(std::uint16_t code)
    : OneTableReport(core::Notas::def(), core::Notas::TEX02), code_(code) {}

void NotesListing::layOut(rt::ReportEngine& report) {
  report.marginLeft = 1000;
  report.marginTop = 1000;
  report.marginRight = report.paperWidth - 1000 - 6969;
  report.marginBottom = report.paperHeight - 1635 - 9354;
  const QFont face = rt::reportFont("Arial Monospaced 02", 10);
  rt::ReportBand& header = report.header;
  header.height = 635;
  header.text(
      0, 0, 5400, 300, [] { return GLO::UsuarioSistema; }, rt::reportFont("Arial", 18, true),
      "@s80");
  header.label(0, 365, 4000, 230, "Listado de Notas",
               emphasised(rt::reportFont("Arial", 12, true)));
  pageOfPages(header, {5417, 5729, 6250, 6458}, 52, "Pag.", face,
              [this] { return ReportPageNo(); });

  detail_ = rt::ReportBand{};
  detail_.height = 500;
  detail_.text(
      0, 0, 4583, 260, [] { return std::string(core::TEX().Descripcion); },
      emphasised(rt::reportFont("Arial Monospaced 02", 11, true)), "@s60");
  // The whole note, however long: the box grows and goes on over pages.
  detail_.wrapped(
      208, 208, 6719, [] { return core::TEX().Nota; }, rt::reportFont("Arial Monospaced 02", 9),
      208);
  detail_.line(208, 469, 6719, 0);
}

void NotesListing::printRecord(rt::ReportEngine& report) {
  // Every note is read (the progress counts them all); 0 prints them all.
  if (code_ == 0 || core::TEX().CodigoInterno == code_) report.print(detail_);
}

int ListadoDeNotas(std::uint16_t code) {
  NotesListing listing(code);
  return listing.execute();
}

}  // namespace organiser
