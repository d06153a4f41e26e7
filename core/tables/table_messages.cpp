#include "core/tables/table_messages.h"

#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "platform/base/message_hook.h"
#include "platform/data/database.h"

namespace core {
namespace {

struct MessageText {
  const char* title;
  const char* text;
  rt::MessageIcon icon;
  int buttons;
};

const MessageText& messageOf(TableMessage m) {
  using rt::MessageIcon;
  namespace b = rt::button;
  static const MessageText texts[] = {
      // AccessFailed
      {"Error de Acceso", "Archivo (%File) no pudo ser abierto.  Error: %ErrorText.",
       MessageIcon::Error, b::Ok},
      // UsedBeforeOpen
      {"Error de Uso", "Se ha intentado utilizar la tabla (%File) antes de estar ABIERTA",
       MessageIcon::Error, b::Ok},
      // TransactionCancelled
      {"Transacción Cancelada"_cp,
       "Error: (%ErrorText) al intentar enmarcar una transacción sobre tabla %File."_cp,
       MessageIcon::Error, b::Ok},
      // DuplicateKey
      {"Error Clave Duplicada",
       "Agregar este registro crea una clave duplicada para la clave: %Message",
       MessageIcon::Warning, b::Ok},
      // NumberingFailed
      {"Error AutoNumeración"_cp,
       "Los intentos para numerar automaticamente han fallado. Error: %ErrorText. ¿ Intentar "
       "nuevamente?"_cp,
       MessageIcon::Question, b::Yes | b::No},
      // AddFailed
      {"Error en Agregar",
       "Un error fue experimentado durante la creación del registro. Error: %ErrorText."_cp,
       MessageIcon::Error, b::Ok},
      // ChangedRedisplayed
      {"Registro no Actualizado",
       "Este registro fue modificado por otra estación. Los cambios serán mostrados ahora. "
       "Use el botón Ditto or Ctrl+' para restaurar sus cambios."_cp,
       MessageIcon::Warning, b::Ok},
      // ChangedNotRedisplayed
      {"Registro no fue Actualizado",
       "El registro puede haber sido fue modificado por otra estación."_cp, MessageIcon::Warning,
       b::Ok},
      // UpdateFailed
      {"Registro no fue Actualizado",
       "Un error (%ErrorText) fue experimentado al realizar cambioses to the %File file.",
       MessageIcon::Error, b::Retry | b::Cancel},
      // ConfirmDelete
      {"Confirmar Borrado", "¿ Está seguro que desea eliminar el registro seleccionado?"_cp,
       MessageIcon::Question, b::Yes | b::No},
      // DeleteFailed
      {"Registro no fue Borrado",
       "Un error (%ErrorText) fue experimentado al borrar del Archivo %File .", MessageIcon::Error,
       b::Ok},
      // DeleteRetry
      {"Error en Borrar Registro",
       "Un error fue experimentado al borrar el registro. ¿Desea intentar borrar nuevamente?"_cp,
       MessageIcon::Question, b::Yes | b::No},
      // RecordNotRead
      {"Registro NO leido",
       "Un registro bloqueado por otra terminal fue encontrado al leer de tabla %File .",
       MessageIcon::Warning, b::Ok},
      // OutOfRange
      {"Error de Rango", "El valor de %Field debe ser entre %Message.", MessageIcon::Warning,
       b::Ok},
      // DeleteReferenced
      {"Error de Integridad Referencial (Borrado)",
       "Este registro esta siendo referenciado desde la tabla %File. Este registro no puede ser "
       "eliminado mientras exista esta referencia.",
       MessageIcon::Warning, b::Ok},
      // CreateFailed
      {"Error en creación de Tabla"_cp, "Error: (%ErrorText) creando %File.", MessageIcon::Error,
       b::Ok},
      // InvalidKey
      {"Clave Inválida"_cp, "%File : Clave inválida. Clave debe ser reconstruida."_cp,
       MessageIcon::Warning, b::Ok},
      // KeyNotRebuilt
      {"Clave no fue reconstruida", "Error: (%ErrorText) reparando clave para tabla: %File.",
       MessageIcon::Error, b::Ok},
      // ValueTaken
      {"Error Clave Duplicada",
       "%Field \"%Message\" ya corresponde a otro registro de la tabla %File. Por favor, "
       "ingrese otro.",
       MessageIcon::Warning, b::Ok},
      // DeleteReferencedMarkInactive
      {"Error de Integridad Referencial (Borrado)",
       "Este registro esta siendo referenciado desde la tabla %File. Este registro no puede ser "
       "eliminado mientras exista esta referencia. Para que deje de usarse, márquelo como "
       "Inactivo."_cp,
       MessageIcon::Warning, b::Ok},
  };
  return texts[static_cast<int>(m)];
}

void replaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
  for (std::size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
}

}  // namespace

std::string tableMessageTitle(TableMessage m) { return messageOf(m).title; }

std::string tableMessageText(TableMessage m, const MessageFill& fill) {
  std::string text = messageOf(m).text;
  replaceAll(text, "%File", fill.file);
  replaceAll(text, "%ErrorText", fill.errorText);
  replaceAll(text, "%Message", fill.message);
  replaceAll(text, "%Field", fill.field);
  return text;
}

int showTableMessage(TableMessage m, const MessageFill& fill) {
  const MessageText& t = messageOf(m);
  rt::MessageRequest request;
  request.caption = t.title;
  request.text = tableMessageText(m, fill);
  request.icon = t.icon;
  request.buttons = t.buttons;
  if (rt::transactionIsOpen()) {
    rt::debugOutput("Mensaje no mostrado dentro de una transacción: "_cp + request.caption + " - " +
                    request.text);
    return rt::defaultAnswer(request);
  }
  return rt::showMessage(request);
}

bool asksToRetry(TableMessage m, int answer) {
  return (messageOf(m).buttons & rt::button::Retry) ? answer == rt::button::Retry
                                                    : answer == rt::button::Yes;
}

}  // namespace core
