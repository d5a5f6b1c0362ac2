#include "platform/tls_session_cache.h"

#include <array>
#include <mutex>

#include "platform/curl_library.h"

namespace platform {
namespace {

// libcurl asks for a lock around each use of a kind of shared data; one mutex per kind.
std::array<std::mutex, CURL_LOCK_DATA_LAST>& locks() {
  static std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes;
  return mutexes;
}

void lock(CURL*, curl_lock_data data, curl_lock_access, void*) {
  if (data < CURL_LOCK_DATA_LAST) locks()[data].lock();
}

void unlock(CURL*, curl_lock_data data, void*) {
  if (data < CURL_LOCK_DATA_LAST) locks()[data].unlock();
}

CURLSH* make_cache() {
  const CurlLibrary* curl = load_curl_library();
  if (curl == nullptr) return nullptr;
  CURLSH* share = curl->share_init();
  if (share == nullptr) return nullptr;
  const bool ready = curl->share_setopt(share, CURLSHOPT_LOCKFUNC, lock) == CURLSHE_OK &&
                     curl->share_setopt(share, CURLSHOPT_UNLOCKFUNC, unlock) == CURLSHE_OK &&
                     curl->share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) ==
                         CURLSHE_OK;
  if (ready) return share;  // kept to the end: a request's handle may hold it at any time
  curl->share_cleanup(share);
  return nullptr;
}

}  // namespace

CURLSH* tls_session_cache() {
  static CURLSH* const cache = make_cache();
  return cache;
}

}  // namespace platform
