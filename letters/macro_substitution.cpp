#include "letters/macro_substitution.h"

#include <cstdio>

#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/text_order.h"

namespace letters {

const std::vector<std::string_view> kPatientReferences = {
    "***PACNOMBRE***",    "***PACDOMICILIO***", "***PACDOCUMENTO***", "***PACLOCALIDAD***",
    "***PACCOBERTURA***", "***PACCARNET***",    "***PACEDAD***"};
const std::vector<std::string_view> kPhysicianReferences = {
    "***MEDNOMBRE***", "***MEDDOMICILIO***", "***MEDMATRICULA***", "***MEDLOCALIDAD***",
    "***MEDESPECIALIDAD***"};

namespace {

constexpr std::string_view kMarker = "***";
constexpr std::string_view kDateReference = "***FECHA***";
constexpr std::size_t kIdentifierWidth = 20;

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the markup ends in a control word with nothing after it to end it
// ("\b", "\fs28", "\li-200"): text spliced on would become part of the word.
bool endsInOpenControlWord(std::string_view markup) {
  std::size_t at = markup.size();
  while (at > 0 && isDigit(markup[at - 1])) --at;
  if (at < markup.size() && at > 0 && markup[at - 1] == '-') --at;
  const std::size_t nameEnd = at;
  while (at > 0 && isAsciiLetter(markup[at - 1])) --at;
  if (at == nameEnd || at == 0 || markup[at - 1] != '\\') return false;
  // "\\b" is a backslash as text followed by the letter b.
  std::size_t backslashes = 0;
  while (at > 0 && markup[at - 1] == '\\') {
    ++backslashes;
    --at;
  }
  return backslashes % 2 == 1;
}

// One run over a letter: the working text, the same text in capitals for
// comparing (same length, same positions) and the scan position.
class MacroScan {
 public:
  MacroScan(std::string text, const MacroList& qma, const SystemMacroValues& values)
      : working_(std::move(text)), compare_(rt::upper(working_)), qma_(qma), values_(values) {}

  SubstitutionResult run() {
    SubstitutionResult result;
    for (position_ = 0; position_ < compare_.size(); ++position_) {
      const std::string_view here = std::string_view(compare_).substr(position_);
      if (here.starts_with(kDateReference))
        substitute(kDateReference, kDateReference.size(), system(kDateReference));
      else if (here.starts_with("***PAC"))
        ReemplazarMacrosPaciente(here);
      else if (here.starts_with("***MED"))
        ReemplazarMacrosMedico(here);
      else if (here.starts_with(kMarker))
        ReemplazarMacroUsuario();
      if (!runaway_.empty()) {
        result.completed = false;
        result.runaway = runaway_;
        break;
      }
    }
    result.substitutions = substitutions_;
    return result;
  }

  const std::string& text() const { return working_; }

 private:
  std::string system(std::string_view reference) const {
    const auto found = values_.find(reference);
    return found == values_.end() ? std::string() : found->second;
  }

  void ReemplazarMacrosPaciente(std::string_view here) {
    substituteGroup(here, kPatientReferences);
  }
  void ReemplazarMacrosMedico(std::string_view here) {
    substituteGroup(here, kPhysicianReferences);
  }

  // The patient and physician groups: a reference of the group that is not
  // one of its own stays as typed.
  void substituteGroup(std::string_view here, const std::vector<std::string_view>& group) {
    for (std::string_view reference : group)
      if (here.starts_with(reference))
        return substitute(reference, reference.size(), system(reference));
  }

  void ReemplazarMacroUsuario() {
    const std::size_t close = compare_.find(kMarker, position_ + kMarker.size());
    if (close == std::string::npos) return;
    std::string identifier =
        compare_.substr(position_ + kMarker.size(), close - position_ - kMarker.size());
    if (identifier.size() > kIdentifierWidth) identifier.resize(kIdentifierWidth);
    for (const MacroRow& row : qma_) {
      if (row.IDENTIFICADOR != identifier) continue;
      const std::size_t length = close + kMarker.size() - position_;
      return substitute(std::string_view(compare_).substr(position_, length), length,
                        trimmed(row.VALOR));
    }
  }

