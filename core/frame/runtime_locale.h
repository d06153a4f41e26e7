#pragma once
// The runtime's locale as the program sets it at start: character set,
// collation, case mapping, month names, AM/PM, button captions and the texts of
// the error codes.
namespace core {

// Applies every setting; false (and a debug line for each) when the runtime
// refused one.
bool applyRuntimeLocale();

}  // namespace core
