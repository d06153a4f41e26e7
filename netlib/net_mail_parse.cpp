// The receive side of NetMail: one whole raw message is split into its
// header fields, plain and HTML text, and attachments and embedded files
// saved in ATTACHMENTPATH. Base64, quoted-printable and MIME words go
// through the string class; uuencoded blocks are decoded here.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "netlib/net_mail.h"
#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"

namespace netlib {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";

// Parts without a file name, content id or name are numbered across the
// process (the receiving objects all run on the GUI thread).
int unnamedPartCount = 0;

std::string lowerText(std::string_view text) { return rt::lower(text); }

std::string withoutLeadingSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

bool isLineSeparator(char c) { return c == '\r' || c == '\n'; }

// One uuencoded line to its bytes: the first character gives the count.
std::string uuDecodeLine(std::string_view line) {
  std::string out;
  if (line.empty()) return out;
  const int count = (line[0] - ' ') & 0x3F;
  auto sextet = [&](std::size_t i) {
    return i < line.size() ? static_cast<unsigned>((line[i] - ' ') & 0x3F) : 0u;
  };
  for (std::size_t i = 1; static_cast<int>(out.size()) < count; i += 4) {
    const unsigned group =
        sextet(i) << 18 | sextet(i + 1) << 12 | sextet(i + 2) << 6 | sextet(i + 3);
    for (int shift = 16; shift >= 0 && static_cast<int>(out.size()) < count; shift -= 8)
      out += static_cast<char>((group >> shift) & 0xFF);
    if (i >= line.size()) break;
  }
  return out;
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path(rt::clip(folder));
  // An empty folder is the current one; otherwise one separator between.
  if (!path.empty() && path.back() != '/' && path.back() != '\\' &&
      (name.empty() || (name.front() != '/' && name.front() != '\\')))
    path += '/';
  return path + std::string(name);
}

void appendToList(std::string& list, std::string_view name) {
  list = list.empty() ? std::string(name) : list + ", " + std::string(name);
}

// A name already in the queue becomes "Copy (<rows>) <name>"; each row is
// compared in turn with the name as it stands.
template <typename Queue>
void renameCopy(const Queue& queue, std::string& name) {
  const std::string given = name;
  for (const auto& row : queue)
    if (row.NAME == name) name = "Copy (" + std::to_string(queue.size()) + ") " + given;
}

}  // namespace

std::int32_t NetMail::ProcessWholeMessage(const textlib::TextBuffer& message) {
  WHOLEMESSAGEST->SetValue(message);
  return ProcessSplitWholeMessage_();
}

std::int32_t NetMail::LoadMessageFile(std::string_view fileName) {
  textlib::TextBuffer file;
  file.LoadFile(withoutLeadingSpaces(fileName));
  return ProcessWholeMessage(file);
}

std::int32_t NetMail::ProcessSplitWholeMessage_() {
  if (OPTIONSDONTPROCESSWHOLEMESSAGE != 0) {
    Log("ProcessSplitWholeMessage", "Ignoring function as .optionsDontProcessWholeMessage is set.");
    return 0;
  }
  ATTACHMENTLISTQ.clear();
  EMBEDLISTQ.clear();
  const std::string_view whole = WHOLEMESSAGEST->GetValueRef();
  if (whole.empty()) {
    Log("ProcessSplitWholeMessage", "Warning: the whole message is empty.");
    return 0;
  }
  const std::size_t blank = whole.find(kBlankLine);
  const std::int32_t headerEnd = blank == std::string_view::npos
                                     ? static_cast<std::int32_t>(whole.size())
                                     : static_cast<std::int32_t>(blank) + 1;
  ProcessHeader_(0, headerEnd);
  if (OPTIONSONLYPROCESSHEADER != 0) {
    Log("ProcessSplitWholeMessage",
        " Wont process email body as .OptionsOnlyProcessHeader is set.");
    return 0;
  }
  return ProcessBody_(headerEnd);
}

