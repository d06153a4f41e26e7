#include "catalogs/catalog_form.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstdlib>

#include "catalogs/catalog_list.h"
#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_messages.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/colour_chooser.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace catalogs {
namespace {

using core::cancel::AskCancel;
using core::cancel::AskSave;

constexpr char kColourTitle[] = "Seleccione Color";
// A locality keeps its province's code in two characters.
constexpr int kHighestProvince = 99;

std::string controlName(std::string_view field) { return "?" + rt::upper(field); }

CatalogField field(FieldKind kind, const char* name, const char* prompt, const char* picture,
                   const char* tip, int history) {
  CatalogField f;
  f.kind = kind;
  f.field = name;
  f.prompt = prompt;
  f.picture = picture;
  f.tip = tip;
  f.history = history;
  return f;
}

CatalogField required(CatalogField f) {
  f.required = true;
  return f;
}

CatalogField locked(CatalogField f) {
  f.viewLocked = true;
  return f;
}

using Fields = std::vector<CatalogField>;

// The holidays' family: a cancel asks whether to lose the changes, the title
// follows the request, and Ctrl+H restores a field.
CatalogFormSpec askingForm(const char* procedure, const rt::TableDef& (*table)(), const char* title,
                           Fields fields) {
  CatalogFormSpec s;
  s.procedure = procedure;
  s.table = table;
  s.title = title;
  s.tab = "General";
  s.historyKey = core::kHistoryKeyH;
  s.cancelAction = AskCancel;
  s.titleByRequest = true;
  s.okTip = s.okStatus = "Aceptar los datos y cerrar la ventana";
  s.cancelTip = s.cancelStatus = "Cancelar la operación"_cp;
  s.fields = std::move(fields);
  return s;
}

// The specialities' family: a cancel offers to save the changes.
CatalogFormSpec savingForm(const char* procedure, const rt::TableDef& (*table)(), std::string title,
                           Fields fields) {
  CatalogFormSpec s;
  s.procedure = procedure;
  s.table = table;
  s.title = std::move(title);
  s.tab = "General";
  s.okTip = "Graba todas las modificaciones y cierra la ventana";
  s.okStatus = "Acepta y cierra.";
  s.cancelTip = "Cancela las acciones y cierra la ventana";
  s.fields = std::move(fields);
  return s;
}

std::vector<CatalogFormSpec> makeSpecs() {
  std::vector<CatalogFormSpec> specs;
  specs.push_back(savingForm("FormularioEspecialidades", &core::Especialidades::def,
                             "Actualizando un registro de Especialidades Médicas"_cp,
                             {required(field(FieldKind::Code, "ESP:Cod_Especialidad", "Código:"_cp,
                                             "@n6", "Codigo interno de Especialidad", 1)),
                              field(FieldKind::Check, "ESP:Inactiva", "Inactiva?", "",
                                    "Marca que indica que la especialidad está inactiva"_cp, 3),
                              required(field(FieldKind::Entry, "ESP:Descripcion", "Descripción:"_cp,
                                             "@s40", "Descripción de la Especialidad"_cp, 2)),
                              field(FieldKind::Notes, "ESP:Notas", "Notas:", "", "", 4)}));
  specs.push_back(askingForm(
      "FormularioFeriados", &core::Feriados::def, "Actualizando un Registro de Feriados",
      {locked(field(FieldKind::Code, "FER:Cod_Feriado", "Código:"_cp, "@n6",
                    "Código Interno del Feriado"_cp, 1)),
       locked(field(FieldKind::Date, "FER:Fecha", "Fecha:", "@d17", "Fecha del Feriado", 2)),
       locked(field(FieldKind::Entry, "FER:Descripcion", "Descripción:"_cp, "@s80",
                    "Descripción del Motivo del Feriado"_cp, 3))}));
  specs.back().dateTitle = "Fecha del Feriado";
  specs.push_back(askingForm("FormularioOcupaciones", &core::Ocupaciones::def,
                             "Actualizando un Registro de Ocupaciones",
                             {locked(field(FieldKind::Code, "OCU:Cod_Ocupacion", "Código:"_cp,
                                           "@n6", "Código Interno de Ocupación"_cp, 1)),
                              field(FieldKind::Check, "OCU:Inactivo", "Inactivo:", "",
                                    "Marca que indica que el registro está inactivo"_cp, 3),
                              locked(field(FieldKind::Entry, "OCU:Descripcion", "Descripción:"_cp,
                                           "@s60", "Descripción de la Ocupación"_cp, 2)),
                              field(FieldKind::Notes, "OCU:Notas", "Notas:", "", "", 4)}));
  specs.push_back(askingForm("FormularioTiposConsulta", &core::TiposConsultas::def,
                             "Actualizando un Registro de TiposConsultas",
                             {locked(field(FieldKind::Code, "TIC:Cod_TipoConsulta", "Código:"_cp,
                                           "@n6", "Código Interno"_cp, 1)),
                              locked(field(FieldKind::Entry, "TIC:Descripcion", "Descripción:"_cp,
                                           "@s50", "Descripción del Tipo de Consulta"_cp, 2)),
                              locked(field(FieldKind::Colour, "TIC:Color", "Color:", "@n13",
                                           "Color que identifica al tipo de Consulta", 3))}));
  {
    CatalogField inactive = field(FieldKind::Check, "COB:Inactivo", "Inactivo?", "",
                                  "Marca que indica si la entrada permanece Inactiva", 3);
    inactive.besideCode = true;
    CatalogFormSpec& s = specs.emplace_back(
        savingForm("FormularioCobertura", &core::Coberturas_Medicas::def,
                   "Actualizando un registro de Coberturas Médicas:"_cp,
                   {field(FieldKind::CodeDisplay, "COB:Cod_Cobertura", "Código:"_cp, "@n6", "", 1),
                    field(FieldKind::Entry, "COB:Descripcion", "Descripción:"_cp, "@s90",
                          "Nombre de Cobertura Médica"_cp, 2),
                    field(FieldKind::Notes, "COB:Notas", "Notas:", "", "Notas", 4), inactive}));
    s.tab = "General:";
    s.resizable = true;
  }
  specs.push_back(savingForm("FormularioProvincia", &core::Provincias::def,
                             "Actualizando un registro de Provincias",
                             {required(field(FieldKind::Code, "PRV:Cod_Provincia", "Código:"_cp,
                                             "@n2_", "Código de Provincias"_cp, 1)),
                              required(field(FieldKind::Entry, "PRV:Provincia",
                                             "Provincia:", "@s30", "Nombre de la Provincia", 2))}));
  specs.back().protectedForm = true;
  specs.push_back(savingForm(
      "FormularioLocalidades", &core::Localidades::def, "Actualizando un registro de Localidades",
      {required(field(FieldKind::Entry, "LOC:Cod_Postal", "Código Postal:"_cp, "@S10",
                      "Código Postal de la localidad"_cp, 1)),
       required(field(FieldKind::Entry, "LOC:NombreLocalidad", "Localidad:", "@s50",
                      "Nombre de la Localidad", 2)),
       required(field(FieldKind::Province, "LOC:Cod_Provincia", "Provincia:", "@n2",
                      "Código de Provincia"_cp, 3))}));
  specs.back().protectedForm = true;
  return specs;
}

const std::vector<CatalogFormSpec>& specs() {
  static const std::vector<CatalogFormSpec> all = makeSpecs();
  return all;
}

void setTips(QWidget* control, const std::string& tip, const std::string& status) {
  if (!tip.empty()) control->setToolTip(rt::toQString(tip));
  if (!status.empty()) control->setStatusTip(rt::toQString(status));
}

// The province's code as a locality holds it: the number its two characters
// read as ("5", " 5" and "05" are 5); blank or no number is 0.
std::int64_t provinceNumber(std::string_view text) { return std::atoll(std::string(text).c_str()); }

}  // namespace

