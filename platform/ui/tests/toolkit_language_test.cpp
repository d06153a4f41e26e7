#include <gtest/gtest.h>

#include <QAbstractProxyModel>
#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/ui/application_look.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/picture_validator.h"

namespace rt {
namespace {

constexpr int kTypeColumn = 2;
constexpr int kModifiedColumn = 3;

struct Row {
  QString type;
  QString modified;
};

// What the dialog's detail view shows for a name of its folder, once read.
Row rowOf(QFileDialog& dialog, const QString& folder, const QString& name) {
  auto* files = dialog.findChild<QFileSystemModel*>();
  QModelIndex index = files->index(folder + '/' + name);
  const QAbstractItemModel* shown = dialog.findChild<QTreeView*>("treeView")->model();
  if (auto* proxy = qobject_cast<const QAbstractProxyModel*>(shown)) {
    index = proxy->mapFromSource(index);
  }
  return {index.siblingAtColumn(kTypeColumn).data().toString(),
          index.siblingAtColumn(kModifiedColumn).data().toString()};
}

TEST(ToolkitLanguage, FileDialogNamesTypesAndWritesDatesInArgentineSpanish) {
  applyApplicationLook();
  QTemporaryDir scratch;
  ASSERT_TRUE(scratch.isValid());
  const std::filesystem::path root = scratch.path().toStdString();
  std::filesystem::create_directory(root / "Cartas");
  std::ofstream(root / "notas.txt") << "hola";
  std::ofstream(root / "datos.bin") << std::string("\x01\x02\x00\xff", 4);
  const QDateTime stamp(QDate(2026, 12, 11), QTime(13, 45));
  const auto written = std::filesystem::file_time_type::clock::from_sys(
      std::chrono::system_clock::from_time_t(stamp.toSecsSinceEpoch()));
  for (const char* name : {"Cartas", "notas.txt", "datos.bin"}) {
    std::filesystem::last_write_time(root / name, written);
  }

  FileRequest request;
  request.current = root.string() + "/";
  std::unique_ptr<QFileDialog> dialog = makeFileDialog(request);
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
  const QString folder = QString::fromStdString(root.string());
  QTRY_VERIFY_WITH_TIMEOUT(!rowOf(*dialog, folder, "datos.bin").type.isEmpty(), 10000);

  const struct {
    const char* name;
    const char* type;
  } cases[] = {{"Cartas", "Carpeta"},
               {"notas.txt", "documento de texto sencillo"},
               {"datos.bin", "desconocido"}};
  for (const auto& c : cases) {
    const Row row = rowOf(*dialog, folder, c.name);
    EXPECT_EQ(row.type.toStdString(), c.type) << c.name;
    EXPECT_EQ(row.modified.toStdString(), "11/12/26 13:45") << c.name;
  }
}

// What the program's own entries show for what the user typed and for a
// value given them, each with whether it reads by its picture.
std::vector<std::string> entriesShown() {
  std::vector<std::string> shown;
  const struct {
    const char* picture;
    const char* typed;
  } typings[] = {
      {"@n$12.2", "1234.50"}, {"@n-12.2", "-3.5"}, {"@d6", "11/12/2026"}, {"@t1", "13:45"}};
  for (const auto& t : typings) {
    QLineEdit edit;
    PictureValidator* validator = PictureValidator::forEntry(&edit, t.picture);
    edit.setValidator(validator);
    QTest::keyClicks(&edit, t.typed);
    const bool readable = validator->classify(edit.text()) == QValidator::Acceptable;
    shown.push_back(edit.text().toStdString() + (readable ? " readable" : " refused"));
  }
  QSpinBox year;
  year.setRange(1900, 9999);
  year.setValue(2026);
  shown.push_back(year.text().toStdString());
  return shown;
}

TEST(ToolkitLanguage, LeavesTheProgramsEntriesAsTheirPicturesShowThem) {
  const std::vector<std::string> before = entriesShown();
  applyApplicationLook();
  EXPECT_EQ(entriesShown(), before);
  EXPECT_EQ(before.front(), "1234.50 readable");
}

}  // namespace
}  // namespace rt
