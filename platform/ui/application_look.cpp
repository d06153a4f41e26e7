#include "platform/ui/application_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

// Resources of a static library are joined to the program explicitly.
static void initProgramResources() { Q_INIT_RESOURCE(varneta); }

namespace rt {

QIcon programIcon() {
  initProgramResources();
  return QIcon(":/varneta/varneta.svg");
}

bool applyApplicationLook() {
  QApplication::setWindowIcon(programIcon());
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load("qtbase_es", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace rt
