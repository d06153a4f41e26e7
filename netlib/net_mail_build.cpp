// The message builder: the header lines in their order, the boundaries, the
// body layouts (text, HTML, related and mixed parts) and the queued record.
#include <algorithm>
#include <optional>
#include <string>

#include "netlib/mime_words.h"
#include "netlib/net_http_headers.h"
#include "netlib/net_mail_send.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/paths.h"
#include "platform/base/safe_file.h"
#include "platform/base/text_order.h"
#include "platform/net/socket_library.h"
#include "textlib/random_source.h"

namespace netlib {
namespace {

constexpr std::string_view kPrefix = "--=_NextPart";
constexpr std::string_view kPreamble =
    "This is a multi-part message in MIME format.\r\nThis email requires a MIME compatible "
    "email reader.\r\n\r\n";
constexpr std::string_view kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// The unique part of the boundaries: date, time, hundredths, count, random.
std::string uniquePart(std::int32_t count) {
  const rt::YearMonthDay day = rt::splitDate(rt::today());
  const int hundredths = rt::clockTime() - 1;
  const int seconds = hundredths / 100;
  return "d" + std::to_string(day.year) + twoDigits(day.month) + twoDigits(day.day) + "t" +
         std::to_string(seconds / 3600) + twoDigits(seconds / 60 % 60) + twoDigits(seconds % 60) +
         "." + std::to_string(hundredths % 100) + "c" + std::to_string(count) + "r" +
         std::to_string(1 + textlib::nextRandom() % 1000000);
}

std::string dateLine() {
  const rt::Date date = rt::today();
  const rt::YearMonthDay day = rt::splitDate(date);
  const int seconds = (rt::clockTime() - 1) / 100;
  return "Date: " + std::string(kWeekdays[rt::weekday(date) % 7]) + ", " + std::to_string(day.day) +
         " " + std::string(kMonths[day.month - 1]) + " " + std::to_string(day.year) + " " +
         twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" +
         twoDigits(seconds % 60) + " " + rt::net::NetGetTimeZone() + "\r\n";
}

// A header value on one line: CR, LF and NUL would end the header or the
// command early and let the value add lines of its own.
std::string oneLine(std::string_view value) {
  std::string out(rt::clip(value));
  std::erase_if(out, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
  return out;
}

// Every line end of the message as CR LF: servers refuse bare CR and LF.
std::string crlfLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A file name outside ASCII, as RFC 2231 writes a parameter (UTF-8, percent
// escapes) and as RFC 2047 writes it for readers that know only that.
std::string rfc2231Value(const std::string& utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "utf-8''";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9') ||
        std::string_view("!#$&+-.^_`|~").find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

// A text file's type names its charset when the text is not plain ASCII
// (without one, readers take the bytes as ASCII): UTF-8 when the bytes are
// valid UTF-8, else the program's own single-byte code page.
std::string withTextCharset(std::string type, const textlib::TextBuffer& content) {
  if (!rt::lower(type).starts_with("text/") ||
      rt::lower(type).find("charset=") != std::string::npos || content.IsAscii())
    return type;
  return type + ";\r\n\tcharset=" + (content.IsValidUtf8() ? "utf-8" : "windows-1252");
}

std::string withLineEnd(std::string text) {
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
  return text;
}

std::string textPartHeader(std::string_view boundary, std::string_view charset,
                           std::string_view encoding) {
  return "--" + std::string(boundary) +
         "\r\nContent-Type: text/plain;\r\n\tcharset=" + std::string(charset) +
         "\r\nContent-Transfer-Encoding: " + std::string(encoding) + "\r\n\r\n";
}

std::string alternativeOpener(std::string_view inside, std::string_view alternative) {
  return "--" + std::string(inside) + "\r\nContent-Type: multipart/alternative;\r\n\tboundary=\"" +
         std::string(alternative) + "\"\r\n\r\n";
}

std::string closing(std::string_view boundary) {
  return "\r\n\r\n--" + std::string(boundary) + "--\r\n";
}

// Folder and name of a file list entry; a name without a folder is in the
// current folder.
void splitPath(std::string_view path, std::string& folder, std::string& name) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string_view::npos) {
    folder = currentFolderName();
    name = std::string(path);
  } else {
    folder = std::string(path.substr(0, slash));
    name = std::string(path.substr(slash + 1));
  }
}

}  // namespace

std::string NetMailSend::ContentTypeOf_(std::string_view fileName) {
  NetHttpHeaders headers;
  std::string type = headers.GetContentType(fileName);
  if (rt::clip(type).empty()) type = std::string(rt::clip(OPTIONSATTACHMENTCONTENTTYPE));
  return type;
}

std::string NetMailSend::textContent(textlib::TextBuffer& body, std::string_view encoding,
                                     bool dontEncode) {
  if (body.Length() == 0) {
    Log("NetMailSend.BuildMail",
        dontEncode ? "Attention. TextLen = 0" : "Attention. (b) TextLen = 0");
    return {};
  }
  if (dontEncode || rt::lower(rt::clip(encoding)) != "quoted-printable") return body.GetValue();
  textlib::TextBuffer encoded;
  encoded.SetValue(body);
  encoded.QuotedPrintableEncode();
  return encoded.GetValue();
}

std::int32_t NetMailSend::AddAttachmentFromFile(std::string_view folder, std::string_view fileName,
                                                std::string_view prefix, std::string_view unique,
                                                textlib::TextBuffer& body, bool embedded,
                                                int index) {
  return addFilePart(folder, fileName, fileName, prefix, unique, body, embedded, index) ? 0 : ERROR;
}

// The part is read from the file's name on disk: the runtime names it in its
// code page, the disk in UTF-8. A file that cannot be read stops the message:
// an empty part would arrive looking like the file.
bool NetMailSend::addFilePart(std::string_view folder, std::string_view diskName,
                              std::string_view fileName, std::string_view prefix,
                              std::string_view unique, textlib::TextBuffer& body, bool embedded,
                              int index) {
  Log("NetMailSend.AddAttachmentFromFile",
      "Folder = " + std::string(folder) + " File = " + std::string(diskName));
  const std::string path = std::string(rt::clip(folder)) + "/" + std::string(diskName);
  const std::optional<std::string> bytes = rt::readWholeFile(rt::resolvePath(path));
  if (!bytes) {
    unreadableFile_ = path;
    RaiseError_(kUnreadableFile, 2, after_error::kNotQueued,
                "Could not read the file " + path + "; the email was not sent",
                "NetMailSend.AddAttachmentFromFile");
    return false;
  }
  textlib::TextBuffer content;
  content.SetValue(*bytes);
  const std::string type = withTextCharset(ContentTypeOf_(fileName), content);
  std::string part;
  if (index > 1) part += "\r\n";
  const std::string plainName = oneLine(fileName);
  const std::string utf8Name = rt::cp1252ToUtf8(plainName);
  const bool plain = ascii(plainName);
  part += "\r\n--" + std::string(prefix) + (embedded ? "_002_" : "_000_") + std::string(unique) +
          "\r\nContent-Type: " + type + ";\r\n name=\"" +
          (plain ? plainName : foldedMimeWords(utf8Name, MimeWordKind::kBase64, 7)) +
          "\"\r\nContent-Transfer-Encoding: base64\r\n";
  if (embedded) {
    part += "Content-ID: <" + plainName + ">\r\n";
  } else if (plain) {
    part += "Content-Disposition: attachment;\r\n filename=\"" + plainName + "\"\r\n";
  } else {
    part += "Content-Disposition: attachment;\r\n filename*=" + rfc2231Value(utf8Name) + "\r\n";
  }
  part += "\r\n";
  if (content.Length() > 0) content.Base64Encode();
  part += rt::clip(content.GetValueRef());
  body.Append(part);
  return true;
}

std::string NetMailSend::buildHeader(const std::string& mimeLines) {
  std::string h = "Message-ID: " + oneLine(MESSAGEID) + "\r\n";
  auto optional = [&](std::string_view name, std::string_view value) {
    const std::string line = oneLine(value);
    if (!line.empty()) h += std::string(name) + line + "\r\n";
  };
  optional("Return-Path: ", RETURNPATH);
  optional("Delivery-receipt-to: ", DELIVERYRECEIPTTO);
  optional("Return-receipt-to: ", RETURNRECEIPTTO);
  optional("Disposition-Notification-To: ", DISPOSITIONNOTIFICATIONTO);
  optional("Reply-To: ", REPLYTO);
  h += "From: " + NormalizeAddressList_(FROM, 1, 3) + "\r\n";
  optional("To: ", NormalizeAddressList_(TOLIST, 0, 3));
  optional("CC: ", NormalizeAddressList_(CCLIST, 0, 3));
  optional("References: ", REFERENCES);
  h += "Subject: " + EncodeHeaderText_(oneLine(SUBJECT), 9) + "\r\n";
  h += dateLine();
  if (!rt::clip(ORGANIZATION).empty()) {
    h += "Organization: " + EncodeHeaderText_(oneLine(ORGANIZATION), 14) + "\r\n";
  }
  h += mimeLines;
  h += "X-Mailer: " + oneLine(XMAILER) + "\r\nX-Rednet: Rednet Email 11.05\r\n";
  if (!rt::clip(EXTRAHEADER).empty()) h += withLineEnd(std::string(rt::clip(EXTRAHEADER)));
  if (CUSTOMHEADER->Length() > 0) h += withLineEnd(CUSTOMHEADER->GetValue());
  textlib::TextBuffer header;
  header.SetValue(h);
  HeaderBuilt_(header);
  return header.GetValue() + "\r\n";
}

std::int32_t NetMailSend::BuildMail(std::int32_t mode) {
  Log("NetMailSend.BuildMail", "SendMail called. Will try and send " + SERVERDESC_ + " to " +
                                   SERVER + " on port " + std::to_string(PORT));
  clearErrors();
  unreadableFile_.clear();
  if (PROGRESSCONTROL != 0) ShowProgress_(true, 0);
  SSLDONTCONNECTONOPEN_ = 0;
  if (SECUREEMAILSTARTTLS != start_tls::kNever) {
    SSL = 1;
    SSLDONTCONNECTONOPEN_ = 1;
  }
  if (mode != 1 && mode != 2) {
    return RaiseError_(-22, 2, after_error::kNotQueued,
                       "Incorrect Mode parameter passed to function.", "NetMailSend.BuildMail");
  }
  if (mode == 1) {
    // A message prepared whole is not used by this program.
    return RaiseError_(-22, 2, after_error::kNotQueued,
                       "Incorrect Mode parameter passed to function.", "NetMailSend.BuildMail");
  }
  CollectHtmlEmbeds_("", true);
  if (rt::clip(TOLIST).empty() && rt::clip(CCLIST).empty() && rt::clip(BCCLIST).empty()) {
    return RaiseError_(-37, 2, after_error::kNotQueued,
                       "No To, CC or BCC field specified when sending " + SERVERDESC_,
                       "NetMailSend.BuildMail");
  }
  if (rt::clip(FROM).empty()) {
    return RaiseError_(-37, 2, after_error::kNotQueued,
                       "No From Field specified when sending " + SERVERDESC_,
                       "NetMailSend.BuildMail");
  }
  // An address goes into the envelope commands as it stands: a line break or
  // NUL in it would add commands of its own, so such a message is refused.
  const std::pair<const char*, const std::string*> addresses[] = {
      {"FROM", &FROM},
      {"TO", &TOLIST},
      {"CC", &CCLIST},
      {"BCC", &BCCLIST},
      {"REPLYTO", &REPLYTO},
      {"RETURNPATH", &RETURNPATH},
      {"DELIVERYRECEIPTTO", &DELIVERYRECEIPTTO},
      {"RETURNRECEIPTTO", &RETURNRECEIPTTO},
      {"DISPOSITIONNOTIFICATIONTO", &DISPOSITIONNOTIFICATIONTO}};
  for (const auto& [field, value] : addresses) {
    if (value->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      return RaiseError_(-37, 2, after_error::kNotQueued,
                         "The " + std::string(field) +
                             " field holds a line break or NUL character; the email was not sent.",
                         "NetMailSend.BuildMail");
    }
  }
  if (rt::clip(MESSAGEID).empty()) MESSAGEID = MakeMessageId_(FROM);

  const std::string unique = uniquePart(++IDCOUNT_);
  const std::string b0 = std::string(kPrefix) + "_000_" + unique;
  const std::string b1 = std::string(kPrefix) + "_001_" + unique;
  const std::string b2 = std::string(kPrefix) + "_002_" + unique;

  std::vector<EmbedEntry> embeds;
  if (!rt::clip(EMBEDLIST).empty()) {
    embeds = processEmbedList(EMBEDLIST);
    replaceEmbedNames(embeds);
  }
  CheckTextCharset_();
  CheckHtmlCharset_();
  const std::string t(rt::clip(OPTIONSMIMETEXTCHARSET));
  const std::string e(rt::clip(OPTIONSMIMETEXTTRANSFERENCODING));
  const bool hasHtml = MESSAGEHTMLST->Length() > 0;
  const bool hasAttachments = !rt::clip(ATTACHMENTLIST).empty();
  const bool hasEmbeds = !rt::clip(EMBEDLIST).empty() && hasHtml;

  const std::string mimeStart = "MIME-version: 1.0\r\nContent-Type: ";
  const std::string plainMime =
      "text/plain;\r\n\tcharset=" + t + "\r\nContent-Transfer-Encoding: " + e + "\r\n";
  std::string mime;
  if (!rt::clip(OPTIONSCONTENTTYPE).empty()) {
    mime = mimeStart + std::string(rt::clip(OPTIONSCONTENTTYPE)) + ";\r\n";
    mime += OPTIONSMULTIPARTCONTENT == 1
                ? "\tboundary=\"" + b1 + "\"\r\n"
                : "\tcharset=" + t + "\r\nContent-Transfer-Encoding: " + e + "\r\n";
  } else if (hasAttachments) {
    mime = mimeStart + "multipart/mixed;\r\n\tboundary=\"" + b0 + "\"\r\n";
  } else if (hasEmbeds) {
    mime = mimeStart + "multipart/related; type=\"multipart/alternative\";\r\n\tboundary=\"" + b2 +
           "\"\r\n";
  } else if (hasHtml) {
    mime = mimeStart + "multipart/alternative;\r\n\tboundary=\"" + b1 + "\"\r\n";
  } else {
    mime = mimeStart + plainMime;
  }

  const std::string text = textContent(*MESSAGETEXTST, e, OPTIONSMIMETEXTDONTENCODE == 1);
  std::string htmlPart;
  if (hasHtml) {
    htmlPart = "\r\n\r\n--" + b1 + "\r\nContent-Type: text/html;\r\n\tcharset=" +
               std::string(rt::clip(OPTIONSMIMEHTMLCHARSET)) + "\r\nContent-Transfer-Encoding: " +
               std::string(rt::clip(OPTIONSMIMEHTMLTRANSFERENCODING)) + "\r\n\r\n" +
               textContent(*MESSAGEHTMLST, OPTIONSMIMEHTMLTRANSFERENCODING,
                           OPTIONSMIMEHTMLDONTENCODE == 1) +
               "\r\n\r\n--" + b1 + "--\r\n";
  }
  textlib::TextBuffer body;
  bool filesRead = true;  // false once a file could not be read (reported)
  auto addAttachments = [&] {
    int index = 0;
    for (const std::string& entry : splitFileList(CleanList_(ATTACHMENTLIST))) {
      if (!filesRead) return;
      if (rt::clip(entry).empty()) continue;
      std::string folder;
      std::string name;
      // Lists are joined with ", " as often as with ",": the blank after the
      // comma is no part of the path.
      const std::string_view path = rt::clip(entry);
      splitPath(path.substr(std::min(path.find_first_not_of(' '), path.size())), folder, name);
      filesRead = AddAttachmentFromFile(folder, name, kPrefix, unique, body, false, ++index) == 0;
    }
  };
  auto addEmbeds = [&] {
    for (const EmbedEntry& embed : embeds) {
      if (!filesRead) return;
      filesRead = addFilePart(embed.folder, embed.name,
                              embed.contentId.empty() ? embed.name : embed.contentId, kPrefix,
                              unique, body, true, 0);
    }
  };
  if (!hasHtml && !hasAttachments) {
    body.SetValue(text);
  } else if (!hasHtml) {
    body.SetValue(std::string(kPreamble) + textPartHeader(b0, t, e) + text + "\r\n");
    addAttachments();
    body.Append(closing(b0));
  } else if (!hasEmbeds && !hasAttachments) {
    body.SetValue(std::string(kPreamble) + textPartHeader(b1, t, e) + text + htmlPart);
  } else if (!hasEmbeds) {
    body.SetValue(std::string(kPreamble) + alternativeOpener(b0, b1) + textPartHeader(b1, t, e) +
                  text + htmlPart);
    addAttachments();
    body.Append(closing(b0));
  } else if (!hasAttachments) {
    body.SetValue(std::string(kPreamble) + alternativeOpener(b2, b1) + textPartHeader(b1, t, e) +
                  text + htmlPart);
    addEmbeds();
    body.Append(closing(b2));
  } else {
    body.SetValue(std::string(kPreamble) + "--" + b0 +
                  "\r\nContent-Type: multipart/related;\r\n\ttype=\"multipart/related\";\r\n"
                  "\tboundary=\"" +
                  b2 + "\"\r\n\r\n\r\n" + alternativeOpener(b2, b1) + textPartHeader(b1, t, e) +
                  text + htmlPart);
    addEmbeds();
    body.Append(closing(b2));
    addAttachments();
    body.Append(closing(b0));
  }
  if (!filesRead) return 0;
  WHOLEMESSAGEST->SetValue(crlfLineEnds(buildHeader(mime) + body.GetValue()));
  MessageBuilt_();

  MailQueueRecord record;
  record.WHOLEMESSAGE = WHOLEMESSAGEST->GetValue();
  record.WHOLEMESSAGELEN = static_cast<std::int32_t>(record.WHOLEMESSAGE.size());
  record.TOLIST = TOLIST;
  record.CCLIST = CCLIST;
  record.BCCLIST = BCCLIST;
  record.REPLYTO = REPLYTO;
  record.ORGANIZATION = ORGANIZATION;
  record.DELIVERYRECEIPTTO = DELIVERYRECEIPTTO;
  record.DISPOSITIONNOTIFICATIONTO = DISPOSITIONNOTIFICATIONTO;
  record.FROM = FROM;
  record.SUBJECT = SUBJECT;
  record.RETURNPATH = RETURNPATH;
  record.EXTRAHEADER = EXTRAHEADER;
  record.MESSAGETEXT = MESSAGETEXTST->GetValue();
  record.MESSAGETEXTLEN = MESSAGETEXTST->Length();
  record.MESSAGEHTML = MESSAGEHTMLST->GetValue();
  record.MESSAGEHTMLLEN = MESSAGEHTMLST->Length();
  record.ATTACHMENTLIST = ATTACHMENTLIST;
  record.EMBEDLIST = EMBEDLIST;
  record.MAXTRIES = MAXTRIES;
  record.TRIES_ = 0;
  record.MESSAGEID = MESSAGEID;
  if (rt::clip(HELO).empty()) {
    std::string name;
    for (char c : hostName()) {
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.') {
        name.push_back(c);
      }
    }
    HELO = name.empty() ? "mypc" : name;
  }
  DATAQUEUE->push_back(std::move(record));
  return 1;
}

}  // namespace netlib
