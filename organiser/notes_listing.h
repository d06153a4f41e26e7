#pragma once
// The notes listing: one note, or every note, by description, each with its
// whole text, the practice's name and "Pag." n "de" m on every page.
#include <cstdint>
#include <string>

#include "organiser/report_parts.h"

namespace organiser {

class NotesListing : public OneTableReport {
 public:
  // 0 prints every note; another code the notes that carry it.
  explicit NotesListing(std::uint16_t code);

 protected:
  std::string title() const override { return "Listado de Notas"; }
  std::string procedureName() const override { return "ListadoDeNotas"; }
  void layOut(rt::ReportEngine& report) override;
  void printRecord(rt::ReportEngine& report) override;

 private:
  std::uint16_t code_;
  rt::ReportBand detail_;
};

// Runs the listing on the calling thread; answers ThreadResponse.
int ListadoDeNotas(std::uint16_t code);

}  // namespace organiser
