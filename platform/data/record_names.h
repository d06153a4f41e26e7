#pragma once
// The names of record fields and memos ("PAC:Nombre", "PAC:Notas") bound to
// the calling logical thread's buffers, for filter expressions. Names it does
// not know go to the next resolver (globals, window locals) when there is one.
#include <vector>

#include "platform/base/expression.h"
#include "platform/data/table_dictionary.h"

namespace rt {

class RecordNames : public NameResolver {
 public:
  explicit RecordNames(std::vector<const TableDef*> tables, const NameResolver* next = nullptr);
  std::optional<Binding> resolve(std::string_view name) const override;

 private:
  std::vector<const TableDef*> tables_;
  const NameResolver* next_;
};

}  // namespace rt
