#pragma once
// Table maintenance: the program's tables in a list, tagged by the user, and
// the actions run on the tagged ones (rebuild keys, pack, count, repair
// through the outside program datfix, copy into the current structure,
// information, create). The long actions (datfix included) run on a worker,
// with a database connection of its own, shown in a progress window that
// can cancel a rebuild; when a run ends it says what it did: datfix's outcome
// for each file, or the tables (files) rebuilt, packed, released, copied or
// created. At open the window deals with a table recorded as bad at start.
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/shapes/aided_window.h"
#include "platform/data/table_dictionary.h"

class QTreeWidget;

namespace rt {
class MaintenanceConnection;
}

namespace admin {

// One row of the list.
struct FileRow {
  bool TAGGED = false;
  std::string FILEDESC;
  std::string FILERECORDS = "?";
  std::string DISKNAME;
  std::string FILENAME;  // the table's label
  std::string OWNER;     // "1" for a table stored with an owner password
  std::string OEM;       // "/O" or two blanks
  bool NOTFIXABLE = false;
  bool NOTFRESHENABLE = false;
  const rt::TableDef* FILEHANDLE = nullptr;  // null for a file that is not a table
  std::string FILEDRIVER = "TOPSPEED";
};

// The rows, sorted by description.
std::vector<FileRow> fileRows();

// The command line that starts the repair program for a disk name and its
// OEM argument.
std::string repairCommandLine(const std::string& diskName, const std::string& oem);
// A command line taken apart into its words ("..." groups words with blanks).
std::vector<std::string> commandWords(const std::string& commandLine);

// tu_DoFullUpgrade: not 0 while a table is stored under an older structure
// than the program's.
int tu_DoFullUpgrade(int unused, int flag);

class FileManagerWindow : public core::AidedWindow {
 public:
  FileManagerWindow();
  ~FileManagerWindow() override;
  int Init() override;
  int Kill() override;
  int TakeAccepted() override;

  const std::vector<FileRow>& rows() const { return rows_; }
  // Choosing a row toggles its tag; tag-all and untag-all.
  void toggle(int row);
  void tagAll(bool tagged);

  // What the worker tells the progress window.
  struct Progress;

 private:
  void showRows();
  void updateButtons();
  void badFilePrompt();
  // Runs the action on every tagged row under the progress window.
  void run(const std::string& action);
  void runOne(const std::string& action, FileRow& row);
  void build(FileRow& row);
  void pack(FileRow& row);
  void release(FileRow& row);
  void fix(FileRow& row);
  void freshen(FileRow& row);
  void info(FileRow& row, bool create);
  void exclusiveAccessMessage(int error);
  void press(const char* button);
  // Runs long work on a worker while the progress window shows its state.
  void awaitWithProgress(std::function<void()> work);

  std::vector<FileRow> rows_;
  QPointer<QTreeWidget> list_;
  std::unique_ptr<Progress> progress_;
  std::unique_ptr<rt::MaintenanceConnection> connection_;
  // The files a run has packed or started a repair of: each once per run.
  std::vector<const rt::DataFile*> packed_;
  std::vector<const rt::DataFile*> repaired_;
  // What the repair program said of each file it repaired in this run.
  std::vector<std::string> fixOutcomes_;
  bool fixFailed_ = false;
  // The tables (or files) the run's action was done on, as its end names them.
  std::vector<std::string> done_;
};

// The procedure "RuntimeFileManager".
int RuntimeFileManager();

}  // namespace admin
