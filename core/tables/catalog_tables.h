#pragma once
// The tables besides the clinical records: reference catalogues, the office
// organiser, letters, users and the saved export layouts.
#include "core/tables/table_macros.h"
#include "platform/base/cp_literal.h"

#define VARNETA_FERIADOS(F, C, K, M)                                          \
  F(rt::UShort, Cod_Feriado)                                                  \
  F(rt::DateField, Fecha)                                                     \
  F(rt::String<80>, Descripcion)                                              \
  K(FER01, "Cod_Feriado", Primary, kNoCaseSkipsEmpty, "Código Interno"_cp, 1) \
  K(FER02, "Descripcion", Duplicates, kOpenCase, "Descripción"_cp, 0)         \
  K(FER03, "Fecha", Duplicates, kOpenCase, "Fecha", 0)

#define VARNETA_OCUPACIONES(F, C, K, M)                                      \
  F(rt::UShort, Cod_Ocupacion)                                               \
  F(rt::String<60>, Descripcion)                                             \
  F(rt::Byte, Inactivo)                                                      \
  K(OCU01, "Cod_Ocupacion", Primary, kNoCaseSkipsEmpty, "Codigo Interno", 1) \
  K(OCU02, "Descripcion", Duplicates, kOpenCase, "Descripción"_cp, 0)        \
  M(Notas, 1000)

#define VARNETA_TIPOS_CONSULTAS(F, C, K, M)                                \
  F(rt::UShort, Cod_TipoConsulta)                                          \
  F(rt::String<50>, Descripcion)                                           \
  F(rt::ULong, Color)                                                      \
  K(TIC01, "Cod_TipoConsulta", Primary, kOpenCase, "Código Interno"_cp, 1) \
  K(TIC02, "Descripcion", Duplicates, kOpenCase, "Descripción"_cp, 0)

#define VARNETA_ESPECIALIDADES(F, C, K, M)                                 \
  F(rt::UShort, Cod_Especialidad)                                          \
  F(rt::String<40>, Descripcion)                                           \
  F(rt::Byte, Inactiva)                                                    \
  K(ESP01, "Cod_Especialidad", Primary, kNoCaseSkipsEmpty, "Codigo", 1)    \
  K(ESP02, "Descripcion", Duplicates, kNoCaseSkipsEmpty, "Descripcion", 0) \
  M(Notas, 1000)

#define VARNETA_PROVINCIAS(F, C, K, M)                                             \
  F(rt::Short, Cod_Provincia)                                                      \
  F(rt::String<30>, Provincia)                                                     \
  K(PRV01, "Cod_Provincia", Primary, kNoCaseSkipsEmpty, "Cód. de Provincia"_cp, 1) \
  K(PRV02, "Provincia", Duplicates, kNoCaseSkipsEmpty, "Nombre de Provincia", 0)

#define VARNETA_LOCALIDADES(F, C, K, M)                                    \
  F(rt::ULong, Cod_Postal)                                                 \
  F(rt::String<50>, NombreLocalidad)                                       \
  F(rt::String<2>, Cod_Provincia)                                          \
  K(LOC01, "Cod_Postal", Primary, kNoCaseSkipsEmpty, "Codigo postal", 0)   \
  K(LOC02, "Cod_Provincia", Duplicates, kNoCaseSkipsEmpty, "Provincia", 0) \
  K(LOC03, "NombreLocalidad", Duplicates, kNoCaseSkipsEmpty, "Nombre de Localidad", 0)

#define VARNETA_COBERTURAS_MEDICAS(F, C, K, M)                                                     \
  F(rt::UShort, Cod_Cobertura)                                                                     \
  F(rt::String<90>, Descripcion)                                                                   \
  F(rt::Byte, Inactivo)                                                                            \
  K(COB_001, "Cod_Cobertura", Primary, kNoCaseSkipsEmpty, "Por código de Cobertura"_cp, 1)         \
  K(COB_002, "Descripcion", Duplicates, kNoCaseSkipsEmpty, "Por nombre de Cobertura Médica"_cp, 0) \
  M(Notas, 1000)

#define VARNETA_AGENDA(F, C, K, M)                                       \
  F(rt::UShort, Cod_Agenda)                                              \
  F(rt::String<40>, Nombre)                                              \
  F(rt::String<40>, Domicilio)                                           \
  F(rt::ULong, Cod_Postal)                                               \
  F(rt::String<20>, Telefono1)                                           \
  F(rt::String<20>, Telefono2)                                           \
  F(rt::String<20>, Telefono3)                                           \
  F(rt::String<60>, NombreContacto)                                      \
  F(rt::String<60>, Email)                                               \
  F(rt::Byte, Inactivo)                                                  \
  F(rt::UShort, Cod_RubroAgenda)                                         \
  K(AGE01, "Cod_Agenda", Primary, kNoCaseSkipsEmpty, "Codigo", 1)        \
  K(AGE02, "Nombre", Duplicates, kNoCaseSkipsEmpty, "Nombre", 0)         \
  K(AGE03, "Cod_Postal", Duplicates, kNoCaseSkipsEmpty, "Localidad", 0)  \
  K(AGE04, "Cod_RubroAgenda", Duplicates, kNoCaseSkipsEmpty, "Rubro", 0) \
  M(Notas, 1000)

