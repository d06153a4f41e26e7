#include "core/tables/table_managers.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/frame/startup_hooks.h"
#include "core/tables/table_registration.h"
#include "platform/base/logical_threads.h"
#include "platform/base/procedures.h"

namespace core {
namespace {

// Built in this order and destroyed in the same one, the tables the second
// cursors name coming first. The activity-log file is a line file opened by
// name, not a keyed table, and has no managers.
constexpr std::string_view kGroupOne[] = {
    "Pacientes",      "PlanillaHorarios",   "Planilla",    "Adjuntos",
    "Notas",          "RubrosAgenda",       "Temas",       "AgendaRecordatoria",
    "Agenda",         "Coberturas_Medicas", "Consultas",   "Provincias",
    "Localidades",    "Usuarios",           "Medicos",     "Turnos",
    "Especialidades", "TiposConsultas",     "Ocupaciones", "Feriados"};
constexpr std::string_view kGroupTwo[] = {
    "NotasMacros",     "Macros",          "LogConsultas",  "kov::SaveC",           "kov::SaveDet",
    "Copia_Planillas", "Copia_Consultas", "Copia_Medicos", "Copia_TiposConsultas", "Copia_Turnos"};

struct ThreadManagers {
  std::vector<std::unique_ptr<TableRelations>> inOrder;
  std::map<const rt::TableDef*, TableRelations*> byTable;
};

std::map<rt::ThreadNumber, ThreadManagers>& allManagers() {
  static std::map<rt::ThreadNumber, ThreadManagers> managers;
  return managers;
}

ThreadManagers* own() {
  auto& all = allManagers();
  auto it = all.find(rt::currentThreadNumber());
  return it == all.end() ? nullptr : &it->second;
}

}  // namespace

void TableManagersInit() {
  ThreadManagers& m = allManagers()[rt::currentThreadNumber()];
  if (!m.inOrder.empty()) return;
  auto build = [&m](std::string_view label) {
    const rt::TableDef* def = &registeredTable(label);
    m.inOrder.push_back(std::make_unique<TableRelations>(std::make_unique<TableAccess>(*def)));
    m.byTable[def] = m.inOrder.back().get();
  };
  for (std::string_view label : kGroupOne) build(label);
  for (std::string_view label : kGroupTwo) build(label);
  // Second cursors are tied to the objects of the table they read.
  for (auto& relations : m.inOrder) {
    if (const rt::TableDef* base = relations->def().shares) {
      relations->setAlias(m.byTable.at(base));
    }
  }
}

void TableManagersKill() {
  auto& all = allManagers();
  auto it = all.find(rt::currentThreadNumber());
  if (it == all.end()) return;
  // Destroyed in the order they were made.
  for (auto& relations : it->second.inOrder) relations.reset();
  all.erase(it);
}

void registerTableManagers() {
  rt::registerProcedure(hook::TableManagersInit, [](const rt::ProcedureArgs&) {
    TableManagersInit();
    return rt::kCompleted;
  });
  rt::registerProcedure(hook::TableManagersKill, [](const rt::ProcedureArgs&) {
    TableManagersKill();
    return rt::kCompleted;
  });
}

TableRelations* relationsOf(const rt::TableDef& def) {
  ThreadManagers* m = own();
  if (m == nullptr) return nullptr;
  auto it = m->byTable.find(&def);
  return it == m->byTable.end() ? nullptr : it->second;
}

TableAccess* accessOf(const rt::TableDef& def) {
  TableRelations* r = relationsOf(def);
  return r ? &r->access() : nullptr;
}

TableRelations& relate(const rt::TableDef& def) {
  if (TableRelations* r = relationsOf(def)) return *r;
  throw std::logic_error("no table managers for " + def.label + " on this thread");
}

TableAccess& access(const rt::TableDef& def) { return relate(def).access(); }

}  // namespace core
