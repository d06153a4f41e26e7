#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/base/cp1252.h"
#include "platform/base/expression_nodes.h"
#include "platform/base/number_text.h"
#include "platform/base/text_order.h"

namespace rt {
namespace expression {
namespace {

class NumberLiteral : public Node {
 public:
  explicit NumberLiteral(double value) : value_(value) {}
  void eval(Slot& out) override { out.setNumber(value_); }
  bool isConstant() const override { return true; }
  const double* numberConstant() const override { return &value_; }

 private:
  double value_;
};

class TextLiteral : public Node {
 public:
  explicit TextLiteral(std::string value) : value_(std::move(value)) {}
  void eval(Slot& out) override { out.setText(value_); }
  bool isConstant() const override { return true; }

 private:
  std::string value_;
};

class BoundName : public Node {
 public:
  BoundName(Binding binding, std::string_view name)
      : binding_(std::move(binding)), name_(upper(name)) {}
  void eval(Slot& out) override {
    if (binding_.isText()) {
      out.setText(binding_.readText());
    } else {
      out.setNumber(binding_.readNumber());
    }
  }
  bool readsNumber(std::string_view name) const override {
    return !binding_.isText() && name_ == upper(name);
  }

 private:
  Binding binding_;
  std::string name_;  // upper-cased
};

class Not : public Node {
 public:
  explicit Not(NodePtr operand) : operand_(std::move(operand)) {}
  void eval(Slot& out) override {
    operand_->eval(out);
    out.setNumber(truth(out) ? 0 : 1);
  }

 private:
  NodePtr operand_;
};

// AND and OR stop at the first operand that decides.
class Logical : public Node {
 public:
  Logical(bool isAnd, std::vector<NodePtr> operands)
      : isAnd_(isAnd), operands_(std::move(operands)) {}
  void eval(Slot& out) override {
    bool result = isAnd_;
    for (const NodePtr& operand : operands_) {
      operand->eval(out);
      result = truth(out);
      if (result != isAnd_) break;
    }
    out.setNumber(result ? 1 : 0);
  }
  // Every operand of an AND holds in an accepted record.
  bool narrow(std::string_view name, WholeRange& range) const override {
    bool told = false;
    if (isAnd_) {
      for (const NodePtr& operand : operands_) told = operand->narrow(name, range) || told;
    }
    return told;
  }

 private:
  bool isAnd_;
  std::vector<NodePtr> operands_;
};

// The number a value holds when it looks numeric.
bool numericValue(const Slot& v, double& n) {
  if (!v.isText) {
    n = v.number;
    return true;
  }
  const std::optional<double> read = readNumber(v.text);
  if (read) n = *read;
  return read.has_value();
}

class Comparison : public Node {
 public:
  Comparison(Compare op, NodePtr left, NodePtr right)
      : op_(op), left_(std::move(left)), right_(std::move(right)) {}
  void eval(Slot& out) override {
    Slot right;
    left_->eval(out);
    right_->eval(right);
    out.setNumber(holds(order(out, right)) ? 1 : 0);
  }
  // The name against a number compares as numbers: the whole values that
  // keep the comparison true.
  bool narrow(std::string_view name, WholeRange& range) const override {
    const double* number = left_->readsNumber(name) ? right_->numberConstant() : nullptr;
    Compare op = op_;
    if (number == nullptr && right_->readsNumber(name)) {
      number = left_->numberConstant();
      op = mirrored(op);
    }
    if (number == nullptr) return false;
    constexpr double kWidest = 9.0e18;  // well inside a 64-bit integer
    const double x = *number;
    if (!(x > -kWidest && x < kWidest)) return false;
    const auto below = static_cast<std::int64_t>(std::floor(x));
    const auto above = static_cast<std::int64_t>(std::ceil(x));
    switch (op) {
      case Compare::Equal:
        range.low = std::max(range.low, above);
        range.high = std::min(range.high, below);
        return true;
      case Compare::GreaterEqual:
        range.low = std::max(range.low, above);
        return true;
      case Compare::Greater:
        range.low = std::max(range.low, below + 1);
        return true;
      case Compare::LessEqual:
        range.high = std::min(range.high, below);
        return true;
      case Compare::Less:
        range.high = std::min(range.high, above - 1);
        return true;
      case Compare::NotEqual:
        return false;
    }
    return false;
  }

