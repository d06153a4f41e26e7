#include "core/tables/clinical_tables.h"

#include <stdexcept>

#include "core/tables/data_files.h"
#include "platform/base/cp_literal.h"

namespace core {

// Stored under the disk names the tables have always had (without ".dat").
VARNETA_DEFINE_TABLE(Pacientes, PAC, VARNETA_PACIENTES, "Pacientes", "PACIENTE", mainDataFile(), 6,
                     591, "Base de Pacientes", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Consultas, CON, VARNETA_CONSULTAS, "Consultas", "Consulta", mainDataFile(), 10,
                     138, "Consultas realizadas por los pacientes", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Adjuntos, ADJ, VARNETA_ADJUNTOS, "Adjuntos", "ADJUNTOS", mainDataFile(), 2,
                     383, "Archivos Adjuntos a una Consulta", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(LogConsultas, LCN, VARNETA_LOG_CONSULTAS, "LogConsultas", "LogConsul",
                     clinicalDataFile(), 0, 19, "Log de Consultas (LPD)", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Medicos, MDC, VARNETA_MEDICOS, "Medicos", "medicos", mainDataFile(), 3, 329,
                     "Medicos que trabajarán con el sistema"_cp, VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Planilla, PLA, VARNETA_PLANILLA, "Planilla", "Planilla", clinicalDataFile(),
                     22, 64, "", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(PlanillaHorarios, PLH, VARNETA_PLANILLA_HORARIOS, "PlanillaHorarios", "PlaHor",
                     clinicalDataFile(), 27, 48, "", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Turnos, TUR, VARNETA_TURNOS, "Turnos", "Turnos", mainDataFile(), 16, 304,
                     "Turnos asignados a Pacientes", VARNETA_AS_DECLARED)

VARNETA_DEFINE_SECOND_CURSOR(Copia_Turnos, C_TUR, Turnos, "Copia_Turnos")
VARNETA_DEFINE_SECOND_CURSOR(Copia_Consultas, C_CON, Consultas, "Copia_Consultas")
VARNETA_DEFINE_SECOND_CURSOR(Copia_Medicos, C_MDC, Medicos, "Copia_Medicos")
VARNETA_DEFINE_SECOND_CURSOR(Copia_Planillas, C_PLA, Planilla, "Copia_Planillas")

}  // namespace core
