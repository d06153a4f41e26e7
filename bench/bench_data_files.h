#pragma once
// The two data files the table benchmarks write: the plain one and one with
// an owner password.
#include "platform/data/table_dictionary.h"

namespace bench {

inline const rt::DataFile& plainFile() {
  static const rt::DataFile f{"Varneta.dat", ""};
  return f;
}
inline const rt::DataFile& secretFile() {
  static const rt::DataFile f{"VarnetaC.dat", "k3y9pass1"};
  return f;
}

}  // namespace bench
