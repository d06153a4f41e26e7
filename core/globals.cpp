#include "core/globals.h"

namespace GLO {

std::uint8_t AdjuntarCaptura = 0;
std::string ArchivoLog;
std::uint16_t Cod_Usuario_Logueado = 0;
std::string Nombre_Usuario_Logueado;
std::uint8_t Nivel_Usuario_Logueado = 0;
std::uint8_t LoginRequerido = 0;
std::string UsuarioSistema;

}  // namespace GLO
