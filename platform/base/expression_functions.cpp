#include <cmath>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/expression_nodes.h"
#include "platform/base/number_text.h"
#include "platform/base/text_match.h"
#include "platform/base/text_order.h"

namespace rt::expression {
namespace {

// Evaluates the arguments of a call into slots of its own.
class Call : public Node {
 protected:
  explicit Call(std::vector<NodePtr>& arguments) : arguments_(std::move(arguments)) {
    values_.resize(arguments_.size());
    texts_.resize(arguments_.size());
  }
  std::size_t count() const { return arguments_.size(); }
  const Slot& value(std::size_t i) {
    arguments_[i]->eval(values_[i]);
    return values_[i];
  }
  double number(std::size_t i) { return asNumber(value(i)); }
  std::string_view text(std::size_t i) { return asText(value(i), texts_[i]); }

  std::string result_;  // the text a call returns

 private:
  std::vector<NodePtr> arguments_;
  std::vector<Slot> values_;
  std::vector<std::string> texts_;
};

// MATCH(text, pattern [, mode]): mode 0 compares the whole texts, 1 (the
// default) reads "*" and "?" in the pattern as wildcards; adding 16 ignores
// case. Trailing spaces never count.
class Match : public Call {
 public:
  static constexpr int kSimple = kMatchWhole, kWild = kMatchWild, kNoCase = kMatchNoCase;
  explicit Match(std::vector<NodePtr>& arguments) : Call(arguments) {}
  void eval(Slot& out) override {
    const int mode = count() > 2 ? static_cast<int>(wholeNumber(number(2))) : kWild;
    out.setNumber(matchByMode(text(0), text(1), mode) ? 1 : 0);
  }
};

class Upper : public Call {
 public:
  explicit Upper(std::vector<NodePtr>& arguments) : Call(arguments) {}
  void eval(Slot& out) override {
    result_.assign(text(0));
    for (char& c : result_) c = upperChar(c);
    out.setText(result_);
  }
};

class Clip : public Call {
 public:
  explicit Clip(std::vector<NodePtr>& arguments) : Call(arguments) {}
  void eval(Slot& out) override { out.setText(clip(text(0))); }
};

// SUB(text, start, length): a start below 0 counts from the end (-1 is the
// last character); the part outside the text is left out.
class Sub : public Call {
 public:
  explicit Sub(std::vector<NodePtr>& arguments) : Call(arguments) {}
  void eval(Slot& out) override {
    const std::string_view whole = text(0);
    const long long size = static_cast<long long>(whole.size());
    long long start = wholeNumber(number(1));
    const long long length = wholeNumber(number(2));
    if (start < 0) start = size + start + 1;
    if (start < 1) start = 1;
    if (length <= 0 || start > size) {
      out.setText({});
      return;
    }
    out.setText(
        whole.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
  }
};

// INSTRING(sought, text [, step [, start]]): the position of the first
// occurrence tried at start, start + step, ... (step may be negative), or 0.
class InString : public Call {
 public:
  explicit InString(std::vector<NodePtr>& arguments) : Call(arguments) {}
  void eval(Slot& out) override {
    const std::string_view sought = text(0);
    const std::string_view whole = text(1);
    const long long step = count() > 2 ? wholeNumber(number(2)) : 1;
    long long start = count() > 3 ? wholeNumber(number(3)) : 1;
    const long long last =
        static_cast<long long>(whole.size()) - static_cast<long long>(sought.size()) + 1;
    out.setNumber(0);
    if (sought.empty() || step == 0) return;
    if (step > 0 && start < 1) start = 1;
    if (step < 0 && start > last) start = last;
    for (long long at = start; at >= 1 && at <= last; at += step) {
      if (whole.compare(at - 1, sought.size(), sought) == 0) {
        out.setNumber(static_cast<double>(at));
        return;
      }
    }
  }
};

// DAY, MONTH and YEAR of a day number; 0 for no date.
class DatePart : public Call {
 public:
  enum class Part { Day, Month, Year };
  DatePart(Part part, std::vector<NodePtr>& arguments) : Call(arguments), part_(part) {}
  void eval(Slot& out) override {
    const long long date = wholeNumber(number(0));
    if (date < 1 || date > kLastDate) {
      out.setNumber(0);
      return;
    }
    const YearMonthDay ymd = splitDate(static_cast<Date>(date));
    out.setNumber(part_ == Part::Day ? ymd.day : part_ == Part::Month ? ymd.month : ymd.year);
  }

 private:
  Part part_;
};

bool named(std::string_view name, std::string_view function) {
  return name.size() == function.size() && compareText(name, function, CaseMode::Insensitive) == 0;
}

// A mode written as a number is checked when the expression compiles.
bool supportedMatchMode(const std::vector<NodePtr>& arguments) {
  if (arguments.size() < 3 || !arguments[2]->isConstant()) return true;
  Slot mode;
  arguments[2]->eval(mode);
  const int kind = static_cast<int>(wholeNumber(asNumber(mode))) & ~Match::kNoCase;
  return kind == Match::kSimple || kind == Match::kWild;
}

}  // namespace

NodePtr functionCall(std::string_view name, std::vector<NodePtr>& arguments) {
  const std::size_t n = arguments.size();
  NodePtr r;
  if (named(name, "MATCH")) {
    if ((n == 2 || n == 3) && supportedMatchMode(arguments)) r = std::make_unique<Match>(arguments);
  } else if (named(name, "UPPER")) {
    if (n == 1) r = std::make_unique<Upper>(arguments);
  } else if (named(name, "CLIP")) {
    if (n == 1) r = std::make_unique<Clip>(arguments);
  } else if (named(name, "SUB")) {
    if (n == 3) r = std::make_unique<Sub>(arguments);
  } else if (named(name, "INSTRING")) {
    if (n >= 2 && n <= 4) r = std::make_unique<InString>(arguments);
  } else if (named(name, "DAY") || named(name, "MONTH") || named(name, "YEAR")) {
    const DatePart::Part part = named(name, "DAY")     ? DatePart::Part::Day
                                : named(name, "MONTH") ? DatePart::Part::Month
                                                       : DatePart::Part::Year;
    if (n == 1) r = std::make_unique<DatePart>(part, arguments);
  }
  return r;
}

}  // namespace rt::expression
