#include "platform/data/record_names.h"

#include "platform/data/record_buffer.h"
#include "platform/data/table.h"

namespace rt {

RecordNames::RecordNames(std::vector<const TableDef*> tables, const NameResolver* next)
    : tables_(std::move(tables)), next_(next) {}

std::optional<Binding> RecordNames::resolve(std::string_view name) const {
  const auto colon = name.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view prefix = name.substr(0, colon);
    for (const TableDef* def : tables_) {
      if (!sameName(def->prefix, prefix)) continue;
      // The thread's buffer lives as long as the thread: bind its address.
      Table& t = table(*def);
      if (const int f = def->fieldIndex(name); f >= 0) {
        const FieldDef& field = def->fields[f];
        const char* record = t.record();
        if (isTextField(field)) return Binding::textAt(record + field.offset, field.size);
        double scale = 1;
        for (int i = 0; i < field.places; ++i) scale *= 10;
        return Binding::number([&field, record, scale] {
          return static_cast<double>(fieldNumber(field, record)) / scale;
        });
      }
      if (const int m = def->memoIndex(name); m >= 0) return Binding::textAt(&t.buffer().memo(m));
    }
  }
  return next_ ? next_->resolve(name) : std::nullopt;
}

}  // namespace rt
