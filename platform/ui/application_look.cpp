#include "platform/ui/application_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/ui/toolkit_words.h"

// Resources of a static library are joined to the program explicitly.
static void initProgramResources() { Q_INIT_RESOURCE(varneta); }

namespace rt {

QIcon programIcon() {
  initProgramResources();
  return QIcon(":/varneta/varneta.svg");
}

bool applyApplicationLook() {
  QApplication::setWindowIcon(programIcon());
  // The toolkit's dialogs name file types and write dates in the language of
  // the default locale: Argentine Spanish, as the practice's provinces and
  // postal codes are. The program's own entries and values follow their
  // pictures, never the locale.
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
  auto* translator = new QTranslator(QCoreApplication::instance());
  const bool loaded =
      translator->load("qtbase_es", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (loaded) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
  // Installed last, so asked first: it answers only what the catalogue leaves in English.
  QCoreApplication::installTranslator(new ToolkitWords(QCoreApplication::instance()));
  return loaded;
}

}  // namespace rt