#define VARNETA_RUBROS_AGENDA(F, C, K, M)                                      \
  F(rt::UShort, Cod_RubroAgenda)                                               \
  F(rt::String<60>, Descripcion)                                               \
  K(RAG01, "Cod_RubroAgenda", Primary, kNoCaseSkipsEmpty, "Codigo Interno", 1) \
  K(RAG02, "Descripcion", Duplicates, kNoCaseSkipsEmpty, "Descripcion", 0)     \
  M(Notas, 1000)

#define VARNETA_AGENDA_RECORDATORIA(F, C, K, M)                                      \
  F(rt::String<60>, Asunto)                                                          \
  F(rt::UShort, CodigoInterno)                                                       \
  F(rt::Byte, Prioridad)                                                             \
  F(rt::Byte, Completa)                                                              \
  F(rt::DateField, Fecha)                                                            \
  F(rt::TimeField, Hora)                                                             \
  F(rt::Byte, Alarma)                                                                \
  F(rt::UShort, Cod_Usuario)                                                         \
  K(AGG01, "Fecha,Hora", Duplicates, kNoCaseSkipsEmpty, "Por Fecha y Hora", 0)       \
  K(AGG00, "CodigoInterno", Primary, kNoCaseSkipsEmpty, "Por Codigo Interno", 1)     \
  K(AGG03, "Alarma", Duplicates, kNoCaseSkipsEmpty, "Por Alarma", 0)                 \
  K(AGG04, "Cod_Usuario", Duplicates, kNoCaseSkipsEmpty, "Usuario", 0)               \
  K(AGG06, "Alarma,Completa", Duplicates, kNoCaseSkipsEmpty, "Alarma , Completa", 0) \
  M(Notas, 1000)

#define VARNETA_TEMAS(F, C, K, M)                                                        \
  F(rt::ULong, NroInternoTema)                                                           \
  F(rt::DateField, Fecha)                                                                \
  F(rt::String<255>, Archivo_Adjunto)                                                    \
  F(rt::Byte, Inactivo)                                                                  \
  F(rt::TimeField, Hora)                                                                 \
  F(rt::String<120>, Asunto)                                                             \
  K(TEM_001, "NroInternoTema", Primary, kNoCaseSkipsEmpty, "Codigo interno del Tema", 1) \
  K(TEM_002, "Fecha", Duplicates, kNoCaseSkipsEmpty, "Fecha", 0)                         \
  K(TEM_006, "Fecha,Hora", Duplicates, kNoCaseSkipsEmpty, "Fecha y Hora", 0)             \
  M(Notas, 5000)

#define VARNETA_NOTAS(F, C, K, M)                                                   \
  F(rt::String<60>, Descripcion)                                                    \
  F(rt::UShort, CodigoInterno)                                                      \
  F(rt::String<255>, ArchivoAdjunto)                                                \
  K(TEX01, "CodigoInterno", Duplicates, kNoCaseSkipsEmpty, "Por Codigo Interno", 1) \
  K(TEX02, "Descripcion", Unique, kNoCaseSkipsEmpty, "Descripcion", 0)              \
  M(Nota, 10000)

#define VARNETA_MACROS(F, C, K, M)                                          \
  F(rt::UShort, Cod_Macro)                                                  \
  F(rt::Byte, Interna)                                                      \
  F(rt::String<80>, Descripcion)                                            \
  F(rt::String<20>, Identificador)                                          \
  F(rt::String<255>, Valor)                                                 \
  F(rt::Byte, ConservarValor)                                               \
  K(MAC01, "Cod_Macro", Primary, kNoCaseSkipsEmpty, "Código Interno"_cp, 1) \
  K(MAC04, "Interna", Duplicates, kOpenCase, "Interna", 0)                  \
  K(MAC02, "Descripcion", Duplicates, kOpenCase, "Descripción"_cp, 0)       \
  K(MAC03, "Identificador", Duplicates, kOpenCase, "Identificador", 0)

