#include "letters/macro_windows.h"

#include <QLineEdit>

#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/base/text_order.h"
#include "platform/ui/qt_text.h"

namespace letters {
namespace {

using catalogs::CatalogField;
using catalogs::FieldKind;
using core::ColumnAlign;

catalogs::CatalogListSpec makeListSpec() {
  catalogs::CatalogListSpec s;
  s.procedure = "ExaminarMacros";
  s.table = &core::Macros::def;
  s.title = "Examinando el archivo de Macros";
  s.tab = "Por Descripción"_cp;
  s.key = core::Macros::MAC02;
  s.locator = "MAC:Descripcion";
  s.locatorPrompt = "Descripción:"_cp;
  s.columns = {catalogs::listColumn("MAC:Cod_Macro", "Cód."_cp, "@n6", 28, ColumnAlign::Right),
               catalogs::listColumn("MAC:Descripcion", "Descripción"_cp, "@s80", 120),
               catalogs::listColumn("MAC:Identificador", "Identificador", "@s20", 80),
               catalogs::listColumn("MAC:Interna", "", "@n3", 0)};  // a value of the row only
  s.listTip = "Examinando el archivo de Macros";
  s.search = core::ListSearchSettings{
      {}, "No hay más ocurrencias."_cp, "No se ha definido el criterio de busqueda.", "Error"};
  s.queryButton = "C&onsulta";
  s.queryName = "ExaminarMacros";
  s.wording = catalogs::Wording::Short;
  s.closeTip = s.closeStatus = "Cerrar la ventana";
  core::ExportSpec e;
  e.number = 8;
  e.fields = "1,2,3,";
  e.columns = {{"Cod.", "@n6"}, {"Descripción"_cp, "@s80"}, {"Identificador", "@s20"}};
  e.fixedTitle = "Administrator the Macros";
  e.mode = 0;
  s.exported = e;
  s.form = &FormularioMacros;
  return s;
}

CatalogField field(FieldKind kind, const char* name, const char* prompt, const char* picture,
                   const char* tip, int history, bool viewLocked) {
  CatalogField f;
  f.kind = kind;
  f.field = name;
  f.prompt = prompt;
  f.picture = picture;
  f.tip = tip;
  f.history = history;
  f.viewLocked = viewLocked;
  return f;
}

CatalogField text(const char* words, bool bold) {
  CatalogField f;
  f.kind = FieldKind::Static;
  f.prompt = words;
  f.bold = bold;
  return f;
}

catalogs::CatalogFormSpec makeFormSpec() {
  catalogs::CatalogFormSpec s;
  s.procedure = "FormularioMacros";
  s.table = &core::Macros::def;
  s.title = "Actualizando un Registro de Macros";
  s.tab = "General";
  s.historyKey = core::kHistoryKeyH;
  s.cancelAction = core::cancel::AskCancel;
  s.titleByRequest = true;
  s.okTip = s.okStatus = "Aceptar los datos y cerrar la ventana";
  s.cancelTip = s.cancelStatus = "Cancelar la operación"_cp;
  s.fields = {
      field(FieldKind::Code, "MAC:Cod_Macro", "Código:"_cp, "@n6", "Código Interno de la Macro"_cp,
            1, true),
      field(FieldKind::Entry, "MAC:Descripcion", "Descripción:"_cp, "@s80",
            "Descripción de la Macro"_cp, 3, true),
      field(FieldKind::Entry, "MAC:Identificador", "Identificador:", "@s20",
            "Cadena que identifica a la macro dentro del texto", 4, true),
      text("El Identificador de la Macro será el texto que se ha de reemplazar por algun valor en "
           "la nota. Recuerde que  la misma estará precedida y seguida por tres asteriscos. \n"
           "Así, NOMBRE deberá representarse en la nota como ***NOMBRE***."_cp,
           false),
      text("No comience sus macros con PAC, dado que estan reservadas para uso del sistema.", true),
      field(FieldKind::Check, "MAC:ConservarValor", "Conservar el último valor cargado"_cp, "",
            "Indica que se conserva el último valor de la macro"_cp, 6, false),
      field(FieldKind::Entry, "MAC:Valor", "Valor:", "@s255", "Valor de la macro", 5, true)};
  return s;
}

}  // namespace

const catalogs::CatalogListSpec& macroListSpec() {
  static const catalogs::CatalogListSpec spec = makeListSpec();
  return spec;
}

const catalogs::CatalogFormSpec& macroFormSpec() {
  static const catalogs::CatalogFormSpec spec = makeFormSpec();
  return spec;
}

// ---------------------------------------------------------------- the list

MacroListWindow::MacroListWindow() : catalogs::CatalogList(macroListSpec()) {}

void MacroListWindow::setUpBrowser(core::ListBrowser& b) {
  catalogs::CatalogList::setUpBrowser(b);
  editable_ = REQUEST != core::request::View;
}

void MacroListWindow::protegerMacrosDelSistema() {
  if (!isOpen() || !editable_ || browser().list() == nullptr) return;
  const core::ListRow* row = browser().selectedRow();
  const bool system =
      row != nullptr && !row->extras.empty() && std::atoi(row->extras[0].c_str()) == 1;
  QWidget* change = control("?CHANGE");
  QWidget* remove = control("?DELETE");
  if (system) {
    change->setEnabled(false);
    remove->setEnabled(false);
    browser().CHANGECONTROL = nullptr;
    browser().DELETECONTROL = nullptr;
  } else {
    change->setEnabled(row != nullptr);
    remove->setEnabled(row != nullptr);
    browser().CHANGECONTROL = change;
    browser().DELETECONTROL = remove;
  }
}

int MacroListWindow::TakeEvent() {
  // Before the list acts on a key or a double click, and again after the
  // event may have moved the highlight.
  protegerMacrosDelSistema();
  const int result = catalogs::CatalogList::TakeEvent();
  protegerMacrosDelSistema();
  return result;
}

// ---------------------------------------------------------------- the form

MacroForm::MacroForm() : catalogs::CatalogForm(macroFormSpec()) {}

void MacroForm::identifierInCapitals() {
  auto* entry = control<QLineEdit>("?MAC:IDENTIFICADOR");
  if (entry == nullptr) return;
  const std::string typed = rt::fromQString(entry->text());
  const std::string capitals = rt::upper(typed);
  if (capitals != typed) {
    const int cursor = entry->cursorPosition();
    entry->setText(rt::toQString(capitals));
    entry->setCursorPosition(cursor);
  }
  core::MAC().Identificador = rt::upper(core::MAC().Identificador.view());
}

int MacroForm::TakeEvent() {
  identifierInCapitals();
  return catalogs::CatalogForm::TakeEvent();
}

// ---------------------------------------------------------------- procedures

int ExaminarMacros() { return core::runWindow<MacroListWindow>(); }

int FormularioMacros() { return core::runWindow<MacroForm>(); }

}  // namespace letters
