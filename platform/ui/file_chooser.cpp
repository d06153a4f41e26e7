#include "platform/ui/file_chooser.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <memory>

#include "platform/base/paths.h"
#include "platform/ui/native_loop.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

QString dialogPattern(QString pattern) {
  pattern = pattern.trimmed();
  if (pattern == "*.*") return "*";
  const QString lower = pattern.toLower();
  const QString upper = pattern.toUpper();
  if (lower == upper) return pattern;
  return lower + ' ' + upper;
}

// The file system model writes dates in the system's locale, which the
// program leaves to the desktop; the dialog writes them in the default one,
// the language of the rest of the dialog.
class DatesInDefaultLocale final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (files && role == Qt::DisplayRole && index.column() == kModifiedColumn) {
      return QLocale().toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
    }
    return QIdentityProxyModel::data(index, role);
  }

 private:
  static constexpr int kModifiedColumn = 3;
};

// The chosen file of a dialog run to its end; none when the user cancelled.
std::optional<std::string> dialogChooser(const FileRequest& request) {
  auto chosen = std::make_shared<QString>();
  runNativeLoop([=] {
    std::unique_ptr<QFileDialog> dialog = makeFileDialog(request);
    if (dialog->exec() == QDialog::Accepted) *chosen = dialog->selectedFiles().value(0);
  });
  if (chosen->isEmpty()) return std::nullopt;
  return runtimeName(std::filesystem::path(chosen->toStdString()));
}

FileChooser& installed() {
  static FileChooser chooser = dialogChooser;
  return chooser;
}

}  // namespace

std::unique_ptr<QFileDialog> makeFileDialog(const FileRequest& request) {
  const QString start = request.current.empty()
                            ? QString::fromStdString(workingFolder().string())
                            : QString::fromStdString(resolvePath(request.current).string());
  auto dialog = std::make_unique<QFileDialog>(nullptr, toQString(request.title), start);
  // The toolkit's own dialog, never the desktop's: it speaks the program's
  // Spanish whatever desktop it runs on.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  if (request.purpose == FileRequest::Purpose::Folder) {
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
  } else {
    dialog->setNameFilter(fileDialogFilters(request.masks));
    // A save asks before a file is replaced.
    if (request.purpose == FileRequest::Purpose::Save) {
      dialog->setAcceptMode(QFileDialog::AcceptSave);
    } else {
      dialog->setFileMode(QFileDialog::ExistingFile);
    }
  }
  dialog->setProxyModel(new DatesInDefaultLocale(dialog.get()));
  return dialog;
}

QString fileDialogFilters(std::string_view masks) {
  const QStringList parts = toQString(masks).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      patterns << dialogPattern(pattern);
    }
    if (patterns.isEmpty()) continue;
    filters << QString("%1 (%2)").arg(parts[i].trimmed(), patterns.join(' '));
  }
  return filters.join(";;");
}

std::optional<std::string> chooseFile(const FileRequest& request) { return installed()(request); }

bool chooseFileInto(const FileRequest& request, std::string& field) {
  std::optional<std::string> chosen = chooseFile(request);
  if (!chosen) return false;
  field = std::move(*chosen);
  return true;
}

FileChooser setFileChooser(FileChooser chooser) {
  if (!chooser) chooser = dialogChooser;
  return std::exchange(installed(), std::move(chooser));
}

}  // namespace rt
