#include "admin/backup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <set>
#include <sstream>

#include "core/aids/control_colouring.h"
#include "core/aids/main_services.h"
#include "core/aids/window_parts.h"
#include "core/frame/backup_reminder.h"
#include "core/tables/data_files.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/worker.h"
#include "platform/data/maintenance.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"

namespace admin {
namespace {

namespace fs = std::filesystem;

// The copies hold patient data: readable by the account only.
constexpr fs::perms kCopyMode = fs::perms::owner_read | fs::perms::owner_write;

QString q(std::string_view text) { return rt::toQString(text); }

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The text of the archiver's complaint: its lines from the first error or
// warning on, or its last lines when it names none.
std::string archiverComplaint(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  std::size_t from = lines.size() > 3 ? lines.size() - 3 : 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string l = lower(lines[i]);
    if (l.rfind("error", 0) == 0 || l.rfind("system error", 0) == 0 || l.rfind("warning", 0) == 0) {
      from = i;
      break;
    }
  }
  std::string text;
  for (std::size_t i = from; i < lines.size(); ++i) text += (text.empty() ? "" : "|") + lines[i];
  return rt::utf8ToCp1252(text);
}

// The names that the archive does not list, as the complaint of a backup
// that is not whole; empty when it lists them all.
std::string missingFromArchive(const std::string& program, const fs::path& archive,
                               const fs::path& folder, const std::vector<std::string>& names) {
  const rt::ProgramRun listing =
      rt::runProgram(program, {"l", "-slt", "-spd", "--", archive.string()}, folder);
  if (!listing.started || listing.exitCode != 0) {
    return "No se pudo leer el archivo comprimido "_cp + rt::runtimeName(archive) + ".";
  }
  // Each member is a block of "Key = value" lines after the "----------"
  // line that ends the archive's own block.
  std::set<std::string> listed;
  const std::size_t members = listing.output.find("\n----------");
  std::istringstream lines(members == std::string::npos ? std::string()
                                                        : listing.output.substr(members));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Path = ", 0) == 0) listed.insert(line.substr(7));
  }
  std::string missing;
  for (const std::string& name : names) {
    if (!listed.count(name)) missing += (missing.empty() ? "" : ", ") + name;
  }
  if (missing.empty()) return {};
  return "El archivo comprimido no contiene: "_cp + rt::utf8ToCp1252(missing) + ".";
}

}  // namespace

std::string backupArchiveName(std::string_view destination, rt::Date date, rt::Time time) {
  const rt::YearMonthDay d = rt::splitDate(date);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d", d.year % 10000, d.month % 100, d.day % 100);
  // The first two and the fourth and fifth characters of the time as shown.
  const std::string shown = rt::format(static_cast<double>(time), "@t7") + "     ";
  return std::string(rt::clip(destination)) + "\\Varneta-" + digits + "-" + shown.substr(0, 2) +
         shown.substr(3, 2);
}

BackupSnapshot snapshotWorkingFiles(const fs::path& workingFolder) {
  BackupSnapshot snapshot;
  snapshot.work = rt::WorkFolder("respaldo");
  snapshot.folder = snapshot.work.path();
  if (snapshot.folder.empty()) {
    snapshot.error =
        "No se pudo crear una carpeta temporal en " + rt::runtimeName(rt::tempFolder()) + ".";
    return snapshot;
  }
  std::set<std::string> dataNames;
  for (const rt::DataFile* file : core::practiceDataFiles())
    dataNames.insert(lower(file->fileName));
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(workingFolder, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = lower(entry.path().extension().string());
    if ((ext != ".ini" && ext != ".dat") || dataNames.count(lower(name)) ||
        !entry.is_regular_file(ec))
      continue;
    std::error_code copyError;
    fs::copy_file(entry.path(), snapshot.folder / name, copyError);
    if (!copyError) fs::permissions(snapshot.folder / name, kCopyMode, copyError);
    if (copyError) {
      snapshot.error = "No se pudo copiar " + rt::runtimeName(entry.path()) + ": " +
                       rt::utf8ToCp1252(copyError.message());
      return snapshot;
    }
    snapshot.names.push_back(name);
  }
  rt::MaintenanceConnection connection(workingFolder, core::practiceDataFiles());
  if (const int error = connection.copyFilesTo(snapshot.folder, 10000, &snapshot.heldMs)) {
    snapshot.error = "No se pudieron copiar los archivos de datos: Error " + std::to_string(error) +
                     " : " + rt::errorText(error) + " (" + rt::utf8ToCp1252(connection.message()) +
                     ")";
    return snapshot;
  }
  for (const rt::DataFile* file : core::practiceDataFiles()) {
    std::error_code modeError;
    fs::permissions(snapshot.folder / file->fileName, kCopyMode, modeError);
    snapshot.names.push_back(file->fileName);
  }
  std::sort(snapshot.names.begin(), snapshot.names.end());
  return snapshot;
}

