// Owners of libcurl's raw handles: each frees its handle once and cannot be copied.
//
//   platform::CurlEasy easy = platform::make_curl_easy();
//   platform::CurlHeaderList headers;
//   if (!headers.append("Accept: */*")) { /* out of memory */ }
//   platform::curl_library().easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
#pragma once

#include "platform/curl_library.h"

#include <memory>

namespace platform {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_library().easy_cleanup(handle); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_library().multi_cleanup(handle); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

// Both load libcurl and run its process-wide set-up first, once, so that creating handles on any
// thread is safe. An empty result means libcurl could not be loaded or could not allocate.
CurlEasy make_curl_easy();
CurlMulti make_curl_multi();

// A header list for CURLOPT_HTTPHEADER / CURLOPT_PROXYHEADER. `append` copies the line; it returns
// false (and leaves the list as it was) when libcurl cannot be loaded or cannot allocate.
class CurlHeaderList {
 public:
  CurlHeaderList() = default;
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;
  ~CurlHeaderList() {
    if (list_ != nullptr) curl_library().slist_free_all(list_);
  }

  bool append(const char* line);
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

}  // namespace platform