  // Splices the value over the reference and starts the scan again at the
  // text's second character, so references the value brings are replaced too.
  void substitute(std::string_view reference, std::size_t length, const std::string& value) {
    if (++substitutions_ > kMaxSubstitutions) {
      runaway_ = std::string(reference);
      return;
    }
    // Templates written before control words were always ended hold markup
    // such as "\b***PACNOMBRE***": the value starts after a delimiting blank.
    std::string inserted = rtfEscaped(value);
    if (endsInOpenControlWord(std::string_view(working_).substr(0, position_)))
      inserted.insert(0, 1, ' ');
    working_.replace(position_, length, inserted);
    // Capitals keep a text's length, so only the spliced part is compared anew.
    compare_.replace(position_, length, rt::upper(inserted));
    position_ = 0;
  }

  std::string working_;
  std::string compare_;
  const MacroList& qma_;
  const SystemMacroValues& values_;
  std::size_t position_ = 0;
  int substitutions_ = 0;
  std::string runaway_;
};

// Gathers the identifier after the opening marker at `position`; moves
// `position` to the closing marker's second asterisk when there is one.
std::string AgregarMacroALista(std::string_view text, std::size_t& position) {
  std::string identifier;
  for (std::size_t at = position + kMarker.size(); at < text.size(); ++at) {
    if (text.substr(at).starts_with(kMarker)) {
      position = at + 2;
      break;
    }
    // Blanks fall away; only the first characters that fit count.
    identifier = trimmed(identifier);
    if (identifier.size() < kIdentifierWidth) identifier += text[at];
  }
  return trimmed(identifier);
}

}  // namespace

std::string rtfEscaped(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (byte > 127) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\'%02x", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

SubstitutionResult ReemplazarMacros(std::string& letter, const MacroList& qma,
                                    const SystemMacroValues& values) {
  MacroScan scan(letter, qma, values);
  SubstitutionResult result = scan.run();
  if (result.completed) letter = scan.text();
  return result;
}

void ArmarListaMacros(std::string_view templateText, MacroList& qma, const MacroLookup& lookup) {
  const std::string text = trimmed(templateText);
  for (std::size_t position = 0; position < text.size(); ++position) {
    if (!std::string_view(text).substr(position).starts_with(kMarker)) continue;
    const std::string identifier = AgregarMacroALista(text, position);
    if (identifier.empty()) continue;
    const std::optional<MacroRecord> macro = lookup(rt::upper(identifier));
    if (!macro || macro->Interna != 0) continue;
    const std::string id = trimmed(macro->Identificador);
    bool listed = false;
    for (const MacroRow& row : qma) listed = listed || row.IDENTIFICADOR == id;
    if (listed) continue;
    qma.push_back({trimmed(macro->Descripcion),
                   macro->ConservarValor != 0 ? trimmed(macro->Valor) : std::string(), id});
  }
}

std::string ReemplazarMacroFecha(std::int32_t date) {
  static constexpr const char* kMonths[] = {"Enero",     "Febrero", "Marzo",     "Abril",
                                            "Mayo",      "Junio",   "Julio",     "Agosto",
                                            "Setiembre", "Octubre", "Noviembre", "Diciembre"};
  const rt::YearMonthDay ymd = rt::splitDate(date);
  char text[64];
  std::snprintf(text, sizeof text, "%2d de %s de %04d", ymd.day, kMonths[ymd.month - 1], ymd.year);
  return text;
}

std::string runawayMessage(const std::string& reference) {
  return "La referencia "_cp + reference +
         " vuelve a aparecer en su propio valor (directamente o a través de otras macros).|"
         "La carta queda como estaba antes de procesar las macros."_cp;
}

}  // namespace letters
