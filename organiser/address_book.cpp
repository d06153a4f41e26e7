#include "organiser/address_book.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/patient_services.h"
#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"

namespace organiser {

using core::AGE;
using core::Agenda;
using core::RAG;
using core::RubrosAgenda;

namespace {

constexpr auto& kHint = "Ctrl-B: Buscar - F3: Próximo..."_cp;
constexpr char kNoCriteria[] = "No se ha definido el criterio de busqueda.";

QLineEdit* display(QWidget* parent, const char* name) {
  QLineEdit* e = core::namedEntry(parent, name);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  return e;
}

// A list window's frame: the hint, one sort tab with the locator above the
// list, and the row of buttons.
struct ListFrame {
  QWidget* window;
  QWidget* tab;
  QVBoxLayout* tabLayout;
  QHBoxLayout* top;
  QHBoxLayout* buttons;
};

ListFrame listFrame(const char* title, const char* tab, const char* prompt, const char* locatorName,
                    int width, int height) {
  ListFrame f{};
  f.window = new QWidget(nullptr, Qt::Window);
  f.window->setFont(core::designedWindowFont());
  f.window->setWindowTitle(rt::toQString(title));
  const rt::DialogUnits units = rt::DialogUnits::of(f.window);
  auto* hint = new QLabel(rt::toQString(kHint), f.window);
  hint->setObjectName("?PROMPT1");
  auto* sheet = new QTabWidget(f.window);
  sheet->setObjectName("?CurrentTab");
  f.tab = new QWidget;
  sheet->addTab(f.tab, rt::toQString(tab));
  auto* label = new QLabel(rt::toQString(prompt), f.tab);
  auto* locator = new QLineEdit(f.tab);
  locator->setObjectName(locatorName);
  locator->setMaximumWidth(units.x(100));
  label->setBuddy(locator);
  auto* list = new QTableView(f.tab);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(width, height));
  f.top = new QHBoxLayout;
  f.top->addWidget(label);
  f.top->addWidget(locator);
  f.top->addStretch();
  f.tabLayout = new QVBoxLayout(f.tab);
  f.tabLayout->addLayout(f.top);
  f.tabLayout->addWidget(list);
  f.buttons = new QHBoxLayout;
  auto* layout = new QVBoxLayout(f.window);
  layout->addWidget(hint);
  layout->addWidget(sheet);
  layout->addLayout(f.buttons);
  return f;
}

// After the list's own buttons: insert, change, delete, select and close.
void addEditButtons(ListFrame& f) {
  QHBoxLayout* b = f.buttons;
  b->addStretch();
  for (auto [name, text] : {std::pair{"?INSERT", "&Agregar"}, std::pair{"?CHANGE", "&Modificar"},
                            std::pair{"?DELETE", "&Borrar"}, std::pair{"?SELECT", "&Seleccionar"},
                            std::pair{"?CLOSE", "&Cerrar"}}) {
    b->addWidget(core::namedButton(f.window, name, text));
  }
}

}  // namespace

// ------------------------------------------------------------ categories

CategoryList::CategoryList() : core::ListWindow("ExaminarRubrosAgenda", RubrosAgenda::def()) {}

QWidget* CategoryList::buildWindow() {
  ListFrame f = listFrame("Examinar los Rubros para la Agenda", "Por Descripción:"_cp,
                          "Descripción:"_cp, "?RAG:DESCRIPCION", 260, 150);
  QHBoxLayout* b = f.buttons;
  b->addWidget(core::namedButton(f.window, "?QUERY", "C&onsulta"));
  b->addWidget(core::namedButton(f.window, "?COPY", "Cop&iar"));
  addEditButtons(f);
  return f.window;
}

void CategoryList::setUpBrowser(core::ListBrowser& b) {
  b.AddSortOrder("Por Descripción:"_cp, RubrosAgenda::RAG02);
  b.SetLocator(b.list()->window()->findChild<QLineEdit*>("?RAG:DESCRIPCION"), "RAG:Descripcion");
  b.AddColumn(core::ListColumn{"RAG:Cod_RubroAgenda", "Cód."_cp, "@n6", 0, 24});
  b.AddColumn(core::ListColumn{"RAG:Descripcion", "Descripción"_cp, "@s60", 0, 80});
  b.ROWCONTROLS.push_back(b.list()->window()->findChild<QWidget*>("?COPY"));
}

