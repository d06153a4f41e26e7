#include "core/frame/backup_reminder.h"

#include "core/aids/warning_notice.h"
#include "core/frame/global_settings.h"
#include "core/frame/settings_store.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"

namespace core {

std::string backupIniFile() { return inProgramFolder("respaldo.ini"); }

bool backupReminderDue(rt::Date today, std::int64_t lastBackup, std::int64_t enabled) {
  if (lastBackup != 0 && today - lastBackup < 2) return false;
  return enabled == 1;
}

bool AvisoRespaldo() {
  const std::string ini = backupIniFile();
  const std::int64_t last = rt::textToNumber(rt::getIni("Respaldo", "Dia", "", ini));
  const std::int64_t enabled = rt::textToNumber(rt::getIni("Respaldo", "Habilitado", "0", ini));
  if (!backupReminderDue(rt::today(), last, enabled)) return false;
  warningNotice(
      "Para desbloquear el acceso al sistema se debe hacer |    un Backup de la base de "
      "datos del mismo",
      "Debe realizarse un respaldo");
  rt::callProcedure("Respaldo");
  return false;
}

const std::vector<std::string_view>& windowPositionSections() {
  static const std::vector<std::string_view> names = {"ExaminarPacientes",
                                                      "ReporteTurnos",
                                                      "AltaMacros",
                                                      "LimpiarAgenda",
                                                      "InicializaVariablesGlobales",
                                                      "ExaminarNotasConMacros",
                                                      "ExaminarUsuarios",
                                                      "FormularioUsuario",
                                                      "ExaminarEspecialidades",
                                                      "vsDoubleQuotes",
                                                      "ExaminarOcupaciones",
                                                      "ReporteCumpleanos",
                                                      "FormularioTemas",
                                                      "ExaminarConsultas",
                                                      "FormularioFeriados",
                                                      "FormularioOcupaciones",
                                                      "VentanaListadoCumples",
                                                      "TLSoporte",
                                                      "VentanaParametrosListado",
                                                      "FormularioNotas",
                                                      "ExaminarAgenda",
                                                      "FormularioNotasConMacros",
                                                      "FormularioLocalidades",
                                                      "ExaminarLocalidades",
                                                      "FormularioMedico",
                                                      "RuntimeFileManager",
                                                      "VentanaParametrosSistema",
                                                      "FormularioAdjuntos",
                                                      "EditaValor",
                                                      "ExaminarRubrosAgenda",
                                                      "AgregaLog",
                                                      "ProcesoAgenda",
                                                      "FormularioAgendaDirecciones",
                                                      "Kov_Message",
                                                      "ExaminarLogConsulta",
                                                      "ExaminarMacros",
                                                      "FormularioCobertura",
                                                      "EnvioEmailTLFull",
                                                      "AltaTiposConsulta",
                                                      "ExaminarTemas",
                                                      "VentanaPresentacionLogin",
                                                      "ExaminarCoberturas",
                                                      "FormularioAgenda",
                                                      "ReporteHistoriaClinicaFiltrada",
                                                      "ReporteNotaConMacroMembrete",
                                                      "ReportePacientes",
                                                      "ReporteNotaConMacroNormal",
                                                      "CrearNotaConMacro",
                                                      "Notas",
                                                      "FormularioConsultas",
                                                      "ExaminarTiposConsulta",
                                                      "RecuperaDscDia",
                                                      "WhatsNew",
                                                      "ProximoSobreturno",
                                                      "TraeTipoTurno",
                                                      "FormularioRubrosAgenda",
                                                      "FormularioAgendaAlarma",
                                                      "CuentaLargoConsulta",
                                                      "ListadoDeNotas",
                                                      "ExaminarTurnos",
                                                      "Kov_SelectGeneracion",
                                                      "FormularioEspecialidades",
                                                      "ExaminarProvincia",
                                                      "vsFind",
                                                      "Relogin",
                                                      "ExaminarMedicos",
                                                      "ReporteTemasFiltrado",
                                                      "FormularioProvincia",
                                                      "ReporteConsultas",
                                                      "Kov_Export_Source_V2",
                                                      "FormularioTiposConsulta",
                                                      "ExaminarAgendaDirecciones",
                                                      "ExaminarFeriados",
                                                      "Respaldo",
                                                      "Main",
                                                      "FormularioPLanilla",
                                                      "FormularioMacros",
                                                      "FormularioTurnos",
                                                      "FormularioPacientes"};
  return names;
}

void ResetearPosicionVentanas() {
  SettingsStore& store = settingsStore();
  store.Init(".\\varneta.INI");
  for (std::string_view section : windowPositionSections()) {
    for (std::string_view entry : {"maximize", "xpos", "ypos", "height", "width"}) {
      store.update(section, entry, "");
    }
  }
  rt::MessageRequest m;
  m.text = "Proceso de Reseto de Ventanas Finalizado";
  m.labels = "Aceptar";
  rt::showMessage(m);
}

}  // namespace core
