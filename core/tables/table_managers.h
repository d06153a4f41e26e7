#pragma once
// The table managers of each logical thread: for every table an access
// object and the relation object that owns it. Every window, report and
// windowless procedure reaches a table through the calling thread's objects.
#include "core/tables/table_access.h"
#include "core/tables/table_relations.h"

namespace core {

// Builds the objects of every table for the calling thread (no file is
// opened), and destroys them again. Registered under the start-up's names.
void TableManagersInit();
void TableManagersKill();
void registerTableManagers();

// The calling thread's objects of a table; null before TableManagersInit and
// after TableManagersKill on the thread.
TableAccess* accessOf(const rt::TableDef& def);
TableRelations* relationsOf(const rt::TableDef& def);
// The same, for a thread that has its managers (a logic error otherwise).
TableAccess& access(const rt::TableDef& def);
TableRelations& relate(const rt::TableDef& def);

}  // namespace core
