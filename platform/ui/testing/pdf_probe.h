#pragma once
// Reads PDF files back through poppler's command-line tools, for tests, and
// counts and keeps what the reports wrote.
#include <filesystem>
#include <string>

namespace rt::testing {

// What a command prints on its standard output; a command the shell cannot
// find (the tool is missing) fails the test.
std::string commandOutput(const std::string& command);
// The text of a PDF file laid out as on its pages; pages end with "\f".
std::string pdfText(const std::string& path);
// pdfinfo's facts, and the document's XMP metadata (pdfinfo -meta).
std::string pdfInfo(const std::string& path);
std::string pdfMetadata(const std::string& path);
// The value of a "Name: value" line of pdfinfo's facts; empty when missing.
std::string infoField(const std::string& facts, const std::string& name);
// How many times `what` stands in `text`, overlapping ones counted.
int occurrences(const std::string& text, const std::string& what);
// Copies a file into $VARNETA_KEEP_REPORT_SHOTS, when set, to be looked at:
// under `name`, or its own name when `name` is empty.
void keepForReview(const std::filesystem::path& file, const std::string& name = {});

}  // namespace rt::testing
