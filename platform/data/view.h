#pragma once
// A view: the calling thread's buffer of a primary table walked on one of its
// keys, optionally limited to a range of leading key values, with joined
// tables whose records are looked up for each primary record (their buffers
// filled, or cleared when nothing matches), and a filter evaluated on the
// buffers that skips the records it refuses. A filter expression that holds
// a key's numeric fields to a stretch of values is read as a range of the
// key: the view reads only those records, through the key that puts the
// fields the filter fixes before the view's own, in the view's order.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/expression.h"
#include "platform/data/cursor.h"
#include "platform/data/table.h"

namespace rt {

class View {
 public:
  using Filter = std::function<bool()>;

  // Walks `key`; records of equal key values follow the `appended` fields.
  View(const TableDef& primary, int key, std::vector<KeyComponent> appended = {});

  // The first `components` key components keep the values they have in the
  // primary buffer when the view is set.
  void setRange(int components) { rangeComponents_ = components; }
  // The records whose first key component after the range lies between the
  // two numbers (both included), read as a range of the key, not one by one
  // through a filter.
  void setLimits(std::int64_t low, std::int64_t high) {
    limits_ = {KeyValue{low, {}}, KeyValue{high, {}}};
    limited_ = true;
  }
  void setFilter(Filter filter);
  // A filter expression over the fields and memos of the primary and joined
  // tables ("PAC:Inactivo = 0"), other names through `more`. An expression
  // that does not compile lets no record through; the error says why.
  // Goes to the start when it changes the stretch of the key the view reads.
  const ExpressionError& setFilter(std::string_view expression, const NameResolver* more = nullptr);
  // For each primary record, the joined table's record whose `key` values
  // equal the primary fields `linkFields` (one per leading key component).
  void join(const TableDef& joined, int key, std::vector<int> linkFields);
  // The same with the link fields in a table joined before (the patient of a
  // log entry's consultation).
  void joinThrough(const TableDef& from, const TableDef& joined, int key,
                   std::vector<int> linkFields);

  // Lets the database pass over the records that cannot satisfy
  // MATCH(name, pattern, mode) before they are loaded, `name` being a field
  // or memo of the primary table or of a joined one: what it lets through is
  // never less than what the expression accepts on the loaded buffers (the
  // caller still tests those). False, and no test, when the name cannot be
  // tested so. While a test is set, next and previous may answer
  // Cursor::kStillLooking after passing over many records, and go on from
  // there when called again.
  bool setMatchTest(std::string_view name, std::string_view pattern, int mode);
  void clearMatchTest();

  void setToStart();
  void setFromBuffer();  // from the primary buffer's key values
  int reset(std::int64_t position);
  int next();  // 0, or 33 past the last record the filter accepts (see setMatchTest)
  int previous();
  std::int64_t position() const { return id_; }
  // Records the range and filter accept; -1 when a read fails.
  std::int64_t records();
  // Records in the stretch of the key the view reads, counted through the
  // key without reading them (the filter is not asked); -1 when it fails.
  std::int64_t recordsToRead();
  // The key's components and the appended ones.
  const KeyDef& order() const { return order_; }

 private:
  struct Join {
    const TableDef* def;
    int key;
    std::vector<int> linkFields;
    const TableDef* from = nullptr;  // the primary table when null
  };
  // What the walk reads: a key and the values the filter fixes of its
  // leading components, and the limits on the next one.
  struct Walk {
    int key = 0;
    KeyTuple fixed;
    bool limited = false;
    WholeRange limits{0, 0};
    bool operator==(const Walk& other) const;
  };
  int read(bool forward);
  void fillJoins();
  void applyRange();
  Walk plannedWalk() const;
  // The stretch the filter holds a numeric field of the primary table to.
  std::optional<WholeRange> filterRange(int field) const;

  Table& primary_;
  int key_;
  std::vector<KeyComponent> appended_;
  KeyDef order_;
  Cursor cursor_;
  Walk walk_;
  int rangeComponents_ = 0;
  bool limited_ = false;
  std::pair<KeyValue, KeyValue> limits_;
  Filter filter_;
  std::unique_ptr<FilterExpression> expression_;
  // Whether the filter reads the joined records (a filter function may).
  bool filterNeedsJoins_ = true;
  std::vector<Join> joins_;
  std::int64_t id_ = 0;
  bool noneCanMatch_ = false;  // the match test's joined table has no match
};

}  // namespace rt
