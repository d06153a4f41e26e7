// Images embedded in the HTML body: the local files its tags reference are
// collected, the references rewritten to "cid:" names, and each file becomes
// one related part of the message.
#include <filesystem>
#include <string>
#include <vector>

#include "netlib/net_mail_send.h"
#include "platform/base/cp1252.h"
#include "platform/base/paths.h"
#include "platform/base/text_order.h"

namespace netlib {
namespace {

constexpr std::size_t kTagMax = 1024;

// The attribute that names a file in a tag ("src" of an image or an image
// button, "background" of the body); empty for other tags.
std::string_view fileAttributeOf(const std::string& tag) {
  if (tag.find("<img") != std::string::npos) return "src";
  if (tag.find("<body") != std::string::npos) return "background";
  if (tag.find("<input type=image") != std::string::npos ||
      tag.find("<input type=\"image") != std::string::npos) {
    return "src";
  }
  return {};
}

bool inList(std::string_view list, std::string_view value) {
  for (const std::string& entry : splitFileList(list)) {
    if (entry == value) return true;
  }
  return false;
}

}  // namespace

std::string currentFolderName() { return rt::runtimeName(std::filesystem::current_path()); }

std::string NetMailSend::ScanHtmlEmbeds_(textlib::TextBuffer& html, bool replace,
                                         std::string_view folder) {
  std::string base(rt::clip(folder));
  if (base.empty()) base = currentFolderName();
  std::string text = html.GetValue();
  std::string found;
  std::size_t searchEnd = text.size();
  // Backwards, so that rewriting a value keeps the tags still to visit in place.
  while (searchEnd > 0) {
    const std::size_t close = text.rfind('>', searchEnd - 1);
    if (close == std::string::npos || close == 0) break;
    const std::size_t open = text.rfind('<', close - 1);
    if (open == std::string::npos) break;
    searchEnd = open;
    const std::size_t tagLength = std::min(close - open, kTagMax);
    const std::string tag = rt::lower(std::string_view(text).substr(open, tagLength));
    const std::string_view attribute = fileAttributeOf(tag);
    if (attribute.empty()) continue;
    const std::size_t name = tag.find(attribute);
    if (name == std::string::npos) continue;
    const std::size_t quote = tag.find('"', name + attribute.size());
    if (quote == std::string::npos) continue;
    const std::size_t endQuote = tag.find('"', quote + 1);
    if (endQuote == std::string::npos) continue;
    const std::size_t valueAt = open + quote + 1;
    std::string value = text.substr(valueAt, endQuote - quote - 1);
    const std::string lowered = rt::lower(value);
    if (rt::clip(value).empty() || lowered.find("http://") != std::string::npos ||
        lowered.find("https://") != std::string::npos ||
        lowered.find("cid:") != std::string::npos) {
      continue;
    }
    for (char& c : value) {
      if (c == '\\') c = '/';
    }
    if (value.find(':') == std::string::npos && value.front() != '/') value = base + "/" + value;
    if (!inList(found, value)) {
      if (!found.empty()) found += ",";
      found += value.find(',') != std::string::npos ? "\"" + value + "\"" : value;
    }
    if (replace) {
      const std::string cid = "cid:" + value.substr(value.find_last_of('/') + 1);
      text.replace(valueAt, endQuote - quote - 1, cid);
    }
  }
  if (replace) html.SetValue(text);
  return found;
}

void NetMailSend::CollectHtmlEmbeds_(std::string_view folder, bool currentFolder) {
  const std::string base = currentFolder || rt::clip(folder).empty()
                               ? currentFolderName()
                               : std::string(rt::clip(folder));
  const std::string scanned = ScanHtmlEmbeds_(*MESSAGEHTMLST, true, base);
  if (scanned.empty()) return;
  if (!rt::clip(EMBEDLIST).empty()) EMBEDLIST = std::string(rt::clip(EMBEDLIST)) + ",";
  EMBEDLIST += scanned;
}

std::vector<NetMailSend::EmbedEntry> NetMailSend::processEmbedList(std::string_view list) {
  std::vector<EmbedEntry> embeds;
  if (rt::clip(list).empty()) return embeds;
  EMBEDLIST = CleanList_(list);
  for (const std::string& entry : splitFileList(EMBEDLIST)) {
    if (rt::clip(entry).empty()) continue;
    const std::size_t slash = entry.find_last_of("/\\");
    EmbedEntry embed;
    embed.folder = slash == std::string::npos ? currentFolderName() : entry.substr(0, slash);
    embed.name =
        std::string(rt::clip(slash == std::string::npos ? entry : entry.substr(slash + 1)));
    bool known = false;
    for (const EmbedEntry& other : embeds) known = known || other.name == embed.name;
    if (known) continue;
    Log("NetMailSend.ProcessEmbedList", "Add an embed: " + embed.name);
    embeds.push_back(std::move(embed));
  }
  return embeds;
}

// Content identifiers hold no blanks: the HTML's references and the part's
// identifier use the name with hyphens, and the file is still read under
// the name it has on disk.
void NetMailSend::replaceEmbedNames(std::vector<EmbedEntry>& embeds) {
  for (EmbedEntry& embed : embeds) {
    if (embed.name.find(' ') == std::string::npos) continue;
    std::string hyphens = embed.name;
    for (char& c : hyphens) {
      if (c == ' ') c = '-';
    }
    MESSAGEHTMLST->Replace("cid:" + embed.name, "cid:" + hyphens);
    embed.contentId = hyphens;
  }
}

}  // namespace netlib
