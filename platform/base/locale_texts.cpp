#include "platform/base/locale_texts.h"

namespace rt {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "Enero", "Febrero", "Marzo",      "Abril",   "Mayo",      "Junio",
    "Julio", "Agosto",  "Septiembre", "Octubre", "Noviembre", "Diciembre"};
constexpr std::array<std::string_view, 12> kShortMonths = {
    "Ene", "Feb", "Mar", "Abr", "May", "Jun", "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"};
constexpr std::array<std::string_view, 8> kButtons = {
    "Continuar", "&Si", "&No", "&Abortar", "&Ignorar", "&Reintentar", "Cancelar", "&Ayuda"};

}  // namespace

std::string_view monthName(int month) {
  return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string_view();
}

std::string_view monthShortName(int month) {
  return month >= 1 && month <= 12 ? kShortMonths[month - 1] : std::string_view();
}

// The original follows the Windows setting; a Spanish Windows writes these.
std::string_view amText() { return "a.m."; }
std::string_view pmText() { return "p.m."; }

std::string_view buttonCaption(StandardButton button) {
  return kButtons[static_cast<std::size_t>(button)];
}

}  // namespace rt
