#include "admin/file_manager.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "core/aids/control_colouring.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/text_order.h"
#include "platform/base/worker.h"
#include "platform/data/maintenance.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace admin {
namespace {

QString q(std::string_view text) { return rt::toQString(text); }

struct RowText {
  const char* label;
  const char* description;
  const char* oem;
};

// The rows as the list shows them (the owner mark comes from the table).
const std::vector<RowText>& rowTexts() {
  static const std::vector<RowText> rows = {
      {"Adjuntos", "Archivos Adjuntos a una Consulta", "/O"},
      {"Agenda", "Agenda de direcciones", "/O"},
      {"AgendaRecordatoria", "Agenda (Recordatorio)", "/O"},
      {"Coberturas_Medicas", "Base de Coberturas Médicas"_cp, "  "},
      {"Consultas", "Consultas realizadas por los pacientes", "  "},
      {"Especialidades", "Base de Especialidades Médicas"_cp, "/O"},
      {"Feriados", "Feriados (para la asignación de Turnos)"_cp, "/O"},
      {"Localidades", "Localidades", "  "},
      {"LogConsultas", "Log de Consultas (LPD)", "/O"},
      {"LogFileTL", "LogFileTL", "/O"},
      {"Macros", "Definiciones de Macros para las Notas", "/O"},
      {"Medicos", "Medicos que trabajarán con el sistema"_cp, "/O"},
      {"Notas", "Notas", "/O"},
      {"NotasMacros", "NotasMacros", "  "},
      {"Ocupaciones", "Ocupaciones de los pacientes", "/O"},
      {"Pacientes", "Base de Pacientes", "  "},
      {"Planilla", "Planilla", "/O"},
      {"PlanillaHorarios", "PlanillaHorarios", "/O"},
      {"Provincias", "Base de Provincias", "  "},
      {"RubrosAgenda", "Rubros para la Agenda", "  "},
      {"Temas", "Temas para las Notas", "/O"},
      {"TiposConsultas", "Tipos de Consultas", "/O"},
      {"Turnos", "Turnos asignados a Pacientes", "/O"},
      {"Usuarios", "Usuarios del Sistema", "/O"},
      {"kov::SaveC", "kov::SaveC", "  "},
      {"kov::SaveDet", "kov::SaveDet", "  "},
  };
  return rows;
}

const rt::TableDef* tableNamed(std::string_view label) {
  for (const rt::TableDef* def : core::registeredTables()) {
    if (def->label == label) return def;
  }
  return nullptr;
}

// A disk name holding "!" names a table inside a file: the file is the part
// before the character that precedes it ("Varneta.dat\!PACIENTE").
std::string fileOf(const std::string& diskName) {
  const std::size_t bang = diskName.find('!');
  return bang == std::string::npos ? diskName : diskName.substr(0, bang == 0 ? 0 : bang - 1);
}

std::string errorColumn(int code) {
  return "Error " + std::to_string(code) + " : " + rt::errorText(code);
}

// What a run says when it ends: the files it worked on, or that it worked on
// none (every tagged one missing, refused or cancelled).
struct DoneText {
  const char* action;
  const char* caption;
  const char* done;  // followed by one line per file
  const char* nothing;
};
const DoneText kDoneTexts[] = {
    {"Build", "Reconstruir",
     "Se reconstruyeron las claves de:", "No se reconstruyó ninguna tabla."_cp},
    {"Pack", "Compactar", "Se compactaron los archivos:", "No se compactó ningún archivo."_cp},
    {"Release", "Liberar",
     "Se liberaron los registros retenidos de:", "No se liberó ninguna tabla."_cp},
    {"Freshen", "Refrescar",
     "Se copiaron a un archivo nuevo los registros de:", "No se copió ninguna tabla."_cp},
    {"Create", "Crear", "Se crearon:", "No faltaba ningún archivo: no se creó ninguno."_cp},
};

// A table as the end of a run names it: its label and its file.
std::string tableAndFile(const FileRow& row) {
  return row.FILENAME + " (" + fileOf(row.FILEHANDLE->diskName()) + ")";
}

std::string keyLabel(const rt::TableDef& def, const rt::KeyDef& key) {
  return def.prefix + ":" + key.name;
}

}  // namespace

