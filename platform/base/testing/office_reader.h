#pragma once
// LibreOffice, where it is installed, as an independent reader of the files
// the program writes: files converted headless, with a profile of the test
// process's own, into the text the reader finds in them.
#include <filesystem>
#include <string>
#include <vector>

namespace rt::testing {

// Whether `soffice` is on the PATH; a test that needs it skips when not.
bool officeInstalled();

// Converts `files` into `folder` with `filter` (as `--convert-to` takes it,
// "csv:Text - txt - csv (StarCalc):44,34,76" or "txt:Text (encoded):UTF8");
// the converted files keep their base names. False, with the reader's output
// in `output`, when it failed.
bool convertWithOffice(const std::vector<std::filesystem::path>& files, const std::string& filter,
                       const std::filesystem::path& folder, std::string& output);

// A converted text file as lines: its byte-order mark, line ends, the blanks
// at the end of each line and the empty lines at its end left out.
std::vector<std::string> textLines(const std::filesystem::path& file);

}  // namespace rt::testing
