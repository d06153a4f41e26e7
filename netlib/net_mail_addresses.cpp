// Address lists, header texts, charsets, message identifiers and host names
// of the message builder.
#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "netlib/mime_words.h"
#include "netlib/net_mail_send.h"
#include "platform/base/cp1252.h"
#include "platform/net/socket_library.h"
#include "textlib/random_source.h"

namespace netlib {
namespace {

std::string trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return std::string(rt::clip(text));
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 128; });
}

// Entries split at any of the separators outside double quotes.
std::vector<std::string> splitOutsideQuotes(std::string_view list, std::string_view separators,
                                            bool dropQuotes) {
  std::vector<std::string> entries(1);
  bool quoted = false;
  for (char c : list) {
    if (c == '"') {
      quoted = !quoted;
      if (dropQuotes) continue;
    } else if (!quoted && separators.find(c) != std::string_view::npos) {
      entries.emplace_back();
      continue;
    }
    entries.back().push_back(c);
  }
  return entries;
}

bool hasOutsideQuotes(std::string_view list, char wanted) {
  bool quoted = false;
  for (char c : list) {
    if (c == '"') quoted = !quoted;
    if (!quoted && c == wanted) return true;
  }
  return false;
}

std::string removeChar(std::string text, char c) {
  text.erase(std::remove(text.begin(), text.end(), c), text.end());
  return text;
}

}  // namespace

std::vector<std::string> splitFileList(std::string_view list) {
  return splitOutsideQuotes(list, ",", true);
}

std::string NetMailSend::utf8FromCodePage(std::string_view text) {
  if (CODEPAGE == 0) SetCodePage_(0, true);
  textlib::TextBuffer buffer;
  buffer.SetValue(text);
  buffer.ToUnicode(1, CODEPAGE);
  return buffer.GetValue();
}

std::string NetMailSend::encodedWord(std::string_view text, std::size_t taken) {
  return foldedMimeWords(utf8FromCodePage(text), MimeWordKind::kQuoted, taken);
}

std::int32_t NetMailSend::GetAddress_(std::string_view list, int n, std::string& name,
                                      std::string& address) {
  name.clear();
  address.clear();
  if (n < 1 || (n == 1 && rt::clip(list).empty())) return 0;
  const std::vector<std::string> entries = splitOutsideQuotes(list, ",;", false);
  if (static_cast<std::size_t>(n) > entries.size()) return 0;
  const std::string& entry = entries[static_cast<std::size_t>(n - 1)];
  const std::size_t open = entry.find('<');
  const std::size_t close = open == std::string::npos ? open : entry.find('>', open);
  if (close != std::string::npos) {
    address = trimmed(std::string_view(entry).substr(open + 1, close - open - 1));
    name = trimmed(removeChar(entry.substr(0, open), '"'));
  } else {
    address = trimmed(entry);
  }
  return address.empty() ? 0 : 1;
}

std::string NetMailSend::NormalizeAddressList_(std::string_view list, int index, int mode) {
  if (rt::clip(list).empty()) return {};
  // The separator is chosen among the characters outside double quotes: a
  // comma inside a display name must not make a ";" list one entry (the
  // other recipients would silently vanish from the header and envelope).
  const char separator = hasOutsideQuotes(list, ',')   ? ','
                         : hasOutsideQuotes(list, ';') ? ';'
                                                       : '|';
  const std::vector<std::string> entries =
      splitOutsideQuotes(list, std::string_view(&separator, 1), false);
  auto format = [&](const std::string& entry, bool bare) {
    std::string name;
    std::string address = entry;
    const std::size_t open = entry.find('<');
    const std::size_t close = open == std::string::npos ? open : entry.find('>', open);
    if (close != std::string::npos) {
      name = trimmed(removeChar(entry.substr(0, open), '"'));
      if (!isAscii(name)) name = encodedWord(name);
      address = entry.substr(open, close - open + 1);
    }
    address = trimmed(removeChar(removeChar(address, '<'), '>'));
    if (bare) return address;
    return "\"" + (name.empty() ? address : name) + "\" <" + address + ">";
  };
  if (index == 0) {
    std::string all;
    for (const std::string& entry : entries) {
      if (!all.empty()) all += ",";
      all += format(entry, false);
    }
    return all;
  }
  if (index < 0 || static_cast<std::size_t>(index) > entries.size()) return {};
  const std::string& entry = entries[static_cast<std::size_t>(index - 1)];
  if (trimmed(entry).empty()) return {};
  return format(entry, mode == 2);
}

std::string NetMailSend::EncodeHeaderText_(std::string_view text, std::size_t taken) {
  std::string out = removeChar(removeChar(std::string(rt::clip(text)), '\r'), '\n');
  if (isAscii(out)) return out;
  return encodedWord(out, taken);
}

void NetMailSend::CheckTextCharset_() {
  if (OPTIONSMIMETEXTCHARSET != "us-ascii" || MESSAGETEXTST->IsAscii()) return;
  MESSAGETEXTST->SetValue(utf8FromCodePage(MESSAGETEXTST->GetValueRef()));
  OPTIONSMIMETEXTCHARSET = "UTF-8";
}

void NetMailSend::CheckHtmlCharset_() {
  if (OPTIONSMIMEHTMLCHARSET != "us-ascii" || MESSAGEHTMLST->IsAscii()) return;
  MESSAGEHTMLST->SetValue(utf8FromCodePage(MESSAGEHTMLST->GetValueRef()));
  OPTIONSMIMEHTMLCHARSET = "UTF-8";
}

std::string NetMailSend::hostName() {
  std::array<char, 256> buffer{};
  rt::net::socketLibrary().NetOptions(rt::net::option::kLocalHostName,
                                      std::span<char>(buffer.data(), buffer.size() - 1));
  return std::string(rt::clip(std::string_view(buffer.data())));
}

std::string NetMailSend::MakeMessageId_(std::string_view senders) {
  textlib::TextBuffer random;
  const std::string letters = random.GetRandom(8, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
  std::string domain;
  const std::size_t at = senders.find('@');
  if (at != std::string_view::npos) {
    domain = std::string(rt::clip(senders.substr(at + 1)));
    domain = domain.substr(0, domain.find('>'));
  } else {
    if (GOTHOSTNAME_ == 0) {
      HOSTNAME_ = hostName();
      GOTHOSTNAME_ = HOSTNAME_.empty() ? 0 : 1;
    }
    domain = HOSTNAME_.empty() ? "UnknownHost" + std::to_string(1 + textlib::nextRandom() % 100000)
                               : HOSTNAME_;
  }
  const auto milliseconds = static_cast<long long>(MillisecondsSince_(kUnixEpochDay));
  return "<" + letters + "." + std::to_string(milliseconds) + "@" + domain + ">";
}

std::string NetMailSend::CleanList_(std::string_view list) {
  if (list.find('|') == std::string_view::npos) return std::string(list);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = list.find('|', start);
    pieces.emplace_back(list.substr(start, bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  const std::string folder(rt::clip(pieces.front()));
  std::string joined;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    std::string path = folder + "/" + pieces[i];
    if (path.find(',') != std::string::npos) path = "\"" + path + "\"";
    if (!joined.empty()) joined += ",";
    joined += path;
  }
  return joined;
}

}  // namespace netlib
