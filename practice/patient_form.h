#pragma once
// The patient form: the patient's personal data on the first tab, the
// clinical history (the patient's consultations and their notes) on the
// second. A delete opens like a change and asks when the form is completed.
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "core/shapes/export_handover.h"
#include "core/shapes/list_browser.h"
#include "core/shapes/list_search.h"
#include "core/shapes/record_form.h"
#include "platform/ui/rtf_control.h"

class QLineEdit;
class QLabel;

namespace practice {

class PatientForm : public core::RecordForm {
 public:
  PatientForm();
  ~PatientForm() override;

  int PrimeUpdate() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeNewSelection() override;
  int Kill() override;

  core::ListBrowser* history() { return history_.get(); }

  static constexpr int kTypeAhead = rt::event::User + 0x63;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  void showLookedUp() override { refresh(); }

 private:
  void setUpHistory();
  // Re-reads the locality, coverage and occupation shown for the codes.
  void refresh();
  void showAge();
  void typeAhead();
  void pickBirthDate();
  void showNotes();
  // Writes the form's patient over the stored one before a report or a new
  // consultation reads it; a failure changes nothing on screen.
  void writePatientNow();
  int runConsultationForm(int request);
  int confirmDelete();

  bool deleting_ = false;
  struct TypedLocality {
    QString text;
    int cursor;
    bool backspace;
  };
  std::vector<TypedLocality> typedLocality_;
  std::unique_ptr<core::ListBrowser> history_;
  std::unique_ptr<core::ListSearch> search_;
  std::unique_ptr<rt::RtfControl> notes_;
};

core::ExportSpec patientHistoryExport();

int FormularioPacientes();

}  // namespace practice
