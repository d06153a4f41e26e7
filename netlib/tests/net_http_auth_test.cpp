#include <gtest/gtest.h>

#include <string>

#include "netlib/net_auth_crypto.h"
#include "netlib/net_http_headers.h"
#include "platform/net/fake_socket_library.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

std::string bytes(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

std::string hex(std::string_view data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : data) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string unbase64(std::string_view text) {
  textlib::TextBuffer buffer;
  buffer.SetValue(text);
  buffer.Base64Decode();
  return buffer.GetValue();
}

int le16(std::string_view m, std::size_t at) {
  return static_cast<unsigned char>(m[at]) | static_cast<unsigned char>(m[at + 1]) << 8;
}

// Injects the client challenge or nonce and the clock.
class SeamedHeaders : public NetHttpHeaders {
 public:
  std::string randomText;
  std::int64_t unixSeconds = 0;

 protected:
  std::string AuthRandomText_(int length) override { return randomText.substr(0, length); }
  std::int64_t AuthUnixSeconds_() override { return unixSeconds; }
};

// The protocol's published values: user "User", domain "Domain", password
// "Password", server challenge 0123456789abcdef.
const std::string kServerChallenge = bytes("0123456789abcdef");

TEST(NtlmCrypto, VersionOneHashesAndResponsesMatchThePublishedVectors) {
  EXPECT_EQ(hex(auth::lmHash("Password")), "e52cac67419a9a224a3b108f3fa6cb6d");
  EXPECT_EQ(hex(auth::ntHash("Password")), "a4f49c406510bdcab6824ee7c30fd852");
  EXPECT_EQ(hex(auth::ntlmV1Response(auth::lmHash("Password"), kServerChallenge)),
            "98def7b87f88aa5dafe2df779688a172def11c7d5ccdef13");
  EXPECT_EQ(hex(auth::ntlmV1Response(auth::ntHash("Password"), kServerChallenge)),
            "67c43011f30298a2ad35ece64f16331c44bdbed927841f94");
}

TEST(NtlmCrypto, VersionTwoHashAndResponsesMatchThePublishedVectors) {
  const std::string v2Hash =
      auth::ntlmV2Hash(auth::ntHash("Password"), "User", auth::utf16FromAscii("Domain"));
  EXPECT_EQ(hex(v2Hash), "0c868a403bfd7a93a3001ef22ef02e3f");
  const std::string clientChallenge(8, '\xaa');
  EXPECT_EQ(hex(auth::ntlmV2Response(v2Hash, kServerChallenge, clientChallenge)),
            "86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa");
  const std::string targetInfo = bytes(
      "02000c0044006f006d00610069006e00"
      "01000c005300650072007600650072000000000000");
  const std::string blob = auth::ntlmV2Blob(0, clientChallenge, targetInfo.substr(0, 36));
  EXPECT_EQ(hex(auth::ntlmV2Response(v2Hash, kServerChallenge, blob).substr(0, 16)),
            "68cd0ab851e51c96aabc927bebef6a1c");
}

TEST(CreateAuthHeader, BasicDropsColonsFromTheUserAndHonoursTheNoWrapBit) {
  NetHttpHeaders headers;
  EXPECT_EQ(headers.CreateAuthHeader("Ala:ddin", "open sesame  ", 0, 1),
            "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_EQ(headers.AUTHUSER, "Ala:ddin");
  const std::string longUser(80, 'u');
  const std::string wrapped = headers.CreateAuthHeader(longUser, "p", 2, 0);
  const std::string flat = headers.CreateAuthHeader(longUser, "p", 2, 1);
  EXPECT_NE(wrapped.find('\n'), std::string::npos);
  EXPECT_EQ(flat.find('\n'), std::string::npos);
  EXPECT_EQ(unbase64(flat.substr(6)), longUser + ":p");
}

TEST(CreateAuthHeader, BlankCredentialsOrUnknownKindsBuildNothing) {
  NetHttpHeaders headers;
  EXPECT_EQ(headers.CreateAuthHeader("  ", "", 0, 1), "");
  EXPECT_EQ(headers.CreateAuthHeader("u", "p", 4, 1), "");
  EXPECT_EQ(headers.CreateAuthHeader("u", "p", 3, 1), "");
}

// Expected responses computed with Python's hashlib from RFC 2617's example,
// its nonce cut to the 32 characters the nonce field holds.
TEST(CreateAuthHeader, DigestMatchesAnIndependentComputation) {
  struct Case {
    const char* verb;
    const char* uri;
    int option;
    const char* sentUri;
    const char* response;
  } cases[] = {
      {"", "/dir/index.html", 0, "/dir/index.html", "2dc8ab96a02f084e65cfbb50f2122d93"},
      {"post", "dir/x", 2, "/dir/x", "67e07fcfd03bbc779d5e049acad41ea1"},
  };
  for (const Case& c : cases) {
    NetHttpHeaders headers;
    headers.VERB = c.verb;
    std::string& uri = c.option == 2 ? headers.AUTHPROXYMD5URI : headers.AUTHMD5URI;
    uri = c.uri;
    (c.option == 2 ? headers.AUTHPROXYMD5REALM : headers.AUTHMD5REALM) = "testrealm@host.com";
    (c.option == 2 ? headers.AUTHPROXYMD5NONCE : headers.AUTHMD5NONCE) =
        "dcd98b7102dd2f0e8b11d0f600bfb0c0";
    (c.option == 2 ? headers.AUTHPROXYMD5CNONCE : headers.AUTHMD5CNONCE) = "0a4f113b";
    (c.option == 2 ? headers.AUTHPROXYMD5OPAQUE : headers.AUTHMD5OPAQUE) = "";
    EXPECT_EQ(headers.CreateAuthHeader("Mufasa", "Circle Of Life", 1, c.option),
              std::string("Digest username=\"Mufasa\", realm=\"testrealm@host.com\", "
                          "qop=\"auth\", algorithm=\"MD5\", uri=\"") +
                  c.sentUri +
                  "\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c0\", nc=00000001, "
                  "cnonce=\"0a4f113b\", opaque=\"\", response=\"" +
                  c.response + "\"")
        << c.uri;
  }
}

TEST(CreateAuthHeader, NtlmNegotiateIsTheSixteenByteTypeOneMessage) {
  NetHttpHeaders headers;
  const std::string value = headers.CreateAuthHeader("User", "Password", 3, 2);
  ASSERT_EQ(value.size(), 5u + 24u);
  EXPECT_EQ(value.substr(0, 5), "NTLM ");
  EXPECT_EQ(hex(unbase64(value.substr(5))),
            "4e544c4d5353500001000000"
            "03820000");
}

class NtlmAuthenticate : public ::testing::Test {
 protected:
  rt::net::FakeSocketLibrary fake;
  rt::net::ScopedSocketLibrary scoped{fake};
  SeamedHeaders headers;

  std::string message(int type, std::string_view domain) {
    headers.AUTHNTLMTYPE = type;
    headers.AUTHNTLMNONCE = kServerChallenge;
    headers.AUTHNTLMTARGETNAME = std::string(domain);
    const std::string value = headers.CreateAuthHeader("User", "Password", 3, 3);
    EXPECT_EQ(value.substr(0, 5), "NTLM ");
    return unbase64(value.substr(5));
  }
  static std::string field(std::string_view m, std::size_t at) {
    return std::string(m.substr(le16(m, at + 4) | le16(m, at + 6) << 16, le16(m, at)));
  }
};

TEST_F(NtlmAuthenticate, VersionOneLaysOutTheFieldsAndCarriesTheVectorResponses) {
  const std::string m = message(1, "");
  ASSERT_GE(m.size(), 64u);
  EXPECT_EQ(m.substr(0, 12), std::string("NTLMSSP\0\x03\0\0\0", 12));
  EXPECT_EQ(le16(m, 28), 0);
  EXPECT_EQ(le16(m, 40), 64);  // the user name right after the header
  EXPECT_EQ(field(m, 36), auth::utf16FromAscii("User"));
  EXPECT_EQ(field(m, 44), auth::utf16FromAscii("FAKEHOST"));
  EXPECT_EQ(hex(field(m, 12)), "98def7b87f88aa5dafe2df779688a172def11c7d5ccdef13");
  EXPECT_EQ(hex(field(m, 20)), "67c43011f30298a2ad35ece64f16331c44bdbed927841f94");
  EXPECT_EQ(le16(m, 52), 0);
  EXPECT_EQ(le16(m, 56), static_cast<int>(m.size()));
  EXPECT_EQ(m.substr(60, 4), std::string("\x01\x82\0\0", 4));
}

TEST_F(NtlmAuthenticate, VersionTwoUsesTheInjectedChallengeAndTimeStamp) {
  const std::string targetInfo = bytes("02000c0044006f006d00610069006e000000000000");
  headers.AUTHNTLMTARGETINFORMATION = targetInfo + std::string(40, 'x');
  headers.AUTHNTLMTARGETLENGTH = static_cast<std::int32_t>(targetInfo.size());
  headers.randomText = "ABCDEFGH";
  headers.unixSeconds = 1759141800;
  const std::string domain = auth::utf16FromAscii("Domain");
  const std::string m = message(2, domain);
  EXPECT_EQ(field(m, 28), domain);
  EXPECT_EQ(le16(m, 32), 64);

  const std::string v2Hash = auth::ntlmV2Hash(auth::ntHash("Password"), "User", domain);
  const std::uint64_t stamp = (1759141800ULL + 11644473600ULL) * 10000000ULL;
  const std::string blob = auth::ntlmV2Blob(stamp, "ABCDEFGH", targetInfo);
  EXPECT_EQ(le16(m, 20), 16 + static_cast<int>(blob.size()));
  EXPECT_EQ(field(m, 20), auth::ntlmV2Response(v2Hash, kServerChallenge, blob));
  EXPECT_EQ(field(m, 12), auth::ntlmV2Response(v2Hash, kServerChallenge, "ABCDEFGH"));
  EXPECT_EQ(field(m, 12).substr(16), "ABCDEFGH");
  // 29 Sep 2025 10:30 UTC in 100 ns units since 1601, little-endian.
  EXPECT_EQ(hex(field(m, 20).substr(16 + 8, 8)), "00c43a022c31dc01");
}

TEST_F(NtlmAuthenticate, AnyOtherTypeSendsEmptyResponses) {
  const std::string m = message(0, "");
  EXPECT_EQ(le16(m, 12), 0);
  EXPECT_EQ(le16(m, 20), 0);
}

// Signature computed with Python's hmac and hashlib over the same base string.
TEST(CreateAuthorization, RequestTokenStepStartsWithTheCallbackAndSignsIndependently) {
  SeamedHeaders headers;
  headers.randomText = std::string(32, 'N');
  headers.unixSeconds = 1759141800;
  OAuthParameters parameters;
  parameters.CONSUMERKEY = "ckey";
  parameters.CONSUMERSECRET = "c secret";
  parameters.CALLBACKURL = "http://localhost/cb";
  EXPECT_EQ(
      headers.CreateAuthorization("post", "https://api.example.com/request_token", parameters),
      "OAuth oauth_callback=\"http%3A%2F%2Flocalhost%2Fcb\", oauth_consumer_key=\"ckey\", "
      "oauth_signature_method=\"HMAC-SHA1\", "
      "oauth_signature=\"GYGLcfVYWgCKTQktmvy0x3YUJOQ%3D\", "
      "oauth_timestamp=\"1759141800\", oauth_nonce=\"" +
          std::string(32, 'N') + "\", oauth_version=\"1.0\"");
}

TEST(CreateAuthorization, WithATokenTheTokenFollowsTheKeyAndTheVerifierStaysOut) {
  SeamedHeaders headers;
  headers.randomText = std::string(32, 'N');
  headers.unixSeconds = 1;
  OAuthParameters parameters;
  parameters.CONSUMERKEY = "ckey";
  parameters.TOKEN = "tok";
  parameters.VERIFIER = "ver1fier";
  const std::string value = headers.CreateAuthorization("GET", "https://x/", parameters);
  EXPECT_EQ(value.rfind("OAuth oauth_consumer_key=\"ckey\", oauth_token=\"tok\", ", 0), 0u);
  EXPECT_EQ(value.find("ver1fier"), std::string::npos);
  parameters.VERIFIER = "other";
  EXPECT_NE(headers.CreateAuthorization("GET", "https://x/", parameters), value);
}

}  // namespace
}  // namespace netlib