std::vector<FileRow> fileRows() {
  std::vector<FileRow> rows;
  for (const RowText& text : rowTexts()) {
    FileRow row;
    row.FILENAME = text.label;
    row.FILEDESC = text.description;
    row.OEM = text.oem;
    row.FILEHANDLE = tableNamed(text.label);
    if (row.FILEHANDLE) {
      row.OWNER = row.FILEHANDLE->storage().file->ownerPassword.empty() ? "" : "1";
      row.DISKNAME = row.FILEHANDLE->diskName();
    } else {
      row.FILEDRIVER = "ASCII";
      row.DISKNAME = text.label;
    }
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const FileRow& a, const FileRow& b) {
    return rt::compareText(a.FILEDESC, b.FILEDESC, rt::CaseMode::Insensitive) < 0;
  });
  return rows;
}

namespace {

// What the repair program said of a file, as runtime text: its own line,
// or its exit code when it said nothing.
std::string fixOutcome(const rt::ProgramRun& repair) {
  std::string said = repair.output;
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' '))
    said.pop_back();
  for (char& c : said) {
    if (c == '\n') c = '|';
  }
  if (said.empty()) {
    return "El programa de reparación terminó sin informar el resultado (código "_cp +
           std::to_string(repair.exitCode) + ").";
  }
  return rt::utf8ToCp1252(said);
}

}  // namespace

std::string repairCommandLine(const std::string& diskName, const std::string& oem) {
  const std::string n(rt::clip(diskName));
  const std::string t = (oem + "  ").substr(0, 2);
  const bool dot = diskName.find('.') != std::string::npos;
  const bool blank = n.find(' ') != std::string::npos;
  const std::string quote = blank ? "\"" : "";
  const std::string file = dot ? n : n + ".dat";
  const std::string base = dot ? n.substr(0, n.rfind('.')) : n;
  return "datfix " + quote + file + quote + "  /E:" + quote + base + ".tpe" + quote + " /K /A " + t;
}

