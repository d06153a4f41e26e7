#pragma once
// The record forms of the reference catalogues: one form family, set by a
// table of each form's title, tab, history key, cancel question, fields and
// the features some of them add (the date button, the colour swatch, the
// resizable window, the province lookup of a locality).
#include <QLineEdit>
#include <string>
#include <vector>

#include "core/shapes/record_form.h"

namespace catalogs {

enum class FieldKind {
  Code,         // the record's code: read-only, right-aligned, skipped by Tab
  CodeDisplay,  // the record's code as a plain display
  Entry,
  Check,
  Notes,
  Date,      // an entry with the date button beside it
  Colour,    // an entry painted in its colour, with the colour button
  Province,  // a locality's province code, with its lookup button and name
  Static     // a text of the window (its prompt), bound to no field
};

struct CatalogField {
  FieldKind kind = FieldKind::Entry;
  std::string field;  // "ESP:Descripcion"
  std::string prompt;
  std::string picture;
  std::string tip;
  int history = 0;  // the field number the history key restores; 0 none
  bool required = false;
  bool viewLocked = false;  // read-only (its button disabled) when viewing
  bool besideCode = false;  // placed on the first row, beside the code
  bool bold = false;        // a static text in bold
};

struct CatalogFormSpec {
  std::string procedure;  // "FormularioEspecialidades"
  const rt::TableDef& (*table)();
  std::string title;
  std::string tab;
  int historyKey = core::kHistoryKey;
  int cancelAction = core::cancel::AskSave;
  bool titleByRequest = false;
  bool protectedForm = false;
  bool resizable = false;
  std::string okTip, okStatus, cancelTip, cancelStatus;
  std::vector<CatalogField> fields;
  std::string dateTitle;  // the calendar's title
};

// The forms by procedure name; null for a name that is not one of them.
const CatalogFormSpec* catalogForm(std::string_view procedure);

// The title a form that titles itself by request shows.
std::string titleOfRequest(int request);

class CatalogForm : public core::RecordForm {
 public:
  explicit CatalogForm(const CatalogFormSpec& spec);
  const CatalogFormSpec& spec() const { return spec_; }

  int TakeAccepted() override;
  int TakeEvent() override;
  // Paints the colour entry in the colour it holds.
  void PintarMuestraColor();

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;

 private:
  const CatalogFormSpec& spec_;
};

// A locality: its province code is looked up (and its name shown) whenever
// it is left, the form is completed or the lookup button is pressed.
class LocalityForm : public CatalogForm {
 public:
  LocalityForm();

  int TakeAccepted() override;
  int TakeEvent() override;

 protected:
  void OwnSetup() override;

 private:
  // The province of the code on screen; false when none was found or chosen
  // (the focus is then back on the code).
  bool checkProvince();
  // Opens the province list on the code on screen; true when one was chosen.
  bool chooseProvince();
  void showProvince();
};

// Runs the form of that name under ThreadRequest on the calling thread; its
// answer is also left in ThreadResponse.
int runCatalogForm(std::string_view procedure);

int FormularioEspecialidades();
int FormularioFeriados();
int FormularioOcupaciones();
int FormularioTiposConsulta();
int FormularioCobertura();
int FormularioProvincia();
int FormularioLocalidades();

}  // namespace catalogs
