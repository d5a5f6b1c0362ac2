#include "platform/curl_handles.h"

namespace platform {

CurlEasy make_curl_easy() {
  const CurlLibrary* curl = load_curl_library();
  return CurlEasy(curl != nullptr ? curl->easy_init() : nullptr);
}

CurlMulti make_curl_multi() {
  const CurlLibrary* curl = load_curl_library();
  return CurlMulti(curl != nullptr ? curl->multi_init() : nullptr);
}

bool CurlHeaderList::append(const char* line) {
  const CurlLibrary* curl = load_curl_library();
  if (curl == nullptr) return false;
  curl_slist* grown = curl->slist_append(list_, line);
  if (grown == nullptr) return false;
  list_ = grown;
  return true;
}

}  // namespace platform