std::vector<std::string> commandWords(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

int tu_DoFullUpgrade(int /*unused*/, int /*flag*/) {
  return rt::olderStructureStored(core::registeredTables()) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// The progress window and what the worker tells it.

struct FileManagerWindow::Progress {
  std::mutex mutex;
  std::string currentFile;
  std::string actionText;
  std::atomic<int> percent{0};
  std::atomic<bool> cancel{false};
  int filesLeft = 0;
  std::function<void()> refresh;  // shows the state in the progress window

  void set(std::string action, int value) {
    std::lock_guard lock(mutex);
    actionText = std::move(action);
    percent = value;
  }
};

namespace {

class ProgressWindow : public rt::WindowDriver {
 public:
  ProgressWindow(FileManagerWindow::Progress& shared, std::function<void(ProgressWindow&)> work)
      : shared_(shared), work_(std::move(work)) {}

  int Init() override {
    auto* window = new QWidget;
    window->setObjectName("Progress");
    window->setWindowTitle("Progress...");
    auto* grid = new QGridLayout;
    auto addRow = [&](int r, const char* prompt, QWidget* value) {
      grid->addWidget(new QLabel(prompt), r, 0);
      grid->addWidget(value, r, 1);
    };
    auto label = [](const char* name) {
      auto* l = new QLabel;
      l->setObjectName(name);
      l->setMinimumWidth(220);
      return l;
    };
    addRow(0, "Current File :", label("?CurrentFile"));
    addRow(1, "Action :", label("?ActionText"));
    auto* bar = new QProgressBar;
    bar->setObjectName("?Progress");
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(bar, 1);
    auto* number = label("?ProgressValue");
    number->setMinimumWidth(30);
    barRow->addWidget(number);
    grid->addWidget(new QLabel("Progress :"), 2, 0);
    grid->addLayout(barRow, 2, 1);
    addRow(3, "Files Left ", label("?FilesLeft"));
    auto* cancel = new QPushButton("&Cancel");
    cancel->setObjectName("?Cancel");
    // Heard at once, while the worker runs: the rebuild looks at the flag.
    QObject::connect(cancel, &QPushButton::clicked, cancel, [this] { shared_.cancel = true; });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(window);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    Open(window);
    show();
    return rt::level::Benign;
  }

  int TakeWindowEvent() override {
    if (event() == rt::event::OpenWindow) {
      work_(*this);
      return rt::level::Fatal;
    }
    return WindowDriver::TakeWindowEvent();
  }

  int TakeAccepted() override { return rt::level::Benign; }

  void show() {
    std::lock_guard lock(shared_.mutex);
    control<QLabel>("?CurrentFile")->setText(q(shared_.currentFile));
    control<QLabel>("?ActionText")->setText(q(shared_.actionText));
    control<QProgressBar>("?Progress")->setValue(shared_.percent);
    control<QLabel>("?ProgressValue")->setText(QString::number(shared_.percent));
    control<QLabel>("?FilesLeft")->setText(QString::number(shared_.filesLeft));
  }

 private:
  FileManagerWindow::Progress& shared_;
  std::function<void(ProgressWindow&)> work_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The window.

FileManagerWindow::FileManagerWindow() : AidedWindow("RuntimeFileManager") {}
FileManagerWindow::~FileManagerWindow() = default;

int FileManagerWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  auto* window = new QWidget;
  window->setObjectName("RuntimeFileManager");
  window->setWindowTitle("Administrador de Versiones de Bases de Datos");
  list_ = new QTreeWidget;
  list_->setObjectName("?LISTQUEUE");
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"", "Archivo", "Registros", "Nombre en el Disco"});
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  auto* buttons = new QVBoxLayout;
  struct ButtonText {
    const char* name;
    const char* text;
    const char* tip;
  };
  const ButtonText texts[] = {
      {"?TagAll", "&Marcar Todas", "Tag all the files"},
      {"?UntagAll", "&Desmarcar Todas", "Untag all of the files"},
      {"?Build", "&Reconstruir", "Build the key files for the tagged data files"},
      {"?Pack", "&Compactar", "Pack the tagged data files"},
      {"?Release", "&Liberar", "Release any held records in the tagged files"},
      {"?Fix", "&Arreglar", "Interface to TPSFix utility"},
      {"?Freshen", "Refre&scar", "Copy the records into a new file"},
      {"?Info", "&Información"_cp, "Get information about each file"},
      {"?Create", "&Crear", "Create any non-existent files"},
      {"?Close", "&Listo", "Close this window"},
  };
  for (const ButtonText& t : texts) {
    auto* button = new QPushButton(q(t.text));
    button->setObjectName(t.name);
    button->setToolTip(t.tip);
    if (std::string_view(t.name) == "?Close") buttons->addStretch();
    buttons->addWidget(button);
  }
  auto* layout = new QHBoxLayout(window);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  window->resize(rt::DialogUnits::of(window).size(470, 250));
  rows_ = fileRows();
  showRows();
  Open(window);
  list_->header()->resizeSection(0, 24);
  list_->resizeColumnToContents(1);
  list_->header()->resizeSection(2, rt::DialogUnits::of(window).x(40));
  updateButtons();
  badFilePrompt();
  if (tu_DoFullUpgrade(0, 1) != 0) press("?TagAll");
  core::ColorearControles(window);
  setUpAids(window);
  return rt::level::Benign;
}

int FileManagerWindow::Kill() {
  connection_.reset();
  return AidedWindow::Kill();
}

void FileManagerWindow::press(const char* button) { post(rt::event::Accepted, control(button)); }

void FileManagerWindow::showRows() {
  const int current = list_->currentIndex().row();
  if (list_->topLevelItemCount() != static_cast<int>(rows_.size())) {
    list_->clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) list_->addTopLevelItem(new QTreeWidgetItem);
  }
  const QIcon tick = list_->style()->standardIcon(QStyle::SP_DialogApplyButton);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(i));
    const FileRow& row = rows_[i];
    item->setIcon(0, row.TAGGED ? tick : QIcon());
    item->setData(0, Qt::UserRole, row.TAGGED);
    item->setText(1, q(row.FILEDESC));
    item->setText(2, q(row.FILERECORDS));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(3, q(row.DISKNAME));
  }
  if (current >= 0) list_->setCurrentItem(list_->topLevelItem(current));
}

