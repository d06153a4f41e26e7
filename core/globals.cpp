#include "core/globals.h"

namespace GLO {

std::uint8_t AdjuntarCaptura = 0;
std::string ArchivoLog;
std::uint16_t Cod_Usuario_Logueado = 0;

}  // namespace GLO
