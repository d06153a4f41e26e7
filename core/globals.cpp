#include "core/globals.h"

namespace GLO {

std::uint8_t AdjuntarCaptura = 0;
std::string ArchivoLog;
std::uint16_t Cod_Usuario_Logueado = 0;

std::string ArchivoIni;
std::string UsuarioSistema;
std::string ModoListado = "A";
std::string TipoListado = "N";
std::string NombrePDF;
std::string MailListado;
std::string AsuntoListado;
std::string TextoMail;
std::uint8_t MostrarDialogoMail = 1;

}  // namespace GLO
