// The Authorization header values of NetHttpHeaders: Basic, Digest (MD5,
// qop "auth"), NTLM negotiate and authenticate messages, and OAuth 1.0
// (HMAC-SHA1). They only compute text from the object's fields.
#include <array>
#include <span>

#include "netlib/net_auth_crypto.h"
#include "netlib/net_http_headers.h"
#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"
#include "platform/net/socket_library.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

constexpr std::size_t kHeaderWidth = 2048;
constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ULL;

// A field read at its declared width, without trailing blanks.
std::string field(std::string_view value, std::size_t width) {
  return std::string(rt::clip(value.substr(0, std::min(value.size(), width))));
}

std::string base64(std::string_view bytes, int options) {
  textlib::TextBuffer buffer;
  buffer.SetValue(bytes);
  buffer.Base64Encode(options);
  return buffer.GetValue();
}

std::string md5Hex(std::string_view text) {
  return std::string(rt::clip(textlib::TextBuffer().MD5(1, rt::clip(text))));
}

std::string urlEncode(std::string_view text, std::string_view safe) {
  return textlib::TextBuffer::UrlEncode(text, 0, {}, {}, safe);
}

// name="value"
std::string quoted(std::string_view name, std::string_view value) {
  return std::string(name) + "=\"" + std::string(value) + "\"";
}

