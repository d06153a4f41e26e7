#pragma once
// The appointment form: one appointment of the planner's day, new or
// changed. A new one takes its day, physician, time, type and slot number
// from what the planner handed over and its length from the day's schedule
// sheet; the fields open and close by type and confirmation; a changed
// attention order is checked against the next patient to be seen and may
// move the other appointments of the day around it.
#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/shapes/list_browser.h"
#include "core/shapes/record_form.h"

namespace practice {

class AppointmentForm : public core::RecordForm {
 public:
  AppointmentForm();
  ~AppointmentForm() override;

  int PrimeUpdate() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int Kill() override;

  // What the form opened with (the renumbering compares against it).
  int openingOrder() const { return openingOrder_; }
  int consultations() const { return consultations_; }

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  int lookUp(const core::LookupField& lookup, bool fromButton) override;
  void showLookedUp() override { showLookups(); }

 private:
  // Length and slot number by the appointment's type.
  void DuracionSegunPlanilla();
  // Enables, requires and skips the controls by type and confirmation.
  void applyStates();
  void showLookups();
  void countConsultations();
  void typeFromList();
  void typeToList();
  bool orderAccepted();
  // The chosen patient's coverage, name and phone into the appointment; a
  // patient left without a record takes them away.
  void takePatient(bool found);

  std::unique_ptr<core::ListBrowser> consultationList_;
  std::string typeSeen_;
  int openingOrder_ = 0;
  int consultations_ = 0;
};

int FormularioTurnos();

// Moves the other appointments of a physician's day around one whose
// attention order went from `from` to `to`, in one transaction. False (and
// the table layer's message) when a write failed: nothing is changed then.
bool ReacomodarOrdenAtencion(std::uint16_t medico, std::int32_t fecha, std::uint32_t self, int from,
                             int to);

}  // namespace practice
