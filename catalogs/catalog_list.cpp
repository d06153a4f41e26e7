#include "catalogs/catalog_list.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <map>

#include "catalogs/catalog_form.h"
#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace catalogs {
namespace {

using core::ColumnAlign;
using core::ListColumn;

constexpr auto& kHint = "Ctrl-B: Buscar - F3: Próximo..."_cp;
constexpr char kNoMoreOld[] = "No hay mas ocurrencias.";
constexpr auto& kNoMore = "No hay más ocurrencias."_cp;
constexpr char kNoCriteriaOld[] = "No search criteria specified.";
constexpr char kNoCriteria[] = "No se ha definido el criterio de busqueda.";

ListColumn column(const char* field, const char* title, const char* picture, int width,
                  ColumnAlign align = ColumnAlign::Left) {
  return listColumn(field, title, picture, width, align);
}

core::ListSearchSettings oldSearch() { return {{}, kNoMoreOld, kNoCriteriaOld, "Error"}; }

core::ExportSpec exportOf(int number, std::string fields,
                          std::vector<core::ExportColumnDefinition> columns, std::string fixedTitle,
                          std::int16_t mode) {
  core::ExportSpec spec;
  spec.number = number;
  spec.fields = std::move(fields);
  spec.columns = std::move(columns);
  spec.fixedTitle = std::move(fixedTitle);
  spec.mode = mode;
  return spec;
}

std::vector<CatalogListSpec> makeSpecs() {
  std::vector<CatalogListSpec> specs;
  {
    CatalogListSpec s;
    s.procedure = "ExaminarEspecialidades";
    s.table = &core::Especialidades::def;
    s.title = "Examinando el archivo de Especialidades Médicas"_cp;
    s.tab = "Por Descripción"_cp;
    s.key = core::Especialidades::ESP02;
    s.locator = "ESP:Descripcion";
    s.locatorPrompt = "Descripción:"_cp;
    s.columns = {column("ESP:Cod_Especialidad", "Código"_cp, "@n6", 24),
                 column("ESP:Descripcion", "Descripción"_cp, "@s40", 80)};
    s.activeBox = "Solo Especialidades Activas";
    s.activeTip = "Se muestran solamente las Especialidades Activas?";
    s.activeCondition = "ESP:Inactiva = 0";
    s.activeAtStart = true;
    s.search = oldSearch();
    s.queryName = "ExaminarEspecialidades";
    s.closeTip = "Cierra la ventana";
    s.exported = exportOf(9, "1,2,", {{"Código"_cp, "@n6"}, {"Descripción"_cp, "@s40"}}, {}, 1);
    s.form = &FormularioEspecialidades;
    specs.push_back(std::move(s));
  }
  {
    CatalogListSpec s;
    s.procedure = "ExaminarFeriados";
    s.table = &core::Feriados::def;
    s.title = "Examinando el archivo de Feriados";
    s.tab = "Por Fecha";
    s.key = core::Feriados::FER03;
    s.columns = {column("FER:Cod_Feriado", "Cod.", "@n6", 28, ColumnAlign::Right),
                 column("FER:Fecha", "Fecha", "@d17", 54, ColumnAlign::Right),
                 column("FER:Descripcion", "Descripción"_cp, "@s80", 80)};
    s.listTip = "Examinando el archivo de Feriados";
    s.queryName = "ExaminarFeriados";
    s.wording = Wording::Short;
    s.closeText = "Cerrar";
    s.closeTip = "Cancela las acciones y cierra la ventana";
    s.closeStatus = "Cancela y cierra.";
    s.closeAlwaysCancels = true;
    s.exported =
        exportOf(8, "1,2,3,", {{"Cod.", "@n6"}, {"Fecha", "@d17"}, {"Descripción"_cp, "@s80"}},
                 "Administrator the Feriados", 0);
    s.form = &FormularioFeriados;
    specs.push_back(std::move(s));
  }
  {
    CatalogListSpec s;
    s.procedure = "ExaminarOcupaciones";
    s.table = &core::Ocupaciones::def;
    s.title = "Examinando el archivo de Ocupaciones";
    s.tab = "Por Descripción"_cp;
    s.key = core::Ocupaciones::OCU02;
    s.locator = "OCU:Descripcion";
    s.locatorPrompt = "Descripción:"_cp;
    s.columns = {column("OCU:Cod_Ocupacion", "Cod.", "@n6", 28, ColumnAlign::Right),
                 column("OCU:Descripcion", "Descripción"_cp, "@s60", 80),
                 column("OCU:Inactivo", "Inactivo", "@n3", 0, ColumnAlign::Right)};
    s.listTip = "Examinando el archivo de Ocupaciones";
    s.activeBox = "Solo registros activos:";
    s.activeCondition = "OCU:Inactivo = 0";
    s.activeAtStart = false;
    s.search = core::ListSearchSettings{{}, kNoMore, kNoCriteria, "Buscar"};
    s.queryName = "ExaminarOcupaciones";
    s.wording = Wording::Short;
    s.closeTip = s.closeStatus = "Cerrar la ventana";
    s.exported =
        exportOf(7, "1,2,3,", {{"Cod.", "@n6"}, {"Descripción"_cp, "@s60"}, {"Inactivo", "@n3"}},
                 "Administrator the Ocupaciones", 0);
    s.form = &FormularioOcupaciones;
    specs.push_back(std::move(s));
  }
  {
    CatalogListSpec s;
    s.procedure = "ExaminarTiposConsulta";
    s.table = &core::TiposConsultas::def;
    s.title = "Examinando el archivo de TiposConsultas";
    s.tab = "Por Descripción"_cp;
    s.key = core::TiposConsultas::TIC02;
    s.locator = "TIC:Descripcion";
    s.locatorPrompt = "Descripción:"_cp;
    s.locatorCharacters = 50;
    ListColumn described = column("TIC:Descripcion", "Descripción"_cp, "@s50", 80);
    described.colored = true;
    ListColumn colour = column("TIC:Color", "Color", "@n13", 0);
    colour.fixed = true;
    s.columns = {column("TIC:Cod_TipoConsulta", "Cod.", "@n6", 28, ColumnAlign::Right), described,
                 colour};
    s.listTip = "Examinando el archivo de TiposConsultas";
    s.search = core::ListSearchSettings{{}, kNoMore, kNoCriteria, "Buscar"};
    s.queryName = "ExaminarTiposConsulta";
    s.wording = Wording::Short;
    s.closeTip = s.closeStatus = "Cerrar la ventana";
    s.exported = exportOf(8, "1,2,7,",
                          {{"Cod.", "@n6"}, {"Descripción"_cp, "@s50"}, {"Color", "@n13"}}, {}, 0);
    s.colourField = "TIC:Color";
    s.form = &FormularioTiposConsulta;
    specs.push_back(std::move(s));
  }
  {
    CatalogListSpec s;
    s.procedure = "ExaminarCoberturas";
    s.table = &core::Coberturas_Medicas::def;
    s.title = "Archivo de Coberturas Médicas"_cp;
    s.tab = "Por Nombre:";
    s.key = core::Coberturas_Medicas::COB_002;
    s.locator = "COB:Descripcion";
    s.locatorPrompt = "Cobertura:";
    s.columns = {column("COB:Cod_Cobertura", "Código"_cp, "@n6", 33),
                 column("COB:Descripcion", "Cobertura Médica"_cp, "@s90", 65)};
    s.activeBox = "Solo Coberturas Activas";
    s.activeTip = "Se muestran solamente las Coberturas Médicas?"_cp;
    s.activeCondition = "COB:Inactivo = 0";
    s.activeAtStart = true;
    s.search = core::ListSearchSettings{{}, kNoMore, kNoCriteriaOld, "Error"};
    s.queryButton = "C&onsulta";
    s.queryName = "Examinar_Coberturas";
    s.closeTip = "Cierra la ventana";
    s.exported =
        exportOf(8, "1,2,", {{"Código"_cp, "@n6"}, {"Cobertura Médica"_cp, "@s90"}}, {}, 0);
    s.form = &FormularioCobertura;
    specs.push_back(std::move(s));
  }
  {
    CatalogListSpec s;
    s.procedure = "ExaminarProvincia";
    s.table = &core::Provincias::def;
    s.title = "Examinando el archivo de Provincias";
    s.tab = "Por Provincia:";
    s.key = core::Provincias::PRV02;
    s.locator = "PRV:Provincia";
    s.locatorPrompt = "Provincia:";
    s.columns = {column("PRV:Cod_Provincia", "Código"_cp, "@n2_", 24),
                 column("PRV:Provincia", "Provincia", "@s30", 80)};
    s.search = oldSearch();
    s.queryButton = "C&onsulta";
    s.queryName = "ExaminarProvincia";
    s.closeTip = "Cierra la ventana";
    s.form = &FormularioProvincia;
    specs.push_back(std::move(s));
  }
  {
    CatalogListSpec s;
    s.procedure = "ExaminarLocalidades";
    s.table = &core::Localidades::def;
    s.title = "Examinando el archivo de Localidades";
    s.tab = "Por Localidad:";
    s.key = core::Localidades::LOC03;
    s.locator = "LOC:NombreLocalidad";
    s.locatorPrompt = "Localidad:";
    s.columns = {column("LOC:Cod_Postal", "Cód. Pos."_cp, "@S10", 40, ColumnAlign::Right),
                 column("LOC:NombreLocalidad", "Localidad", "@s50", 140),
                 column("PRV:Provincia", "Provincia", "@s30", 120)};
    s.search = oldSearch();
    s.queryButton = "C&onsulta";
    s.queryName = "ExaminarLocalidades";
    s.closeTip = "Cierra la ventana";
    s.joined = &core::Provincias::def;
    s.joinKey = core::Provincias::PRV01;
    s.joinLinks = {"LOC:Cod_Provincia"};
    s.form = &FormularioLocalidades;
    specs.push_back(std::move(s));
  }
  return specs;
}

const std::vector<CatalogListSpec>& specs() {
  static const std::vector<CatalogListSpec> all = makeSpecs();
  return all;
}

// The list manager of the consultation types: each description in the type's
// own colour on white, selected or not.
class ColouredBrowser : public core::ListBrowser {
 public:
  ColouredBrowser(rt::WindowDriver& window, QTableView* list, const rt::TableDef& def,
                  std::string colourField)
      : core::ListBrowser(window, list, def), def_(def), colour_(def.fieldIndex(colourField)) {}

