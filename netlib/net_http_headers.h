#pragma once
// What an HTTP client needs besides the connection: the content type of a
// file, an RFC 1123 date, a cookie store with its cookie header, URL
// clean-up, removal of chunked transfer coding from a received message, and
// the string class's Base64 and URL encoders for texts. The mail sender uses
// the content-type lookup only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netlib/net_connection.h"
#include "platform/base/clock.h"

namespace netlib {

struct CookieRecord {
  std::string NAME;  // upper case, the key
  std::string VALUE;
  std::string PATH;
  std::int32_t EXPIRESDATE = 0;
  std::int32_t EXPIRESTIME = 0;
  std::string DOMAIN;
  std::int32_t SECURE = 0;
  std::int32_t HTTPONLY = 0;
};
using CookieStore = std::vector<CookieRecord>;  // in the order first added

class NetHttpHeaders : public NetConnection {
 public:
  NetHttpHeaders();
  ~NetHttpHeaders() override;

  // ---- Fields (the authorization fields' computations are not built) -------
  std::string AUTHORIZATION;
  std::string PROXYAUTHORIZATION;
  std::string VERB;
  std::string AUTHUSER;
  std::string AUTHPASSWORD;
  std::string COOKIE;  // built by BuildCookieHeader_, 4,096 characters at most
  std::string CUSTOMHEADER;
  std::unique_ptr<CookieStore> COOKIEQUEUE_;

  // ---- Operations --------------------------------------------------------
  // A whole message in a fixed-size buffer; the result is blank-padded.
  virtual void UnchunkText_(char* buffer, std::int32_t size, std::int32_t& length);
  virtual void Unchunk_(textlib::TextBuffer& message);
  virtual void NormalizeUrl_(textlib::TextBuffer& url);
  virtual std::string NormalizeUrl(std::string_view url);
  virtual void SetCookie(std::string_view name, std::string_view value,
                         std::optional<std::string_view> path = std::nullopt,
                         std::optional<std::string_view> domain = std::nullopt,
                         std::optional<std::int32_t> expiresDate = std::nullopt,
                         std::optional<std::int32_t> expiresTime = std::nullopt,
                         std::optional<std::int32_t> secure = std::nullopt,
                         std::int32_t httpOnly = 0);
  virtual void BuildCookieHeader_();
  virtual void DeleteCookie(std::string_view name);
  virtual std::string Base64EncodeText_(std::string_view text);
  virtual std::string Base64DecodeText_(std::string_view text);
  virtual std::string GetContentType(std::string_view fileName);
  virtual std::string UrlEncodeText_(std::string_view text, int options);
  virtual std::int32_t UrlEncodeLength_(std::string_view text, int options);
  // 0 for the date or the time means today or now.
  virtual std::string GetRfcDate(rt::Date date = 0, rt::Time time = 0);
  virtual std::string RfcDate_(rt::Date date, rt::Time time);

 protected:
  // The local offset from UTC: sign, two digits of hours, two of minutes.
  virtual std::string TimeZone_();
};

}  // namespace netlib
