// Users' password digests: PBKDF2 against known vectors, a digest checked by
// an independent implementation (Python's hashlib), and what a typed
// password matches.
#include "core/tables/password_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/base/cp_literal.h"

namespace core {
namespace {

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char c : bytes) {
    text += digits[c >> 4];
    text += digits[c & 15];
  }
  return text;
}

// The derived keys as Python's hashlib.pbkdf2_hmac("sha256", ...) gives them
// (the first two are RFC 7914's vectors, cut to 32 bytes).
TEST(PasswordDigest, Pbkdf2GivesTheKnownVectors) {
  struct Vector {
    std::string password, salt;
    int iterations;
    const char* key;
  };
  const Vector vectors[] = {
      {"passwd", "salt", 1, "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"},
      {"Password", "NaCl", 80000,
       "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"},
      {"Año Nuevo", "sal de mesa", 310000,
       "08ebcd769b86e1be74e567971c1f2b69aa9af870d4ac6c6e0b1c50ac25bab942"},
  };
  for (const Vector& v : vectors) {
    EXPECT_EQ(hex(pbkdf2Sha256(v.password, v.salt, v.iterations, 32)), v.key) << v.password;
  }
}

// Python reads the digest the program stores and derives the hash again from
// the password's UTF-8 text, without its trailing spaces.
TEST(PasswordDigest, PythonsHashlibAcceptsTheStoredDigest) {
  const std::string digest = passwordDigest("Año Nuevo  "_cp);
  ASSERT_LE(digest.size(), kPasswordDigestLength);
  const std::string command =
      "/usr/bin/python3 -c \"import sys,hashlib,base64,hmac\n"
      "scheme,count,salt,key=sys.argv[1].split('$')\n"
      "got=hashlib.pbkdf2_hmac('sha256',sys.argv[2].encode(),base64.b64decode(salt),int(count))\n"
      "print(scheme, count, len(base64.b64decode(salt)), "
      "hmac.compare_digest(got,base64.b64decode(key)))\" '" +
      digest + "' 'Año Nuevo'";
  FILE* python = popen(command.c_str(), "r");
  ASSERT_NE(python, nullptr);
  char line[200] = {};
  const bool read = std::fgets(line, sizeof line, python) != nullptr;
  EXPECT_EQ(pclose(python), 0);
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(line),
            "pbkdf2-sha256 " + std::to_string(kPasswordIterations) + " 16 True\n");
}

TEST(PasswordDigest, WhatATypedPasswordMatches) {
  const std::string secreto = passwordDigest("Secreto");
  const std::string empty = passwordDigest("");
  const std::string twenty = passwordDigest("abcdefghijklmnopqrst");
  EXPECT_NE(passwordDigest("Secreto"), secreto) << "each digest has its own salt";
  EXPECT_TRUE(isPasswordDigest(secreto));
  struct Case {
    const char* typed;
    const std::string& stored;
    bool matches;
  };
  const std::string plain = "Secreto";
  const std::string otherScheme = "sha1$310000" + secreto.substr(secreto.find('$', 14));
  const std::string noCount = "pbkdf2-sha256$0" + secreto.substr(secreto.find('$', 14));
  const std::string hugeCount = "pbkdf2-sha256$99999999999" + secreto.substr(secreto.find('$', 14));
  const std::string badBase64 = secreto.substr(0, secreto.size() - 2) + "*=";
  const std::string paddedDigest = secreto + "     ";
  const Case cases[] = {
      {"Secreto", secreto, true},
      {"Secreto   ", secreto, true},  // trailing spaces never counted
      {"secreto", secreto, false},    // letter case counts
      {" Secreto", secreto, false},   // leading spaces count
      {"Secret", secreto, false},
      {"", empty, true},
      {"   ", empty, true},
      {"x", empty, false},
      {"abcdefghijklmnopqrstuvw", twenty, true},  // only the first 20 count
      {"abcdefghijklmnopqrs", twenty, false},
      {"Secreto", paddedDigest, true},  // as a fixed-width field holds it
      {"Secreto", plain, false},        // a plain value is never a password
      {"Secreto", otherScheme, false},
      {"Secreto", noCount, false},
      {"Secreto", hugeCount, false},
      {"Secreto", badBase64, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(passwordMatches(c.typed, c.stored), c.matches) << "'" << c.typed << "' " << c.stored;
  }
  for (const std::string* malformed : {&plain, &otherScheme, &noCount, &hugeCount, &badBase64}) {
    EXPECT_FALSE(isPasswordDigest(*malformed)) << *malformed;
  }
}

}  // namespace
}  // namespace core
