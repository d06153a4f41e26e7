#include "netlib/content_types.h"

#include <gtest/gtest.h>

#include <cstring>

#include "netlib/net_http_headers.h"
#include "platform/base/clock.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

TEST(ContentTypes, NamesExtensionsAndKeywords) {
  const std::pair<const char*, const char*> cases[] = {
      {"Report.PDF", "application/pdf"},
      {"photo.JPE", "image/jpeg"},
      {"archive.tar.gz", "application/x-gzip"},
      {"pdf", "application/pdf"},
      {"multipart", "multipart/form-data"},
      {"soap12", "application/soap+xml"},
      {"request.multipart", "multipart/form-data"},
      {".pdf", "application/pdf"},
      {"setup.ipa", "application/octet-stream"},
      {"book.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"letter.docx", "application/msword"},
      {"datos.csv", "application/vnd.ms-excel"},
      {"a.json", "application/json; charset=utf-8"},
      {"model.STEP", "application/STEP"},
      {"x.tsi", "audio/TSP-audio"},
      {"prog.c", "text/plain"},
      {"doc.t", "application/x-troff"},
      {"C:\\dir\\file.html  ", "text/html"},
      {"/home/u/a.b/foto.png", "image/png"},
      {"README", ""},
      {"file.", ""},
      {"C:\\dir.old\\file", ""},
      {"/dir.old/file", ""},
      {"", ""},
      {"data.xyz1", ""},
      {"page.pdf?x=1", ""},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(GetContentType(name), type) << name;
  EXPECT_EQ(contentTypeTableSize(), 188u);
  NetHttpHeaders headers;
  EXPECT_EQ(headers.GetContentType("x.zip"), "application/zip");
}

}  // namespace
}  // namespace netlib

namespace netlib {
namespace {

class FixedZoneHeaders : public NetHttpHeaders {
 public:
  std::string zone;

 protected:
  std::string TimeZone_() override { return zone; }
};

TEST(HttpHeaders, RfcDateIsInGmt) {
  FixedZoneHeaders headers;
  const rt::Date day = rt::makeDate(12, 8, 2026);
  headers.zone = "-0300";
  EXPECT_EQ(headers.GetRfcDate(day, rt::makeTime(22, 30)), "Wed, 09 Dec 2026 01:30:00 GMT");
  headers.zone = "+0100";
  EXPECT_EQ(headers.GetRfcDate(day, rt::makeTime(0, 30)), "Mon, 07 Dec 2026 23:30:00 GMT");
  headers.zone = "+0000";
  EXPECT_EQ(headers.GetRfcDate(), "Mon, 29 Sep 2025 10:30:00 GMT") << "today and now";
}

TEST(HttpHeaders, CookieStoreAndHeader) {
  NetHttpHeaders headers;
  headers.BuildCookieHeader_();
  EXPECT_EQ(headers.COOKIE, "");
  headers.SetCookie("a", "1");
  headers.SetCookie("b", "x\ny\\nz%10w%0A");
  headers.SetCookie("A", "3", "\\app\\", "dominio.es", 82090, std::nullopt, 1, 1);
  ASSERT_EQ(headers.COOKIEQUEUE_->size(), 2u);
  const CookieRecord& a = headers.COOKIEQUEUE_->front();
  EXPECT_EQ(a.PATH, "/app/");
  EXPECT_EQ(a.DOMAIN, "dominio.es");
  EXPECT_EQ(a.EXPIRESDATE, 82090);
  EXPECT_EQ(a.SECURE, 1);
  headers.BuildCookieHeader_();
  EXPECT_EQ(headers.COOKIE, "A=3;B=xyzw%0A;");
  headers.DeleteCookie("a");
  headers.BuildCookieHeader_();
  EXPECT_EQ(headers.COOKIE, "B=xyzw%0A;");
}

TEST(HttpHeaders, UrlsAndChunkedMessages) {
  NetHttpHeaders headers;
  EXPECT_EQ(headers.NormalizeUrl("a\\b\\c&x=1?y=2"), "a/b/c?x=1&y=2");
  EXPECT_EQ(headers.NormalizeUrl("page?"), "page");
  EXPECT_EQ(headers.NormalizeUrl("a&b"), "a?b");
  EXPECT_EQ(headers.NormalizeUrl("a?b=c\\d"), "a?b=c\\d");

  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n";
  textlib::TextBuffer message;
  message.SetValue(head + "\r\n5\r\nhello\r\n0\r\n\r\n");
  headers.Unchunk_(message);
  EXPECT_EQ(message.GetValue(), head + "\r\nhello");
  message.SetValue(head + "\r\n3;ext=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\n");
  headers.Unchunk_(message);
  EXPECT_EQ(message.GetValue(), head + "X-Trailer: 1\r\n\r\nabc0123456789");
  message.SetValue(head + "\r\n5;no line end");
  headers.Unchunk_(message);
  EXPECT_EQ(message.GetValue(), head + "5;no line end") << "malformed: the walk ends";

  char buffer[80];
  const std::string chunked = head + "\r\n2\r\nok\r\n0\r\n\r\n";
  std::memset(buffer, ' ', sizeof buffer);
  std::memcpy(buffer, chunked.data(), chunked.size());
  std::int32_t length = 0;
  headers.UnchunkText_(buffer, sizeof buffer, length);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(length)), head + "\r\nok");
  EXPECT_EQ(buffer[length], ' ');

  EXPECT_EQ(headers.Base64DecodeText_(headers.Base64EncodeText_("abc ")), "abc ");
  EXPECT_EQ(headers.UrlEncodeText_("a b&c  ", 0), "a+b%26c");
  EXPECT_EQ(headers.UrlEncodeLength_("a b&c  ", 0), 7);
}

}  // namespace
}  // namespace netlib
