#pragma once
// Structure versions of the stored tables. A meta table in each file keeps
// the version each table was written under. Opening a table creates it when
// missing, brings an older one up to date (fields found under a former name
// keep their data) and refuses a newer one, which is then marked bad.
#include <functional>

#include "platform/data/table_dictionary.h"

namespace rt {

// 0, or the runtime error that keeps the table from opening.
int ensureTableStorage(const TableDef& def);

// Told whenever a table is found unusable (bad = true) or opened well.
using TableHealthHook = std::function<void(const TableDef& def, bool bad)>;
void setTableHealthHook(TableHealthHook hook);

}  // namespace rt