const CatalogFormSpec* catalogForm(std::string_view procedure) {
  for (const CatalogFormSpec& s : specs()) {
    if (rt::sameName(s.procedure, procedure)) return &s;
  }
  return nullptr;
}

std::string titleOfRequest(int request) {
  switch (request) {
    case core::request::Insert:
      return "Agregando Registro";
    case core::request::Change:
      return "Modificando Registro";
    case core::request::View:
      return "Ver Registro";
    default:
      return {};
  }
}

CatalogForm::CatalogForm(const CatalogFormSpec& spec)
    : core::RecordForm(spec.procedure, spec.table(), spec.protectedForm), spec_(spec) {
  setHistoryKey(spec.historyKey);
  CANCELACTION = spec.cancelAction;
}

QWidget* CatalogForm::buildWindow() {
  const auto [window, sheet, page] =
      core::formSheet(rt::toQString(spec_.title), rt::toQString(spec_.tab));
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* grid = new QGridLayout(page);
  grid->setColumnStretch(1, 1);

  int row = 0;
  for (const CatalogField& f : spec_.fields) {
    if (f.kind == FieldKind::Static) {
      auto* text = new QLabel(rt::toQString(f.prompt), page);
      text->setWordWrap(true);
      QFont font = text->font();
      font.setBold(f.bold);
      text->setFont(font);
      grid->addWidget(text, row++, 0, 1, 4);
      continue;
    }
    const std::string name = controlName(f.field);
    QWidget* control = nullptr;
    QLabel* prompt = f.prompt.empty() || f.kind == FieldKind::Check || f.kind == FieldKind::Notes
                         ? nullptr
                         : new QLabel(rt::toQString(f.prompt), page);
    switch (f.kind) {
      case FieldKind::CodeDisplay: {
        auto* label = new QLabel(page);
        rt::setPicture(label, rt::toQString(f.picture));
        control = label;
        break;
      }
      case FieldKind::Check: {
        auto* box = new QCheckBox(rt::toQString(f.prompt), page);
        control = box;
        break;
      }
      case FieldKind::Notes: {
        auto* group = new QGroupBox(rt::toQString(f.prompt), page);
        auto* text = new QPlainTextEdit(group);
        text->setTabChangesFocus(true);
        (new QVBoxLayout(group))->addWidget(text);
        control = text;
        grid->addWidget(group, row++, 0, 1, 4);
        grid->setRowStretch(row - 1, 1);
        break;
      }
      default: {
        auto* entry = new QLineEdit(page);
        rt::setPicture(entry, rt::toQString(f.picture));
        const rt::Picture p = rt::parsePicture(f.picture);
        if (p.kind == rt::PictureKind::String && p.size > 0) entry->setMaxLength(p.size);
        if (f.kind == FieldKind::Code) {
          entry->setReadOnly(true);
          entry->setAlignment(Qt::AlignRight);
          entry->setFocusPolicy(Qt::ClickFocus);  // Tab passes it by
          entry->setMaximumWidth(units.x(40));
        } else if (f.kind == FieldKind::Province) {
          entry->setMaxLength(2);  // what the locality's field holds
          entry->setMaximumWidth(units.x(20));
        } else if (f.kind != FieldKind::Entry) {
          entry->setMaximumWidth(units.x(60));
        } else if (p.kind == rt::PictureKind::String) {
          entry->setMinimumWidth(units.x(std::min(p.size, 60) * 4));
        }
        control = entry;
      }
    }
    control->setObjectName(rt::toQString(name));
    setTips(control, f.tip, f.kind == FieldKind::Notes ? std::string() : f.tip);
    rt::setRequired(control, f.required);
    if (f.kind == FieldKind::Notes) {
      fields().bind(control, f.field, f.history);
      continue;
    }
    if (f.besideCode) {
      grid->addWidget(control, 0, 2, 1, 2, Qt::AlignRight);
    } else {
      if (prompt) {
        prompt->setBuddy(control);
        grid->addWidget(prompt, row, 0);
      }
      grid->addWidget(control, row, 1, f.kind == FieldKind::Entry ? 1 : 1,
                      f.kind == FieldKind::Entry ? 3 : 1);
      if (f.kind == FieldKind::Date) {
        auto* calendar = core::namedButton(page, "?CALENDARIO", "");
        calendar->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
        calendar->setToolTip("Elija Fecha");
        grid->addWidget(calendar, row, 2, Qt::AlignLeft);
      } else if (f.kind == FieldKind::Colour) {
        auto* colours = core::namedButton(page, "?BUTTON:COLORDIALOG", "ColorDialog");
        grid->addWidget(colours, row, 2, Qt::AlignLeft);
      } else if (f.kind == FieldKind::Province) {
        auto* lookup = core::namedButton(page, "?BUSCARPROVINCIA", "");
        lookup->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogContentsView));
        grid->addWidget(lookup, row, 2, Qt::AlignLeft);
        auto* shown = new QLabel(page);
        shown->setObjectName("?PRV:PROVINCIA");
        shown->setMinimumWidth(units.x(120));
        grid->addWidget(shown, row, 3);
      }
      ++row;
    }
    fields().bind(control, f.field, f.history);
  }

  auto* ok = core::namedButton(window, "?OK", "&OK");
  ok->setIcon(window->style()->standardIcon(QStyle::SP_DialogOkButton));
  setTips(ok, spec_.okTip, spec_.okStatus);
  auto* cancel = core::namedButton(window, "?CANCEL", "&Cancelar");
  cancel->setIcon(window->style()->standardIcon(QStyle::SP_DialogCancelButton));
  setTips(cancel, spec_.cancelTip, spec_.cancelStatus);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet, 1);
  layout->addLayout(buttons);
  // Only the coverage plans' window follows its user's resizing; the others
  // are at least as wide as their title.
  if (!spec_.resizable) layout->setSizeConstraint(QLayout::SetFixedSize);
  QFont titleFont = window->font();  // title bars draw larger and bold
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
  sheet->setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()) +
                         units.x(80));
  return window;
}

