#pragma once
// The compiled form of a filter expression: a tree of nodes that each leave
// their value in a slot. Nodes that build text keep it in a buffer of their
// own, reused from one evaluation to the next. Internal to the evaluator.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/expression.h"

namespace rt {

// One value during evaluation. A text points into a field, a literal or a
// node's buffer, and stays valid until that node is evaluated again.
struct Slot {
  bool isText = false;
  double number = 0;
  std::string_view text;

  void setNumber(double n) {
    isText = false;
    number = n;
  }
  void setText(std::string_view t) {
    isText = true;
    text = t;
  }
};

struct FilterExpression::Node {
  virtual ~Node() = default;
  virtual void eval(Slot& out) = 0;
  // A literal, whose value needs no record.
  virtual bool isConstant() const { return false; }
  // Narrows `range` by what the node says of the numeric name `name` when it
  // holds true; true when it said anything.
  virtual bool narrow(std::string_view /*name*/, WholeRange& /*range*/) const { return false; }
  // The value of a number literal; null for any other node.
  virtual const double* numberConstant() const { return nullptr; }
  // Whether the node reads the numeric name `name` (names ignore case).
  virtual bool readsNumber(std::string_view /*name*/) const { return false; }
};

namespace expression {

using Node = FilterExpression::Node;
using NodePtr = std::unique_ptr<Node>;

enum class Compare { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

NodePtr numberLiteral(double value);
NodePtr textLiteral(std::string value);
NodePtr boundName(Binding binding, std::string name);
NodePtr logicalNot(NodePtr operand);
// Runs such as a AND b AND c make one node, so long expressions stay shallow.
NodePtr logicalAnd(std::vector<NodePtr> operands);
NodePtr logicalOr(std::vector<NodePtr> operands);
NodePtr concatenation(std::vector<NodePtr> operands);
NodePtr comparison(Compare op, NodePtr left, NodePtr right);

// A call of a built-in function; null when no function has that name or it
// does not take these arguments.
NodePtr functionCall(std::string_view name, std::vector<NodePtr>& arguments);

// The conversions every node applies to its operands.
bool truth(const Slot& value);
double asNumber(const Slot& value);
// A number's text is written into `buffer`, which must outlive the view.
std::string_view asText(const Slot& value, std::string& buffer);

// Compiles the text into a tree; on failure fills `error` and returns null.
NodePtr parse(std::string_view text, const NameResolver& resolver, ExpressionError& error);

}  // namespace expression
}  // namespace rt
