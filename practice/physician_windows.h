#pragma once
// The practice's physicians: their list, also a lookup for the consultation
// form, the planner and the letter window, and their form with the
// physician's schedule sheets.
#include <memory>
#include <optional>

#include "core/shapes/list_browser.h"
#include "core/shapes/list_window.h"
#include "core/shapes/record_form.h"

namespace practice {

// The physician list; a lookup (request 4) leaves the chosen physician in the
// caller's Medicos buffer.
class PhysicianList : public core::ListWindow {
 public:
  PhysicianList();

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;
};

// The physician form; its second tab lists the physician's schedule sheets
// and opens the sheet form for them.
class PhysicianForm : public core::RecordForm {
 public:
  PhysicianForm();
  ~PhysicianForm() override;

  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;

  core::ListBrowser* sheets() { return sheets_.get(); }

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  void showLookedUp() override { showNames(); }

 private:
  // The names of the looked-up codes, read again each time the form shows.
  void showNames();
  int callSheetForm(int request);
  bool writeBeforeSheet();

  std::unique_ptr<core::ListBrowser> sheets_;
  bool written_ = false;  // a new physician written before its first sheet
};

int ExaminarMedicos();
int FormularioMedico();

// Registers the physician and schedule-sheet windows by name.
void registerPhysicianProcedures();

}  // namespace practice
