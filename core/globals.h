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
// The logged-in user's name (STRING(255)), "Sin Restricci\xF3n" when the program
// has no users.
extern std::string Nombre_Usuario_Logueado;
// The logged-in user's access level: 9 all rights; 0 while a re-login runs.
extern std::uint8_t Nivel_Usuario_Logueado;
// 1 when the program asks for a login.
extern std::uint8_t LoginRequerido;
// The practice's name (STRING(80)), shown by the login window.
extern std::string UsuarioSistema;

}  // namespace GLO