  core::ListRow SetQueueRecord(std::int64_t position) override {
    core::ListRow row = core::ListBrowser::SetQueueRecord(position);
    const auto colour = static_cast<std::int32_t>(
        rt::fieldNumber(def_.fields[colour_], rt::table(def_).record()) & 0xFFFFFF);
    for (std::size_t c = 0; c < row.colours.size(); ++c) {
      if (!columns()[columnIndex(c)].colored) continue;
      row.colours[c] = core::CellColours{colour, 0xFFFFFF, colour, 0xFFFFFF};
    }
    return row;
  }

 private:
  // The list column of the c-th shown column.
  std::size_t columnIndex(std::size_t shown) const {
    std::size_t n = 0;
    for (std::size_t i = 0; i < columns().size(); ++i) {
      if (columns()[i].title.empty()) continue;
      if (n++ == shown) return i;
    }
    return 0;
  }
  const rt::TableDef& def_;
  int colour_;
};

}  // namespace

ListColumn listColumn(const char* field, const char* title, const char* picture, int width,
                      ColumnAlign align) {
  ListColumn c;
  c.field = field;
  c.title = title;
  c.picture = picture;
  c.width = width;
  c.align = align;
  return c;
}

const CatalogListSpec* catalogList(std::string_view procedure) {
  for (const CatalogListSpec& s : specs()) {
    if (rt::sameName(s.procedure, procedure)) return &s;
  }
  return nullptr;
}

