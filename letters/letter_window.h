#pragma once
// The letter window: a template is chosen and confirmed, a patient and a
// physician chosen, the template's user macros given values, the rich text
// edited, the macros replaced and the letter printed on plain or letterhead
// paper. Each window keeps its own letter; a print button hands its report a
// copy of the letter as it stands at the press.
#include <QPointer>
#include <memory>
#include <string>

#include "core/shapes/aided_window.h"
#include "letters/macro_substitution.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/rtf_windows.h"

class QLineEdit;
class QTableWidget;

namespace letters {

class LetterWindow : public core::AidedWindow {
 public:
  LetterWindow();
  ~LetterWindow() override;

  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;

  // The window's values.
  std::uint16_t COD_NOTAMACRO = 0;
  std::string DESCRIPCION;
  std::uint16_t COD_PACIENTE = 0;
  std::string NOMBREPACIENTE;
  std::uint16_t COD_MEDICO = 0;
  std::string NOMBREMEDICO;
  MacroList QMA;
  // The letter of this window (rich-text markup, held whole).
  std::string TextoNotaMacro;

 private:
  enum class Code { Template, Patient, Physician };
  // The controls' values into the window's values (the edited letter too).
  void takeValues();
  // The window's values onto the controls.
  void display();
  void showMacros();
  // A code entry accepted, or its lookup button pressed.
  void lookUp(Code which, bool fromButton);
  void Confirmar();
  void Modificar();
  void ProcesarMacros();
  void Imprimir(bool letterhead);

  rt::RtfWindows toolWindows_;
  std::unique_ptr<rt::RtfControl> letter_;
  MacroRow rowBuffer_;  // the list row last read
  // The letter last put in the control and the markup the control made of
  // it: a letter left unedited keeps its own markup.
  std::string shownLetter_ = "\x01";
  std::string shownMarkup_;
};

// The value of one user macro, typed in a small dialog: the new value on
// "&OK", the value as it came on "&Cancelar".
std::string EditaValor(const std::string& descripcion, const std::string& identificador,
                       const std::string& valor);

int CrearNotaConMacro();

}  // namespace letters
