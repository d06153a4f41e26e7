#include "platform/ui/folder_picker.h"

#include <QDir>
#include <QFileDialog>
#include <utility>

#include "platform/ui/qt_text.h"

namespace rt {
namespace {

FolderPicker& picker() {
  static FolderPicker p;
  return p;
}

}  // namespace

std::string pickFolder(QWidget* parent, std::string_view title, std::string_view startFolder) {
  if (picker()) return picker()(title, startFolder);
  const QString current = QDir::currentPath();
  const QString chosen =
      QFileDialog::getExistingDirectory(parent, toQString(title), toQString(startFolder));
  QDir::setCurrent(current);
  return fromQString(QDir::toNativeSeparators(chosen));
}

FolderPicker setFolderPicker(FolderPicker p) { return std::exchange(picker(), std::move(p)); }

}  // namespace rt