CatalogList::CatalogList(const CatalogListSpec& spec)
    : core::ListWindow(spec.procedure, spec.table()), spec_(spec) {}

std::unique_ptr<core::ListBrowser> CatalogList::makeBrowser(QTableView* list) {
  if (spec_.colourField.empty()) return core::ListWindow::makeBrowser(list);
  return std::make_unique<ColouredBrowser>(*this, list, spec_.table(), spec_.colourField);
}

QWidget* CatalogList::buildWindow() {
  const bool full = spec_.wording == Wording::Full;
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle(rt::toQString(spec_.title));
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  QLabel* hint = nullptr;
  if (spec_.search) {
    hint = new QLabel(rt::toQString(kHint), window);
    hint->setObjectName("?PROMPT1");
  }
  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* page = new QWidget;
  sheet->addTab(page, rt::toQString(spec_.tab));
  auto* pageLayout = new QVBoxLayout(page);
  auto* top = new QHBoxLayout;
  if (!spec_.locator.empty()) {
    auto* prompt = new QLabel(rt::toQString(spec_.locatorPrompt), page);
    prompt->setObjectName("?LOCATORPROMPT");
    auto* locator = new QLineEdit(page);
    locator->setObjectName("?LOCATOR");
    locator->setMaximumWidth(units.x(4 * spec_.locatorCharacters + 8));
    top->addWidget(prompt);
    top->addWidget(locator);
  }
  top->addStretch();
  if (!spec_.activeBox.empty()) {
    auto* box = new QCheckBox(rt::toQString(spec_.activeBox), page);
    box->setObjectName("?SOLOACTIVOS");
    box->setChecked(spec_.activeAtStart);
    if (!spec_.activeTip.empty()) {
      box->setToolTip(rt::toQString(spec_.activeTip));
      box->setStatusTip(rt::toQString(spec_.activeTip));
    }
    top->addWidget(box);
  }
  pageLayout->addLayout(top);
  auto* list = new QTableView(page);
  list->setObjectName("?BROWSE:1");
  if (!spec_.listTip.empty()) list->setToolTip(rt::toQString(spec_.listTip));
  int width = 0;
  for (const core::ListColumn& c : spec_.columns) width += std::max(c.width, 0);
  list->setMinimumSize(units.size(std::max(width + 20, 200), 120));
  pageLayout->addWidget(list);

  const std::string queryTip =
      full ? "Edita las condiciones de Filtro para realizar consultas sobre la vista de base de "
             "datos actual"
           : "Ejecuta una consulta sobre la vista";
  const std::string queryStatus =
      full ? "Acceso al Subsistema de Consultas" : "Ejecuta una consulta sobre la vista";
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(core::namedButton(window, "?QUERY", spec_.queryButton.c_str(),
                                       queryTip.c_str(), queryStatus.c_str()));
  buttons->addStretch();
  if (full) {
    buttons->addWidget(core::namedButton(
        window, "?INSERT", "&Agregar",
        "Agrega un registro a la base de datos a traves del acceso al formulario correspondiente.",
        "Agregar un registro"));
    buttons->addWidget(core::namedButton(
        window, "?CHANGE", "&Modificar",
        "Accede a la ventana de Modificación con el registro actualmente resaltado"_cp,
        "Modifica el registro"));
    buttons->addWidget(core::namedButton(
        window, "?DELETE", "&Borrar",
        "Accede a la ventana de Eliminación con el registro actualmente resaltado"_cp,
        "Borra el registro seleccionado"));
  } else {
    buttons->addWidget(core::namedButton(window, "?INSERT", "&Agregar", "Agregar un Registro",
                                         "Agregar un Registro"));
    buttons->addWidget(core::namedButton(window, "?CHANGE", "&Modificar",
                                         "Modificar el Registro resaltado",
                                         "Modificar el Registro resaltado"));
    buttons->addWidget(core::namedButton(window, "?DELETE", "&Borrar",
                                         "Borrar el Registro resaltado",
                                         "Borrar el Registro resaltado"));
  }
  if (spec_.exported) buttons->addWidget(core::namedButton(window, "?EXPORTAR", "E&xportar"));
  if (full) {
    buttons->addWidget(core::namedButton(window, "?SELECT", "&Seleccionar",
                                         "Selecciona el ítem actualmente resaltado"_cp,
                                         "Selecciona el ítem"_cp));
  } else {
    buttons->addWidget(core::namedButton(window, "?SELECT", "&Seleccionar",
                                         "Seleccionar el Registro resaltado",
                                         "Seleccionar el Registro resaltado"));
  }
  buttons->addWidget(core::namedButton(window, "?CLOSE", spec_.closeText.c_str(),
                                       spec_.closeTip.c_str(), spec_.closeStatus.c_str()));

  auto* layout = new QVBoxLayout(window);
  if (hint) layout->addWidget(hint);
  layout->addWidget(sheet);
  layout->addLayout(buttons);
  return window;
}

