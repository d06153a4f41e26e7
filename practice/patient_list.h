#pragma once
// The patient list: patients by name, active ones only unless the box is
// cleared, with the patient form behind its buttons, the two patient
// listings, the search and the export.
#include "core/shapes/list_window.h"

namespace practice {

class PatientList : public core::ListWindow {
 public:
  PatientList();
  int TakeEvent() override;
  int TakeAccepted() override;

  static constexpr int kListingPatients = rt::event::User + 0x61;
  static constexpr int kListingBirthdays = rt::event::User + 0x62;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;
};

core::ExportSpec patientListExport();

int ExaminarPacientes();

}  // namespace practice
