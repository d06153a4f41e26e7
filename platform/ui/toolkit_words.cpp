#include "platform/ui/toolkit_words.h"

#include <cstring>

namespace rt {
namespace {

struct Word {
  const char* context;
  const char* source;
  const char* spanish;
};

// The file dialogs' names for what a file is; the mime database names the
// files by their contents, in the default locale's language.
constexpr Word kWords[] = {
    {"QAbstractFileIconProvider", "Folder", "Carpeta"},
    {"QAbstractFileIconProvider", "Drive", "Unidad"},
    {"QAbstractFileIconProvider", "File", "Archivo"},
    {"QAbstractFileIconProvider", "Shortcut", "Acceso directo"},
    {"QAbstractFileIconProvider", "Unknown", "Desconocido"},
};

}  // namespace

QString ToolkitWords::translate(const char* context, const char* source, const char*, int) const {
  if (!context || !source) return {};
  for (const Word& word : kWords) {
    if (std::strcmp(context, word.context) == 0 && std::strcmp(source, word.source) == 0) {
      return QString::fromUtf8(word.spanish);
    }
  }
  return {};
}

}  // namespace rt
