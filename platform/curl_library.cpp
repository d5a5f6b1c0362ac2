#include "platform/curl_library.h"

#include <dlfcn.h>

#include <mutex>
#include <optional>

namespace platform {
namespace {

template <typename Function>
bool resolve(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

std::optional<CurlLibrary> open_library() {
  // The soname of libcurl 7 and 8: the ABI these declarations were compiled against.
  void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return std::nullopt;
  CurlLibrary curl{};
  CURLcode (*global_init)(long) = nullptr;
  const bool complete =
      resolve(handle, "curl_global_init", global_init) &&
      resolve(handle, "curl_easy_init", curl.easy_init) &&
      resolve(handle, "curl_easy_cleanup", curl.easy_cleanup) &&
      resolve(handle, "curl_easy_setopt", curl.easy_setopt) &&
      resolve(handle, "curl_easy_getinfo", curl.easy_getinfo) &&
      resolve(handle, "curl_multi_init", curl.multi_init) &&
      resolve(handle, "curl_multi_cleanup", curl.multi_cleanup) &&
      resolve(handle, "curl_multi_add_handle", curl.multi_add_handle) &&
      resolve(handle, "curl_multi_remove_handle", curl.multi_remove_handle) &&
      resolve(handle, "curl_multi_perform", curl.multi_perform) &&
      resolve(handle, "curl_multi_poll", curl.multi_poll) &&
      resolve(handle, "curl_multi_info_read", curl.multi_info_read) &&
      resolve(handle, "curl_slist_append", curl.slist_append) &&
      resolve(handle, "curl_slist_free_all", curl.slist_free_all) &&
      resolve(handle, "curl_share_init", curl.share_init) &&
      resolve(handle, "curl_share_setopt", curl.share_setopt) &&
      resolve(handle, "curl_share_cleanup", curl.share_cleanup);
  if (!complete || global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    dlclose(handle);
    return std::nullopt;
  }
  return curl;
}

}  // namespace

const CurlLibrary* load_curl_library() {
  static std::once_flag once;
  static std::optional<CurlLibrary> library;
  std::call_once(once, [] { library = open_library(); });
  return library ? &*library : nullptr;
}

const CurlLibrary& curl_library() { return *load_curl_library(); }

}  // namespace platform