void FileManagerWindow::updateButtons() {
  const bool any =
      std::any_of(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.TAGGED; });
  bool buildable = any;
  for (const FileRow& r : rows_) {
    const std::string driver = rt::upper(r.FILEDRIVER);
    if (r.TAGGED &&
        (driver == "MSSQL" || driver == "ORACLE" || driver == "SQLANYWHERE" || driver == "ODBC")) {
      buildable = false;
    }
  }
  for (const char* name : {"?Pack", "?Release", "?Fix", "?Freshen", "?Info", "?Create"})
    control(name)->setEnabled(any);
  control("?Build")->setEnabled(buildable);
}

void FileManagerWindow::toggle(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  rows_[row].TAGGED = !rows_[row].TAGGED;
  showRows();
  updateButtons();
}

void FileManagerWindow::tagAll(bool tagged) {
  for (FileRow& row : rows_) row.TAGGED = tagged;
  showRows();
  updateButtons();
}

void FileManagerWindow::badFilePrompt() {
  const std::string entry = rt::getIni(core::kTableCheckSection, core::kBadFileEntry);
  if (rt::clip(entry).empty()) return;
  rt::MessageRequest question;
  question.caption = "Warning";
  question.icon = rt::MessageIcon::Warning;
  question.buttons = rt::button::Yes | rt::button::No;
  question.defaultButton = rt::button::Yes;
  question.text = "Warning : The program may have crashed attempting to open the file " +
                  std::string(rt::clip(entry)) +
                  ". Do you wish to have the program attempt to fix the file ? ";
  if (rt::showMessage(question) == rt::button::Yes) {
    rt::MessageRequest info;
    info.caption = "Information";
    info.icon = rt::MessageIcon::Information;
    info.text = "Select the " + entry + " file from the list, and then click on the FIX button.";
    rt::showMessage(info);
  }
  rt::putIni(core::kTableCheckSection, core::kBadFileEntry, "");
}

int FileManagerWindow::TakeAccepted() {
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?LISTQUEUE") {
    toggle(list_->currentIndex().row());
  } else if (name == "?TagAll") {
    tagAll(true);
    if (tu_DoFullUpgrade(0, 1) != 0) press("?Info");
  } else if (name == "?UntagAll") {
    tagAll(false);
  } else if (name == "?Build") {
    run("Build");
  } else if (name == "?Pack") {
    run("Pack");
  } else if (name == "?Release") {
    run("Release");
  } else if (name == "?Fix") {
    run("Fix");
  } else if (name == "?Freshen") {
    run("Freshen");
  } else if (name == "?Info") {
    run("Info");
    if (tu_DoFullUpgrade(0, 0) != 0) press("?Close");
  } else if (name == "?Create") {
    run("Create");
  } else if (name == "?Close") {
    Response = rt::kCompleted;
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

void FileManagerWindow::run(const std::string& action) {
  if (!std::any_of(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.TAGGED; })) return;
  progress_ = std::make_unique<Progress>();
  progress_->filesLeft = static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.TAGGED; }));
  // The files the program has open (those of the working folder).
  const std::filesystem::path folder = rt::openDataFolder();
  connection_ = std::make_unique<rt::MaintenanceConnection>(
      folder.empty() ? rt::workingFolder() : folder, core::practiceDataFiles());
  packed_.clear();
  repaired_.clear();
  fixOutcomes_.clear();
  fixFailed_ = false;
  done_.clear();
  ProgressWindow window(*progress_, [this, &action](ProgressWindow& shown) {
    progress_->refresh = [&shown] { shown.show(); };
    for (FileRow& row : rows_) {
      if (!row.TAGGED) continue;
      {
        std::lock_guard lock(progress_->mutex);
        progress_->currentFile = row.FILENAME;
      }
      progress_->set("", 0);
      shown.show();
      if (row.FILEHANDLE) runOne(action, row);
      --progress_->filesLeft;
      shown.show();
    }
    progress_->refresh = nullptr;
  });
  window.Run();
  // Nothing is held between runs: the files stay free for other workstations.
  rt::awaitWorker([this] { connection_->close(); });
  connection_.reset();
  progress_.reset();
  showRows();
  if (!fixOutcomes_.empty()) {
    rt::MessageRequest m;
    m.caption = "Fix";
    m.icon = fixFailed_ ? rt::MessageIcon::Warning : rt::MessageIcon::Information;
    for (const std::string& line : fixOutcomes_) m.text += (m.text.empty() ? "" : "|") + line;
    rt::showMessage(m);
  }
  for (const DoneText& said : kDoneTexts) {
    if (action != said.action) continue;
    rt::MessageRequest m;
    m.caption = said.caption;
    m.icon = rt::MessageIcon::Information;
    m.text = done_.empty() ? said.nothing : said.done;
    for (const std::string& name : done_) m.text += "|" + name;
    rt::showMessage(m);
  }
}

