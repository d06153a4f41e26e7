// Every relation between the tables, by parent, in the order each parent
// declares them. Lookups only open, close and join transactions with the
// table. Two relations run against the usual direction and are kept so:
// Localidades is the parent of Provincias, LogConsultas of Usuarios; each
// also guards its "child" (table_relations.h).
#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "core/tables/table_registration.h"
#include "core/tables/table_relations.h"

namespace core {
namespace {

struct Link {
  std::string_view parent, child;
};

struct Declared {
  std::string_view parent;
  std::string_view child;
  std::string_view childKey;  // empty for a lookup
  Link link;
  Rule onUpdate, onDelete;
};

constexpr Rule N = Rule::None, R = Rule::Restrict, C = Rule::Cascade;

// A province may not change through a locality: the pair has no update rule.
constexpr Declared kRelations[] = {
    {"Ocupaciones", "Pacientes", "PAS_005", {"Cod_Ocupacion", "Cod_Ocupacion"}, N, R},
    {"TiposConsultas", "Consultas", "CON08", {"Cod_TipoConsulta", "Cod_TipoConsulta"}, N, R},
    {"Especialidades", "Medicos", "MDC05", {"Cod_Especialidad", "Cod_Especialidad"}, N, R},
    {"Turnos", "Consultas", "CON07", {"Cod_Turno", "Cod_Turno"}, N, R},
    {"Turnos", "Medicos", "", {}, N, N},
    {"Turnos", "Coberturas_Medicas", "", {}, N, N},
    {"Turnos", "Pacientes", "", {}, N, N},
    {"Medicos", "Planilla", "PLA02", {"Cod_Medico", "Cod_Medico"}, N, R},
    {"Medicos", "Turnos", "TUR03", {"Cod_Medico", "Cod_Medico"}, N, R},
    {"Medicos", "Especialidades", "", {}, N, N},
    {"Medicos", "Consultas", "CON06", {"Cod_Medico", "Cod_Medico"}, N, R},
    {"Medicos", "Localidades", "", {}, N, N},
    {"Medicos", "NotasMacros", "NMA04", {"Cod_Medico", "Cod_Medico"}, N, R},
    {"Usuarios", "AgendaRecordatoria", "AGG04", {"Cod_Usuario", "Cod_Usuario"}, N, R},
    {"Usuarios", "LogConsultas", "", {}, N, N},
    {"Localidades", "Medicos", "MDC03", {"Cod_Postal", "Cod_Postal"}, N, R},
    {"Localidades", "Agenda", "AGE03", {"Cod_Postal", "Cod_Postal"}, N, R},
    {"Localidades", "Pacientes", "PAS_003", {"Cod_Postal", "Cod_Postal"}, C, R},
    {"Localidades", "Provincias", "PRV01", {"Cod_Provincia", "Cod_Provincia"}, N, R},
    {"Provincias", "Localidades", "", {}, N, N},
    {"Consultas", "Turnos", "", {}, N, N},
    {"Consultas", "Medicos", "", {}, N, N},
    {"Consultas", "Copia_Consultas", "CON02", {"Cod_Paciente", "Cod_Paciente"}, N, N},
    {"Consultas", "Adjuntos", "ADJ02", {"Cod_Consulta", "Cod_Consulta"}, N, C},
    {"Consultas", "Pacientes", "", {}, N, N},
    {"Consultas", "TiposConsultas", "", {}, N, N},
    {"Consultas", "LogConsultas", "LCN02", {"Cod_Consulta", "Cod_Consulta"}, N, N},
    {"Coberturas_Medicas", "Turnos", "TUR04", {"Cod_Cobertura", "Cod_Cobertura"}, N, R},
    {"Coberturas_Medicas", "Pacientes", "PAS_004", {"Cod_Cobertura", "Cod_Cobertura"}, C, R},
    {"RubrosAgenda", "Agenda", "AGE04", {"Cod_RubroAgenda", "Cod_RubroAgenda"}, N, R},
    {"Agenda", "Localidades", "", {}, N, N},
    {"Agenda", "RubrosAgenda", "", {}, N, N},
    {"AgendaRecordatoria", "Usuarios", "", {}, N, N},
    {"Adjuntos", "Consultas", "", {}, N, N},
    {"Planilla", "PlanillaHorarios", "PLH02", {"CodPlanilla", "CodPlanilla"}, N, R},
    {"Planilla", "Medicos", "", {}, N, N},
    {"PlanillaHorarios", "Planilla", "", {}, N, N},
    {"Pacientes", "Turnos", "TUR02", {"Cod_Paciente", "Cod_Paciente"}, N, R},
    {"Pacientes", "Consultas", "CON02", {"Cod_Paciente", "Cod_Paciente"}, N, R},
    {"Pacientes", "Localidades", "", {}, N, N},
    {"Pacientes", "Coberturas_Medicas", "", {}, N, N},
    {"Pacientes", "Ocupaciones", "", {}, N, N},
    {"Pacientes", "NotasMacros", "NMA03", {"Cod_Paciente", "Cod_Paciente"}, N, R},
    {"Copia_TiposConsultas",
     "Copia_Consultas",
     "CON08",
     {"Cod_TipoConsulta", "Cod_TipoConsulta"},
     N,
     R},
    {"Copia_Medicos", "Copia_Consultas", "CON06", {"Cod_Medico", "Cod_Medico"}, N, R},
    {"Copia_Consultas", "Copia_Medicos", "", {}, N, N},
    {"Copia_Consultas", "Consultas", "", {}, N, N},
    {"Copia_Consultas", "Copia_TiposConsultas", "", {}, N, N},
    {"LogConsultas", "Consultas", "", {}, N, N},
    {"LogConsultas", "Usuarios", "USU01", {"Cod_Usuario", "Cod_Usuario"}, N, R},
    {"NotasMacros", "Pacientes", "", {}, N, N},
    {"NotasMacros", "Medicos", "", {}, N, N},
};

int indexOrThrow(int index, std::string_view what) {
  if (index < 0) throw std::logic_error("relation names an unknown " + std::string(what));
  return index;
}

// Whether the relation links its child by the child's numbered code.
bool runsAgainstUsualDirection(const Declared& d) {
  if (d.childKey.empty()) return false;
  const rt::TableDef& child = registeredTable(d.child);
  const rt::KeyDef& key = child.keys[indexOrThrow(child.keyIndex(d.childKey), d.childKey)];
  return key.unique() && key.autoNumbered > 0 &&
         key.components[key.autoNumbered - 1].field ==
             indexOrThrow(child.fieldIndex(d.link.child), d.link.child);
}

// The first key of `def` that starts with `field`.
int keyStartingWith(const rt::TableDef& def, int field) {
  for (std::size_t k = 0; k < def.keys.size(); ++k) {
    if (def.keys[k].components[0].field == field) return static_cast<int>(k);
  }
  throw std::logic_error("no key of " + def.label + " finds the records naming another table");
}

// The guards of `def`: one per relation declared against the usual direction
// with `def` as its child, refusing the delete while the declaring table names
// the record.
std::vector<Relation> guardsOf(const rt::TableDef& def) {
  std::vector<Relation> guards;
  for (const Declared& d : kRelations) {
    if (d.child != def.label || !runsAgainstUsualDirection(d)) continue;
    const rt::TableDef& naming = registeredTable(d.parent);
    const int namingField = indexOrThrow(naming.fieldIndex(d.link.parent), d.link.parent);
    Relation g;
    g.child = &naming;
    g.childKey = keyStartingWith(naming, namingField);
    g.links.emplace_back(indexOrThrow(def.fieldIndex(d.link.child), d.link.child), namingField);
    g.onDelete = Rule::Restrict;
    g.namesByNumber = true;
    guards.push_back(std::move(g));
  }
  return guards;
}

}  // namespace

std::vector<Relation> declaredRelations(const rt::TableDef& def) {
  std::vector<Relation> guards = guardsOf(def);
  std::vector<Relation> relations;
  for (const Declared& d : kRelations) {
    if (d.parent != def.label) continue;
    Relation r;
    r.child = &registeredTable(d.child);
    if (!d.childKey.empty()) {
      r.childKey = indexOrThrow(r.child->keyIndex(d.childKey), d.childKey);
      r.links.emplace_back(indexOrThrow(def.fieldIndex(d.link.parent), d.link.parent),
                           indexOrThrow(r.child->fieldIndex(d.link.child), d.link.child));
      r.onUpdate = d.onUpdate;
      r.onDelete = d.onDelete;
    } else {
      const auto guard = std::find_if(guards.begin(), guards.end(),
                                      [&](const Relation& g) { return g.child == r.child; });
      if (guard != guards.end()) {
        r = std::move(*guard);
        guards.erase(guard);
      }
    }
    relations.push_back(std::move(r));
  }
  for (Relation& g : guards) relations.push_back(std::move(g));
  return relations;
}

}  // namespace core