int CategoryList::TakeAccepted() {
  QWidget* accepted = field();
  if (accepted != nullptr && accepted == control("?COPY")) {
    if (!control("?COPY")->isEnabled() || !browser().UpdateViewRecord()) return rt::level::Benign;
    // The selected category as the list read it, for the insert to start from.
    copied_ = RubrosAgenda::def().newBuffer();
    rt::copyRecord(RubrosAgenda::def(), RubrosAgenda::table().buffer(), *copied_);
    post(rt::event::Accepted, control("?INSERT"));
    return rt::level::Benign;
  }
  return core::ListWindow::TakeAccepted();
}

void CategoryList::callForm() {
  const bool copying = copied_ != nullptr && rt::ThreadRequest() == core::request::Insert;
  if (copying) {
    rt::copyRecord(RubrosAgenda::def(), *copied_, RubrosAgenda::table().buffer());
    RubrosAgenda::table().recordWasRead(0, 0);
  }
  copied_.reset();
  FormularioRubrosAgenda(copying);
}

std::optional<core::ListSearchSettings> CategoryList::searchSettings() const {
  core::ListSearchSettings s{{}, "No hay más ocurrencias."_cp, kNoCriteria, "Buscar"};
  s.openKey = Qt::Key_F | static_cast<int>(Qt::ControlModifier);
  return s;
}

CategoryForm::CategoryForm(bool fromCopy)
    : core::RecordForm("FormularioRubrosAgenda", RubrosAgenda::def(), false), fromCopy_(fromCopy) {
  CANCELACTION = core::cancel::AskSave;
}