void FileManagerWindow::runOne(const std::string& action, FileRow& row) {
  if (action == "Build") build(row);
  if (action == "Pack") pack(row);
  if (action == "Release") release(row);
  if (action == "Fix") fix(row);
  if (action == "Freshen") freshen(row);
  if (action == "Info" || action == "Create") info(row, action == "Create");
  if (action == "Build" || action == "Pack" || action == "Fix") {
    const rt::TableProbe probe = rt::probeTable(*row.FILEHANDLE);
    if (probe.error == 0) row.FILERECORDS = std::to_string(probe.records);
  }
}

void FileManagerWindow::awaitWithProgress(std::function<void()> work) {
  rt::awaitWorker(std::move(work), [this] {
    if (progress_ && progress_->refresh) progress_->refresh();
  });
}

void FileManagerWindow::exclusiveAccessMessage(int error) {
  rt::MessageRequest m;
  m.caption = "File Access Error";
  m.icon = rt::MessageIcon::Error;
  m.text =
      "This option requires exclusive file access.|Please ensure no other users are in the system. "
      "|An error "
      "occured trying to open the file : Error " +
      rt::errorText(error);
  rt::showMessage(m);
}

void FileManagerWindow::build(FileRow& row) {
  const rt::TableDef& def = *row.FILEHANDLE;
  progress_->set("Building File", 0);
  int error = 0;
  bool cancelled = false;
  progress_->cancel = false;
  awaitWithProgress([&] {
    error = connection_->rebuildKeys(
        def,
        [&](int key) {
          const std::size_t keys = def.storage().keys.size();
          progress_->set("Key : " + keyLabel(def, def.storage().keys[key]),
                         static_cast<int>(key * 100 / keys));
        },
        progress_->cancel, &cancelled);
  });
  // A cancel abandons this table's rebuild (nothing of it is kept) and the
  // run goes on with the next one.
  progress_->cancel = false;
  if (error != 0 && error != rt::error::NoFile) exclusiveAccessMessage(error);
  if (error == 0 && !cancelled) done_.push_back(tableAndFile(row));
}

void FileManagerWindow::pack(FileRow& row) {
  const rt::DataFile* file = row.FILEHANDLE->storage().file;
  // Packing works on a whole file: once per run.
  if (std::find(packed_.begin(), packed_.end(), file) != packed_.end()) return;
  packed_.push_back(file);
  progress_->set("Packing File", 0);
  int error = 0;
  awaitWithProgress([&] { error = connection_->pack(*file); });
  if (error != 0 && error != rt::error::NoFile) exclusiveAccessMessage(error);
  if (error == 0) done_.push_back(fileOf(row.FILEHANDLE->diskName()));
  progress_->set("Packing File", 100);
}

void FileManagerWindow::release(FileRow& row) {
  progress_->set("Releasing Records", 0);
  std::int64_t count = 0;
  int error = 0;
  awaitWithProgress([&] {
    error = connection_->countRecords(*row.FILEHANDLE, &count, [&](int percent) {
      progress_->set("Releasing Records", percent);
    });
  });
  if (error == 0) {
    row.FILERECORDS = std::to_string(count);
    done_.push_back(tableAndFile(row));
  } else if (error != rt::error::NoFile) {
    exclusiveAccessMessage(error);
  }
}

