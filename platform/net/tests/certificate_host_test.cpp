// Which hosts a certificate names: subjectAltName before the common name,
// wildcards for one leftmost label only. Certificates made here by openssl.
#include <gtest/gtest.h>
#include <openssl/pem.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/net/tls.h"

namespace rt::net {
namespace {

// A self-signed certificate with the subject and, when given, the DNS names.
X509* certificate(const std::string& name, const std::string& cn, const std::string& dnsNames) {
  const auto folder = std::filesystem::absolute("host-certs");
  std::filesystem::create_directories(folder);
  const std::string pem = (folder / (name + ".pem")).string();
  std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -keyout " +
      (folder / (name + ".key")).string() + " -out " + pem + " -subj '/CN=" + cn + "'";
  if (!dnsNames.empty()) command += " -addext 'subjectAltName=" + dnsNames + "'";
  if (std::system((command + " 2>/dev/null").c_str()) != 0) return nullptr;
  FILE* file = std::fopen(pem.c_str(), "r");
  if (file == nullptr) return nullptr;
  X509* x509 = PEM_read_X509(file, nullptr, nullptr, nullptr);
  std::fclose(file);
  return x509;
}

TEST(CertificateHost, SubjectAltNamesFirstAndWildcardsForOneLabel) {
  struct Case {
    const char* name;
    const char* cn;
    const char* san;
    const char* host;
    int expected;
  } cases[] = {
      {"san-only", "otro.example", "DNS:consultorio.example", "consultorio.example", 1},
      {"san-only", "otro.example", "DNS:consultorio.example", "otro.example", 0},  // CN ignored
      {"cn-only", "consultorio.example", "", "consultorio.example", 1},
      {"cn-only", "consultorio.example", "", "otro.example", 0},
      {"wildcard", "x", "DNS:*.example.com", "a.example.com", 1},
      {"wildcard", "x", "DNS:*.example.com", "A.EXAMPLE.COM", 1},
      {"wildcard", "x", "DNS:*.example.com", "a.b.example.com", 0},
      {"wildcard", "x", "DNS:*.example.com", "example.com", 0},
      {"wildcard", "x", "DNS:*.example.com", "evilexample.com", 0},
      {"partial", "x", "DNS:f*.example.com", "foo.example.com", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.host);
    X509* x509 = certificate(c.name, c.cn, c.san);
    ASSERT_NE(x509, nullptr) << "openssl could not make the certificate";
    EXPECT_EQ(certificateNamesHost(x509, c.host), c.expected);
    X509_free(x509);
  }
}

}  // namespace
}  // namespace rt::net
