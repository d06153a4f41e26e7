#pragma once
// The clinical tables: patients, consultations and their attachments and
// access log, physicians with their schedule sheets, appointments, and the
// second cursors on them.
#include "core/tables/table_macros.h"
#include "platform/base/cp_literal.h"

#define VARNETA_PACIENTES(F, C, K, M)                                                      \
  F(rt::UShort, Cod_Paciente)                                                              \
  F(rt::String<90>, Nombre)                                                                \
  F(rt::String<20>, TipoDoc)                                                               \
  F(rt::ULong, NroDoc)                                                                     \
  F(rt::DateField, Fecha_Nacim)                                                            \
  F(rt::String<90>, Direccion)                                                             \
  F(rt::ULong, Cod_Postal)                                                                 \
  F(rt::String<90>, Telefono)                                                              \
  F(rt::String<20>, Telefono2)                                                             \
  F(rt::String<20>, Telefono3)                                                             \
  F(rt::String<90>, Email)                                                                 \
  F(rt::UShort, Cod_Cobertura)                                                             \
  F(rt::String<4>, Grupo_San)                                                              \
  F(rt::DateField, Fecha_Consulta)                                                         \
  F(rt::String<90>, Motivo_Consulta)                                                       \
  F(rt::Byte, Inactivo)                                                                    \
  F(rt::String<30>, NroCarnetObraSocial)                                                   \
  F(rt::DateField, Fecha_Primer_Consulta)                                                  \
  F(rt::UShort, Cod_Ocupacion)                                                             \
  F(rt::String<20>, AuxImportacion)                                                        \
  K(PAS_001, "Cod_Paciente", Primary, kNoCaseSkipsEmpty, "Por código de paciente"_cp, 1)   \
  K(PAS_002, "Nombre", Duplicates, kNoCaseSkipsEmpty, "Por nombre", 0)                     \
  K(PAS_003, "Cod_Postal", Duplicates, kNoCaseSkipsEmpty, "Por Código Postal"_cp, 0)       \
  K(PAS_004, "Cod_Cobertura", Duplicates, kNoCaseSkipsEmpty, "Por Cobertura Médica"_cp, 0) \
  K(PAS_005, "Cod_Ocupacion", Duplicates, kOpenCase, "Ocupación"_cp, 0)                    \
  K(PAS_006, "AuxImportacion", Duplicates, kNoCaseSkipsEmpty, "AuxImportacion", 0)         \
  M(Ant_Personales, 1000)                                                                  \
  M(Ant_Familiares, 1000)                                                                  \
  M(Notas, 1000)

#define VARNETA_CONSULTAS(F, C, K, M)                                                  \
  F(rt::ULong, Cod_Consulta)                                                           \
  F(rt::UShort, Cod_Paciente)                                                          \
  F(rt::UShort, Cod_Medico)                                                            \
  F(rt::ULong, Cod_Turno)                                                              \
  F(rt::DateField, Fecha)                                                              \
  F(rt::String<120>, Motivo)                                                           \
  F(rt::UShort, Cod_TipoConsulta)                                                      \
  K(CON01, "Cod_Consulta", Primary, kNoCaseSkipsEmpty, "Codigo", 1)                    \
  K(CON02, "Cod_Paciente", Duplicates, kNoCaseSkipsEmpty, "Paciente", 0)               \
  K(CON03, "Cod_Paciente,Fecha", Duplicates, kNoCaseSkipsEmpty, "Paciente y Fecha", 0) \
  K(CON05, "Fecha", Duplicates, kNoCaseSkipsEmpty, "Fecha", 0)                         \
  K(CON06, "Cod_Medico", Duplicates, kNoCaseSkipsEmpty, "Cod. Medico", 0)              \
  K(CON07, "Cod_Turno", Duplicates, kNoCaseSkipsEmpty, "Turno", 0)                     \
  K(CON08, "Cod_TipoConsulta", Duplicates, kOpenCase, "Tipo de Consulta", 0)           \
  M(Notas, 25000)

#define VARNETA_ADJUNTOS(F, C, K, M)                                       \
  F(rt::ULong, CodAdjunto)                                                 \
  F(rt::ULong, Cod_Consulta)                                               \
  F(rt::String<255>, Archivo_Adjunto)                                      \
  F(rt::String<120>, Comentario)                                           \
  K(ADJ01, "CodAdjunto", Primary, kNoCaseSkipsEmpty, "Codigo Interno", 1)  \
  K(ADJ02, "Cod_Consulta", Duplicates, kNoCaseSkipsEmpty, "Tema", 0)       \
  K(ADJ03, "Archivo_Adjunto", Duplicates, kNoCaseSkipsEmpty, "Archivo", 0) \
  M(Notas, 1000)

