#pragma once
// The consultation form: one consultation of one patient with its date,
// motive, physician, type, rich-text notes and attached files; the patient's
// other consultations and antecedents on a second tab. Every close adds one
// entry to the consultation's access log.
#include <QPointer>
#include <memory>

#include "core/shapes/list_browser.h"
#include "core/shapes/record_form.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/rtf_windows.h"

class QTextEdit;

namespace practice {

// The notes' limit, formatting included.
constexpr std::size_t kNotesLimit = 25000;

class ConsultationForm : public core::RecordForm {
 public:
  // fromAppointment: opened from the planner or the appointment form.
  explicit ConsultationForm(bool fromAppointment);
  ~ConsultationForm() override;

  int PrimeUpdate() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeNewSelection() override;
  bool recordChanged() override;
  int Kill() override;

  core::ListBrowser* attachments() { return attachments_.get(); }
  core::ListBrowser* others() { return others_.get(); }

  static constexpr int kOthersShown = rt::event::User + 0x64;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  int lookUp(const core::LookupField& lookup, bool fromButton) override;
  void showLookedUp() override { refresh(); }
  // The notes are rich text: the history key gives their markup back.
  bool RestoreField(QWidget* control, rt::RecordBuffer& from) override;

 private:
  void setUpAttachments();
  void setUpOthers();
  void applyLocks();
  void refresh();
  void showPatient();
  // The notes box into CON:Notas; false when they exceed the limit.
  bool takeNotes();
  bool notesFit();
  void writeConsultationNow();
  void showOtherNotes();
  int confirmDeleteNow();

  bool fromAppointment_;
  bool deleting_ = false;
  rt::RtfWindows toolWindows_;  // tab stops and indents of the notes
  std::unique_ptr<rt::RtfControl> notes_;
  std::string loadedNotes_;  // the stored notes as the editor writes them
  std::unique_ptr<rt::RtfControl> otherNotes_;
  std::unique_ptr<core::ListBrowser> attachments_;
  std::unique_ptr<core::ListBrowser> others_;
};

// The new consultation's date, motive, type, patient and physician from the
// appointment in the thread's Turnos buffer (only for one opened from an
// appointment: another caller's buffer may hold a stale one). False, with
// nothing primed, when the appointment's patient code does not fit the
// consultation's.
bool InicializarConsultaDesdeTurno(bool fromAppointment);
// One access-log entry for the consultation in the buffer, by the request.
void GrabarLogConsulta(int request);

int FormularioConsultas(bool fromAppointment);

}  // namespace practice