void CatalogForm::OwnSetup() {
  // The first field the user types in: the code before it is read-only.
  for (const CatalogField& f : spec_.fields) {
    if (f.kind == FieldKind::Code || f.kind == FieldKind::CodeDisplay ||
        f.kind == FieldKind::Static) {
      continue;
    }
    FIRSTFIELD = control(controlName(f.field));
    break;
  }
  if (spec_.titleByRequest) window()->setWindowTitle(rt::toQString(titleOfRequest(REQUEST)));
  if (viewing()) {
    for (const CatalogField& f : spec_.fields) {
      if (!f.viewLocked) continue;
      if (auto* entry = control<QLineEdit>(controlName(f.field))) entry->setReadOnly(true);
      if (f.kind == FieldKind::Date) control("?CALENDARIO")->setEnabled(false);
      if (f.kind == FieldKind::Colour) control("?BUTTON:COLORDIALOG")->setEnabled(false);
    }
  }
  PintarMuestraColor();
}

void CatalogForm::PintarMuestraColor() {
  for (const CatalogField& f : spec_.fields) {
    if (f.kind != FieldKind::Colour) continue;
    const rt::FieldDef& def = table().def().fields[table().def().fieldIndex(f.field)];
    const long colour = static_cast<long>(rt::fieldNumber(def, table().record()) & 0xFFFFFF);
    QWidget* swatch = control(controlName(f.field));
    rt::setBackgroundColor(swatch, colour);
    // The number stays readable on its own colour.
    const QColor shown = rt::fromBgr(colour);
    const int lightness = (shown.red() * 299 + shown.green() * 587 + shown.blue() * 114) / 1000;
    rt::setFontColor(swatch, lightness < 128 ? 0xFFFFFF : 0x000000);
  }
}