#define VARNETA_LOG_CONSULTAS(F, C, K, M)                                    \
  F(rt::Long, Cod_LogConsulta)                                               \
  F(rt::ULong, Cod_Consulta)                                                 \
  F(rt::UShort, Cod_Usuario)                                                 \
  F(rt::DateField, Fecha)                                                    \
  F(rt::TimeField, Hora)                                                     \
  F(rt::String<1>, Operacion)                                                \
  K(LCN01, "Cod_LogConsulta", Primary, kNoCaseSkipsEmpty, "Cod. Interno", 1) \
  K(LCN02, "Cod_Consulta", Duplicates, kNoCaseSkipsEmpty, "Consulta", 0)     \
  K(LCN03, "Cod_Usuario", Duplicates, kNoCaseSkipsEmpty, "Usuario", 0)       \
  K(LCN04, "Cod_Consulta,-Fecha,-Hora", Duplicates, kNoCaseSkipsEmpty, "Vista", 0)

#define VARNETA_MEDICOS(F, C, K, M)                                              \
  F(rt::UShort, Cod_Medico)                                                      \
  F(rt::String<80>, Nombre)                                                      \
  F(rt::String<80>, Domicilio)                                                   \
  F(rt::ULong, Cod_Postal)                                                       \
  F(rt::String<20>, Telefono_1)                                                  \
  F(rt::String<20>, Telefono_2)                                                  \
  F(rt::String<20>, Telefono_3)                                                  \
  F(rt::String<20>, Matricula)                                                   \
  F(rt::String<80>, Email)                                                       \
  F(rt::UShort, Cod_Especialidad)                                                \
  F(rt::Byte, Inactivo)                                                          \
  K(MDC01, "Cod_Medico", Primary, kNoCaseSkipsEmpty, "Codigo", 1)                \
  K(MDC02, "Nombre", Duplicates, kNoCaseSkipsEmpty, "Nombre", 0)                 \
  K(MDC03, "Cod_Postal", Duplicates, kNoCaseSkipsEmpty, "Localidad", 0)          \
  K(MDC05, "Cod_Especialidad", Duplicates, kNoCaseSkipsEmpty, "Especialidad", 0) \
  M(Notas, 1000)

#define VARNETA_PLANILLA(F, C, K, M)                                                             \
  F(rt::ULong, CodPlanilla)                                                                      \
  F(rt::String<40>, DscPlanilla)                                                                 \
  F(rt::UShort, Cod_Medico)                                                                      \
  F(rt::Long, FecVigenciaDesde)                                                                  \
  F(rt::Long, FecVigenciaHasta)                                                                  \
  F(rt::TimeField, DurConsulta)                                                                  \
  F(rt::TimeField, DurSobreturno)                                                                \
  F(rt::Byte, PorHorario)                                                                        \
  F(rt::Byte, Generada)                                                                          \
  K(PLA01, "CodPlanilla", Primary, kNoCaseSkipsEmpty, "CodPlanilla", 1)                          \
  K(PLA02, "Cod_Medico", Duplicates, kNoCaseSkipsEmpty, "CodPersona", 0)                         \
  K(PLA04, "Cod_Medico,FecVigenciaDesde", Unique, kNoCaseSkipsEmpty, "CodPersona - Vigencia", 0) \
  K(PLA05, "Cod_Medico,-FecVigenciaDesde", Unique, kNoCaseSkipsEmpty, "CodPers-Vigencia DSC", 0)

#define VARNETA_PLANILLA_HORARIOS(F, C, K, M)                               \
  F(rt::ULong, CodInterno)                                                  \
  F(rt::ULong, CodPlanilla)                                                 \
  F(rt::UShort, DiaSemanaNro)                                               \
  F(rt::String<10>, DiaSemanaDsc)                                           \
  F(rt::Long, HrEntrada1)                                                   \
  F(rt::Long, HrSalida1)                                                    \
  F(rt::Long, HrEntrada2)                                                   \
  F(rt::Long, HrSalida2)                                                    \
  F(rt::Long, HrEntrada3)                                                   \
  F(rt::Long, HrSalida3)                                                    \
  F(rt::Long, HorasTrabajo)                                                 \
  K(PLH01, "CodInterno", Primary, kNoCaseSkipsEmpty, "CodInterno", 1)       \
  K(PLH02, "CodPlanilla", Duplicates, kNoCaseSkipsEmpty, "Cod Planilla", 0) \
  K(PLH03, "CodPlanilla,DiaSemanaNro", Unique, kNoCaseSkipsEmpty, "CodPlanilla - Nrodia", 0)

