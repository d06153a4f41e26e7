#include <cmath>

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
  explicit BoundName(Binding binding) : binding_(std::move(binding)) {}
  void eval(Slot& out) override {
    if (binding_.isText()) {
      out.setText(binding_.readText());
    } else {
      out.setNumber(binding_.readNumber());
    }
  }

 private:
  Binding binding_;
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
NodePtr boundName(Binding binding) { return std::make_unique<BoundName>(std::move(binding)); }
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

bool FilterExpression::matches() const {
  if (error_.code != 0) return false;
  if (!root_) return true;  // a blank expression sets no condition
  Slot value;
  root_->eval(value);
  return expression::truth(value);
}

}  // namespace rt
