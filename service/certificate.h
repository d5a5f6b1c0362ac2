// A throwaway certificate for a service on this machine: self-signed, for "localhost",
// 127.0.0.1 and ::1, made once at first start and kept in the data folder. The program ignores
// certificate errors, and a browser asks once.
//
//   std::string error;
//   if (!ensure_self_signed_certificate(dir / "cert.pem", dir / "key.pem", error)) ...
#pragma once

#include <filesystem>
#include <string>

namespace service {

// Leaves both files alone when both exist. Otherwise makes a new P-256 key and a certificate
// valid for ten years, and writes them as PEM (the key readable by its owner only), each under a
// temporary name renamed into place. False with the reason in `error` when that fails.
bool ensure_self_signed_certificate(const std::filesystem::path& certificate,
                                    const std::filesystem::path& key, std::string& error);

}  // namespace service
