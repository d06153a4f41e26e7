#pragma once
// The messages the table managers show, with their titles, texts, icons and
// buttons in one place. Texts are runtime text (CP1252) with the placeholders
// %File (the table's label), %ErrorText (the error as messages quote it),
// %Message (a detail) and %Field (a field's description).
#include <string>
#include <string_view>
#include <utility>

namespace core {

enum class TableMessage {
  AccessFailed,
  UsedBeforeOpen,
  TransactionCancelled,
  DuplicateKey,
  NumberingFailed,
  AddFailed,
  ChangedRedisplayed,
  ChangedNotRedisplayed,
  UpdateFailed,
  ConfirmDelete,
  DeleteFailed,
  DeleteRetry,
  RecordNotRead,
  OutOfRange,
  DeleteReferenced,
  CreateFailed,
  InvalidKey,
  KeyNotRebuilt,
  // A value another record holds on a key that keeps stored repeats readable
  // but takes no new ones (%Field the key, %Message the value).
  ValueTaken,
  // A delete refused where the record may be kept out of use instead.
  DeleteReferencedMarkInactive,
};

struct MessageFill {
  std::string file;
  std::string errorText;
  std::string message;
  std::string field;

  MessageFill& File(std::string v) {
    file = std::move(v);
    return *this;
  }
  MessageFill& ErrorText(std::string v) {
    errorText = std::move(v);
    return *this;
  }
  MessageFill& Message(std::string v) {
    message = std::move(v);
    return *this;
  }
  MessageFill& Field(std::string v) {
    field = std::move(v);
    return *this;
  }
};

// The title and the text with the placeholders filled in.
std::string tableMessageTitle(TableMessage m);
std::string tableMessageText(TableMessage m, const MessageFill& fill);

// Shows the message and returns the button pressed. A message never opens
// while a transaction is open (it would keep other workstations waiting while
// the user reads): callers roll back first; should one not, the message is
// written to the debug output instead and the default answer is returned.
int showTableMessage(TableMessage m, const MessageFill& fill);

// Whether the answer to a question asks to try again.
bool asksToRetry(TableMessage m, int answer);

}  // namespace core