 private:
  int order(const Slot& a, const Slot& b) {
    double x = 0, y = 0;
    if (numericValue(a, x) && numericValue(b, y)) return x < y ? -1 : (x > y ? 1 : 0);
    return compareText(asText(a, leftBuffer_), asText(b, rightBuffer_));
  }
  bool holds(int order) const {
    switch (op_) {
      case Compare::Equal:
        return order == 0;
      case Compare::NotEqual:
        return order != 0;
      case Compare::Less:
        return order < 0;
      case Compare::LessEqual:
        return order <= 0;
      case Compare::Greater:
        return order > 0;
      case Compare::GreaterEqual:
        return order >= 0;
    }
    return false;
  }

  // The operator with its operands swapped: 3 < x is x > 3.
  static Compare mirrored(Compare op) {
    switch (op) {
      case Compare::Less:
        return Compare::Greater;
      case Compare::LessEqual:
        return Compare::GreaterEqual;
      case Compare::Greater:
        return Compare::Less;
      case Compare::GreaterEqual:
        return Compare::LessEqual;
      default:
        return op;
    }
  }

  Compare op_;
  NodePtr left_, right_;
  std::string leftBuffer_, rightBuffer_;
};

class Concatenation : public Node {
 public:
  explicit Concatenation(std::vector<NodePtr> operands) : operands_(std::move(operands)) {}
  void eval(Slot& out) override {
    buffer_.clear();
    for (const NodePtr& operand : operands_) {
      operand->eval(out);
      buffer_.append(asText(out, numberBuffer_));
    }
    out.setText(buffer_);
  }

 private:
  std::vector<NodePtr> operands_;
  std::string buffer_, numberBuffer_;
};

}  // namespace

bool truth(const Slot& value) {
  double n = 0;
  if (numericValue(value, n)) return n != 0;
  return !clip(value.text).empty();
}

double asNumber(const Slot& value) {
  return value.isText ? rt::numericValue(value.text) : value.number;
}

std::string_view asText(const Slot& value, std::string& buffer) {
  if (value.isText) return value.text;
  buffer = numberText(value.number);
  return buffer;
}

NodePtr numberLiteral(double value) { return std::make_unique<NumberLiteral>(value); }
NodePtr textLiteral(std::string value) { return std::make_unique<TextLiteral>(std::move(value)); }
NodePtr boundName(Binding binding, std::string name) {
  return std::make_unique<BoundName>(std::move(binding), std::move(name));
}
NodePtr logicalNot(NodePtr operand) { return std::make_unique<Not>(std::move(operand)); }
NodePtr logicalAnd(std::vector<NodePtr> operands) {
  return std::make_unique<Logical>(true, std::move(operands));
}
NodePtr logicalOr(std::vector<NodePtr> operands) {
  return std::make_unique<Logical>(false, std::move(operands));
}
NodePtr comparison(Compare op, NodePtr left, NodePtr right) {
  return std::make_unique<Comparison>(op, std::move(left), std::move(right));
}
NodePtr concatenation(std::vector<NodePtr> operands) {
  return std::make_unique<Concatenation>(std::move(operands));
}

}  // namespace expression

FilterExpression::FilterExpression(std::string_view text, const NameResolver& resolver) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
  root_ = expression::parse(text, resolver, error_);
}

FilterExpression::~FilterExpression() = default;
FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;

std::optional<WholeRange> FilterExpression::rangeOf(std::string_view name) const {
  if (error_.code != 0 || !root_) return std::nullopt;
  WholeRange range{std::numeric_limits<std::int64_t>::min(),
                   std::numeric_limits<std::int64_t>::max()};
  if (!root_->narrow(name, range)) return std::nullopt;
  return range;
}

bool FilterExpression::matches() const {
  if (error_.code != 0) return false;
  if (!root_) return true;  // a blank expression sets no condition
  Slot value;
  root_->eval(value);
  return expression::truth(value);
}

}  // namespace rt