std::vector<std::string> archiverArguments(const fs::path& archive,
                                           const std::vector<std::string>& names) {
  std::vector<std::string> args = {"a",  "-ssw", "-mx=9",          "-myx=9", "-mmt1",
                                   "-y", "-spd", archive.string(), "--"};
  args.insert(args.end(), names.begin(), names.end());
  return args;
}

std::string commandLineText(const std::string& program, const std::vector<std::string>& args) {
  std::string text = program;
  for (const std::string& arg : args) {
    text += ' ';
    text += arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"";
  }
  return rt::utf8ToCp1252(text);
}

std::string runArchiver(const std::string& program, const std::vector<std::string>& args,
                        const fs::path& folder, const fs::path& archive,
                        const std::vector<std::string>& names) {
  if (program.empty()) return "No se encontró el programa 7z (paquete p7zip-full)."_cp;
  const rt::ProgramRun run = rt::runProgram(program, args, folder);
  if (!run.started) return "No se pudo ejecutar " + rt::runtimeName(program) + ".";
  fs::path made = archive;
  made += ".7z";
  std::error_code ec;
  if (run.exitCode == 0 && fs::is_regular_file(made, ec)) {
    const std::string missing = missingFromArchive(program, made, folder, names);
    // An archive without every file must not pass for a backup later.
    if (!missing.empty()) fs::remove(made, ec);
    return missing;
  }
  std::string text = "El compresor terminó con el código "_cp + std::to_string(run.exitCode) + ".";
  const std::string complaint = archiverComplaint(run.output);
  return complaint.empty() ? text : text + "|" + complaint;
}

int BackupWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  auto* window = new QWidget;
  window->setObjectName("Respaldo");
  window->setWindowTitle(q("Respaldo de los datos del Sistema"));

  auto* tabs = new QTabWidget;
  tabs->setObjectName("?CurrentTab");
  auto* sheet = new QWidget;
  auto* column = new QVBoxLayout(sheet);
  auto* pathRow = new QHBoxLayout;
  auto* pathLabel = new QLabel("Camino Para Respaldo:");
  auto* path = new QLineEdit;
  path->setObjectName("?CAMINOPARARESPALDO");
  path->setMaxLength(255);
  path->setToolTip(q("Camino a la Unidad / Directorio donde se hará el respaldo"_cp));
  pathLabel->setBuddy(path);
  auto* lookup = new QPushButton("...");
  lookup->setObjectName("?LookupFile");
  lookup->setFixedWidth(lookup->fontMetrics().horizontalAdvance(" ... ") + 12);
  pathRow->addWidget(pathLabel);
  pathRow->addWidget(path, 1);
  pathRow->addWidget(lookup);
  column->addLayout(pathRow);
  auto* remember = new QLabel(
      q("Recuerde realizar diariamente el respaldo de la información de su sistema."_cp));
  column->addWidget(remember);
  auto* lastRow = new QHBoxLayout;
  lastRow->addWidget(new QLabel("Ultimo Respaldo realizado:"));
  auto* lastDate = new QLabel;
  lastDate->setObjectName("?LOC:UltimaFecha");
  auto* lastTime = new QLabel;
  lastTime->setObjectName("?LOC:UltimaHora");
  lastRow->addWidget(lastDate);
  lastRow->addWidget(lastTime);
  lastRow->addStretch();
  column->addLayout(lastRow);
  auto* advice = new QLabel("Se recomienda realizarlo en un Pendrive, u otro dispositivo externo");
  column->addWidget(advice);
  column->addStretch();
  tabs->addTab(sheet, "General");

  core::sheetAndButtons(window, tabs, {.icons = true});
  window->resize(rt::DialogUnits::of(window).size(300, 120).expandedTo(window->sizeHint()));
  Open(window);

  const std::string ini = core::backupIniFile();
  Destino = rt::getIni("Respaldo", "Destino", "", ini);
  UltimaFecha = static_cast<rt::Date>(rt::textToNumber(rt::getIni("Respaldo", "Dia", "0", ini)));
  UltimaHora = static_cast<rt::Time>(rt::textToNumber(rt::getIni("Respaldo", "Hora", "0", ini)));
  showValues();
  core::ColorearControles(window);
  setUpAids(window);
  return rt::level::Benign;
}