#define VARNETA_TURNOS(F, C, K, M)                                                           \
  F(rt::ULong, Cod_Turno)                                                                    \
  F(rt::UShort, Cod_Medico)                                                                  \
  F(rt::ULong, Cod_Paciente)                                                                 \
  F(rt::ULong, Cod_Consulta)                                                                 \
  F(rt::Long, Fecha)                                                                         \
  F(rt::Long, Hora)                                                                          \
  F(rt::TimeField, Duracion)                                                                 \
  F(rt::Byte, Nro_Orden)                                                                     \
  C(rt::UShort, Cod_Cobertura, "CodObrSoc")                                                  \
  F(rt::Byte, NoDisponible)                                                                  \
  F(rt::Byte, Confirmado)                                                                    \
  F(rt::String<80>, Motivo)                                                                  \
  F(rt::ULong, Nro_Absoluto)                                                                 \
  F(rt::String<3>, Tipo)                                                                     \
  F(rt::String<90>, Nombre)                                                                  \
  F(rt::String<90>, Telefono)                                                                \
  F(rt::Byte, Nro_Orden_Atencion)                                                            \
  F(Decimal5_2, Coseguro)                                                                    \
  K(TUR01, "Cod_Turno", Primary, kNoCaseSkipsEmpty, "Codigo Interno", 1)                     \
  K(TUR02, "Cod_Paciente", Duplicates, kNoCaseSkipsEmpty, "Paciente", 0)                     \
  K(TUR03, "Cod_Medico", Duplicates, kNoCaseSkipsEmpty, "Medico", 0)                         \
  K(TUR04, "Cod_Cobertura", Duplicates, kNoCaseSkipsEmpty, "Obra Social", 0)                 \
  K(TUR05, "Fecha,Cod_Medico", Duplicates, kNoCaseSkipsEmpty, "Filtro y Browse", 0)          \
  K(TUR06, "Fecha,Cod_Medico,Nro_Absoluto", Duplicates, kNoCaseSkipsEmpty, "Orden Ficha", 0) \
  K(TUR07, "Cod_Medico,Fecha,Hora", Duplicates, kNoCaseSkipsEmpty, "Med-Fecha-Hora", 0)      \
  K(TUR08, "Cod_Medico,Fecha", Duplicates, kNoCaseSkipsEmpty, "Medico - Fecha", 0)           \
  K(TUR09, "Cod_Consulta", Unique, kNoCaseSkipsEmpty, "Cod.Consulta", 0)                     \
  M(Notas, 1000)

namespace core {

VARNETA_DECLARE_TABLE(Pacientes, PAC, VARNETA_PACIENTES)
VARNETA_DECLARE_TABLE(Consultas, CON, VARNETA_CONSULTAS)
VARNETA_DECLARE_TABLE(Adjuntos, ADJ, VARNETA_ADJUNTOS)
VARNETA_DECLARE_TABLE(LogConsultas, LCN, VARNETA_LOG_CONSULTAS)
VARNETA_DECLARE_TABLE(Medicos, MDC, VARNETA_MEDICOS)
VARNETA_DECLARE_TABLE(Planilla, PLA, VARNETA_PLANILLA)
VARNETA_DECLARE_TABLE(PlanillaHorarios, PLH, VARNETA_PLANILLA_HORARIOS)
VARNETA_DECLARE_TABLE(Turnos, TUR, VARNETA_TURNOS)

VARNETA_DECLARE_SECOND_CURSOR(Copia_Turnos, C_TUR, Turnos)
VARNETA_DECLARE_SECOND_CURSOR(Copia_Consultas, C_CON, Consultas)
VARNETA_DECLARE_SECOND_CURSOR(Copia_Medicos, C_MDC, Medicos)
VARNETA_DECLARE_SECOND_CURSOR(Copia_Planillas, C_PLA, Planilla)

}  // namespace core
