#pragma once
// The three files and tables of the crash tests, shared by the writer that
// gets killed and the test that checks what it left.
#include <array>
#include <vector>

#include "platform/data/table_dictionary.h"

namespace rt::crash {

inline const DataFile& mainFile() {
  static const DataFile f{"Varneta.dat", ""};
  return f;
}
inline const DataFile& clinicalFile() {
  static const DataFile f{"VarnetaC.dat", "k3y9pass1"};
  return f;
}
inline const DataFile& agendaFile() {
  static const DataFile f{"VarnetaA.dat", "a9enda77x"};
  return f;
}
inline std::vector<const DataFile*> files() {
  return {&mainFile(), &clinicalFile(), &agendaFile()};
}

// One table per file; each transaction of the writer touches the three.
inline const TableDef& movements(int file) {
  auto build = [](const DataFile& f) {
    return TableBuilder("Movimientos", "MOV", "MOVIMIENTOS", f, 1)
        .field<ULong>("Codigo")
        .field<String<60>>("Texto")
        .key("MOV01", "Codigo", KeyKind::Primary, true, "Codigo", 1)
        .build();
  };
  static const std::array<TableDef, 3> defs = {build(mainFile()), build(clinicalFile()),
                                               build(agendaFile())};
  return defs[file];
}

}  // namespace rt::crash
