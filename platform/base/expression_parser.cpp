#include <charconv>

#include "platform/base/expression_nodes.h"
#include "platform/base/text_order.h"

namespace rt::expression {
namespace {

enum class TokenKind { End, Number, Text, Name, Operator, Bad };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view spelling;  // as written
  std::string text;           // a text literal without its quotes
  double number = 0;
  std::size_t position = 0;  // 0-based
};

bool isLetter(char c) { return c == '_' || upperChar(c) != lowerChar(c); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token next() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    Token t;
    t.position = pos_;
    if (pos_ >= text_.size()) return t;
    const char c = text_[pos_];
    const std::size_t start = pos_;
    if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) {
      while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == '.')) ++pos_;
      t.spelling = text_.substr(start, pos_ - start);
      const auto [end, ec] =
          std::from_chars(t.spelling.data(), t.spelling.data() + t.spelling.size(), t.number,
                          std::chars_format::fixed);
      t.kind = ec == std::errc() && end == t.spelling.data() + t.spelling.size() ? TokenKind::Number
                                                                                 : TokenKind::Bad;
    } else if (c == '\'') {
      t.kind = readText(t.text) ? TokenKind::Text : TokenKind::Bad;
      t.spelling = text_.substr(start, pos_ - start);
    } else if (isLetter(c)) {
      while (pos_ < text_.size() &&
             (isLetter(text_[pos_]) || isDigit(text_[pos_]) || text_[pos_] == ':')) {
        ++pos_;
      }
      t.kind = TokenKind::Name;
      t.spelling = text_.substr(start, pos_ - start);
    } else {
      static constexpr std::string_view kTwoChar[] = {"<>", "<=", ">="};
      const std::string_view two = text_.substr(pos_, 2);
      std::size_t length = 1;
      for (std::string_view op : kTwoChar) {
        if (two == op) length = 2;
      }
      t.spelling = text_.substr(pos_, length);
      t.kind = std::string_view("=<>&(),-").find(c) != std::string_view::npos ? TokenKind::Operator
                                                                              : TokenKind::Bad;
      pos_ += length;
    }
    return t;
  }

 private:
  static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  // A quoted text; a doubled quote stands for one quote.
  bool readText(std::string& out) {
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c != '\'') {
        out += c;
      } else if (pos_ < text_.size() && text_[pos_] == '\'') {
        out += '\'';
        ++pos_;
      } else {
        return true;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool isKeyword(const Token& t, std::string_view word) {
  return t.kind == TokenKind::Name && t.spelling.size() == word.size() &&
         compareText(t.spelling, word, CaseMode::Insensitive) == 0;
}

bool isOperator(const Token& t, std::string_view op) {
  return t.kind == TokenKind::Operator && t.spelling == op;
}

// Recursive descent, loosest binding first: OR, AND, NOT, comparisons, &.
class Parser {
 public:
  Parser(std::string_view text, const NameResolver& resolver, ExpressionError& error)
      : lexer_(text), resolver_(resolver), error_(error) {
    advance();
  }

  NodePtr parseAll() {
    NodePtr root = orExpression();
    if (root && token_.kind != TokenKind::End) return fail();
    return root;
  }

 private:
  void advance() { token_ = lexer_.next(); }

  NodePtr fail(int code = ExpressionError::kBadSyntax) {
    if (error_.code == 0) {
      error_.code = code;
      error_.text = std::string(expressionErrorText(code));
      error_.position = token_.position + 1;
      if (code == ExpressionError::kUnknownName) error_.name = std::string(token_.spelling);
    }
    return nullptr;
  }

  // operand (separator operand)*, as one node when there is more than one.
  NodePtr chain(NodePtr (Parser::*operand)(), bool (*separates)(const Token&),
                NodePtr (*join)(std::vector<NodePtr>)) {
    NodePtr first = (this->*operand)();
    if (!first || !separates(token_)) return first;
    std::vector<NodePtr> operands;
    operands.push_back(std::move(first));
    while (separates(token_)) {
      advance();
      NodePtr next = (this->*operand)();
      if (!next) return nullptr;
      operands.push_back(std::move(next));
    }
    return join(std::move(operands));
  }

  // Nesting (parentheses, calls, NOT) is bounded, so that evaluation stays
  // within the small stack of a logical thread whatever text comes in.
  static constexpr int kMaxDepth = 100;
  class Nested {
   public:
    explicit Nested(Parser& p) : p_(p) { ++p_.depth_; }
    ~Nested() { --p_.depth_; }
    bool tooDeep() const { return p_.depth_ > kMaxDepth; }

   private:
    Parser& p_;
  };

  NodePtr orExpression() {
    const Nested nested(*this);
    if (nested.tooDeep()) return fail();
    return chain(
        &Parser::andExpression, [](const Token& t) { return isKeyword(t, "OR"); }, logicalOr);
  }

  NodePtr andExpression() {
    return chain(
        &Parser::notExpression, [](const Token& t) { return isKeyword(t, "AND"); }, logicalAnd);
  }

  NodePtr notExpression() {
    if (!isKeyword(token_, "NOT")) return comparisonExpression();
    advance();
    const Nested nested(*this);
    if (nested.tooDeep()) return fail();
    NodePtr operand = notExpression();
    return operand ? logicalNot(std::move(operand)) : nullptr;
  }

  NodePtr comparisonExpression() {
    static constexpr std::pair<std::string_view, Compare> kOperators[] = {
        {"=", Compare::Equal},      {"<>", Compare::NotEqual}, {"<", Compare::Less},
        {"<=", Compare::LessEqual}, {">", Compare::Greater},   {">=", Compare::GreaterEqual}};
    NodePtr left = concatenationExpression();
    int chained = 0;  // a = b = c ... nests to the left
    while (left && token_.kind == TokenKind::Operator) {
      const Compare* op = nullptr;
      for (const auto& [spelling, compare] : kOperators) {
        if (token_.spelling == spelling) op = &compare;
      }
      if (!op) break;
      if (depth_ + ++chained > kMaxDepth) return fail();
      advance();
      NodePtr right = concatenationExpression();
      if (!right) return nullptr;
      left = comparison(*op, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr concatenationExpression() {
    return chain(
        &Parser::operand, [](const Token& t) { return isOperator(t, "&"); }, concatenation);
  }

  NodePtr operand() {
    switch (token_.kind) {
      case TokenKind::Number: {
        const double value = token_.number;
        advance();
        return numberLiteral(value);
      }
      case TokenKind::Text: {
        std::string value = std::move(token_.text);
        advance();
        return textLiteral(std::move(value));
      }
      case TokenKind::Name:
        return name();
      case TokenKind::Operator:
        if (isOperator(token_, "(")) return parenthesised();
        if (isOperator(token_, "-")) return negativeNumber();
        break;
      default:
        break;
    }
    return fail();
  }

  // A minus sign belongs to the number it stands before.
  NodePtr negativeNumber() {
    advance();
    if (token_.kind != TokenKind::Number) return fail();
    const double value = -token_.number;
    advance();
    return numberLiteral(value);
  }

  NodePtr parenthesised() {
    advance();
    NodePtr inner = orExpression();
    if (!inner) return nullptr;
    if (!isOperator(token_, ")")) return fail();
    advance();
    return inner;
  }

  NodePtr name() {
    static constexpr std::string_view kKeywords[] = {"AND", "OR", "NOT"};
    for (std::string_view keyword : kKeywords) {
      if (isKeyword(token_, keyword)) return fail();
    }
    const Token nameToken = token_;
    advance();
    if (isOperator(token_, "(")) return call(nameToken);
    std::optional<Binding> binding = resolver_.resolve(nameToken.spelling);
    if (!binding) {
      token_ = nameToken;
      return fail(ExpressionError::kUnknownName);
    }
    return boundName(std::move(*binding), std::string(nameToken.spelling));
  }

  NodePtr call(const Token& nameToken) {
    advance();  // past "("
    std::vector<NodePtr> arguments;
    if (!isOperator(token_, ")")) {
      while (true) {
        NodePtr argument = orExpression();
        if (!argument) return nullptr;
        arguments.push_back(std::move(argument));
        if (!isOperator(token_, ",")) break;
        advance();
      }
    }
    if (!isOperator(token_, ")")) return fail();
    NodePtr result = functionCall(nameToken.spelling, arguments);
    if (!result) {
      token_ = nameToken;  // the fault lies with the function's name or its arguments
      return fail();
    }
    advance();
    return result;
  }

  Lexer lexer_;
  const NameResolver& resolver_;
  ExpressionError& error_;
  Token token_;
  int depth_ = 0;
};

}  // namespace

NodePtr parse(std::string_view text, const NameResolver& resolver, ExpressionError& error) {
  return Parser(text, resolver, error).parseAll();
}

}  // namespace rt::expression
