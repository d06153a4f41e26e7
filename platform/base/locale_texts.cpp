#include "platform/base/locale_texts.h"

#include <string>
#include <vector>

namespace rt {
namespace {

template <std::size_t N>
std::array<std::string, N> toStrings(const std::array<std::string_view, N>& views) {
  std::array<std::string, N> out;
  for (std::size_t i = 0; i < N; ++i) out[i] = std::string(views[i]);
  return out;
}

std::array<std::string, 12>& months() {
  static std::array<std::string, 12> m =
      toStrings<12>({"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto",
                     "Septiembre", "Octubre", "Noviembre", "Diciembre"});
  return m;
}

std::array<std::string, 12>& shortMonths() {
  static std::array<std::string, 12> m = toStrings<12>(
      {"Ene", "Feb", "Mar", "Abr", "May", "Jun", "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"});
  return m;
}

std::array<std::string, 8>& buttons() {
  static std::array<std::string, 8> b = toStrings<8>(
      {"Continuar", "&Si", "&No", "&Abortar", "&Ignorar", "&Reintentar", "Cancelar", "&Ayuda"});
  return b;
}

std::vector<std::string> splitCommas(std::string_view list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    parts.emplace_back(list.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

template <std::size_t N>
bool assignList(std::array<std::string, N>& target, std::string_view list) {
  std::vector<std::string> parts = splitCommas(list);
  if (parts.size() != N) return false;
  for (std::size_t i = 0; i < N; ++i) target[i] = std::move(parts[i]);
  return true;
}

}  // namespace

std::string_view monthName(int month) {
  return month >= 1 && month <= 12 ? std::string_view(months()[month - 1]) : std::string_view();
}

std::string_view monthShortName(int month) {
  return month >= 1 && month <= 12 ? std::string_view(shortMonths()[month - 1])
                                   : std::string_view();
}

// Fixed Spanish texts, whatever the desktop's locale: the program's times
// are written as a Spanish system writes them.
std::string_view amText() { return "a.m."; }
std::string_view pmText() { return "p.m."; }

std::string_view buttonCaption(StandardButton button) {
  return buttons()[static_cast<std::size_t>(button)];
}

bool setMonthNames(std::string_view commaList) { return assignList(months(), commaList); }
bool setMonthShortNames(std::string_view commaList) { return assignList(shortMonths(), commaList); }
bool setButtonCaptions(std::string_view commaList) { return assignList(buttons(), commaList); }

}  // namespace rt
