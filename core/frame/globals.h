#pragma once
// The program's process-wide globals. All logical threads share one OS
// thread, so they are read and written without a lock. Runtime text (CP1252).
#include <cstdint>
#include <string>

class QWidget;

namespace GLO {

// 1 once the user asked, from a message, for a support message: the support
// window then starts with the picture of the screen attached.
extern std::uint8_t AdjuntarCaptura;
// The activity log's file name (STRING(255)), built again at each login.
extern std::string ArchivoLog;
// The logged-in user's code; 0 until a login.
extern std::uint16_t Cod_Usuario_Logueado;
// The logged-in user's name (STRING(255)), "Sin Restricción" when the program
// has no users.
extern std::string Nombre_Usuario_Logueado;
// The logged-in user's access level: 9 all rights; 0 while a re-login runs.
extern std::uint8_t Nivel_Usuario_Logueado;

// The settings INI (the working folder's Dezedu.ini) and whether it was
// missing when the frame started.
extern std::string ArchivoIni;
extern std::uint8_t PrimeraEjecucion;
// The practice's name, STRING(80).
extern std::string UsuarioSistema;
// 1 = the login window runs at start.
extern std::uint8_t LoginRequerido;
// Folder for attached files, STRING(255).
extern std::string DirectorioAdjuntos;
// Where the lists export to, and the program folder.
extern std::string DirectorioExportacion;
extern std::string DirectorioSistema;
// 1: the lists export through the program's own export window.
extern std::uint8_t ExportacionPropia;
extern std::uint8_t OpcionExportacion;
// "Versión 9.0 (<build>)" padded to 40 characters, and the title built on it.
extern std::string VersionSistema;
extern std::string TituloSistema;
// The user's local application-data folder; empty when there is none.
extern std::string DirectorioDatosLocales;
// The frame's window, once it is open.
extern QWidget* VentanaPrincipal;

// The report globals. ModoListado is the frame's listing mode (STRING(3)):
// "A" automatic, "N" normal, "M" mail, "P" PDF; a mode chosen on the frame
// applies to one listing. TipoListado is the destination of the report in
// progress (STRING(1)): "N" preview and print, "M" PDF then mail, "P" PDF.
extern std::string ModoListado;
extern std::string TipoListado;
extern std::string NombrePDF;            // the report's title, then the PDF path (255)
extern std::string MailListado;          // recipient of a mailed listing (255)
extern std::string AsuntoListado;        // subject of that mail (255)
extern std::string TextoMail;            // body of that mail (1000)
extern std::uint8_t MostrarDialogoMail;  // 1 = show the mail for editing first

// The appointment planner's day: the next attention order to be seen (the
// highest order among the day's appointments with a consultation, plus 1),
// the highest order of the day, and the schedule sheet the day was built from.
extern std::uint8_t ProximoTurno;
extern std::uint8_t MaxOrdenAtencion;
extern std::uint32_t CodPlanilla;
// What the planner hands to the appointment form and the day's listing: the
// day and physician, and the chosen row's time, type, position and number.
extern std::int32_t FechaTurno;
extern std::uint16_t CodMedicoTurno;
extern std::int32_t HoraTurno;
extern std::string TipoTurno;  // STRING(3)
extern std::uint16_t IndiceTurno;
extern std::uint32_t NroAbsolutoTurno;
// The logical thread of the open planner, 0 when none.
extern std::int32_t ThreadTurnos;

// How many holders keep the reminders busy: the reminders list and form while
// open, the alarm walk and the removal of completed reminders while they run.
// The walk and the removal run only when nobody holds them.
extern std::uint8_t AgendaOcupada;

}  // namespace GLO

namespace DAT {

// 1 = the appointment planner's attention order is respected.
extern std::uint8_t RespetaOrdenTurnos;

}  // namespace DAT