std::int32_t NetMail::ProcessHeader_(std::int32_t /*start*/, std::int32_t end) {
  const std::string_view whole = WHOLEMESSAGEST->GetValueRef();
  if (end <= 0 || end > static_cast<std::int32_t>(whole.size()))
    end = static_cast<std::int32_t>(whole.size());
  // The header block ends before the blank line's first line end, so that
  // the last field does not keep a carriage return.
  std::string_view block = whole.substr(0, static_cast<std::size_t>(end));
  while (!block.empty() && isLineSeparator(block.back())) block.remove_suffix(1);
  textlib::TextBuffer header;
  header.SetValue(block);
  TOLIST = HeaderField_(header, "to", true);
  CCLIST = HeaderField_(header, "cc", true);
  FROM = HeaderField_(header, "from", true);
  SUBJECT = HeaderField_(header, "subject", true);
  REPLYTO = HeaderField_(header, "reply-to", true);
  ORGANIZATION = HeaderField_(header, "organization", true);
  DELIVERYRECEIPTTO = HeaderField_(header, "delivery-receipt-to", true);
  DISPOSITIONNOTIFICATIONTO = HeaderField_(header, "dispositionnotificationto", true);
  if (DISPOSITIONNOTIFICATIONTO.empty())
    DISPOSITIONNOTIFICATIONTO = HeaderField_(header, "disposition-notification-to", true);
  SENTDATE = HeaderField_(header, "date", true);
  MESSAGEID = HeaderField_(header, "message-id", true);
  REFERENCES = HeaderField_(header, "references", true);
  MIMEVERSION = HeaderField_(header, "mime-version", true);
  CONTENTTRANSFERENCODING = HeaderField_(header, "content-transfer-encoding", true);
  MDCONTENTTRANSFER_ = CONTENTTRANSFERENCODING;
  USERFILTERCONTENT = rt::clip(OPTIONSUSERFILTER).empty()
                          ? std::string()
                          : HeaderField_(header, rt::clip(OPTIONSUSERFILTER), true);

  MDCONTENTID_ = HeaderField_(header, "content-id", true);

  CONTENTDISPOSITION = HeaderField_(header, "Content-Disposition", false);
  GetHeaderAttribute_(CONTENTDISPOSITION, nullptr, nullptr, nullptr, &MDFILENAME_);
  MDCONTENTDISPOSITION_ = CONTENTDISPOSITION;
  MIMEMIXEDBOUNDARY.clear();
  MIMEALTBOUNDARY.clear();
  MIMERELBOUNDARY.clear();
  CONTENTTYPE = HeaderField_(header, "Content-Type", false);
  GetHeaderAttribute_(CONTENTTYPE, &MIMEBOUNDARY, &MDNAME_, &MDCHARSET_);
  MDCONTENTTYPE_ = CONTENTTYPE;
  MDCONTENTBOUNDARY_ = MIMEBOUNDARY;
  const std::string type = lowerText(CONTENTTYPE);
  if (type == "multipart/mixed" || type == "multipart/report") MIMEMIXEDBOUNDARY = MIMEBOUNDARY;
  if (type == "multipart/alternative") MIMEALTBOUNDARY = MIMEBOUNDARY;
  if (type == "multipart/related") MIMERELBOUNDARY = MIMEBOUNDARY;
  return 0;
}