int CatalogForm::TakeEvent() {
  const bool history = event() == rt::event::AlertKey && keyCode() == HISTORYKEY;
  const int result = core::RecordForm::TakeEvent();
  if (history && isOpen()) {  // a restored colour is painted at once
    Update();
    PintarMuestraColor();
  }
  return result;
}

int CatalogForm::TakeAccepted() {
  const int result = core::RecordForm::TakeAccepted();
  if (result != rt::level::Benign || field() == nullptr) return result;
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?CALENDARIO") {
    Update();
    for (const CatalogField& f : spec_.fields) {
      if (f.kind != FieldKind::Date) continue;
      core::BotonCalendario(*this, control<QLineEdit>(controlName(f.field)), spec_.dateTitle);
    }
    Update();
  } else if (name == "?BUTTON:COLORDIALOG") {
    Update();
    for (const CatalogField& f : spec_.fields) {
      if (f.kind != FieldKind::Colour) continue;
      const rt::FieldDef& def = table().def().fields[table().def().fieldIndex(f.field)];
      const long start = static_cast<long>(rt::fieldNumber(def, table().record()));
      if (const std::optional<long> chosen = rt::chooseColour({kColourTitle, start})) {
        rt::setFieldNumber(def, table().record(), *chosen & 0xFFFFFF);
        PintarMuestraColor();
        Display();
      }
    }
  } else {
    for (const CatalogField& f : spec_.fields) {
      if (f.kind == FieldKind::Colour && name == controlName(f.field)) {
        Update();
        PintarMuestraColor();
        Display();
      }
    }
  }
  return result;
}

