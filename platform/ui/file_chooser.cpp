#include "platform/ui/file_chooser.h"

#include <QFileDialog>
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

// The desktop's file dialog; it asks before a file is replaced.
std::optional<std::string> dialogChooser(const FileRequest& request) {
  auto chosen = std::make_shared<QString>();
  const QString title = toQString(request.title);
  const QString start = request.current.empty()
                            ? QString::fromStdString(workingFolder().string())
                            : QString::fromStdString(resolvePath(request.current).string());
  const QString filters = fileDialogFilters(request.masks);
  const FileRequest::Purpose purpose = request.purpose;
  runNativeLoop([=] {
    switch (purpose) {
      case FileRequest::Purpose::Save:
        *chosen = QFileDialog::getSaveFileName(nullptr, title, start, filters);
        break;
      case FileRequest::Purpose::Folder:
        *chosen = QFileDialog::getExistingDirectory(nullptr, title, start);
        break;
      default:
        *chosen = QFileDialog::getOpenFileName(nullptr, title, start, filters);
    }
  });
  if (chosen->isEmpty()) return std::nullopt;
  return runtimeName(std::filesystem::path(chosen->toStdString()));
}

FileChooser& installed() {
  static FileChooser chooser = dialogChooser;
  return chooser;
}

}  // namespace

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
