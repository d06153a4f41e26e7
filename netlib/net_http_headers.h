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

// The OAuth parameters the authorization builders read.
struct OAuthParameters {
  std::string CONSUMERKEY;     // 256
  std::string CONSUMERSECRET;  // 256
  std::string CALLBACKURL;     // 256
  std::string TOKEN;           // 2,048
  std::string TOKENSECRET;     // 256
  std::string VERIFIER;        // 256
};

class NetHttpHeaders : public NetConnection {
 public:
  NetHttpHeaders();
  ~NetHttpHeaders() override;

  // ---- Fields -------------------------------------------------------------
  std::string AUTHORIZATION;
  std::string PROXYAUTHORIZATION;
  std::string VERB;
  std::string AUTHUSER;
  std::string AUTHPASSWORD;
  std::string COOKIE;  // built by BuildCookieHeader_, 4,096 characters at most
  std::string CUSTOMHEADER;
  std::unique_ptr<CookieStore> COOKIEQUEUE_;
  // Challenge data a caller took from the server's answer, read by the
  // authorization builders (net_http_auth.cpp). Each is read at the fixed
  // width noted beside it: a longer value is read cut to it.
  std::string AUTHMD5URI;     // 256
  std::string AUTHMD5REALM;   // 128
  std::string AUTHMD5NONCE;   // 32
  std::string AUTHMD5OPAQUE;  // 32
  std::string AUTHMD5CNONCE;  // 32
  std::string AUTHMD5QOP;     // not read: the header always states "auth"
  std::string AUTHPROXYMD5URI;
  std::string AUTHPROXYMD5REALM;
  std::string AUTHPROXYMD5NONCE;
  std::string AUTHPROXYMD5OPAQUE;
  std::string AUTHPROXYMD5CNONCE;
  std::string AUTHPROXYMD5QOP;
  std::string AUTHNTLMNONCE;              // the 8-byte server challenge
  std::int32_t AUTHNTLMTYPE = 0;          // 1 NTLMv1, 2 NTLMv2, else no responses
  std::string AUTHNTLMTARGETINFORMATION;  // 1,024 bytes
  std::int32_t AUTHNTLMTARGETLENGTH = 0;
  std::string AUTHNTLMTARGETNAME;  // the domain in its message byte form

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
  // The value of an Authorization header: kind 0 or 2 Basic (option bit 1:
  // Base64 without line breaks), 1 Digest (option 2: the proxy fields),
  // 3 NTLM (option 2 negotiate, 3 authenticate). Empty when user and
  // password are blank or nothing is built; cut to 2,048 characters.
  virtual std::string CreateAuthHeader(std::string_view user, std::string_view password,
                                       std::int32_t kind, std::int32_t option);
  // OAuth 1.0 with an HMAC-SHA1 signature.
  virtual std::string CreateAuthorization(std::string_view method, std::string_view url,
                                          const OAuthParameters& parameters);

 protected:
  // The local offset from UTC: sign, two digits of hours, two of minutes.
  virtual std::string TimeZone_();
  // Random text of `length` characters: the NTLMv2 client challenge and the
  // OAuth nonce. Tests replace it and the clock below.
  virtual std::string AuthRandomText_(int length);
  // Whole seconds since 1 January 1970, UTC.
  virtual std::int64_t AuthUnixSeconds_();

 private:
  std::string basicAuthorization(std::string_view login, std::string_view password,
                                 std::int32_t option);
  std::string digestAuthorization(std::string_view login, std::string_view password,
                                  std::int32_t option);
  std::string ntlmNegotiate();
  std::string ntlmAuthenticate();
};

}  // namespace netlib