void BackupWindow::showValues() {
  control<QLineEdit>("?CAMINOPARARESPALDO")->setText(q(rt::clip(Destino)));
  control<QLabel>("?LOC:UltimaFecha")->setText(q(rt::format(UltimaFecha, "@d17")));
  control<QLabel>("?LOC:UltimaHora")->setText(q(rt::format(UltimaHora, "@t7")));
}

void BackupWindow::takeControls() {
  Destino = rt::fromQString(control<QLineEdit>("?CAMINOPARARESPALDO")->text());
}

std::string BackupWindow::backUp(fs::path& made) {
  std::string destination(rt::clip(Destino));
  destination.erase(0, destination.find_first_not_of(' ') == std::string::npos
                           ? destination.size()
                           : destination.find_first_not_of(' '));
  // A blank destination would put the archive in the root folder.
  if (destination.empty()) return "No se indicó el camino para el respaldo."_cp;
  const rt::Time now = rt::clockTime();
  const fs::path archive = rt::resolvePath(backupArchiveName(destination, rt::today(), now));
  std::error_code ec;
  if (fs::is_regular_file(archive, ec)) fs::remove(archive, ec);

  const fs::path working = rt::workingFolder();
  std::optional<BackupSnapshot> snapshot;
  rt::awaitWorker([&] { snapshot.emplace(snapshotWorkingFiles(working)); });
  if (!snapshot->error.empty()) return snapshot->error;
  const std::string program = rt::findProgramOnPath("7z");
  const std::vector<std::string> args = archiverArguments(archive, snapshot->names);
  core::DebugTrace("LineaComando -> " + commandLineText(program.empty() ? "7z" : program, args));
  std::string failure;
  rt::awaitWorker(
      [&] { failure = runArchiver(program, args, snapshot->folder, archive, snapshot->names); });
  made = archive;
  made += ".7z";
  return failure;
}

int BackupWindow::TakeAccepted() {
  takeControls();
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?LookupFile") {
    rt::FileRequest folder;
    folder.purpose = rt::FileRequest::Purpose::Folder;
    folder.title = "Camino para el Respaldo";
    folder.masks = "All Files|*.*|";
    folder.current = std::string(rt::clip(Destino));
    rt::chooseFileInto(folder, Destino);
    showValues();
  } else if (name == "?OK") {
    window()->setEnabled(false);
    fs::path archive;
    const std::string failure = backUp(archive);
    window()->setEnabled(true);
    rt::MessageRequest message;
    message.caption = "Respaldo";
    if (!failure.empty()) {
      // The destination offered next time stays the last one that worked.
      message.icon = rt::MessageIcon::Error;
      message.text = "No se pudo realizar el respaldo.|" + failure;
      rt::showMessage(message);
      return rt::level::Benign;
    }
    const std::string ini = core::backupIniFile();
    rt::putIni("Respaldo", "Destino", rt::clip(Destino), ini);
    rt::putIni("Respaldo", "Dia", std::to_string(rt::today()), ini);
    rt::putIni("Respaldo", "Hora", std::to_string(rt::clockTime()), ini);
    message.icon = rt::MessageIcon::Information;
    message.text = "Respaldo realizado en el archivo|" + rt::runtimeName(archive);
    rt::showMessage(message);
    Response = rt::kCompleted;
    return rt::level::Fatal;
  } else if (name == "?CANCEL") {
    Response = rt::kCancelled;
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

int Respaldo() {
  BackupWindow window;
  return window.Run();
}

}  // namespace admin
