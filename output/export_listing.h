#pragma once
// The export's print: the chosen columns as a table listing, the title, the
// column heads and the page number on every page, a totals row at the end.
#include <vector>

#include "platform/export/export_file.h"
#include "platform/ui/report_pages.h"

namespace output {

std::vector<rt::ReportPage> exportListingPages(const rt::ExportFileTable& table);

// Shows the listing in the print preview and prints it when asked.
void printExportListing(const rt::ExportFileTable& table);

}  // namespace output
