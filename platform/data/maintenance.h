#pragma once
// Maintenance of the data files: a consistent copy of the open files (for
// backups), rebuilding keys, packing, counting, copying a table into its
// current structure, describing a file's structure and repairing a damaged
// file from that description. The long operations run on a connection of
// their own, made by the calling OS thread (a worker), never on the windows'
// connection; every operation answers 0 or a runtime error code.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/table_dictionary.h"

struct sqlite3;

namespace rt {

// The folder of the files the windows' connection has open; empty when none.
std::filesystem::path openDataFolder();

// A connection of a worker's own to the files of a data folder, attached as
// the windows' connection attaches them (the owner-password files through
// the encrypting VFS). Nothing is created: a missing file is an error.
class MaintenanceConnection {
 public:
  MaintenanceConnection(std::filesystem::path folder, std::vector<const DataFile*> files);
  ~MaintenanceConnection();
  MaintenanceConnection(const MaintenanceConnection&) = delete;
  MaintenanceConnection& operator=(const MaintenanceConnection&) = delete;

  // Opens on first use; 0 or the runtime error.
  int open();
  void close();

  // A consistent copy of every file into `target` (files of the same names,
  // the sealed ones sealed under their own password): one read transaction
  // spans all the files while they are copied, so no commit of any
  // workstation falls between two of them. A workstation that is writing is
  // waited for, up to `limitMs`. `heldMs` receives how long the files were
  // held against writers.
  int copyFilesTo(const std::filesystem::path& target, int limitMs = 10000,
                  double* heldMs = nullptr);

  // Rebuilds the table's keys one by one under the file's write lock, in one
  // transaction: `onKey` hears each key's index before it is built. `cancel`
  // abandons the rebuild (rolled back) and answers 0 with *cancelled true.
  // 32 when another workstation reads or writes the file.
  int rebuildKeys(const TableDef& def, const std::function<void(int key)>& onKey,
                  const std::atomic<bool>& cancel, bool* cancelled);
  // Packs the file (frees unused pages); needs that nobody else uses it.
  int pack(const DataFile& file);
  // Counts the table's records under the file's write lock; `onProgress`
  // hears the percentage read (100 at the end, also for an empty table).
  int countRecords(const TableDef& def, std::int64_t* count,
                   const std::function<void(int percent)>& onProgress);
  // Copies the table into a fresh one of its registered structure (see
  // copyIntoCurrentStructure). A table stored under a newer structure than
  // the program's is refused (47): the copy would lose its new fields.
  int freshen(const TableDef& def);

  // SQLite's message of the last failure.
  const std::string& message() const { return message_; }

 private:
  int fail(int sqliteResult);
  std::string schemaOf(const DataFile& file) const;
  int lockForWriting(const DataFile& file);

  std::filesystem::path folder_;
  std::vector<const DataFile*> files_;
  sqlite3* db_ = nullptr;
  std::string message_;
};

// What the windows' connection knows of a table without changing anything:
// error 0 with its record count; 2 when the table is not stored in its file
// (or the file's own error); `version` the structure version recorded.
struct TableProbe {
  int error = 0;
  std::int64_t records = 0;
  int version = -1;
};
TableProbe probeTable(const TableDef& def);
// Creates a table missing from its file (or brings it up to date): 0 or the error.
int createTableStorage(const TableDef& def);
// Rebuilds the table's keys on the windows' connection (no transaction
// open), in one transaction: 0 or the error.
int rebuildTableKeys(const TableDef& def);
// Whether any of the tables is stored under an older structure than its own.
bool olderStructureStored(const std::vector<const TableDef*>& tables);

// Writes the structure description of every table of `tables` that lies in
// `file` (tables sharing another's storage are described once) into `path`:
// the statements that create them, their keys and their recorded versions.
int writeStructureFile(const DataFile& file, const std::vector<const TableDef*>& tables,
                       const std::filesystem::path& path);

// Repair of a damaged data file from its structure description: takes the
// file's write lock (or changes nothing), copies every record it can read
// (through SQLite, and from the table pages themselves for what SQLite
// cannot reach: a damaged schema or page header, a lost interior page or
// root, a file cut short) into a fresh database of that structure; a record
// found outside its table's tree goes to the table whose layout it fits,
// and one that fits several (or that a key refuses) is set aside in a table
// of its own ("_varneta_apartados", counted and named in the outcome).
// Keeps the damaged file as "<name>.dañado" and writes the fresh one back
// into the same file page by page, so that workstations that have the file
// open go on with it. Nothing changes when a journal of an unfinished write
// lies beside the file, when no record could be read, or when a record read
// could not be copied.
struct RepairRequest {
  std::filesystem::path file;
  std::filesystem::path structure;  // the description written by writeStructureFile
};
struct RepairOutcome {
  enum Code {
    Repaired = 0,
    BadArguments = 1,
    Unreadable = 2,      // the file or its description cannot be read
    Locked = 3,          // another workstation holds the file, or a write on it is unfinished
    NewerStructure = 4,  // the file holds a table of a newer structure
    WriteFailed = 5,
    RowsSetAside = 7,  // repaired, but rows read could not be given to their table
  };
  Code code = Unreadable;
  std::int64_t recovered = 0;   // records copied
  std::int64_t unreadable = 0;  // records that once were and could not be read
  std::int64_t setAside = 0;    // records read but kept in a table of their own
  std::filesystem::path keptAs;
  std::string text;  // one line of outcome (UTF-8, for a terminal)
};
RepairOutcome repairDataFile(const RepairRequest& request);

}  // namespace rt