// ---------------------------------------------------------------- localities

LocalityForm::LocalityForm() : CatalogForm(*catalogForm("FormularioLocalidades")) {}

void LocalityForm::OwnSetup() {
  CatalogForm::OwnSetup();
  showProvince();
}

void LocalityForm::showProvince() {
  core::PRV().Cod_Provincia =
      static_cast<std::int16_t>(provinceNumber(core::LOC().Cod_Provincia.view()));
  if (core::Provincias::table().fetch(core::Provincias::PRV01) != 0) {
    core::Provincias::table().clear();
  }
  if (auto* shown = control<QLabel>("?PRV:PROVINCIA")) {
    std::string name(core::PRV().Provincia.view());
    name.erase(name.find_last_not_of(' ') + 1);
    shown->setText(rt::toQString(name));
  }
}

bool LocalityForm::chooseProvince() {
  if (viewing()) return false;  // a form that only shows opens no list
  core::PRV().Cod_Provincia =
      static_cast<std::int16_t>(provinceNumber(core::LOC().Cod_Provincia.view()));
  rt::ThreadRequest() = core::request::Select;
  if (ExaminarProvincia() != rt::kCompleted) return false;
  const std::int64_t chosen = core::PRV().Cod_Provincia;
  if (chosen < 1 || chosen > kHighestProvince) {
    // An older province past two digits cannot be written into a locality.
    core::showTableMessage(core::TableMessage::OutOfRange,
                           core::MessageFill()
                               .Message("1 .. " + std::to_string(kHighestProvince))
                               .Field("Cód. de Provincia"_cp));
    return false;
  }
  core::LOC().Cod_Provincia = std::to_string(chosen);
  return true;
}

bool LocalityForm::checkProvince() {
  Update();
  core::PRV().Cod_Provincia =
      static_cast<std::int16_t>(provinceNumber(core::LOC().Cod_Provincia.view()));
  const std::int64_t number = provinceNumber(core::LOC().Cod_Provincia.view());
  const bool found = number >= 1 && number <= kHighestProvince &&
                     core::Provincias::table().fetch(core::Provincias::PRV01) == 0;
  if (!found && !chooseProvince()) {
    if (QWidget* code = control("?LOC:COD_PROVINCIA")) code->setFocus();
    return false;
  }
  Display();
  showProvince();
  return true;
}

int LocalityForm::TakeAccepted() {
  QWidget* accepted = field();
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  // Completing the form checks the province first: a locality is stored only
  // with the code of an existing province.
  if (name == "?OK" && !viewing() && !checkProvince()) return rt::level::Benign;
  const int result = CatalogForm::TakeAccepted();
  if (result != rt::level::Benign) return result;
  if (name == "?LOC:COD_PROVINCIA") {
    if (!viewing()) checkProvince();
  } else if (name == "?BUSCARPROVINCIA") {
    Update();
    if (chooseProvince()) Display();
    showProvince();
  }
  return result;
}

int LocalityForm::TakeEvent() {
  const bool history = event() == rt::event::AlertKey && keyCode() == HISTORYKEY;
  const int result = CatalogForm::TakeEvent();
  if (history && isOpen()) showProvince();
  return result;
}

// ---------------------------------------------------------------- procedures

int runCatalogForm(std::string_view procedure) {
  if (rt::sameName(procedure, "FormularioLocalidades")) return core::runWindow<LocalityForm>();
  if (const CatalogFormSpec* spec = catalogForm(procedure))
    return core::runWindow<CatalogForm>(*spec);
  rt::ThreadResponse() = rt::kCancelled;
  return rt::kCancelled;
}

int FormularioEspecialidades() { return runCatalogForm("FormularioEspecialidades"); }
int FormularioFeriados() { return runCatalogForm("FormularioFeriados"); }
int FormularioOcupaciones() { return runCatalogForm("FormularioOcupaciones"); }
int FormularioTiposConsulta() { return runCatalogForm("FormularioTiposConsulta"); }
int FormularioCobertura() { return runCatalogForm("FormularioCobertura"); }
int FormularioProvincia() { return runCatalogForm("FormularioProvincia"); }
int FormularioLocalidades() { return runCatalogForm("FormularioLocalidades"); }

}  // namespace catalogs
