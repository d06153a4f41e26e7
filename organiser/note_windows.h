#pragma once
// The organiser's free-text notes: the list by description with the selected
// note's text under it, where it can be changed without opening the form, and
// the note form.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "core/shapes/list_window.h"
#include "core/shapes/record_form.h"
#include "platform/data/record_buffer.h"

namespace organiser {

class NoteList : public core::ListWindow {
 public:
  NoteList();
  ~NoteList() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeNewSelection() override;
  int TakeCloseEvent() override;

  // The box's event when it loses the focus.
  static constexpr int kBoxLeft = rt::event::User + 0x51;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void OwnSetup() override;
  void callForm() override;

 private:
  // The selected note, read again, into the box.
  void showSelected();
  // The box's text into the note it shows, when it was changed there; false
  // when the text stays in the box unstored (one the note cannot hold as
  // typed), said once for each text refused.
  bool storeBox();
  void print(std::uint16_t code);

  // The note the box shows, as it was read for it.
  std::unique_ptr<rt::RecordBuffer> shownRecord_;
  std::int64_t shownPosition_ = 0;
  std::int64_t shownVersion_ = 0;
  std::string shownText_;
  // The box's text last refused, so that one refusal is not said twice.
  QString refusedText_;
  // What was typed for the note at `overruledPosition_` when another
  // workstation's change refused it: the history key puts it back.
  QString overruledText_;
  std::int64_t overruledPosition_ = 0;
  std::unique_ptr<QObject> boxWatcher_;
};

class NoteForm : public core::RecordForm {
 public:
  NoteForm();

 protected:
  QWidget* buildWindow() override;
};

int Notas();
int FormularioNotas();

}  // namespace organiser
