#pragma once
// A small table that shows what each format does with the values it meets:
// accents, decimals, a date, a time, a blank date and time, a text that looks
// like a formula, markup characters, a control character, two lines in one
// value, a totalled number column and a totalled text column. The writer's
// tests read it back; tools/export_sample writes it for a person to open.
#include "platform/export/export_file.h"

namespace rt {

ExportFileTable sampleExportTable();

}  // namespace rt
