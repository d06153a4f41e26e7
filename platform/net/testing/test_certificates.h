#pragma once
// For loopback TLS tests: certificates made with the openssl command in the
// test's working folder, once per test process: two unrelated CAs and a server certificate for
// "localhost" signed by the first.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace rt::net::testing {

struct TestCertificates {
  std::string ca;          // CA that signed the server certificate
  std::string otherCa;     // CA that signed nothing here
  std::string serverCert;  // subject /O=Varneta/CN=localhost
  std::string serverKey;
  std::string lockedKey;  // the server key under the pass phrase "secreto"
  std::string otherKey;   // a key that belongs to no certificate here
  bool made = false;
};

inline const TestCertificates& testCertificates() {
  static const TestCertificates certificates = [] {
    TestCertificates c;
    std::filesystem::path folder = std::filesystem::absolute("certs");
    std::filesystem::create_directories(folder);
    auto file = [&](const char* name) { return (folder / name).string(); };
    c.ca = file("ca.pem");
    c.otherCa = file("other-ca.pem");
    c.serverCert = file("server.pem");
    c.serverKey = file("server.key");
    c.lockedKey = file("server-locked.key");
    c.otherKey = file("other-ca.key");
    std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    std::string quiet = " 2>/dev/null";
    std::string commands[] = {
        "openssl req -x509" + ec + " -keyout " + file("ca.key") + " -out " + c.ca +
            " -days 2 -subj '/CN=Varneta Test CA'",
        "openssl req -x509" + ec + " -keyout " + c.otherKey + " -out " + c.otherCa +
            " -days 2 -subj '/CN=Other Test CA'",
        "openssl req -new" + ec + " -keyout " + c.serverKey + " -out " + file("server.csr") +
            " -subj '/O=Varneta/CN=localhost'",
        "openssl x509 -req -sha256 -days 2 -set_serial 4660 -in " + file("server.csr") + " -CA " +
            c.ca + " -CAkey " + file("ca.key") + " -out " + c.serverCert,
        "openssl pkey -aes256 -passout pass:secreto -in " + c.serverKey + " -out " + c.lockedKey,
    };
    c.made = true;
    for (const std::string& command : commands) {
      if (std::system((command + quiet).c_str()) != 0) c.made = false;
    }
    return c;
  }();
  return certificates;
}

}  // namespace rt::net::testing