#define VARNETA_NOTAS_MACROS(F, C, K, M)                                \
  F(rt::UShort, Cod_NotaMacro)                                          \
  F(rt::String<120>, Descripcion)                                       \
  F(rt::String<10000>, Texto)                                           \
  F(rt::UShort, Cod_Paciente)                                           \
  F(rt::UShort, Cod_Medico)                                             \
  F(rt::Byte, Inactivo)                                                 \
  K(NMA01, "Cod_NotaMacro", Primary, kOpenCase, "Código Interno"_cp, 1) \
  K(NMA02, "Descripcion", Duplicates, kOpenCase, "Descripción"_cp, 0)   \
  K(NMA03, "Cod_Paciente", Duplicates, kOpenCase, "Paciente", 0)        \
  K(NMA04, "Cod_Medico", Duplicates, kOpenCase, "Medico", 0)

#define VARNETA_USUARIOS(F, C, K, M)                                       \
  F(rt::UShort, Cod_Usuario)                                               \
  F(rt::String<60>, Nombre_Usuario)                                        \
  F(rt::String<20>, Login_Usuario)                                         \
  F(rt::String<100>, Password_Usuario) /* its digest: password_digest.h */ \
  F(rt::Byte, NivelAcceso)                                                 \
  F(rt::Byte, Inactivo)                                                    \
  K(USU01, "Cod_Usuario", Primary, kNoCaseSkipsEmpty, "Codigo Interno", 1) \
  K(USU02, "Nombre_Usuario", Duplicates, kNoCaseSkipsEmpty, "Nombre", 0)   \
  K(USU03, "Login_Usuario", Duplicates, kNoCaseSkipsEmpty, "Login", 0)     \
  M(Notas, 1000)

#define VARNETA_KOV_SAVE_C(F, C, K, M)                         \
  F(rt::Long, ID)                                              \
  F(rt::String<50>, EPROCEDURE)                                \
  F(rt::String<50>, EAPLICATION)                               \
  F(rt::String<50>, ENAME)                                     \
  K(KOVC_PORID, "ID", Primary, kNoCaseSkipsEmpty, "Por Id", 1) \
  K(KOVC_PORNOMBRE, "EAPLICATION,EPROCEDURE,ENAME", Duplicates, kNoCaseSkipsEmpty, "Por Nombre", 0)

#define VARNETA_KOV_SAVE_DET(F, C, K, M)                            \
  F(rt::Long, ID)                                                   \
  F(rt::Short, ITEM)                                                \
  F(rt::String<50>, FIELDNAME)                                      \
  F(rt::String<1>, FIELDORDER)                                      \
  F(rt::Short, FIELDORDERNRO)                                       \
  F(rt::Short, FIELDTOTALING)                                       \
  F(rt::Long, FIELDID)                                              \
  K(KOVD_PORID, "ID,ITEM", Primary, kNoCaseSkipsEmpty, "Por Id", 2) \
  K(KOVD_BYORDER, "ID,FIELDORDER", Duplicates, kNoCaseSkipsEmpty, "Kov_D:KOVD_ByOrder", 0)

namespace core {

VARNETA_DECLARE_TABLE(Feriados, FER, VARNETA_FERIADOS)
VARNETA_DECLARE_TABLE(Ocupaciones, OCU, VARNETA_OCUPACIONES)
VARNETA_DECLARE_TABLE(TiposConsultas, TIC, VARNETA_TIPOS_CONSULTAS)
VARNETA_DECLARE_TABLE(Especialidades, ESP, VARNETA_ESPECIALIDADES)
VARNETA_DECLARE_TABLE(Provincias, PRV, VARNETA_PROVINCIAS)
VARNETA_DECLARE_TABLE(Localidades, LOC, VARNETA_LOCALIDADES)
VARNETA_DECLARE_TABLE(Coberturas_Medicas, COB, VARNETA_COBERTURAS_MEDICAS)
VARNETA_DECLARE_TABLE(Agenda, AGE, VARNETA_AGENDA)
VARNETA_DECLARE_TABLE(RubrosAgenda, RAG, VARNETA_RUBROS_AGENDA)
VARNETA_DECLARE_TABLE(AgendaRecordatoria, AGG, VARNETA_AGENDA_RECORDATORIA)
VARNETA_DECLARE_TABLE(Temas, TEM, VARNETA_TEMAS)
VARNETA_DECLARE_TABLE(Notas, TEX, VARNETA_NOTAS)
VARNETA_DECLARE_TABLE(Macros, MAC, VARNETA_MACROS)
VARNETA_DECLARE_TABLE(NotasMacros, NMA, VARNETA_NOTAS_MACROS)
VARNETA_DECLARE_TABLE(Usuarios, USU, VARNETA_USUARIOS)
VARNETA_DECLARE_TABLE(KovSaveC, KOV_C, VARNETA_KOV_SAVE_C)
VARNETA_DECLARE_TABLE(KovSaveD, KOV_D, VARNETA_KOV_SAVE_DET)

VARNETA_DECLARE_SECOND_CURSOR(Copia_TiposConsultas, C_TIC, TiposConsultas)

}  // namespace core
