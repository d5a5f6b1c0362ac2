#include "platform/curl_handles.h"

#include <mutex>

namespace platform {
namespace {

void global_init_once() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

CurlEasy make_curl_easy() {
  global_init_once();
  return CurlEasy(curl_easy_init());
}

CurlMulti make_curl_multi() {
  global_init_once();
  return CurlMulti(curl_multi_init());
}

bool CurlHeaderList::append(const char* line) {
  curl_slist* grown = curl_slist_append(list_, line);
  if (grown == nullptr) return false;
  list_ = grown;
  return true;
}

}  // namespace platform
