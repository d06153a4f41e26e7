#pragma once
// The process-wide debug output (the stand-in for the system's debug-output
// channel). Off by default; VARNETA_DEBUG=stderr or VARNETA_DEBUG=<file>
// turns it on. Tests capture the lines with DebugCapture.
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// Writes one line of runtime text (CP1252; written out as UTF-8, a trailing
// line break added when missing). Safe from any OS thread.
void debugOutput(std::string_view line);

// While alive, every line written goes to this capture (as well as to the
// configured sink). Captures nest; the innermost one receives the lines.
class DebugCapture {
 public:
  DebugCapture();
  ~DebugCapture();
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;

  // Lines without their line break.
  std::vector<std::string> lines() const;
  void clear();

 private:
  friend void debugOutput(std::string_view line);
  std::vector<std::string> lines_;
  DebugCapture* outer_;
};

}  // namespace rt
