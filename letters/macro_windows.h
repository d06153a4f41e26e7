#pragma once
// The macros' list and form, members of the catalogue family: the list keeps
// the system macros from being changed or deleted (buttons, keys and double
// click), and the form stores the identifier in capitals whatever is typed.
#include "catalogs/catalog_form.h"
#include "catalogs/catalog_list.h"

namespace letters {

const catalogs::CatalogListSpec& macroListSpec();
const catalogs::CatalogFormSpec& macroFormSpec();

class MacroListWindow : public catalogs::CatalogList {
 public:
  MacroListWindow();
  int TakeEvent() override;

 protected:
  void setUpBrowser(core::ListBrowser& browser) override;

 private:
  // "&Modificar" and "&Borrar" (and their keys and the double click) follow
  // the highlighted row: off for a system macro, on for the user's.
  void protegerMacrosDelSistema();
  bool editable_ = false;  // the list may change and delete at all
};

class MacroForm : public catalogs::CatalogForm {
 public:
  MacroForm();
  int TakeEvent() override;

 private:
  void identifierInCapitals();
};

int ExaminarMacros();
int FormularioMacros();

}  // namespace letters
