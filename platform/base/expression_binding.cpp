#include "platform/base/cp_literal.h"
#include "platform/base/expression.h"
#include "platform/base/text_order.h"

namespace rt {

Binding Binding::number(std::function<double()> getter) {
  Binding b;
  b.number_ = std::move(getter);
  return b;
}

Binding Binding::text(std::function<std::string_view()> getter) {
  Binding b;
  b.text_ = std::move(getter);
  return b;
}

Binding Binding::textAt(const std::string* variable) {
  return text([variable] { return std::string_view(*variable); });
}

Binding Binding::textAt(const char* field, std::size_t size) {
  return text([field, size] { return std::string_view(field, size); });
}

void BindingTable::bind(std::string_view name, Binding binding) {
  byName_.insert_or_assign(upper(name), std::move(binding));
}

std::optional<Binding> BindingTable::resolve(std::string_view name) const {
  const auto found = byName_.find(upper(name));
  if (found == byName_.end()) return std::nullopt;
  return found->second;
}

std::string_view expressionErrorText(int code) {
  switch (code) {
    case ExpressionError::kBadSyntax:
      return "La expresión no es sintácticamente correcta"_cp;
    case ExpressionError::kUnknownName:
      return "No se encontró la variable"_cp;
    default:
      return {};
  }
}

}  // namespace rt
