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

}  // namespace GLO
