#include "core/shapes/lookup_field.h"

#include <QLineEdit>

#include "core/shapes/record_form.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/window_driver.h"

namespace core {
namespace {

const rt::FieldDef& codeField(const rt::TableDef& def, const char* name) {
  return def.fields[def.fieldIndex(name)];
}

std::int64_t typedCode(RecordForm& form, const LookupField& l) {
  return rt::fieldNumber(codeField(form.primaryTable().def(), l.field),
                         form.primaryTable().record());
}

// The wrong code stays, selected, for the user to mend.
void backToEntry(RecordForm& form, const LookupField& l) {
  QWidget* entry = form.control(l.entry);
  entry->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(entry)) edit->selectAll();
}

}  // namespace

bool lookupFound(RecordForm& form, const LookupField& l) {
  const std::int64_t code = typedCode(form, l);
  if (code == 0) return true;
  const rt::TableDef& def = l.catalogue();
  const rt::FieldDef& catalogueField = codeField(def, l.catalogueField);
  if (!rt::fitsField(catalogueField, code)) return false;
  rt::setFieldNumber(catalogueField, rt::table(def).record(), code);
  return access(def).fetchByKey(l.key) == level::Benign;
}

int runLookup(RecordForm& form, const LookupField& l, bool fromButton) {
  form.Update();
  const rt::FieldDef& field = codeField(form.primaryTable().def(), l.field);
  const rt::TableDef& def = l.catalogue();
  const rt::FieldDef& catalogueField = codeField(def, l.catalogueField);
  const std::int64_t code = typedCode(form, l);
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
    backToEntry(form, l);
    return rt::level::Notify;
  }
  if (!fromButton && lookupFound(form, l)) return rt::level::Benign;
  rt::setFieldNumber(catalogueField, catalogue.record(), fits ? code : 0);
  const int answer = form.viewing() ? rt::kCancelled : form.callKeepingRecord([&] {
    rt::ThreadRequest() = request::Select;
    return rt::callProcedure(l.list);
  });
  if (answer == rt::kCompleted) {
    rt::setFieldNumber(field, form.primaryTable().record(),
                       rt::fieldNumber(catalogueField, catalogue.record()));
    form.Display();
    // The code is done with: typing goes on in the entry after it.
    if (QWidget* next = rt::entryAfter(form.window(), form.control(l.entry))) next->setFocus();
  } else if (!fromButton) {
    backToEntry(form, l);
    return rt::level::Notify;
  }
  return rt::level::Benign;
}

}  // namespace core
