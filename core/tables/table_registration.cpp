#include "core/tables/table_registration.h"

#include <stdexcept>

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_messages.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/data/maintenance.h"
#include "platform/data/structure_versions.h"
#include "platform/data/table.h"
#include "platform/data/table_status.h"

namespace core {
namespace {

// The labels of the bad tables, separated by commas.
std::vector<std::string> badTables() {
  std::vector<std::string> labels;
  std::string value = rt::getIni(kTableCheckSection, kBadFileEntry);
  std::size_t start = 0;
  while (start <= value.size()) {
    const std::size_t comma = value.find(',', start);
    const std::string label(rt::clip(std::string_view(value).substr(
        start, comma == std::string::npos ? std::string::npos : comma - start)));
    const std::size_t first = label.find_first_not_of(' ');
    if (first != std::string::npos) labels.push_back(label.substr(first));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return labels;
}

void recordHealth(const rt::TableDef& def, bool bad) {
  std::vector<std::string> labels = badTables();
  bool listed = false;
  for (auto it = labels.begin(); it != labels.end();) {
    if (rt::sameName(*it, def.label)) {
      listed = true;
      if (!bad) {
        it = labels.erase(it);
        continue;
      }
    }
    ++it;
  }
  if (bad == listed) return;
  if (bad) labels.push_back(def.label);
  std::string value;
  for (const std::string& label : labels) value += (value.empty() ? "" : ",") + label;
  rt::putIni(kTableCheckSection, kBadFileEntry, value);
}

}  // namespace

const std::vector<const rt::TableDef*>& registeredTables() {
  static const std::vector<const rt::TableDef*> tables = {&Adjuntos::def(),
                                                          &Agenda::def(),
                                                          &AgendaRecordatoria::def(),
                                                          &Coberturas_Medicas::def(),
                                                          &Consultas::def(),
                                                          &Copia_Consultas::def(),
                                                          &Copia_Medicos::def(),
                                                          &Copia_Planillas::def(),
                                                          &Copia_TiposConsultas::def(),
                                                          &Copia_Turnos::def(),
                                                          &Especialidades::def(),
                                                          &Feriados::def(),
                                                          &Localidades::def(),
                                                          &LogConsultas::def(),
                                                          &Macros::def(),
                                                          &Medicos::def(),
                                                          &Notas::def(),
                                                          &NotasMacros::def(),
                                                          &Ocupaciones::def(),
                                                          &Pacientes::def(),
                                                          &Planilla::def(),
                                                          &PlanillaHorarios::def(),
                                                          &Provincias::def(),
                                                          &RubrosAgenda::def(),
                                                          &Temas::def(),
                                                          &TiposConsultas::def(),
                                                          &Turnos::def(),
                                                          &Usuarios::def(),
                                                          &KovSaveC::def(),
                                                          &KovSaveD::def()};
  return tables;
}

const rt::TableDef& registeredTable(std::string_view label) {
  for (const rt::TableDef* def : registeredTables()) {
    if (def->label == label) return *def;
  }
  throw std::logic_error("no table named " + std::string(label));
}

bool reportDamagedDataFiles(const std::filesystem::path& folder) {
  std::string problems;
  const std::vector<const rt::DataFile*> files = {&mainDataFile(), &clinicalDataFile(),
                                                  &agendaDataFile()};
  for (const rt::DataFile* file : files) {
    std::string problem = rt::dataFileProblem(folder, *file, files);
    if (problem.empty()) problem = rt::refusalOf(*file);
    if (problem.empty()) continue;
    problems += problem + "|";
    for (const rt::TableDef* def : registeredTables()) {
      if (def->file == file) recordHealth(*def, true);
    }
  }
  if (problems.empty()) return false;
  rt::MessageRequest message;
  message.caption = "Archivo de datos dañado"_cp;
  message.icon = rt::MessageIcon::Error;
  message.text =
      problems +
      "|El programa se cerrará sin modificar los archivos. Al volver a iniciarlo se abrirá el "
      "Administrador de Archivos para revisarlos, o restaure el último respaldo."_cp;
  rt::showMessage(message);
  return true;
}

bool openMaintenanceForRecordedDamage() {
  if (badTables().empty()) return false;
  rt::callProcedure("RuntimeFileManager");
  return true;
}

void reportDamagedDataFile(const rt::DataFile& file) {
  for (const rt::TableDef* def : registeredTables()) {
    if (def->storage().file == &file) recordHealth(*def, true);
  }
  rt::MessageRequest message;
  message.caption = "Archivo de datos dañado"_cp;
  message.icon = rt::MessageIcon::Error;
  message.text = "El archivo de datos " + file.fileName +
                 " está dañado: no se pudo leer una parte de él.|Guarde lo que esté haciendo y "
                 "salga del programa; al volver a iniciarlo se abrirá el Administrador de "
                 "Archivos para revisarlo, o restaure el último respaldo."_cp;
  rt::showMessage(message);
}

// Keys SQLite found damaged: said, rebuilt, and when that fails said again
// and the tables recorded for table maintenance.
bool rebuildDamagedKeys(const rt::TableDef& storage) {
  std::string label = storage.label;
  for (const rt::TableDef* def : registeredTables()) {
    if (&def->storage() == &storage) {
      label = def->label;
      break;
    }
  }
  showTableMessage(TableMessage::InvalidKey, MessageFill().File(label));
  if (rt::rebuildTableKeys(storage) == 0) return true;
  showTableMessage(TableMessage::KeyNotRebuilt,
                   MessageFill().File(label).ErrorText(rt::errorDescription()));
  for (const rt::TableDef* def : registeredTables()) {
    if (&def->storage() == &storage) recordHealth(*def, true);
  }
  return false;
}

void registerTables() {
  registeredTables();
  rt::setTableHealthHook(recordHealth);
  rt::setDamagedFileHook(reportDamagedDataFile);
  rt::setDamagedKeysHook(rebuildDamagedKeys);
  if (!badTables().empty()) rt::callProcedure("RuntimeFileManager");
}

int openAllTables() {
  for (const rt::TableDef* def : registeredTables()) {
    if (const int error = rt::table(*def).open()) return error;
  }
  return 0;
}

void closeAllTables() {
  for (const rt::TableDef* def : registeredTables()) rt::table(*def).close();
}

}  // namespace core