std::string NetMail::HeaderField_(const textlib::TextBuffer& header, std::string_view name,
                                  bool decode) {
  const std::string_view block = header.GetValueRef();
  const std::string upper = rt::upper(block);
  const std::string key = rt::upper(name) + ":";
  std::size_t start = upper.find(std::string(kCrLf) + key);
  if (start != std::string::npos) {
    start += kCrLf.size();
  } else if (upper.compare(0, key.size(), key) == 0) {
    start = 0;
  } else {
    return {};
  }
  // Folded lines (a line end followed by a blank or a tab) belong to the field.
  std::size_t end = start;
  for (;;) {
    end = block.find(kCrLf, end);
    if (end == std::string_view::npos) {
      end = block.size();
      break;
    }
    if (end + 2 < block.size() && (block[end + 2] == ' ' || block[end + 2] == '\t')) {
      end += 2;
      continue;
    }
    break;
  }
  const std::size_t valueStart = start + key.size();
  std::string value = withoutLeadingSpaces(block.substr(valueStart, end - valueStart));
  if (!decode) return value;
  const std::string lower = lowerText(name);
  if (lower == "from" || lower == "to" || lower == "cc" || lower == "bcc") {
    std::string joined;
    std::size_t at = 0;
    while (at <= value.size()) {
      std::size_t space = value.find(' ', at);
      if (space == std::string::npos) space = value.size();
      if (!joined.empty() || at > 0) joined += ' ';
      joined += DecodeHeaderText_(std::string_view(value).substr(at, space - at), true);
      at = space + 1;
    }
    return joined;
  }
  return DecodeHeaderText_(value, true);
}

std::string NetMail::ExtractHeaderPart_(std::string_view attribute, std::string_view value) {
  std::string text(rt::clip(value));
  std::erase_if(text, isLineSeparator);
  std::string result;
  if (!rt::clip(attribute).empty()) {
    const std::string key = rt::upper(rt::clip(attribute)) + "=";
    const std::size_t at = rt::upper(text).find(key);
    if (at != std::string::npos) {
      const std::size_t from = at + key.size();
      const std::size_t semicolon = text.find(';', from);
      result =
          text.substr(from, semicolon == std::string::npos ? std::string::npos : semicolon - from);
    }
  } else {
    result = text.substr(0, text.find(';'));
  }
  const std::size_t first = result.find_first_not_of(' ');
  if (first != std::string::npos && result[first] == '"') result.erase(0, result.find('"') + 1);
  const std::size_t last = result.find_last_not_of(' ');
  if (last != std::string::npos && result[last] == '"') result.erase(result.size() - 1);
  Trace("ExtractHeaderPart " + std::string(attribute) + " [" + text + "] -> [" + result + "]");
  return result;
}

