#include "core/frame/globals.h"

namespace GLO {

std::uint8_t AdjuntarCaptura = 0;
std::string ArchivoLog;
std::uint16_t Cod_Usuario_Logueado = 0;
std::uint8_t Nivel_Usuario_Logueado = 0;
std::string Nombre_Usuario_Logueado;

std::string ArchivoIni;
std::uint8_t PrimeraEjecucion = 0;
std::string UsuarioSistema;
std::uint8_t LoginRequerido = 0;
std::string DirectorioAdjuntos;
std::string DirectorioExportacion;
std::string DirectorioSistema;
std::uint8_t ExportacionPropia = 0;
std::uint8_t OpcionExportacion = 0;
std::string VersionSistema;
std::string TituloSistema;
std::string DirectorioDatosLocales;
QWidget* VentanaPrincipal = nullptr;

std::string ModoListado = "A";
std::string TipoListado = "N";
std::string NombrePDF;
std::string MailListado;
std::string AsuntoListado;
std::string TextoMail;
std::uint8_t MostrarDialogoMail = 1;

std::uint8_t ProximoTurno = 0;
std::uint8_t MaxOrdenAtencion = 0;
std::uint32_t CodPlanilla = 0;
std::uint8_t AgendaOcupada = 0;
std::int32_t FechaTurno = 0;
std::uint16_t CodMedicoTurno = 0;
std::int32_t HoraTurno = 0;
std::string TipoTurno;
std::uint16_t IndiceTurno = 0;
std::uint32_t NroAbsolutoTurno = 0;
std::int32_t ThreadTurnos = 0;

}  // namespace GLO

namespace DAT {

std::uint8_t RespetaOrdenTurnos = 1;

}  // namespace DAT