void FileManagerWindow::fix(FileRow& row) {
  if (row.OWNER == "1") {
    rt::MessageRequest m;
    m.icon = rt::MessageIcon::Error;
    m.text = "Can't fix encrypted file : " + row.FILENAME;
    rt::showMessage(m);
    return;
  }
  // The repair program rewrites the whole file (and its structure file):
  // one repair per file, never two at once on it.
  const rt::DataFile* file = row.FILEHANDLE->storage().file;
  if (std::find(repaired_.begin(), repaired_.end(), file) != repaired_.end()) return;
  repaired_.push_back(file);
  std::string n = row.FILEHANDLE->diskName();
  if (n.find('!') != std::string::npos) {
    rt::MessageRequest question;
    question.caption = "Warning";
    question.icon = rt::MessageIcon::Warning;
    question.buttons = rt::button::Yes | rt::button::No;
    question.defaultButton = rt::button::No;
    question.text =
        "This is a multi-table data file. You can try using Fix, but the results are not "
        "guaranteed and could "
        "damage your file further.  Do you want to continue ? ";
    if (rt::showMessage(question) != rt::button::Yes) return;
    n = fileOf(n);
  }
  const std::string base = n.find('.') != std::string::npos ? n.substr(0, n.rfind('.')) : n;
  const int written = rt::writeStructureFile(
      *row.FILEHANDLE->storage().file, core::registeredTables(), rt::resolvePath(base + ".tpe"));
  if (written != 0) {
    rt::MessageRequest m;
    m.caption = "Error";
    m.icon = rt::MessageIcon::Error;
    m.text = "Error creating TPE file : " + rt::errorText(written);
    rt::showMessage(m);
    return;
  }
  const std::vector<std::string> words = commandWords(repairCommandLine(n, row.OEM));
  const std::string program = (rt::programFolder() / "datfix").string();
  const std::vector<std::string> args(words.begin() + 1, words.end());
  const std::filesystem::path folder = rt::workingFolder();
  // The repair runs on a worker while every window goes on answering; its
  // outcome is shown when the run ends.
  progress_->set("Fixing File", 0);
  rt::ProgramRun repair;
  awaitWithProgress([&] { repair = rt::runProgram(program, args, folder); });
  progress_->set("Fixing File", 100);
  if (!repair.started) {
    rt::MessageRequest m;
    m.caption = "Error";
    m.icon = rt::MessageIcon::Error;
    m.text = "No se pudo iniciar el programa de reparación "_cp + rt::runtimeName(program) + ".";
    rt::showMessage(m);
    return;
  }
  fixOutcomes_.push_back(fixOutcome(repair));
  if (repair.exitCode != rt::RepairOutcome::Repaired) fixFailed_ = true;
}

void FileManagerWindow::freshen(FileRow& row) {
  progress_->set("Copying File", 0);
  int error = 0;
  awaitWithProgress([&] { error = connection_->freshen(*row.FILEHANDLE); });
  if (error == rt::error::BadRecordDeclaration) {
    // A newer structure than the program's would lose its new fields.
    rt::MessageRequest m;
    m.caption = "Error";
    m.icon = rt::MessageIcon::Error;
    m.text =
        "La tabla " + row.FILENAME +
        " tiene una estructura más nueva que la de este programa: no se copió.|Actualice el programa."_cp;
    rt::showMessage(m);
  } else if (error != 0 && error != rt::error::NoFile) {
    exclusiveAccessMessage(error);
  }
  if (error == 0) done_.push_back(tableAndFile(row));
  info(row, false);
}

void FileManagerWindow::info(FileRow& row, bool create) {
  progress_->set(create ? "Creating File" : "Getting Information", 0);
  rt::TableProbe probe = rt::probeTable(*row.FILEHANDLE);
  if (probe.error == rt::error::NoFile && create) {
    const int error = rt::createTableStorage(*row.FILEHANDLE);
    if (error == 0) {
      row.DISKNAME = fileOf(row.FILEHANDLE->diskName());
      row.FILERECORDS = "0";
      done_.push_back(tableAndFile(row));
    } else {
      row.DISKNAME = errorColumn(error);
    }
    return;
  }
  if (probe.error == rt::error::NoFile && !create) {
    // A table is stored with its first record: one not stored yet is empty.
    probe = rt::TableProbe{};
  }
  if (probe.error == 0) {
    row.FILERECORDS = std::to_string(probe.records);
    row.DISKNAME = fileOf(row.FILEHANDLE->diskName());
  } else {
    row.FILERECORDS = "?";
    row.DISKNAME = errorColumn(probe.error);
  }
  progress_->set(create ? "Creating File" : "Getting Information", 100);
}

int RuntimeFileManager() {
  FileManagerWindow window;
  return window.Run();
}

}  // namespace admin
