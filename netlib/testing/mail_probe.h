#pragma once
// Reads a message as a mail program would: Python's email package (run with
// the system's Python) parses what the SMTP test server stored, and answers
// the header fields and every leaf part (content type, transfer encoding,
// file name, decoded bytes).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace netlib::testing {

struct ProbedPart {
  std::string type, encoding, filename, bytes;
};
struct ProbedMail {
  std::map<std::string, std::string> headers;  // present fields only
  std::vector<ProbedPart> parts;
  int defects = 0;
  const ProbedPart* part(const std::string& type) const {
    for (const ProbedPart& p : parts) {
      if (p.type == type && p.filename.empty()) return &p;
    }
    return nullptr;
  }
  const ProbedPart* attachment(const std::string& filename) const {
    for (const ProbedPart& p : parts) {
      if (p.filename == filename) return &p;
    }
    return nullptr;
  }
};

namespace mail_probe_detail {

inline constexpr const char* kScript = R"PY(
import sys, email, email.policy, binascii
m = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.compat32)
def out(k, v):
    if not isinstance(v, bytes): v = str(v).encode('utf-8')
    print(k + "\t" + binascii.hexlify(v).decode())
for h in ('Subject', 'From', 'To', 'Cc', 'Bcc', 'Reply-To', 'Organization', 'MIME-Version'):
    if m.get(h) is not None:
        value = email.header.decode_header(m.get(h))
        out('header\t' + h, ''.join(p.decode(c or 'latin-1') if isinstance(p, bytes) else p for p, c in value))
out('defects', str(len(m.defects)))
for part in m.walk():
    if part.is_multipart(): continue
    print("part")
    out('type', part.get_content_type())
    out('encoding', part.get('Content-Transfer-Encoding', ''))
    out('filename', part.get_filename() or '')
    out('bytes', part.get_payload(decode=True) or b'')
)PY";

inline std::string unhex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

}  // namespace mail_probe_detail

inline ProbedMail probeMail(const std::string& raw) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path();
  const fs::path script = folder / ("varneta-mail-probe-" + std::to_string(::getpid()) + ".py");
  const fs::path message = folder / ("varneta-mail-probe-" + std::to_string(::getpid()) + ".eml");
  std::ofstream(script) << mail_probe_detail::kScript;
  std::ofstream(message, std::ios::binary) << raw;
  ProbedMail mail;
  FILE* pipe =
      ::popen(("/usr/bin/python3 " + script.string() + " " + message.string()).c_str(), "r");
  if (pipe == nullptr) return mail;
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  ::pclose(pipe);
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(start, end - start);
    start = end + 1;
    std::vector<std::string> cells;
    for (std::size_t from = 0;;) {
      const std::size_t tab = line.find('\t', from);
      cells.push_back(line.substr(from, tab - from));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    using mail_probe_detail::unhex;
    if (cells[0] == "part") {
      mail.parts.emplace_back();
    } else if (cells[0] == "header" && cells.size() == 3) {
      mail.headers[cells[1]] = unhex(cells[2]);
    } else if (cells[0] == "defects" && cells.size() == 2) {
      mail.defects = std::stoi(unhex(cells[1]));
    } else if (cells.size() == 2 && !mail.parts.empty()) {
      ProbedPart& p = mail.parts.back();
      if (cells[0] == "type") p.type = unhex(cells[1]);
      if (cells[0] == "encoding") p.encoding = unhex(cells[1]);
      if (cells[0] == "filename") p.filename = unhex(cells[1]);
      if (cells[0] == "bytes") p.bytes = unhex(cells[1]);
    }
  }
  fs::remove(script);
  fs::remove(message);
  return mail;
}

}  // namespace netlib::testing
