#pragma once
// Filter expressions: text such as "PAC:Inactivo = 0 AND MATCH(PAC:Nombre,'*garcia*',17)"
// compiled once against named values and evaluated for record after record.
//
// The language: numbers, texts in single quotes ('O''Brien'), names bound by
// the caller (fields, memos, globals, window locals; "PAC:Nombre" and
// "pac:nombre" are one name), = <> < <= > >=, & (joins texts), AND, OR, NOT,
// parentheses, and the functions MATCH(text, pattern [, mode]), UPPER(text),
// CLIP(text), SUB(text, start, length), INSTRING(sought, text [, step [, start]]),
// DAY(date), MONTH(date), YEAR(date). Texts compare in the locale's collation
// with trailing spaces ignored; two values that both look numeric compare as
// numbers.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>

namespace rt {

// What a name reads: a number or a text, fetched anew at every evaluation.
class Binding {
 public:
  // The text a getter returns must stay valid until the getter is called again.
  static Binding number(std::function<double()> getter);
  static Binding text(std::function<std::string_view()> getter);

  // A numeric variable or record field.
  template <class T>
  static Binding numberAt(const T* variable) {
    static_assert(std::is_arithmetic_v<T>);
    return number([variable] { return static_cast<double>(*variable); });
  }
  // A string variable or memo.
  static Binding textAt(const std::string* variable);
  // A fixed-width text field of a record buffer (CP1252, space-padded).
  static Binding textAt(const char* field, std::size_t size);

  bool isText() const { return static_cast<bool>(text_); }
  double readNumber() const { return number_(); }
  std::string_view readText() const { return text_(); }

 private:
  std::function<double()> number_;
  std::function<std::string_view()> text_;
};

// Finds what a name is bound to; nothing when the name is unknown. Asked once
// per name, when an expression compiles.
class NameResolver {
 public:
  virtual ~NameResolver() = default;
  virtual std::optional<Binding> resolve(std::string_view name) const = 0;
};

// Bindings kept by name, names compared without regard to case.
class BindingTable : public NameResolver {
 public:
  // Binding a name again replaces its binding.
  void bind(std::string_view name, Binding binding);
  std::optional<Binding> resolve(std::string_view name) const override;

 private:
  std::unordered_map<std::string, Binding> byName_;
};

// Whole numbers from `low` to `high`, both included; empty when low > high.
struct WholeRange {
  std::int64_t low;
  std::int64_t high;
};

// Why an expression did not compile, as the runtime reports it: its error
// code and text, and where in the expression the fault lies.
struct ExpressionError {
  static constexpr int kBadSyntax = 800;    // "La expresión no es sintácticamente correcta"
  static constexpr int kUnknownName = 801;  // "No se encontró la variable"
  int code = 0;                             // 0: no error
  std::string text;                         // the runtime's text for the code (CP1252)
  std::size_t position = 0;                 // 1-based offset of the fault in the expression
  std::string name;                         // the unknown name, for 801
};

// The runtime's text for an expression error code (CP1252); empty for others.
std::string_view expressionErrorText(int code);

class FilterExpression {
 public:
  // Compiles the text, binding its names through the resolver. A blank text
  // has no condition and matches every record. A text that does not compile
  // matches no record, and error() tells why.
  FilterExpression(std::string_view text, const NameResolver& resolver);
  ~FilterExpression();
  FilterExpression(FilterExpression&&) noexcept;
  FilterExpression& operator=(FilterExpression&&) noexcept;

  bool compiled() const { return error_.code == 0; }
  const ExpressionError& error() const { return error_; }

  // Evaluates the expression on the values its names read now. Not reentrant:
  // one expression object serves one caller at a time.
  bool matches() const;

  // The whole numbers a numeric name can hold in any record the expression
  // accepts, as its comparisons of that name with a number literal tell when
  // they stand joined by AND at its top (under OR or NOT they tell nothing);
  // none when nothing is told. A reader of keyed records reads only these.
  std::optional<WholeRange> rangeOf(std::string_view name) const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
  ExpressionError error_;
};

}  // namespace rt
