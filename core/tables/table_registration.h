#pragma once
// Registration of every table with its structure version, and the start-up
// check for tables found bad: a table that could not be opened because its
// structure is newer than the program's (or damaged) is recorded in WIN.INI,
// and the next start opens table maintenance.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/table_dictionary.h"

namespace core {

// The WIN.INI section and entry that record the bad tables.
inline constexpr const char* kTableCheckSection = "Varneta";
inline constexpr const char* kBadFileEntry = "BadFile";

// Every table, in registration order.
const std::vector<const rt::TableDef*>& registeredTables();
// The registered table with this label (a logic error when there is none).
const rt::TableDef& registeredTable(std::string_view label);

// The start-up step: registers the tables (from then on a table found bad is
// recorded and a good open clears it), then runs "RuntimeFileManager" when a
// bad table is recorded.
void registerTables();

// A data file SQLite found damaged while the program ran: says so once,
// naming it, and records its tables in the "BadFile" entry so the next start
// opens table maintenance. registerTables() sets it as the table layer's hook.
void reportDamagedDataFile(const rt::DataFile& file);

// When a data file of the folder is damaged or empty (or a journal lies
// without its file, or the last open found the file or its journal
// unreadable): says so once, naming it, records its tables in the
// "BadFile" entry so the next start opens table maintenance, and answers
// true. The files are left as they are.
// A start that finds the damage an earlier start recorded opens table
// maintenance at once instead of reporting it again; false when nothing was
// recorded.
bool openMaintenanceForRecordedDamage();
bool reportDamagedDataFiles(const std::filesystem::path& folder);

// Opens every registered table on the calling thread: 0, or the first error.
int openAllTables();
void closeAllTables();

}  // namespace core
