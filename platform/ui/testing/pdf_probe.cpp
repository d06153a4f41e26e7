#include "platform/ui/testing/pdf_probe.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace rt::testing {

std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "could not run: " << command;
    return out;
  }
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int status = pclose(pipe);
  // The shell's 127: the tool is not installed (scripts/install-deps.sh
  // installs it). A check that read its output would pass without it.
  if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    ADD_FAILURE() << "a tool this test needs is missing: " << command;
  }
  return out;
}

std::string pdfText(const std::string& path) {
  return commandOutput("pdftotext -layout '" + path + "' -");
}

std::string pdfInfo(const std::string& path) { return commandOutput("pdfinfo '" + path + "'"); }

std::string pdfMetadata(const std::string& path) {
  return commandOutput("pdfinfo -meta '" + path + "'");
}

std::string infoField(const std::string& facts, const std::string& name) {
  const auto at = facts.find(name + ":");
  if (at == std::string::npos) return {};
  const auto start = facts.find_first_not_of(' ', at + name.size() + 1);
  if (start == std::string::npos) return {};
  return facts.substr(start, facts.find('\n', start) - start);
}

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

void keepForReview(const std::filesystem::path& file, const std::string& name) {
  if (const char* keep = std::getenv("VARNETA_KEEP_REPORT_SHOTS")) {
    const std::string kept = name.empty() ? file.filename().string() : name;
    std::filesystem::copy_file(file, std::filesystem::path(keep) / kept,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

}  // namespace rt::testing
