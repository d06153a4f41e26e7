#pragma once
// The binding between a window's controls and the fields of a record buffer:
// a control shows its field by the field's (or the control's) picture and
// gives the typed value back to the buffer. Memos go to multi-line text boxes.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/table.h"

namespace core {

// What a sealed field stores for a typed text (runtime text): a digest, say.
using FieldSeal = std::function<std::string(std::string_view typed)>;

struct FieldControl {
  QPointer<QWidget> control;
  int field = -1;  // index into the table's fields, or -1 for a memo
  int memo = -1;   // index into the table's memos
  int historyNumber = 0;
  FieldSeal seal;  // set for a sealed field
  // A sealed field's stored value when it was shown, and the last text
  // sealed with what it gave (sealing is slow and salted: done once a text).
  mutable std::string kept;
  mutable std::string sealedText;
  mutable std::string sealedValue;
  mutable bool sealed = false;
};

class FieldControls {
 public:
  explicit FieldControls(const rt::TableDef& def) : def_(def) {}
  // `name` with or without the table's prefix ("USU:Nombre_Usuario").
  void bind(QWidget* control, std::string_view name, int historyNumber = 0);
  // A field whose stored value is never shown (a password's digest): the
  // entry starts blank; a blank entry keeps the stored value (a field
  // holding none gets the seal of the blank text); typed text is stored
  // sealed. The history key leaves it alone.
  void bindSealed(QWidget* entry, std::string_view name, FieldSeal seal);
  // Buffer to controls, and back.
  void display(rt::RecordBuffer& buffer) const;
  void update(rt::RecordBuffer& buffer) const;
  // One control's field from another buffer into the control.
  bool restore(QWidget* control, rt::RecordBuffer& from) const;
  const std::vector<FieldControl>& controls() const { return controls_; }
  // The first entry or memo box whose text cannot be stored in its field as
  // typed (characters runtime text cannot hold, a text its picture cannot
  // read, a value outside the field's range, a memo over its limit); null
  // when every one can.
  QWidget* firstRefused() const;

 private:
  void show(const FieldControl& f, rt::RecordBuffer& buffer) const;
  void showSealed(const FieldControl& f, rt::RecordBuffer& buffer) const;
  void updateSealed(const FieldControl& f, rt::RecordBuffer& buffer) const;
  const rt::TableDef& def_;
  std::vector<FieldControl> controls_;
};

}  // namespace core
