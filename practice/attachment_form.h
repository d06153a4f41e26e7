#pragma once
// The attachment form: one file attached to a consultation, kept as the
// path of a file on disk with a comment and notes; and the opening of an
// attached file with the program the desktop gives it.
#include "core/shapes/record_form.h"

namespace practice {

class AttachmentForm : public core::RecordForm {
 public:
  AttachmentForm();
  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;

 private:
  void refresh();
  void pickFile();
};

int FormularioAdjuntos();

}  // namespace practice
