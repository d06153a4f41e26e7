#pragma once
// Macro references in a letter ("***PACNOMBRE***", "***FECHA***", a user's
// "***DIAGNOSTICO***") and their substitution. The letter is rich text and
// substitution works on its markup: every inserted value is escaped for
// RTF, so a value prints as typed and can never break the letter. The
// letter is held whole (it is never stored, so it has no width).
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace letters {

// One user macro offered to the letter's writer (`QMA`).
struct MacroRow {
  std::string DESCRIPCION;    // STRING(80)
  std::string VALOR;          // STRING(255)
  std::string IDENTIFICADOR;  // STRING(20), in capitals
};
using MacroList = std::vector<MacroRow>;

// A `Macros` record as the value list needs it.
struct MacroRecord {
  std::string Identificador;
  std::string Descripcion;
  std::string Valor;
  std::uint8_t Interna = 0;
  std::uint8_t ConservarValor = 0;
};
// Finds a macro by its identifier (in capitals), as the `MAC:MAC03` key does.
using MacroLookup = std::function<std::optional<MacroRecord>(const std::string& identifier)>;

// The system references ("***FECHA***", "***PACNOMBRE***" ...) with their
// values as they are inserted (before RTF escaping).
using SystemMacroValues = std::map<std::string, std::string, std::less<>>;

// The patient group and the physician group, in the order they are compared.
extern const std::vector<std::string_view> kPatientReferences;
extern const std::vector<std::string_view> kPhysicianReferences;

// The substitutions one run may make; past it the run is taken for a value
// that brings back its own reference.
inline constexpr int kMaxSubstitutions = 10000;

struct SubstitutionResult {
  bool completed = true;
  // When not completed: the reference being replaced when the run stopped;
  // the letter is as it was before the run.
  std::string runaway;
  int substitutions = 0;
};

// Replaces every reference of `letter` whose value is known: system
// references from `values`, user references from `qma`. References inside
// inserted values are replaced in their turn.
SubstitutionResult ReemplazarMacros(std::string& letter, const MacroList& qma,
                                    const SystemMacroValues& values);

// Adds to `qma` the user macros `templateText` refers to, once each, in the
// order of their first reference; rows already there keep their values.
void ArmarListaMacros(std::string_view templateText, MacroList& qma, const MacroLookup& lookup);

// "***FECHA***": " 5 de Setiembre de 2026" (the day right-aligned in two).
std::string ReemplazarMacroFecha(std::int32_t date);

// A value written into RTF markup: "\", "{" and "}" escaped, characters
// above 127 as \'hh.
std::string rtfEscaped(std::string_view value);

// The message shown when a run stopped on a reference that never ends.
std::string runawayMessage(const std::string& reference);

// The system values read from the tables through the calling thread's
// buffers: the patient's and the physician's by their codes, with their
// locality, coverage plan and speciality. A code of 0 (none chosen), or one
// without a record, gives empty values for its whole group; so does a
// catalogue code without a record for its one value.
void ValoresPaciente(SystemMacroValues& values, std::uint16_t patient);
void ValoresMedico(SystemMacroValues& values, std::uint16_t physician);
SystemMacroValues valoresDelSistema(std::uint16_t patient, std::uint16_t physician,
                                    std::int32_t today);

// The letter's substitution with the system values of the chosen patient and
// physician and of today.
SubstitutionResult ReemplazarMacros(std::string& letter, const MacroList& qma,
                                    std::uint16_t patient, std::uint16_t physician);

// The `Macros` table through the calling thread's buffer.
std::optional<MacroRecord> findMacroRecord(const std::string& identifier);

}  // namespace letters
