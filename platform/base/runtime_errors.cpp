#include "platform/base/runtime_errors.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"

namespace rt {
namespace {

// The runtime's Spanish texts (CP1252).
std::map<int, std::string> defaultTexts() {
  return {
      {2, "No se encontró el archivo"_cp},
      {3, "No se encontró el camino"_cp},
      {4, "Demasiados archivos abiertos"},
      {5, "Acceso denegado"},
      {7, "Corrupción de la Memoria"_cp},
      {8, "Insuficiente Memoria"},
      {30, "No se encuentra la entrada"},
      {32, "El archivo aún esta retenido"_cp},
      {33, "Registro no disponible"},
      {35, "Registro no encontrado"},
      {36, "Archivo de datos no válido"_cp},
      {37, "El archivo no esta abierto"},
      {38, "Archivo de índice no válido"_cp},
      {40, "Crea índice duplicado"_cp},
      {43, "El registro aún esta retenido"_cp},
      {45, "Nombre de archivo no válido"_cp},
      {46, "El archivo índice tiene que ser reconstruido"_cp},
      {47, "Declaración del registro no válida"_cp},
      {48, "No se puede guardar la transacción"_cp},
      {52, "El archivo ya se encuentra abierto"},
      {53, "Archivo no valido para Varneta"},
      {54, "No tiene el atributo de creación"_cp},
      {56, "Ya hay una transacción en progreso"_cp},
      {57, "Archivo Memo no valido"},
      {63, "Acceso exclusivo denegado"},
      {64, "Violación al compartir"_cp},
      {65, "No se puede deshacer la transacción"_cp},
      {73, "Archivo Memo perdido"},
      {75, "Descripción del tipo de campo no válida"_cp},
      {76, "Cadena del Índice no válida"_cp},
      {77, "Imposible acceder al Indice"},
      {78, "Cantidad de parámetros no válida"_cp},
      {79, "Tipo de dato no soportado por el archivo"},
      {80, "Función no soportada por el Driver"_cp},
      {81, "Error desconocido"},
      {88, "Longitud del índice no válida"_cp},
      {89, "El registro fue cambiado por otra estación"_cp},
      {90, "Error del Driver"},
      {800, "La expresión no es sintácticamente correcta"_cp},
      {801, "No se encontró la variable"_cp},
  };
}

struct ErrorStatus {
  int code = 0;
  std::string fileCode;
  std::string fileMessage;
};

// Texts are set at start-up and read by every thread; the status is per
// logical thread, and workers on other OS threads may report errors too.
std::mutex g_mutex;

std::map<int, std::string>& texts() {
  static std::map<int, std::string> t = defaultTexts();
  return t;
}

std::map<ThreadNumber, ErrorStatus>& statuses() {
  static std::map<ThreadNumber, ErrorStatus> s;
  return s;
}

ErrorStatus& statusLocked() { return statuses()[currentThreadNumber()]; }

std::string textLocked(int code) {
  auto it = texts().find(code);
  return it == texts().end() ? std::string() : it->second;
}

}  // namespace

std::string errorText(int code) {
  std::lock_guard lock(g_mutex);
  return textLocked(code);
}

void setErrorText(int code, std::string_view text) {
  std::lock_guard lock(g_mutex);
  texts()[code] = std::string(text);
}

int errorCode() {
  std::lock_guard lock(g_mutex);
  return statusLocked().code;
}

std::string errorText() {
  std::lock_guard lock(g_mutex);
  return textLocked(statusLocked().code);
}

std::string fileErrorCode() {
  std::lock_guard lock(g_mutex);
  return statusLocked().fileCode;
}

std::string fileError() {
  std::lock_guard lock(g_mutex);
  return statusLocked().fileMessage;
}

std::string errorDescription() {
  std::lock_guard lock(g_mutex);
  const ErrorStatus& s = statusLocked();
  if (s.code == error::DriverError) {
    return std::string(clip(s.fileMessage)) + " (" + std::string(clip(s.fileCode)) + ")";
  }
  return std::string(clip(textLocked(s.code))) + " (" + std::to_string(s.code) + ")";
}

void setError(int code) {
  std::lock_guard lock(g_mutex);
  statusLocked() = ErrorStatus{code, {}, {}};
}

void setFileError(std::string_view driverCode, std::string_view driverMessage) {
  std::lock_guard lock(g_mutex);
  statusLocked() =
      ErrorStatus{error::DriverError, std::string(driverCode), std::string(driverMessage)};
}

void setFileError(long long driverCode, std::string_view driverMessage) {
  setFileError(std::to_string(driverCode), driverMessage);
}

void clearError() { setError(error::NoError); }

void freeThreadErrors(ThreadNumber thread) {
  std::lock_guard lock(g_mutex);
  statuses().erase(thread);
}

}  // namespace rt
