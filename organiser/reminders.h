#pragma once
// The reminders: the list and the form the user keeps them in, the alarm
// walk the frame's timer runs, the alarm form it raises for each due
// reminder, and the removal of completed reminders. All four share the busy
// count GLO::AgendaOcupada: the walk and the removal run only while nobody
// holds it.
#include <cstdint>
#include <optional>
#include <string>

#include "core/shapes/list_window.h"
#include "core/shapes/record_form.h"
#include "platform/base/clock.h"

namespace organiser {

// The busy count: a holder adds one and removes it when done; the walk and
// the removal take it only when it is 0, testing and taking in one step.
void holdAgenda();
void releaseAgenda();
bool takeAgendaIfFree();

// "&Demorar 10'": ten minutes after now, on the date of that moment, unless
// the reminder's own date is later (then that date stays).
struct Moment {
  rt::Date date = 0;
  rt::Time time = 0;
};
Moment postponed(rt::Date reminderDate, rt::Date today, rt::Time now);
// Whether a reminder of that date and time is due at today and now.
bool reminderDue(rt::Date date, rt::Time time, rt::Date today, rt::Time now);
// Whether a reminder of `owner` rings for the logged-in user: a reminder of
// nobody in particular (0) rings for all, and with nobody logged in all ring.
bool ringsFor(std::uint16_t owner, std::uint16_t loggedIn);

// What the reminder form and the alarm form share: the window, the user's
// name shown, the date button and the postponement.
class ReminderFormBase : public core::RecordForm {
 public:
  ReminderFormBase(std::string procedureName, bool userLookup, std::string calendarTitle);
  int TakeEvent() override;
  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  // The reminder's user read again, for the name beside the code.
  void showUser();
  void showLookedUp() override { showUser(); }

 private:
  void postpone();

  bool userLookup_;
  std::string calendarTitle_;
};

// The alarm form over the frame: the due reminder opened for a change.
class AlarmForm : public ReminderFormBase {
 public:
  explicit AlarmForm(std::uint16_t code);
  int PrimeUpdate() override;

 private:
  std::uint16_t code_;
};

// The reminder form of the list.
class ReminderForm : public ReminderFormBase {
 public:
  ReminderForm();
  int Init() override;
  int Kill() override;
  int PrimeUpdate() override;
  int TakeAccepted() override;

 protected:
  void OwnSetup() override;

 private:
  bool held_ = false;
};

// The reminders by date and time, the incomplete ones unless the box is
// cleared, subjects coloured by priority.
class ReminderList : public core::ListWindow {
 public:
  ReminderList();
  int Init() override;
  int Kill() override;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;

 private:
  bool held_ = false;
};

core::ExportSpec reminderListExport();

// The alarm walk: for each reminder with its alarm on and not complete that
// is due and rings for the logged-in user, two warning sounds and the alarm
// form, one after the other.
void ProcesoAgenda();
int FormularioAgendaAlarma(std::uint16_t code);
// Deletes every completed reminder in one transaction, unless the reminders
// are busy.
void LimpiarAgenda();
int ExaminarAgenda();
int FormularioAgenda();

}  // namespace organiser