QWidget* CategoryForm::buildWindow() {
  const auto [window, sheet, general] =
      core::formSheet("Actualizando un Rubro para la Agenda", "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* code = display(general, "?RAG:COD_RUBROAGENDA");
  code->setToolTip(rt::toQString("Código interno del Rubro"_cp));
  code->setAlignment(Qt::AlignRight);
  code->setMaximumWidth(units.x(40));
  rt::setPicture(code, "@n6");
  auto* description = core::namedEntry(general, "?RAG:DESCRIPCION", 60, "Descripción del Rubro"_cp);
  description->setMinimumWidth(units.x(220));
  rt::setRequired(description, true);
  auto* notesGroup = new QGroupBox("Notas:", general);
  auto* notes = new QPlainTextEdit(notesGroup);
  notes->setObjectName("?RAG:NOTAS");
  notes->setTabChangesFocus(true);
  notes->setMaximumHeight(units.y(64));
  (new QVBoxLayout(notesGroup))->addWidget(notes);
  auto* grid = new QGridLayout(general);
  grid->addWidget(new QLabel(rt::toQString("Código:"_cp), general), 0, 0);
  grid->addWidget(code, 0, 1, Qt::AlignLeft);
  grid->addWidget(new QLabel(rt::toQString("Descripción:"_cp), general), 1, 0);
  grid->addWidget(description, 1, 1);
  grid->addWidget(notesGroup, 2, 0, 1, 2);
  core::sheetAndButtons(window, sheet);

  fields().bind(code, "RAG:Cod_RubroAgenda", 1);
  fields().bind(description, "RAG:Descripcion", 2);
  fields().bind(notes, "RAG:Notas", 3);
  return window;
}

int CategoryForm::PrimeUpdate() {
  if (REQUEST != core::request::Insert || !fromCopy_) return core::RecordForm::PrimeUpdate();
  // A copy keeps the description and notes it was given; the table numbers it.
  core::TableAccess& access = PRIMARY->access();
  access.primeFields();
  return access.insertNumbered() == core::level::Benign ? rt::level::Benign : rt::level::Notify;
}

int ExaminarRubrosAgenda() { return core::runWindow<CategoryList>(); }
int FormularioRubrosAgenda(bool fromCopy) { return core::runWindow<CategoryForm>(fromCopy); }

// -------------------------------------------------------------- contacts

core::ExportSpec contactListExport() {
  return {8,
          "1,2,3,4,5,6,",
          {{"Nombre", "@s40"},
           {"Domicilio", "@s40"},
           {"Localidad", "@s50"},
           {"Telefono:", "@s20"},
           {"Contacto", "@s60"},
           {"Descripcion", "@s60"}},
          {},
          0};
}

ContactList::ContactList() : core::ListWindow("ExaminarAgendaDirecciones", Agenda::def()) {}

QWidget* ContactList::buildWindow() {
  ListFrame f = listFrame("Examinar la Agenda de Contactos",
                          "Por Nombre:", "Nombre:", "?AGE:NOMBRE", 600, 170);
  auto* active = new QCheckBox("Solo Entradas Activas", f.tab);
  active->setObjectName("?LOC:SOLOACTIVOS");
  active->setToolTip("Solo Entradas Activas");
  active->setChecked(true);
  f.top->addWidget(active);
  QHBoxLayout* b = f.buttons;
  b->addWidget(core::namedButton(f.window, "?QUERY", "&Consulta"));
  b->addWidget(core::namedButton(f.window, "?EXPORT", "E&xportar"));
  addEditButtons(f);
  return f.window;
}

void ContactList::setUpBrowser(core::ListBrowser& b) {
  QWidget* window = b.list()->window();
  b.AddSortOrder("Por Nombre:", Agenda::AGE02, "+AGE:Cod_Agenda");
  b.SetLocator(window->findChild<QLineEdit*>("?AGE:NOMBRE"), "AGE:Nombre");
  // Outer joins: an entry whose codes match nothing shows those columns blank.
  b.AddJoin(RubrosAgenda::def(), RubrosAgenda::RAG01, {"AGE:Cod_RubroAgenda"});
  b.AddJoin(core::Localidades::def(), core::Localidades::LOC01, {"AGE:Cod_Postal"});
  b.searchTables.push_back(&RubrosAgenda::def());
  b.searchTables.push_back(&core::Localidades::def());
  using core::ColumnAlign;
  using core::ListColumn;
  b.AddColumn(ListColumn{"AGE:Nombre", "Nombre", "@s40", 0, 117});
  b.AddColumn(ListColumn{"AGE:Domicilio", "Domicilio", "@s40", 0, 95});
  b.AddColumn(ListColumn{"LOC:NombreLocalidad", "Localidad", "@s50", 0, 80});
  b.AddColumn(ListColumn{"AGE:Telefono1", "Teléfono"_cp, "@s20", 0, 60, ColumnAlign::Right});
  b.AddColumn(ListColumn{"AGE:NombreContacto", "Contacto", "@s60", 0, 80});
  b.AddColumn(ListColumn{"RAG:Descripcion", "Descripción"_cp, "@s60", 0, 80});
  b.AddHiddenColumn("AGE:Cod_Agenda");
  b.AddHiddenColumn("RAG:Cod_RubroAgenda");
  b.AddHiddenColumn("LOC:Cod_Postal");
  setActiveFilter(window->findChild<QCheckBox*>("?LOC:SOLOACTIVOS"), "AGE:Inactivo = 0");
  setExport(window->findChild<QPushButton*>("?EXPORT"), contactListExport());
}

void ContactList::callForm() { FormularioAgendaDirecciones(); }

std::optional<core::ListSearchSettings> ContactList::searchSettings() const {
  core::ListSearchSettings s{{}, "No hay más ocurrencias"_cp, kNoCriteria, "Error"};
  s.filterKey = true;
  return s;
}

namespace {

const rt::TableDef& localities() { return core::Localidades::def(); }
const rt::TableDef& categories() { return RubrosAgenda::def(); }

const core::LookupField kLookups[] = {
    {"?AGE:COD_POSTAL", "?LOOKUPLOCALIDAD", "AGE:Cod_Postal", localities, "LOC:Cod_Postal",
     core::Localidades::LOC01, "ExaminarLocalidades"},
    {"?AGE:COD_RUBROAGENDA", "?LOOKUPRUBRO", "AGE:Cod_RubroAgenda", categories,
     "RAG:Cod_RubroAgenda", RubrosAgenda::RAG01, "ExaminarRubrosAgenda"},
};

}  // namespace

ContactForm::ContactForm() : core::RecordForm("FormularioAgendaDirecciones", Agenda::def(), true) {
  CANCELACTION = core::cancel::AskSave;
}

QWidget* ContactForm::buildWindow() {
  const auto [window, sheet, general] =
      core::formSheet("Actualizando un registro de la Agenda", "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* grid = new QGridLayout(general);
  int row = 0;
  auto line = [&](const char* prompt, std::initializer_list<QWidget*> controls, bool stretch) {
    core::addFormLine(grid, row++, prompt, *controls.begin(), controls, stretch);
  };

  auto* name = core::namedEntry(general, "?AGE:NOMBRE", 40,
                                "Nombre del Individuo / Empresa (Apellido, Nombre)");
  rt::setRequired(name, true);
  auto* inactive = new QCheckBox("Inactivo?", general);
  inactive->setObjectName("?AGE:INACTIVO");
  inactive->setToolTip("Marca que indica si la entrada permanece Inactiva");
  line("Nombre:", {name, inactive}, false);

  auto* address = core::namedEntry(general, "?AGE:DOMICILIO", 40, "Domicilio");
  rt::setRequired(address, true);
  line("Domicilio:", {address}, false);

  auto* postal =
      core::namedEntry(general, "?AGE:COD_POSTAL", 0, "Código Postal de la localidad"_cp);
  postal->setAlignment(Qt::AlignRight);
  postal->setMaximumWidth(units.x(44));
  rt::setPicture(postal, "P####-###PB");
  auto* findLocality = core::namedButton(general, "?LOOKUPLOCALIDAD", "...");
  findLocality->setMaximumWidth(units.x(14));
  auto* locality = display(general, "?LOC:NOMBRELOCALIDAD");
  line("Localidad:", {postal, findLocality, locality}, false);

  QLineEdit* phones[3];
  for (int i = 0; i < 3; ++i) {
    const std::string n = "?AGE:TELEFONO" + std::to_string(i + 1);
    phones[i] = core::namedEntry(general, n.c_str(), 20, "Teléfono"_cp);
    phones[i]->setAlignment(Qt::AlignRight);
  }
  line("Teléfono:"_cp, {phones[0], phones[1], phones[2]}, false);

  auto* contact =
      core::namedEntry(general, "?AGE:NOMBRECONTACTO", 60, "Nombre del Contacto habitual");
  line("Contacto:", {contact}, false);

  auto* email = core::namedEntry(general, "?AGE:EMAIL", 60, "Dirección de email"_cp);
  QToolButton* mail = core::CrearEnlaceEmail(general, "?MAILLINK");
  line("Email:", {email, mail}, false);

  auto* category =
      core::namedEntry(general, "?AGE:COD_RUBROAGENDA", 6, "Código interno del Rubro"_cp);
  category->setAlignment(Qt::AlignRight);
  category->setMaximumWidth(units.x(30));
  rt::setPicture(category, "@n6");
  auto* findCategory = core::namedButton(general, "?LOOKUPRUBRO", "...");
  findCategory->setMaximumWidth(units.x(14));
  auto* categoryName = display(general, "?RAG:DESCRIPCION");
  line("Rubro:", {category, findCategory, categoryName}, false);

  QPlainTextEdit* notes = core::addNotesBox(grid, row++, "?AGE:NOTAS", units.y(40), units.y(64));
  grid->setColumnStretch(1, 1);

  auto* status = new QLabel(window);
  status->setObjectName("?STATUSBAR");
  core::sheetAndButtons(window, sheet);
  static_cast<QVBoxLayout*>(window->layout())->addWidget(status);

  int history = 0;
  auto bind = [&](QWidget* control, const char* field) {
    fields().bind(control, field, ++history);
  };
  bind(name, "AGE:Nombre");
  bind(inactive, "AGE:Inactivo");
  bind(address, "AGE:Domicilio");
  bind(postal, "AGE:Cod_Postal");
  bind(phones[0], "AGE:Telefono1");
  bind(phones[1], "AGE:Telefono2");
  bind(phones[2], "AGE:Telefono3");
  bind(contact, "AGE:NombreContacto");
  bind(email, "AGE:Email");
  bind(category, "AGE:Cod_RubroAgenda");
  bind(notes, "AGE:Notas");
  for (const core::LookupField& l : kLookups) bindLookup(l);
  return window;
}

void ContactForm::OwnSetup() {
  openRelations({&core::Localidades::def(), &RubrosAgenda::def()});
  const char* status = REQUEST == core::request::View     ? "View Record"
                       : REQUEST == core::request::Insert ? "Record will be Added"
                       : REQUEST == core::request::Change ? "Record will be Changed"
                                                          : "";
  control<QLabel>("?STATUSBAR")->setText(status);
  refresh();
}

void ContactForm::refresh() {
  RAG().Cod_RubroAgenda = AGE().Cod_RubroAgenda;
  core::access(RubrosAgenda::def()).fetchOrClear(RubrosAgenda::RAG01);
  core::LOC().Cod_Postal = AGE().Cod_Postal;
  core::access(core::Localidades::def()).fetchOrClear(core::Localidades::LOC01);
  control<QLineEdit>("?LOC:NOMBRELOCALIDAD")
      ->setText(rt::toQString(rt::clip(core::LOC().NombreLocalidad.view())));
  control<QLineEdit>("?RAG:DESCRIPCION")
      ->setText(rt::toQString(rt::clip(RAG().Descripcion.view())));
}

int ContactForm::TakeAccepted() {
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr || !isOpen()) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  for (const core::LookupField& l : kLookups) {
    if (name == l.entry) return lookUp(l, false);
    if (name == l.button) return lookUp(l, true);
  }
  if (name == "?MAILLINK") {
    Update();
    core::AbrirEnlaceEmail(AGE().Email.view());
  }
  return rt::level::Benign;
}

int ExaminarAgendaDirecciones() { return core::runWindow<ContactList>(); }
int FormularioAgendaDirecciones() { return core::runWindow<ContactForm>(); }

}  // namespace organiser