namespace {

// A parameter written as RFC 2231 does (name*=utf-8''%C3%B1.pdf, or in
// numbered pieces name*0*=..., name*1=...), as runtime text; empty when the
// header has none.
std::string extendedParameter(std::string_view attribute, std::string_view header) {
  std::map<int, std::pair<std::string, bool>> pieces;  // number -> text, percent-encoded
  const std::string wanted = rt::lower(attribute);
  std::size_t at = 0;
  while (at < header.size()) {
    std::size_t end = at;
    bool quoted = false;
    while (end < header.size() && (quoted || header[end] != ';')) {
      if (header[end] == '"') quoted = !quoted;
      ++end;
    }
    std::string parameter(header.substr(at, end - at));
    at = end + 1;
    std::erase_if(parameter, isLineSeparator);
    const std::size_t equals = parameter.find('=');
    if (equals == std::string::npos) continue;
    std::string key = rt::lower(rt::clip(parameter.substr(0, equals)));
    key.erase(0, key.find_first_not_of(" \t"));
    if (key.rfind(wanted + "*", 0) != 0) continue;
    std::string rest = key.substr(wanted.size() + 1);
    const bool encoded = rest.empty() || rest.back() == '*';
    if (!rest.empty() && rest.back() == '*') rest.pop_back();
    if (!rest.empty() &&
        !std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    std::string text(rt::clip(parameter.substr(equals + 1)));
    text.erase(0, text.find_first_not_of(" \t"));
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
      text = text.substr(1, text.size() - 2);
    pieces[rest.empty() ? 0 : std::stoi(rest)] = {text, encoded};
  }
  if (pieces.empty()) return {};
  std::string charset;
  std::string bytes;
  for (auto& [number, piece] : pieces) {
    std::string text = piece.first;
    if (piece.second && number == 0) {
      const std::size_t quote = text.find('\'');
      const std::size_t second =
          quote == std::string::npos ? std::string::npos : text.find('\'', quote + 1);
      if (second != std::string::npos) {
        charset = rt::lower(text.substr(0, quote));
        text.erase(0, second + 1);
      }
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (piece.second && text[i] == '%' && i + 2 < text.size() &&
          std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
        bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        bytes += text[i];
      }
    }
  }
  return charset == "utf-8" || charset == "utf8" ? rt::utf8ToCp1252(bytes) : bytes;
}

}  // namespace

std::int32_t NetMail::GetHeaderAttribute_(std::string& value, std::string* boundary,
                                          std::string* name, std::string* charset,
                                          std::string* fileName) {
  for (std::string* output : {boundary, name, charset, fileName})
    if (output != nullptr) output->clear();
  if (value.empty()) return 0;
  if (boundary != nullptr) *boundary = ExtractHeaderPart_("boundary", value);
  // Names outside ASCII come as RFC 2231 parameters or RFC 2047 words.
  auto nameParameter = [&](std::string_view attribute) {
    std::string text = extendedParameter(attribute, value);
    if (text.empty()) text = ExtractHeaderPart_(attribute, value);
    if (text.find("=?") != std::string::npos) text = DecodeHeaderText_(text, true);
    return text;
  };
  if (name != nullptr) *name = nameParameter("name");
  if (charset != nullptr) *charset = ExtractHeaderPart_("charset", value);
  if (fileName != nullptr) *fileName = nameParameter("filename");
  value = DecodeHeaderText_(ExtractHeaderPart_({}, value), true);
  return 0;
}

std::string NetMail::DecodeHeaderText_(std::string_view text, bool flag) {
  if (text.empty()) return {};
  textlib::TextBuffer words;
  words.SetValue(rt::clip(text));
  words.DecodeMimeWords();
  if (ENCODING == 1 || ENCODING == 2) {
    if (words.ENCODING == 0) words.ToUnicode(ENCODING, textlib::TextBuffer::kUsAsciiCodePage);
  } else {
    if (CODEPAGE == 0) SetCodePage_(0, true);
    if (words.ENCODING != 0) {
      words.ToAnsi(0, CODEPAGE);
    } else if (words.CODEPAGE != 0 && words.CODEPAGE != CODEPAGE) {
      words.ToUnicode(1, words.CODEPAGE);
      words.ToAnsi(0, CODEPAGE);
    }
  }
  std::string result = words.GetValue();
  if (flag) {
    std::replace(result.begin(), result.end(), '\t', ' ');
    for (std::size_t at; (at = result.find(kCrLf)) != std::string::npos;) result.erase(at, 2);
  }
  return result;
}

std::int32_t NetMail::ProcessBody_(std::int32_t headerEnd) {
  Trace("ProcessBody MimeVersion=" + MIMEVERSION + " ContentType=" + CONTENTTYPE +
        " Boundary=" + MIMEBOUNDARY);
  if (MIMEVERSION.empty() && CONTENTTYPE.empty()) return ProcessBodyNoContentType_(headerEnd);
  if (MIMEBOUNDARY.empty()) return ProcessPart_(WHOLEMESSAGEST->GetValueRef());
  // The search starts after the header, so that the boundary's mention in
  // the Content-Type field is not taken for a delimiter.
  return ProcessParts_(WHOLEMESSAGEST->GetValueRef(), headerEnd, MIMEBOUNDARY);
}

std::int32_t NetMail::ProcessParts_(std::string_view whole, std::int32_t start,
                                    std::string_view boundary) {
  const std::string_view mark = rt::clip(boundary);
  if (mark.empty()) return 0;
  if (partDepth_ >= kMaxPartDepth) {
    Log("ProcessParts",
        "Multipart nested more than " + std::to_string(kMaxPartDepth) +
            " levels deep: its parts are skipped.",
        log_type::kError);
    return 0;
  }
  struct Deeper {
    int& depth;
    explicit Deeper(int& d) : depth(d) { ++depth; }
    ~Deeper() { --depth; }
  } deeper(partDepth_);
  const std::size_t skip = mark.size() + 2;  // the boundary and its line end
  std::size_t p = static_cast<std::size_t>(std::max(start - 1, 1));
  std::int32_t result = 0;
  for (;;) {
    const std::size_t b = whole.find(mark, p);  // 0-based: the position after p
    if (b == std::string_view::npos) break;
    const std::size_t c = whole.find(mark, b + 1);
    if (c == std::string_view::npos || c <= b) break;
    const std::size_t from = b + skip;
    // The line end and "--" before the next delimiter are not the part's.
    const std::size_t to = c >= 4 ? c - 4 : 0;
    result = ProcessPart_(rt::clip(from < to ? whole.substr(from, to - from) : std::string_view()));
    p = b + 1;
  }
  return result;
}

std::int32_t NetMail::ProcessPart_(std::string_view text) {
  Trace("start pPart=" + std::string(text.substr(0, 200)));
  if (text.empty()) return 0;
  const std::size_t blank = text.find(kBlankLine);
  const std::size_t dataStart =
      blank == std::string_view::npos ? 0 : std::min(blank + kBlankLine.size(), text.size());
  textlib::TextBuffer header;
  header.SetValue(text.substr(0, dataStart == 0 ? text.size() : dataStart));
  const std::string_view data = text.substr(dataStart);

  const std::string transfer = HeaderField_(header, "content-transfer-encoding", true);
  const std::string contentId = HeaderField_(header, "content-id", true);
  std::string contentType = HeaderField_(header, "content-type", true);
  std::string boundary, name, charset, fileName;
  GetHeaderAttribute_(contentType, &boundary, &name, &charset);
  std::string disposition = HeaderField_(header, "content-disposition", false);
  GetHeaderAttribute_(disposition, nullptr, nullptr, nullptr, &fileName);

  if (contentType.rfind("multipart/", 0) == 0)
    return ProcessParts_(text, static_cast<std::int32_t>(dataStart) + 1, boundary);
  if (!disposition.empty() && disposition != "inline") {
    if (disposition != "attachment") return 0;
    return ProcessStoreAttachment_(data, transfer, fileName, contentId, name, contentType,
                                   disposition);
  }
  if (contentType == "text/html") return DecodeHtmlPart_(data, transfer, charset);
  if (contentType.empty() || contentType == "text/plain")
    return DecodeTextPart_(data, transfer, charset);
  return ProcessStoreAttachment_(data, transfer, fileName, contentId, name, contentType,
                                 disposition);
}

std::int32_t NetMail::DecodeTextPart_(std::string_view data, std::string_view transfer,
                                      std::string_view charset) {
  TEXTCHARSET = std::string(charset);
  MESSAGETEXTST->SetValue(data, true);
  const std::string encoding = lowerText(transfer);
  if (encoding == "quoted-printable") MESSAGETEXTST->QuotedPrintableDecode();
  if (encoding == "base64") MESSAGETEXTST->Base64Decode();
  return 0;
}

std::int32_t NetMail::DecodeHtmlPart_(std::string_view data, std::string_view transfer,
                                      std::string_view charset) {
  if (MESSAGEHTMLST->GetValueRef().size() > 0) return 0;  // the first HTML part wins
  HTMLCHARSET = std::string(charset);
  MESSAGEHTMLST->SetValue(data, true);
  const std::string encoding = lowerText(transfer);
  if (encoding == "quoted-printable") {
    MESSAGEHTMLST->QuotedPrintableDecode();
    if (OPTIONSCONVERTHTMLTOWEB != 0) CidToFileLinks_(*MESSAGEHTMLST);
  }
  if (encoding == "base64") MESSAGEHTMLST->Base64Decode();
  return 0;
}

std::int32_t NetMail::ProcessStoreAttachment_(std::string_view data, std::string_view transfer,
                                              std::string_view fileName, std::string_view contentId,
                                              std::string_view name, std::string_view contentType,
                                              std::string_view disposition) {
  Trace("ProcessStoreAttachment transfer=" + std::string(transfer) +
        " file=" + std::string(fileName) + " id=" + std::string(contentId));
  const std::string encoding = lowerText(transfer);
  if (encoding == "x-uuencode") return UuDecode_(data);
  std::string partName(!fileName.empty() ? fileName : !contentId.empty() ? contentId : name);
  if (partName.empty()) {
    char number[16];
    std::snprintf(number, sizeof number, "%09d", ++unnamedPartCount);
    partName = std::string("EmailFile") + number;
    if (lowerText(contentType) == "message/rfc822") partName += ".eml";
  }
  partName = std::string(rt::clip(MakeFileName_(partName)));
  if (!contentId.empty() && disposition != "attachment") {
    AddEmbed_(partName, contentType, transfer, contentId);
    if (OPTIONSDONTSAVEEMBEDS != 0) {
      Log("ProcessStoreAttachment",
          "Not Saving: OptionsDontSaveEmbeds=" + std::to_string(OPTIONSDONTSAVEEMBEDS));
      return 0;
    }
  } else {
    AddAttachment_(partName, contentType, transfer, contentId);
    if (OPTIONSDONTSAVEATTACHMENTS != 0) {
      Log("ProcessStoreAttachment",
          "Not Saving: OptionsDontSaveAttachments=" + std::to_string(OPTIONSDONTSAVEATTACHMENTS));
      return 0;
    }
  }
  const std::string file = joinPath(ATTACHMENTPATH, partName);
  textlib::TextBuffer bytes;
  bytes.SetValue(data, true);
  if (encoding == "base64") {
    bytes.Base64Decode();
  } else if (encoding == "quoted-printable") {
    bytes.QuotedPrintableDecode();
  }
  const std::string decoded = bytes.GetValue();
  const std::int32_t result = SaveFile_(file, decoded, static_cast<std::int32_t>(decoded.size()));
  if (encoding == "base64")
    Trace("After call to SaveFile " + file + " len=" + std::to_string(decoded.size()) +
          " result=" + std::to_string(result));
  return 0;
}

namespace {

void addPart(std::vector<NetMail::AttachmentRecord>& queue, std::string& list, std::string& name,
             std::string_view contentType, std::string_view transfer, std::string_view contentId) {
  renameCopy(queue, name);
  appendToList(list, name);
  queue.push_back({name, std::string(contentType), std::string(transfer), std::string(contentId)});
}

}  // namespace

std::int32_t NetMail::AddAttachment_(std::string& name, std::string_view contentType,
                                     std::string_view transfer, std::string_view contentId) {
  addPart(ATTACHMENTLISTQ, ATTACHMENTLIST, name, contentType, transfer, contentId);
  return 0;
}

std::int32_t NetMail::AddEmbed_(std::string& name, std::string_view contentType,
                                std::string_view transfer, std::string_view contentId) {
  addPart(EMBEDLISTQ, EMBEDLIST, name, contentType, transfer, contentId);
  return 0;
}

std::int32_t NetMail::UuDecode_(std::string_view text) {
  std::int32_t result = 0;
  std::size_t p = 0;
  for (;;) {
    const std::size_t begin = text.find("\r\nbegin ", p);
    if (begin == std::string_view::npos) break;
    const std::size_t lineStart = begin + 2;
    const std::size_t lineEnd = text.find(kCrLf, lineStart);
    if (lineEnd == std::string_view::npos) break;
    const std::string_view beginLine = text.substr(lineStart, lineEnd - lineStart);
    const std::string name(
        rt::clip(MakeFileName_(beginLine.size() > 10 ? beginLine.substr(10) : std::string_view())));
    appendToList(ATTACHMENTLIST, name);
    const std::size_t end = text.find("\r\nend", lineEnd);
    if (end == std::string_view::npos) break;
    if (result == 0) result = static_cast<std::int32_t>(begin);
    if (OPTIONSDONTSAVEATTACHMENTS == 0) {
      std::string decoded;
      std::size_t at = lineEnd + 2;
      while (at < end + 2) {
        std::size_t next = text.find(kCrLf, at);
        if (next == std::string_view::npos || next > end) next = end;
        decoded += uuDecodeLine(text.substr(at, next - at));
        at = next + 2;
      }
      SaveFile_(joinPath(ATTACHMENTPATH, name), decoded, static_cast<std::int32_t>(decoded.size()));
    }
    p = end + 5;
  }
  return result;
}

std::int32_t NetMail::SaveFile_(std::string_view file, std::string_view data, std::int32_t length) {
  if (rt::clip(file).empty()) return 0;
  if (length <= 0 || length > static_cast<std::int32_t>(data.size()))
    length = static_cast<std::int32_t>(data.size());
  textlib::TextBuffer bytes;
  bytes.SetValue(data.substr(0, static_cast<std::size_t>(length)));
  bytes.SaveFile(rt::clip(file));
  Trace(" Saved File " + std::string(file) + " length=" + std::to_string(length));
  return 1;
}

std::string NetMail::MakeFileName_(std::string_view name) {
  textlib::TextBuffer text;
  text.SetValue(rt::clip(name));
  text.DecodeMimeWords();
  std::string fileName = text.FileNameOnly(text.GetValue(), true);
  std::erase_if(fileName, [](char c) { return c == '<' || c == '>'; });
  fileName = text.CleanFileName(fileName);
  return rt::clip(fileName).empty() ? std::string("file") : fileName;
}

std::int32_t NetMail::ProcessDeliveryStatus_(std::int32_t start, std::int32_t end) {
  const std::int32_t from = start + 4;
  const std::int32_t size = static_cast<std::int32_t>(WHOLEMESSAGEST->GetValueRef().size());
  const std::int32_t to = std::min(end - 5, size);
  if (from < 1 || to < from) return 0;
  // The region alone is searched, its blank lines removed: the header
  // search stops at the first blank line, which would hide the status part
  // (after the message's header) and its per-recipient fields (after the
  // per-message ones).
  std::string region(WHOLEMESSAGEST->GetValueRef().substr(static_cast<std::size_t>(from - 1),
                                                          static_cast<std::size_t>(to - from + 1)));
  for (std::size_t at; (at = region.find(kBlankLine)) != std::string::npos;)
    region.erase(at, kCrLf.size());
  auto value = [&](std::string_view name) { return GetHeaderValue_(region, name, 1, 0, 1); };
  auto recipient = [](std::string text) {
    if (lowerText(text).rfind("rfc822;", 0) == 0) text.erase(0, 7);
    return text;
  };
  DELIVERYSTATUSORIGINALRECIPIENT = recipient(value("Original-recipient"));
  DELIVERYSTATUSFINALRECIPIENT = recipient(value("Final-recipient"));
  DELIVERYSTATUSACTION = value("Action");
  DELIVERYSTATUSSTATUS = value("Status");
  DELIVERYSTATUSREMOTEMTA = value("Remote-MTA");
  DELIVERYSTATUSDIAGNOSTICCODE = value("Diagnostic-Code");
  DELIVERYSTATUSLASTATTEMPTDATE = value("Last-Attempt-Date");
  return 0;
}

std::int32_t NetMail::ProcessBodyNoContentType_(std::int32_t headerEnd) {
  Trace("No Mime or ContentType - (may have UUDecode)");
  const std::string_view whole = WHOLEMESSAGEST->GetValueRef();
  const std::size_t from = std::min(whole.size(), static_cast<std::size_t>(headerEnd) + 3);
  const std::string_view body = whole.substr(from);
  const std::int32_t before = UuDecode_(body);
  MESSAGETEXTST->SetValue(before > 0 ? body.substr(0, static_cast<std::size_t>(before)) : body);
  return 0;
}

}  // namespace netlib
