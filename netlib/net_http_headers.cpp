#include "netlib/net_http_headers.h"

#include <algorithm>
#include <cstring>

#include "netlib/content_types.h"
#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"
#include "platform/net/socket_library.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

constexpr std::int32_t kDayHundredths = 8640000;
constexpr std::size_t kCookieHeaderMax = 4096;
constexpr std::string_view kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void removeAll(std::string& text, std::string_view piece) {
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at)) {
    text.erase(at, piece.size());
  }
}

// Line ends a header value must not carry, written or escaped.
std::string cleaned(std::string_view text) {
  std::string out(rt::clip(text));
  for (std::string_view piece : {"\r", "\n", "\\n", "\\r", "%13", "%10"}) removeAll(out, piece);
  return out;
}

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

NetHttpHeaders::NetHttpHeaders() : COOKIEQUEUE_(std::make_unique<CookieStore>()) {}

NetHttpHeaders::~NetHttpHeaders() = default;

std::string NetHttpHeaders::GetContentType(std::string_view fileName) {
  return netlib::GetContentType(fileName);
}

std::string NetHttpHeaders::TimeZone_() { return rt::net::NetGetTimeZone(); }

std::string NetHttpHeaders::GetRfcDate(rt::Date date, rt::Time time) {
  return RfcDate_(date, time);
}

std::string NetHttpHeaders::RfcDate_(rt::Date date, rt::Time time) {
  if (date == 0) date = rt::today();
  if (time == 0) time = rt::clockTime();
  const std::string zone = TimeZone_();
  if (zone.size() >= 5) {
    const int hours = std::atoi(zone.substr(1, 2).c_str());
    const int minutes = std::atoi(zone.substr(3, 2).c_str());
    const std::int32_t offset = (hours * 60 + minutes) * 6000;
    time += zone[0] == '-' ? offset : -offset;
  }
  if (time < 0) {
    time += kDayHundredths;
    --date;
  } else if (time > kDayHundredths) {
    time -= kDayHundredths;
    ++date;
  }
  const rt::YearMonthDay day = rt::splitDate(date);
  const int seconds = (time - 1) / 100;
  return std::string(kWeekdays[((date % 7) + 7) % 7]) + ", " + twoDigits(day.day) + " " +
         std::string(kMonths[day.month - 1]) + " " + std::to_string(day.year) + " " +
         twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" +
         twoDigits(seconds % 60) + " GMT";
}

void NetHttpHeaders::SetCookie(std::string_view name, std::string_view value,
                               std::optional<std::string_view> path,
                               std::optional<std::string_view> domain,
                               std::optional<std::int32_t> expiresDate,
                               std::optional<std::int32_t> expiresTime,
                               std::optional<std::int32_t> secure, std::int32_t httpOnly) {
  if (rt::clip(name).empty()) return;
  const std::string key = cleaned(rt::upper(rt::clip(name)));
  auto found = std::find_if(COOKIEQUEUE_->begin(), COOKIEQUEUE_->end(),
                            [&](const CookieRecord& r) { return r.NAME == key; });
  if (found == COOKIEQUEUE_->end()) {
    CookieRecord added;
    added.NAME = key;
    COOKIEQUEUE_->push_back(std::move(added));
    found = COOKIEQUEUE_->end() - 1;
  }
  CookieRecord& cookie = *found;
  cookie.VALUE = cleaned(value);
  if (expiresDate) cookie.EXPIRESDATE = *expiresDate;
  if (expiresTime) cookie.EXPIRESTIME = *expiresTime;
  if (secure) cookie.SECURE = *secure;
  if (!path) {
    cookie.PATH = "/";
  } else {
    std::string p(rt::clip(*path));
    for (std::string_view piece : {"\r", "\n", "%13", "%10"}) removeAll(p, piece);
    std::replace(p.begin(), p.end(), '\\', '/');
    cookie.PATH = p;
  }
  if (domain) cookie.DOMAIN = cleaned(*domain);
  cookie.HTTPONLY = httpOnly;
}

