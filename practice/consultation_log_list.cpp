#include "practice/consultation_log_list.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace practice {
namespace {

core::ExportSpec logExport() {
  return {6,
          "1,2,3,4,5,6,7,8,9,10,",
          {{"Cod Log Consulta", "@n-14"},
           {"Cod Consulta", "@n13"},
           {"Fecha", "@d17"},
           {"Hora", "@t7"},
           {"Operacion", "@s15"},
           {"Operacion", "@s1"},
           {"Usuario", "@s60"},
           {"Fecha", "@d17"},
           {"Motivo", "@s120"},
           {"Nombre", "@s90"}},
          "Administrator the LogConsultas",
          0};
}

}  // namespace

std::string operationWord(std::string_view letter) {
  if (letter == "A") return "Alta";
  if (letter == "M") return "Modificación"_cp;
  if (letter == "B") return "Baja";
  if (letter == "V") return "Visualización"_cp;
  return "Indeterminada";
}

ConsultationLogList::ConsultationLogList(std::uint32_t consultation)
    : core::ListWindow("ExaminarLogConsulta", core::LogConsultas::def()),
      consultation_(consultation) {}

QWidget* ConsultationLogList::buildWindow() {
  const auto [window, sheet, byDate] = core::formSheet("Examinando el archivo de Log de Consultas",
                                                       "Por Fecha y Hora (Inverso)", Qt::Window);
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto shown = [&](const char* name) { return core::shownEntry(byDate, name); };
  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel("Paciente:", byDate));
  head->addWidget(shown("?PAC:NOMBRE"), 2);
  head->addWidget(new QLabel("Consulta:", byDate));
  QLineEdit* date = shown("?CON:FECHA");
  date->setMaximumWidth(units.x(50));
  head->addWidget(date);
  head->addWidget(shown("?CON:MOTIVO"), 2);
  auto* list = new QTableView(byDate);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(400, 140));
  auto* tab = new QVBoxLayout(byDate);
  tab->addLayout(head);
  tab->addWidget(list);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(core::namedButton(window, "?EXPORT", "E&xportar"));
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar", "Cerrar la ventana"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet);
  layout->addLayout(buttons);
  return window;
}

void ConsultationLogList::setUpBrowser(core::ListBrowser& b) {
  // The patient is read through the consultation, and may not be open here.
  patientsOpened_ = core::relate(core::Pacientes::def()).open() == core::level::Benign;
  core::relate(core::Consultas::def()).open();
  core::relate(core::Usuarios::def()).open();
  b.AddSortOrder({}, core::LogConsultas::LCN04);
  b.SetRange([code = consultation_] { return static_cast<std::int64_t>(code); });
  b.AddJoin(core::Consultas::def(), core::Consultas::CON01, {"LCN:Cod_Consulta"});
  b.AddJoin(core::Pacientes::def(), core::Pacientes::PAS_001, {"CON:Cod_Paciente"});
  b.AddJoin(core::Usuarios::def(), core::Usuarios::USU01, {"LCN:Cod_Usuario"});
  using core::ColumnAlign;
  using core::ListColumn;
  b.AddColumn(ListColumn{"LCN:Cod_LogConsulta", "Cod Log Consulta", "@n-14", 0, 0});
  b.AddColumn(ListColumn{"LCN:Cod_Consulta", "Cod Consulta", "@n13", 0, 0});
  b.AddColumn(ListColumn{"LCN:Fecha", "Fecha", "@d17", 0, 45, ColumnAlign::Center});
  b.AddColumn(ListColumn{"LCN:Hora", "Hora", "@t7", 0, 30, ColumnAlign::Center});
  ListColumn word{"LCN:Operacion", "Operacion", "@s15", 0, 60, ColumnAlign::Center};
  word.shownAs = [](std::string letter) { return operationWord(letter); };
  word.searchName = "Operacion";
  b.AddColumn(word);
  b.AddColumn(ListColumn{"LCN:Operacion", "Operacion", "@s1", 0, 0});
  b.AddColumn(ListColumn{"USU:Nombre_Usuario", "Usuario", "@s60", 0, 240});
  b.AddColumn(ListColumn{"CON:Fecha", "Fecha", "@d17", 0, 0});
  b.AddColumn(ListColumn{"CON:Motivo", "Motivo", "@s120", 0, 0});
  b.AddColumn(ListColumn{"PAC:Nombre", "Nombre", "@s90", 0, 0});
  b.AddHiddenColumn("CON:Cod_Consulta");
  b.AddHiddenColumn("PAC:Cod_Paciente");
  setExport(b.list()->window()->findChild<QPushButton*>("?EXPORT"), logExport());
}

void ConsultationLogList::OwnSetup() {
  // The reads filled the buffers with the consultation's own patient and
  // data; with no entry they hold the caller's.
  control<QLineEdit>("?PAC:NOMBRE")->setText(rt::toQString(core::PAC().Nombre.clipped()));
  control<QLineEdit>("?CON:FECHA")->setText(core::shownDate(core::CON().Fecha));
  control<QLineEdit>("?CON:MOTIVO")->setText(rt::toQString(core::CON().Motivo.clipped()));
}

int ConsultationLogList::Kill() {
  const int result = core::ListWindow::Kill();
  if (patientsOpened_) core::relate(core::Pacientes::def()).close();
  patientsOpened_ = false;
  core::relate(core::Consultas::def()).close();
  core::relate(core::Usuarios::def()).close();
  return result;
}

std::optional<core::ListSearchSettings> ConsultationLogList::searchSettings() const {
  return core::ListSearchSettings{
      {}, "No hay más ocurrencias."_cp, "No se ha definido el criterio de busqueda.", "Error"};
}

int ExaminarLogConsulta(std::uint32_t consultation) {
  return core::runWindow<ConsultationLogList>(consultation);
}

}  // namespace practice