void putLe16(std::string& message, std::size_t at, std::size_t value) {
  message[at] = static_cast<char>(value & 0xFF);
  message[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void putLe32(std::string& message, std::size_t at, std::size_t value) {
  for (int i = 0; i < 4; ++i) message[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putReference(std::string& message, std::size_t at, std::size_t length, std::size_t offset) {
  putLe16(message, at, length);
  putLe16(message, at + 2, length);
  putLe32(message, at + 4, offset);
}

void dumpToDebug(std::string_view message, int count) {
  textlib::TextBuffer dump;
  dump.PeekRam(message.data(), std::min(count, static_cast<int>(message.size())),
               textlib::TextBuffer::kPeekHex);
}

void debugLine(std::string_view text) {
  textlib::TextBuffer line;
  line.SetValue(text);
  line.DebugOut();
}

std::string localHostName() {
  std::array<char, 256> buffer{};
  rt::net::socketLibrary().NetOptions(rt::net::option::kLocalHostName,
                                      std::span<char>(buffer.data(), buffer.size() - 1));
  return std::string(rt::clip(std::string_view(buffer.data())));
}

}  // namespace

std::string NetHttpHeaders::AuthRandomText_(int length) {
  return textlib::TextBuffer().GetRandom(length, 0);
}

std::int64_t NetHttpHeaders::AuthUnixSeconds_() {
  return ToUnixTime_(rt::today(), rt::clockTime());
}

std::string NetHttpHeaders::CreateAuthHeader(std::string_view user, std::string_view password,
                                             std::int32_t kind, std::int32_t option) {
  if (rt::clip(user).empty() && rt::clip(password).empty()) return {};
  AUTHUSER = field(user, 255);
  AUTHPASSWORD = field(password, 255);
  std::string login(rt::clip(user));
  std::erase(login, ':');
  std::string result;
  switch (kind) {
    case 0:
    case 2:
      result = basicAuthorization(login, AUTHPASSWORD, option);
      break;
    case 1:
      result = digestAuthorization(login, AUTHPASSWORD, option);
      break;
    case 3:
      if (option == 2) result = ntlmNegotiate();
      if (option == 3) result = ntlmAuthenticate();
      break;
    default:
      break;
  }
  if (result.size() > kHeaderWidth) result.resize(kHeaderWidth);
  return result;
}

std::string NetHttpHeaders::basicAuthorization(std::string_view login, std::string_view password,
                                               std::int32_t option) {
  const std::string credentials = std::string(login) + ":" + std::string(rt::clip(password));
  const int options = (option & 1) != 0 ? textlib::TextBuffer::kBase64NoWrap : 0;
  return "Basic " + base64(credentials, options);
}

std::string NetHttpHeaders::digestAuthorization(std::string_view login, std::string_view password,
                                                std::int32_t option) {
  const bool proxy = option == 2;
  std::string uri = field(proxy ? AUTHPROXYMD5URI : AUTHMD5URI, 256);
  const std::string realm = field(proxy ? AUTHPROXYMD5REALM : AUTHMD5REALM, 128);
  const std::string nonce = field(proxy ? AUTHPROXYMD5NONCE : AUTHMD5NONCE, 32);
  const std::string opaque = field(proxy ? AUTHPROXYMD5OPAQUE : AUTHMD5OPAQUE, 32);
  const std::string cnonce = field(proxy ? AUTHPROXYMD5CNONCE : AUTHMD5CNONCE, 32);
  if (uri.empty() || uri.front() != '/') uri.insert(0, "/");
  std::string method = rt::upper(field(VERB, 20));
  if (method.empty()) method = "GET";

  const std::string ha1 =
      md5Hex(std::string(login) + ":" + realm + ":" + std::string(rt::clip(password)));
  const std::string ha2 = md5Hex(method + ":" + uri);
  const std::string response = md5Hex(ha1 + ":" + nonce + ":00000001:" + cnonce + ":auth:" + ha2);

  return "Digest " + quoted("username", login) + ", " + quoted("realm", realm) + ", " +
         quoted("qop", "auth") + ", " + quoted("algorithm", "MD5") + ", " + quoted("uri", uri) +
         ", " + quoted("nonce", nonce) + ", nc=00000001, " + quoted("cnonce", cnonce) + ", " +
         quoted("opaque", opaque) + ", " + quoted("response", response);
}

std::string NetHttpHeaders::ntlmNegotiate() {
  const std::string message("NTLMSSP\0\x01\0\0\0\x03\x82\0\0", 16);
  debugLine("Rednet message 1 -- " + std::to_string(message.size()));
  dumpToDebug(message, 16);
  return "NTLM " + base64(message, textlib::TextBuffer::kBase64NoWrap);
}

std::string NetHttpHeaders::ntlmAuthenticate() {
  const std::string domain = field(AUTHNTLMTARGETNAME, 255);
  const std::string workstation = auth::utf16FromAscii(rt::upper(localHostName()));
  const std::string userText(rt::clip(AUTHUSER));
  const std::string user = auth::utf16FromAscii(userText);
  const std::string password(rt::clip(AUTHPASSWORD));
  std::string serverChallenge =
      AUTHNTLMNONCE.substr(0, std::min<std::size_t>(8, AUTHNTLMNONCE.size()));
  serverChallenge.resize(8, '\0');

  std::string lmResponse;
  std::string ntResponse;
  if (AUTHNTLMTYPE == 1) {
    lmResponse = auth::ntlmV1Response(auth::lmHash(password), serverChallenge);
    ntResponse = auth::ntlmV1Response(auth::ntHash(password), serverChallenge);
  } else if (AUTHNTLMTYPE == 2) {
    const std::string clientChallenge = AuthRandomText_(8);
    const std::string v2Hash = auth::ntlmV2Hash(auth::ntHash(password), userText, domain);
    debugLine("nt2hash length should be 16 bytes, is it? " + std::to_string(v2Hash.size()));
    const std::uint64_t timeStamp =
        (static_cast<std::uint64_t>(AuthUnixSeconds_()) + kSecondsFrom1601To1970) * 10000000ULL;
    const std::size_t targetLength =
        static_cast<std::size_t>(std::clamp<std::int32_t>(AUTHNTLMTARGETLENGTH, 0, 1024));
    const std::string target = AUTHNTLMTARGETINFORMATION.substr(
        0, std::min(targetLength, AUTHNTLMTARGETINFORMATION.size()));
    const std::string blob = auth::ntlmV2Blob(timeStamp, clientChallenge, target);
    ntResponse = auth::ntlmV2Response(v2Hash, serverChallenge, blob);
    lmResponse = auth::ntlmV2Response(v2Hash, serverChallenge, clientChallenge);
  }

  std::string message(64, '\0');
  message.replace(0, 8, std::string("NTLMSSP\0", 8));
  putLe32(message, 8, 3);
  std::size_t offset = 64;
  putReference(message, 28, domain.size(), offset);
  offset += domain.size();
  putReference(message, 36, user.size(), offset);
  offset += user.size();
  putReference(message, 44, workstation.size(), offset);
  offset += workstation.size();
  putReference(message, 12, lmResponse.size(), offset);
  offset += lmResponse.size();
  putReference(message, 20, ntResponse.size(), offset);
  offset += ntResponse.size();
  putReference(message, 52, 0, offset);
  message.replace(60, 4, std::string("\x01\x82\0\0", 4));
  message += domain + user + workstation + lmResponse + ntResponse;

  debugLine("----");
  dumpToDebug(message, 32);
  const std::string result = "NTLM " + base64(message, textlib::TextBuffer::kBase64NoWrap);
  Trace("xxx " + std::string(rt::clip(result)));
  return result;
}

std::string NetHttpHeaders::CreateAuthorization(std::string_view method, std::string_view url,
                                                const OAuthParameters& parameters) {
  Trace("NetOAuth.CreateAuthorization " + std::string(url));
  const std::string verb = rt::upper(method);
  const std::string nonce = AuthRandomText_(32);
  const std::string timestamp = std::to_string(AuthUnixSeconds_());
  const std::string consumerKey = field(parameters.CONSUMERKEY, 256);
  const std::string token = field(parameters.TOKEN, 2048);
  static constexpr std::string_view kSafe = "._-";

  std::string callback;
  std::string parameterText;
  if (token.empty()) {
    callback = urlEncode(field(parameters.CALLBACKURL, 256), kSafe);
    parameterText = "oauth_callback=" + callback + "&oauth_consumer_key=" + consumerKey +
                    "&oauth_nonce=" + nonce + "&oauth_signature_method=HMAC-SHA1" +
                    "&oauth_timestamp=" + timestamp + "&oauth_version=1.0";
  } else {
    parameterText = "oauth_consumer_key=" + consumerKey + "&oauth_nonce=" + nonce +
                    "&oauth_signature_method=HMAC-SHA1" + "&oauth_timestamp=" + timestamp +
                    "&oauth_token=" + token + "&oauth_verifier=" + field(parameters.VERIFIER, 256) +
                    "&oauth_version=1.0";
  }
  const std::string baseString =
      verb + "&" + urlEncode(rt::clip(url), kSafe) + "&" + urlEncode(parameterText, kSafe);
  const std::string key = urlEncode(field(parameters.CONSUMERSECRET, 256), {}) + "&" +
                          urlEncode(field(parameters.TOKENSECRET, 256), {});
  const std::string signature =
      urlEncode(base64(auth::hmacSha1(key, baseString), textlib::TextBuffer::kBase64NoWrap), {});

  std::string header = "OAuth ";
  if (token.empty()) {
    header += quoted("oauth_callback", callback) + ", " + quoted("oauth_consumer_key", consumerKey);
  } else {
    header += quoted("oauth_consumer_key", consumerKey) + ", " + quoted("oauth_token", token);
  }
  header += ", " + quoted("oauth_signature_method", "HMAC-SHA1") + ", " +
            quoted("oauth_signature", signature) + ", " + quoted("oauth_timestamp", timestamp) +
            ", " + quoted("oauth_nonce", nonce) + ", " + quoted("oauth_version", "1.0");
  return header;
}

}  // namespace netlib
