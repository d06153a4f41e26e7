#include "platform/net/tls.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/base/clock.h"
#include "platform/net/errors.h"
#include "platform/net/socket_library.h"

namespace rt::net {

namespace {

// Windows-style relative paths (".\CARoot.pem") as the program writes them.
std::string localPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

int passphraseCallback(char* buffer, int size, int, void* userData) {
  const std::string& passphrase = *static_cast<const std::string*>(userData);
  int n = std::min<int>(size, static_cast<int>(passphrase.size()));
  std::memcpy(buffer, passphrase.data(), n);
  return n;
}

bool isAddress(const std::string& host) {
  unsigned char buffer[sizeof(in6_addr)];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

std::int32_t reasonOfLastError() {
  unsigned long code = ERR_peek_last_error();
  ERR_clear_error();
  return code == 0 ? 0 : ERR_GET_REASON(code);
}

std::int32_t loadOwnCertificate(SSL_CTX* ctx, const TlsSettings& settings) {
  if (SSL_CTX_use_certificate_chain_file(ctx, localPath(settings.certificateFile).c_str()) != 1) {
    ERR_clear_error();
    return err::kSslCertificateLoad;
  }
  std::string keyFile =
      settings.privateKeyFile.empty() ? settings.certificateFile : settings.privateKeyFile;
  std::string passphrase = settings.passphrase;
  EVP_PKEY* key = nullptr;
  if (BIO* bio = BIO_new_file(localPath(keyFile).c_str(), "r")) {
    key = PEM_read_bio_PrivateKey(bio, nullptr, passphraseCallback, &passphrase);
    BIO_free(bio);
  }
  if (key == nullptr) {
    ERR_clear_error();
    return err::kSslPrivateKeyLoad;
  }
  int used = SSL_CTX_use_PrivateKey(ctx, key);
  EVP_PKEY_free(key);
  if (used != 1) {
    ERR_clear_error();
    return err::kSslKeyMismatch;
  }
  if (SSL_CTX_check_private_key(ctx) != 1) {
    ERR_clear_error();
    return err::kSslKeyMismatch;
  }
  return 0;
}

void toDateAndTime(const ASN1_TIME* when, Int32& date, Int32& time) {
  std::tm tm{};
  if (when == nullptr || ASN1_TIME_to_tm(when, &tm) != 1) {
    date = 0;
    time = 0;
    return;
  }
  date = makeDate(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
  time = makeTime(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

}  // namespace

TlsSettings tlsSettingsOf(const ConnectionRecord& connection) {
  TlsSettings settings;
  settings.method = connection.SSL_METHOD;
  const CertificateOptionsRecord* options =
      certificateOptionsFromHandle(connection.SSL_CERTIFICATEOPTIONSPOINTER_);
  if (options == nullptr) return settings;
  settings.verifyWithCaRoot = options->DONTVERIFYREMOTECERTIFICATEWITHCAROOT == 0;
  settings.caRootFile = fieldText(options->CAROOTFILE);
  settings.certificateFile = fieldText(options->CERTIFICATEFILE);
  settings.privateKeyFile = fieldText(options->PRIVATEKEYFILE);
  settings.passphrase = fieldText(options->PASSPHRASE);
  settings.ciphers = fieldText(options->CIPHERSALLOWED);
  return settings;
}

TlsContext makeTlsContext(const TlsSettings& settings, bool server, std::int32_t& error) {
  error = 0;
  TlsContext context(SSL_CTX_new(server ? TLS_server_method() : TLS_client_method()), SSL_CTX_free);
  if (!context) {
    error = err::kSslGeneral;
    return nullptr;
  }
  SSL_CTX* ctx = context.get();
  SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  // A peer that drops the connection without close_notify has simply closed it.
  SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  if (settings.method == 3) {
    // The owner asked for TLS 1.0 explicitly (an old server); OpenSSL refuses
    // it at its default security level.
    SSL_CTX_set_min_proto_version(ctx, TLS1_VERSION);
    SSL_CTX_set_max_proto_version(ctx, TLS1_VERSION);
    SSL_CTX_set_security_level(ctx, 0);
  }
  if (!settings.ciphers.empty() && SSL_CTX_set_cipher_list(ctx, settings.ciphers.c_str()) != 1) {
    ERR_clear_error();
    error = err::kSslGeneral;
    return nullptr;
  }
  if (server || !settings.certificateFile.empty()) {
    if (settings.certificateFile.empty()) {
      error = err::kSslCertificateLoad;
      return nullptr;
    }
    error = loadOwnCertificate(ctx, settings);
    if (error != 0) return nullptr;
  }
  if (server) return context;

  if (!settings.verifyWithCaRoot) {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    return context;
  }
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  std::string caFile = localPath(settings.caRootFile);
  std::error_code ec;
  if (!caFile.empty() && std::filesystem::is_regular_file(caFile, ec)) {
    if (SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) != 1) {
      ERR_clear_error();
      error = err::kSslCaRootLoad;
      return nullptr;
    }
  } else if (SSL_CTX_set_default_verify_paths(ctx) != 1) {
    ERR_clear_error();
    error = err::kSslCaRootLoad;
    return nullptr;
  }
  return context;
}

TlsChannel::TlsChannel(TlsContext context, int fd, bool server, const std::string& hostName)
    : context_(std::move(context)), ssl_(SSL_new(context_.get())) {
  SSL_set_fd(ssl_, fd);
  if (server) {
    SSL_set_accept_state(ssl_);
  } else {
    SSL_set_connect_state(ssl_);
    if (!hostName.empty() && !isAddress(hostName)) {
      SSL_set_tlsext_host_name(ssl_, hostName.c_str());
    }
  }
}

TlsChannel::~TlsChannel() { SSL_free(ssl_); }

TlsStep TlsChannel::stepResult(int result) {
  TlsStep step;
  int code = SSL_get_error(ssl_, result);
  switch (code) {
    case SSL_ERROR_WANT_READ:
      step.status = TlsStep::kWantRead;
      break;
    case SSL_ERROR_WANT_WRITE:
      step.status = TlsStep::kWantWrite;
      break;
    case SSL_ERROR_ZERO_RETURN:
      step.status = TlsStep::kClosed;
      break;
    case SSL_ERROR_SYSCALL: {
      int saved = errno;
      step.sslError = reasonOfLastError();
      step.status = (saved == 0 && step.sslError == 0) ? TlsStep::kClosed : TlsStep::kFailed;
      if (saved != 0) step.winsockError = winsockErrorFromErrno(saved);
      break;
    }
    default:
      step.status = TlsStep::kFailed;
      step.sslError = reasonOfLastError();
      if (step.sslError == 0) step.sslError = code;
      break;
  }
  return step;
}

TlsStep TlsChannel::handshake() {
  ERR_clear_error();
  errno = 0;
  int result = SSL_do_handshake(ssl_);
  if (result == 1) return TlsStep{};
  TlsStep step = stepResult(result);
  // A handshake cut short is a failure, not an orderly close.
  if (step.status == TlsStep::kClosed) {
    step.status = TlsStep::kFailed;
    if (step.winsockError == 0) step.winsockError = wsa::kConnectionReset;
  }
  return step;
}

TlsStep TlsChannel::transferResult(int result, std::size_t bytes) {
  if (result != 1) return stepResult(result);
  TlsStep step;
  step.bytes = bytes;
  return step;
}

TlsStep TlsChannel::read(char* buffer, std::size_t size) {
  ERR_clear_error();
  errno = 0;
  std::size_t got = 0;
  int result = SSL_read_ex(ssl_, buffer, size, &got);
  return transferResult(result, got);
}

TlsStep TlsChannel::write(const char* data, std::size_t size) {
  ERR_clear_error();
  errno = 0;
  std::size_t written = 0;
  int result = SSL_write_ex(ssl_, data, size, &written);
  return transferResult(result, written);
}

void TlsChannel::sendCloseNotify() {
  if (closeNotifySent_) return;
  closeNotifySent_ = true;
  SSL_shutdown(ssl_);
  ERR_clear_error();
}

bool TlsChannel::hasBufferedData() const { return SSL_pending(ssl_) > 0; }

X509* TlsChannel::peerCertificate() const { return SSL_get1_peer_certificate(ssl_); }

int certificateNamesHost(X509* certificate, std::string_view host) {
  if (certificate == nullptr || host.empty()) return 0;
  return X509_check_host(certificate, host.data(), host.size(),
                         X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr) == 1
             ? 1
             : 0;
}

void fillRemoteCertificate(X509* certificate, CertificateOptionsRecord& options) {
  options.REMOTECERTIFICATEHAVEDETAILS = certificate != nullptr ? 1 : 0;
  char text[1024] = {};
  X509_NAME_oneline(certificate ? X509_get_subject_name(certificate) : nullptr, text, sizeof text);
  setFieldText(options.REMOTECERTIFICATESUBJECT, certificate ? text : "");
  X509_NAME_oneline(certificate ? X509_get_issuer_name(certificate) : nullptr, text, sizeof text);
  setFieldText(options.REMOTECERTIFICATEISSUER, certificate ? text : "");
  options.REMOTECERTIFICATEVERSION =
      certificate ? static_cast<int>(X509_get_version(certificate)) : 0;
  toDateAndTime(certificate ? X509_get0_notBefore(certificate) : nullptr,
                options.REMOTECERTIFICATENOTBEFOREDATE, options.REMOTECERTIFICATENOTBEFORETIME);
  toDateAndTime(certificate ? X509_get0_notAfter(certificate) : nullptr,
                options.REMOTECERTIFICATENOTAFTERDATE, options.REMOTECERTIFICATENOTAFTERTIME);
  options.REMOTECERTIFICATEALGORITHM = certificate ? X509_get_signature_nid(certificate) : 0;

  std::uint32_t serial = 0;
  std::string publicKey;
  if (certificate != nullptr) {
    // The low 32 bits of the serial number.
    const ASN1_INTEGER* number = X509_get0_serialNumber(certificate);
    const unsigned char* bytes = ASN1_STRING_get0_data(number);
    int length = ASN1_STRING_length(number);
    for (int i = std::max(0, length - 4); i < length; ++i) serial = (serial << 8) | bytes[i];
    BIO* bio = BIO_new(BIO_s_mem());
    if (PEM_write_bio_PUBKEY(bio, X509_get0_pubkey(certificate)) == 1) {
      char* data = nullptr;
      long size = BIO_get_mem_data(bio, &data);
      publicKey.assign(data, static_cast<std::size_t>(size));
    }
    BIO_free(bio);
  }
  options.REMOTECERTIFICATESERIALNUMBER = static_cast<std::int32_t>(serial);
  setFieldText(options.REMOTECERTIFICATEPUBLICKEY, publicKey);
}

}  // namespace rt::net