void CatalogList::setUpBrowser(core::ListBrowser& b) {
  QWidget* window = b.list()->window();
  if (spec_.joined) b.AddJoin(spec_.joined(), spec_.joinKey, spec_.joinLinks);
  b.AddSortOrder(spec_.tab, spec_.key);
  if (!spec_.locator.empty()) {
    b.SetLocator(window->findChild<QLineEdit*>("?LOCATOR"), spec_.locator);
  }
  for (const core::ListColumn& c : spec_.columns) b.AddColumn(c);
  if (!spec_.activeBox.empty()) {
    setActiveFilter(window->findChild<QCheckBox*>("?SOLOACTIVOS"), spec_.activeCondition);
  }
  if (spec_.exported) {
    setExport(window->findChild<QPushButton*>("?EXPORTAR"), *spec_.exported);
  }
}

int CatalogList::TakeAccepted() {
  // The holidays list closes as cancelled, whatever its request.
  if (spec_.closeAlwaysCancels && field() != nullptr &&
      rt::fromQString(field()->objectName()) == "?CLOSE") {
    Response = rt::kCancelled;
    return rt::level::Fatal;
  }
  return core::ListWindow::TakeAccepted();
}

void CatalogList::callForm() {
  if (spec_.form) spec_.form();
}

int runCatalogList(std::string_view procedure) {
  const CatalogListSpec* spec = catalogList(procedure);
  if (spec == nullptr) return rt::kCancelled;
  return core::runWindow<CatalogList>(*spec);
}

int ExaminarEspecialidades() { return runCatalogList("ExaminarEspecialidades"); }
int ExaminarFeriados() { return runCatalogList("ExaminarFeriados"); }
int ExaminarOcupaciones() { return runCatalogList("ExaminarOcupaciones"); }
int ExaminarTiposConsulta() { return runCatalogList("ExaminarTiposConsulta"); }
int ExaminarCoberturas() { return runCatalogList("ExaminarCoberturas"); }
int ExaminarProvincia() { return runCatalogList("ExaminarProvincia"); }
int ExaminarLocalidades() { return runCatalogList("ExaminarLocalidades"); }

}  // namespace catalogs
