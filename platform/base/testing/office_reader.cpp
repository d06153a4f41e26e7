#include "platform/base/testing/office_reader.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "platform/base/testing/test_environment.h"

namespace rt::testing {
namespace {

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool officeInstalled() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

bool convertWithOffice(const std::vector<std::filesystem::path>& files, const std::string& filter,
                       const std::filesystem::path& folder, std::string& output) {
  const std::filesystem::path profile = testRoot() / "office-profile";
  // Numbers and dates read in the one locale the expected texts are written
  // for; the bound only keeps a reader that hangs from holding the run.
  std::string command =
      "env LC_ALL=C.UTF-8 LANG=C.UTF-8 timeout 300 soffice -env:UserInstallation=file://" +
      profile.string() + " --headless --norestore --convert-to " + quoted(filter) + " --outdir " +
      quoted(folder.string());
  for (const std::filesystem::path& file : files) command += " " + quoted(file.string());
  command += " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  output.clear();
  if (!pipe) return false;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
  const int status = pclose(pipe.release());
  if (status != 0) return false;
  // The reader ends well also when it could not load a file: what counts is
  // that every converted file is there.
  const std::string extension = "." + filter.substr(0, filter.find(':'));
  for (const std::filesystem::path& file : files) {
    std::filesystem::path converted = folder / file.stem();
    converted += extension;
    if (!std::filesystem::exists(converted)) return false;
  }
  return true;
}

std::vector<std::string> textLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (lines.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    lines.push_back(std::move(line));
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace rt::testing
