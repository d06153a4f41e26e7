// The mail message parser over arbitrary raw messages: no faults, no files
// written (saving is switched off), and every queued attachment or embed
// name is listed in its list text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/escape_model.h"
#include "netlib/net_mail.h"

namespace {

using fuzzmodel::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static netlib::NetMail* const reader = [] {
    auto* mail = new netlib::NetMail;
    mail->OPTIONSDONTSAVEATTACHMENTS = 1;
    mail->OPTIONSDONTSAVEEMBEDS = 1;
    return mail;
  }();
  reader->ATTACHMENTLIST.clear();
  reader->EMBEDLIST.clear();
  reader->MESSAGEHTMLST->SetValue("");
  textlib::TextBuffer message;
  message.SetValue(std::string(reinterpret_cast<const char*>(data), size));
  reader->ProcessWholeMessage(message);
  for (const auto& row : reader->ATTACHMENTLISTQ)
    check(reader->ATTACHMENTLIST.find(row.NAME) != std::string::npos, "attachment listed");
  for (const auto& row : reader->EMBEDLISTQ)
    check(reader->EMBEDLIST.find(row.NAME) != std::string::npos, "embed listed");
  return 0;
}
