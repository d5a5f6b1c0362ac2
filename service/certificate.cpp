#include "service/certificate.h"

#include <fcntl.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <tuple>

namespace service {
namespace {

template <auto Free>
struct Freer {
  template <typename T>
  void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Freer<X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Freer<X509_EXTENSION_free>>;
struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

constexpr long kValiditySeconds = 10L * 365 * 24 * 3600;

std::string openssl_error(const char* what) {
  char reason[256] = "unknown error";
  if (const unsigned long code = ERR_get_error(); code != 0) {
    ERR_error_string_n(code, reason, sizeof reason);
  }
  ERR_clear_error();
  return std::string(what) + ": " + reason;
}

bool add_extension(X509* certificate, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
  return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

Certificate make_certificate(EVP_PKEY* key) {
  Certificate certificate(X509_new());
  unsigned char serial[16];
  if (!certificate || RAND_bytes(serial, sizeof serial) != 1) return nullptr;
  serial[0] &= 0x7F;  // a positive serial number
  X509* x = certificate.get();
  std::unique_ptr<BIGNUM, Freer<BN_free>> number(BN_bin2bn(serial, sizeof serial, nullptr));
  X509_NAME* name = X509_get_subject_name(x);
  const auto* common_name = reinterpret_cast<const unsigned char*>("localhost");
  const bool ok =
      number && X509_set_version(x, 2) == 1 &&
      BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(x)) != nullptr &&
      X509_gmtime_adj(X509_getm_notBefore(x), -3600) != nullptr &&
      X509_gmtime_adj(X509_getm_notAfter(x), kValiditySeconds) != nullptr &&
      X509_set_pubkey(x, key) == 1 &&
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, common_name, -1, -1, 0) == 1 &&
      X509_set_issuer_name(x, name) == 1 &&
      add_extension(x, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1") &&
      add_extension(x, NID_basic_constraints, "critical,CA:FALSE") &&
      add_extension(x, NID_ext_key_usage, "serverAuth") && X509_sign(x, key, EVP_sha256()) > 0;
  return ok ? std::move(certificate) : nullptr;
}

// Writes through `write` into a new file of the given mode, then renames it to `path`.
bool write_pem(const std::filesystem::path& path, mode_t mode, const std::function<bool(FILE*)>& write) {
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  bool ok = false;
  if (File file(::fdopen(fd, "w")); file) {
    ok = write(file.get()) && std::fflush(file.get()) == 0;
  } else {
    ::close(fd);
  }
  std::error_code error;
  if (ok) std::filesystem::rename(temporary, path, error);
  if (!ok || error) std::filesystem::remove(temporary, error);
  return ok && !error;
}

}  // namespace

bool ensure_self_signed_certificate(const std::filesystem::path& certificate_path,
                                    const std::filesystem::path& key_path, std::string& error) {
  std::error_code ignored;
  if (std::filesystem::exists(certificate_path, ignored) && std::filesystem::exists(key_path, ignored)) {
    return true;
  }
  Key key(EVP_EC_gen("P-256"));
  Certificate certificate = key ? make_certificate(key.get()) : nullptr;
  if (!certificate) {
    error = openssl_error("making the certificate");
    return false;
  }
  const auto write_key = [&](FILE* f) {
    return PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
  };
  const auto write_certificate = [&](FILE* f) { return PEM_write_X509(f, certificate.get()) == 1; };
  // The key goes first: a certificate file never exists without the key that belongs to it.
  for (const auto& [path, mode, write] :
       {std::tuple{&key_path, mode_t{0600}, std::function<bool(FILE*)>(write_key)},
        std::tuple{&certificate_path, mode_t{0644}, std::function<bool(FILE*)>(write_certificate)}}) {
    if (!write_pem(*path, mode, write)) {
      error = "cannot write " + path->string();
      return false;
    }
  }
  return true;
}

}  // namespace service
