#pragma once
// The consultation list: every consultation by date, narrowed by a date
// range, one patient and one physician, with the consultation form behind its
// buttons, the consultation listing of what it shows, the search and the
// export.
#include <memory>
#include <optional>
#include <string>

#include "core/shapes/list_window.h"
#include "platform/base/clock.h"

class QComboBox;

namespace practice {

class NameChooser;

class ConsultationList : public core::ListWindow {
 public:
  ConsultationList();
  ~ConsultationList() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int Kill() override;

  // The window's variables.
  std::uint8_t TodasLasCitas = 0;
  rt::Date FechaDesde = 0;
  rt::Date FechaHasta = 0;
  std::uint8_t TodosLosPacientes = 1;
  std::uint16_t CodPaciente = 0;
  std::uint8_t TodosLosMedicos = 1;
  std::uint16_t CodMedico = 0;

  // The three named filters from the variables, then the list reloaded
  // around its current row.
  void ArmarFiltroConsultas();
  void AplicarFiltrosConsultas();

  NameChooser& patients() { return *patients_; }
  NameChooser& physicians() { return *physicians_; }

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void OwnSetup() override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;

 private:
  // The date entries, combos and calendar buttons follow their boxes.
  void enableByBoxes();
  void readControls();
  void pickDate(const char* entry, const char* title);

  std::unique_ptr<NameChooser> patients_;
  std::unique_ptr<NameChooser> physicians_;
  bool tablesOpened_ = false;
};

core::ExportSpec consultationListExport();

int ExaminarConsultas();

}  // namespace practice
