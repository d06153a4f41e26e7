#include "practice/code_lookup.h"

#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"

namespace practice {

int runCodeLookup(core::RecordForm& form, const CodeLookup& l, bool fromButton) {
  form.Update();
  const rt::TableDef& owner = form.primaryTable().def();
  const rt::FieldDef& field = owner.fields[owner.fieldIndex(l.field)];
  const rt::TableDef& def = l.catalogue();
  const rt::FieldDef& catalogueField = def.fields[def.fieldIndex(l.catalogueField)];
  const std::int64_t code = rt::fieldNumber(field, form.primaryTable().record());
  if (!fromButton && code == 0) return rt::level::Benign;
  rt::Table& catalogue = rt::table(def);
  // A code the catalogue's key cannot hold would be looked up wrapped, as
  // another record's code.
  const bool fits = rt::fitsField(catalogueField, code);
  if (!fits && !fromButton) {
    rt::MessageRequest message;
    message.caption = "Código inválido"_cp;
    message.icon = rt::MessageIcon::Error;
    message.text = "El código "_cp + std::to_string(code) + " no existe: el mayor posible es " +
                   std::to_string(rt::largestNumber(catalogueField)) + ".";
    rt::showMessage(message);
    form.control(l.entry)->setFocus();
    return rt::level::Notify;
  }
  rt::setFieldNumber(catalogueField, catalogue.record(), fits ? code : 0);
  if (!fromButton && core::access(def).fetchByKey(l.key) == core::level::Benign) {
    return rt::level::Benign;
  }
  const int answer = form.viewing() ? rt::kCancelled : form.callKeepingRecord([&] {
    rt::ThreadRequest() = core::request::Select;
    return rt::callProcedure(l.list);
  });
  if (answer == rt::kCompleted) {
    rt::setFieldNumber(field, form.primaryTable().record(),
                       rt::fieldNumber(catalogueField, catalogue.record()));
    form.Display();
  } else if (!fromButton) {
    form.control(l.entry)->setFocus();
    return rt::level::Notify;
  }
  return rt::level::Benign;
}

}  // namespace practice