void NetHttpHeaders::BuildCookieHeader_() {
  COOKIE.clear();
  for (const CookieRecord& cookie : *COOKIEQUEUE_) {
    COOKIE += std::string(rt::clip(cookie.NAME)) + "=" + std::string(rt::clip(cookie.VALUE)) + ";";
  }
  if (COOKIE.size() > kCookieHeaderMax) COOKIE.resize(kCookieHeaderMax);
}

void NetHttpHeaders::DeleteCookie(std::string_view name) {
  if (rt::clip(name).empty()) return;
  const std::string key = rt::upper(rt::clip(name));
  std::erase_if(*COOKIEQUEUE_, [&](const CookieRecord& r) { return r.NAME == key; });
}

std::string NetHttpHeaders::Base64EncodeText_(std::string_view text) {
  textlib::TextBuffer buffer;
  buffer.SetValue(text);
  buffer.Base64Encode();
  return buffer.GetValue();
}

std::string NetHttpHeaders::Base64DecodeText_(std::string_view text) {
  textlib::TextBuffer buffer;
  buffer.SetValue(text);
  buffer.Base64Decode();
  return buffer.GetValue();
}

std::string NetHttpHeaders::UrlEncodeText_(std::string_view text, int options) {
  return textlib::TextBuffer::UrlEncode(rt::clip(text), options, "%", "+", {});
}

std::int32_t NetHttpHeaders::UrlEncodeLength_(std::string_view text, int options) {
  return static_cast<std::int32_t>(UrlEncodeText_(text, options).size());
}

void NetHttpHeaders::NormalizeUrl_(textlib::TextBuffer& url) {
  std::string text = url.GetValue();
  std::replace(text.begin(), text.end(), '?', '&');
  const std::size_t amp = text.find('&');
  if (amp != std::string::npos) text[amp] = '?';
  if (!text.empty() && text.back() == '?') text.pop_back();
  const std::size_t query = text.find('?');
  std::replace(text.begin(), query == std::string::npos ? text.end() : text.begin() + query, '\\',
               '/');
  url.SetValue(text);
}

std::string NetHttpHeaders::NormalizeUrl(std::string_view url) {
  textlib::TextBuffer buffer;
  buffer.SetValue(rt::clip(url));
  NormalizeUrl_(buffer);
  return buffer.GetValue();
}

void NetHttpHeaders::Unchunk_(textlib::TextBuffer& message) {
  const std::string text = message.GetValue();
  const std::size_t blank = text.find("\r\n\r\n");
  if (blank == std::string::npos) return;
  const std::string header = text.substr(0, blank + 2);
  std::string body;
  std::size_t cursor = blank + 2;
  for (;;) {
    while (cursor < text.size() && (text[cursor] == '\r' || text[cursor] == '\n')) ++cursor;
    const std::size_t lineEnd = text.find("\r\n", cursor);
    if (lineEnd == std::string::npos) break;
    const std::int32_t size = HexToLong_(text.substr(cursor, lineEnd - cursor));
    cursor = lineEnd + 2;
    if (size <= 0 || cursor >= text.size()) break;
    body += text.substr(cursor, static_cast<std::size_t>(size));
    cursor = std::min(text.size(), cursor + static_cast<std::size_t>(size));
  }
  const std::size_t rest = cursor < text.size() ? text.size() - cursor : 0;
  message.SetValue(rest <= 2 ? header + "\r\n" + body : header + text.substr(cursor) + body);
}

void NetHttpHeaders::UnchunkText_(char* buffer, std::int32_t size, std::int32_t& length) {
  textlib::TextBuffer message;
  message.SetValue(std::string_view(buffer, static_cast<std::size_t>(size)), true);
  Unchunk_(message);
  const std::string result = message.GetValue();
  const std::size_t kept = std::min(result.size(), static_cast<std::size_t>(size));
  std::memcpy(buffer, result.data(), kept);
  std::memset(buffer + kept, ' ', static_cast<std::size_t>(size) - kept);
  length = static_cast<std::int32_t>(kept);
}

}  // namespace netlib
