// datfix <file> /E:<structure> [/K] [/A] [/O]: repairs a damaged data file
// from the description of its structure that table maintenance writes
// ("<file base>.tpe"). Every readable record is copied into a fresh file of
// that structure, which is then written back into the same file; the damaged
// file is kept as "<file>.dañado" (/K, accepted, asks for what is always
// done), /A asks nothing, /O is
// accepted for the old character-set switch and changes nothing (the files
// keep their text in UTF-8). Relative names lie in the current folder.
// Prints one line of outcome and ends with its code: 0 repaired, 1 bad
// arguments, 2 unreadable, 3 in use elsewhere (nothing changed), 4 a newer
// structure than the description (nothing changed), 5 could not write,
// 6 the user said no, 7 repaired with records set aside (read, but not given
// to a table: the line names the table that holds them).
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/data/maintenance.h"

namespace {

bool hasPrefix(const std::string& text, const char* prefix) {
  const std::string p(prefix);
  if (text.size() < p.size()) return false;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != p[i]) return false;
  }
  return true;
}

int usage(const std::string& why) {
  std::printf("datfix: %s\nuso: datfix <archivo> /E:<estructura> [/K] [/A] [/O]\n", why.c_str());
  return rt::RepairOutcome::BadArguments;
}

}  // namespace

int main(int argc, char** argv) {
  rt::RepairRequest request;
  bool ask = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (hasPrefix(arg, "/E:")) {
      request.structure = arg.substr(3);
    } else if (hasPrefix(arg, "/K") && arg.size() == 2) {
      // The damaged file is always kept.
    } else if (hasPrefix(arg, "/A") && arg.size() == 2) {
      ask = false;
    } else if (hasPrefix(arg, "/O") && arg.size() == 2) {
    } else if (!arg.empty() && arg[0] != '/' && request.file.empty()) {
      request.file = arg;
    } else {
      return usage("argumento desconocido: " + arg);
    }
  }
  if (request.file.empty()) return usage("falta el archivo a reparar");
  if (request.structure.empty()) return usage("falta la descripción de la estructura (/E:)");
  if (ask) {
    std::printf("¿Reparar %s? Se reescribe el archivo. (S/N) ", request.file.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer) || (answer != "S" && answer != "s")) {
      std::printf("datfix: no se modificó %s.\n", request.file.c_str());
      return 6;
    }
  }
  const rt::RepairOutcome outcome = rt::repairDataFile(request);
  std::printf("%s\n", outcome.text.c_str());
  return outcome.code;
}
