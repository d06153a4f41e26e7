#pragma once
// The program's process-wide globals. All logical threads share one OS
// thread, so they are read and written without a lock. Runtime text (CP1252).
#include <cstdint>
#include <string>

namespace GLO {

// 1 once the user asked, from a message, for a support message: the support
// window then starts with the picture of the screen attached.
extern std::uint8_t AdjuntarCaptura;
// The activity log's file name (STRING(255)), built again at each login.
extern std::string ArchivoLog;
// The logged-in user's code; 0 until a login.
extern std::uint16_t Cod_Usuario_Logueado;

// The settings INI file of the program (STRING(255)); blank = WIN.INI.
extern std::string ArchivoIni;
// The practice's name as the reports head their pages with it (STRING(80)).
extern std::string UsuarioSistema;

// The report globals. ModoListado is the frame's listing mode (STRING(3)):
// "A" automatic, "N" normal, "M" mail, "P" PDF; a mode chosen on the frame
// applies to one listing. TipoListado is the destination of the report in
// progress (STRING(1)): "N" preview and print, "M" PDF then mail, "P" PDF.
extern std::string ModoListado;
extern std::string TipoListado;
extern std::string NombrePDF;       // the report's title, then the PDF path (255)
extern std::string MailListado;     // recipient of a mailed listing (255)
extern std::string AsuntoListado;   // subject of that mail (255)
extern std::string TextoMail;       // body of that mail (1000)
extern std::uint8_t MostrarDialogoMail;  // 1 = show the mail for editing first

}  // namespace GLO
