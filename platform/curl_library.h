// libcurl, loaded when the first request is made rather than when the program starts. The library
// brings some two dozen further shared libraries (TLS, Kerberos, LDAP, SSH, ...) whose loading and
// set-up would otherwise lengthen every start of the program, also one that never sends anything.
//
//   const platform::CurlLibrary* curl = platform::load_curl_library();
//   if (curl == nullptr) return false;        // libcurl is not installed
//   CURL* easy = curl->easy_init();
//
// The functions are libcurl's own, with their own contracts; the library is set up
// (curl_global_init) once, before the first pointer is handed out, and stays loaded until exit.
#pragma once

#include <curl/curl.h>

namespace platform {

struct CurlLibrary {
  CURL* (*easy_init)();
  void (*easy_cleanup)(CURL*);
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
  CURLM* (*multi_init)();
  CURLMcode (*multi_cleanup)(CURLM*);
  CURLMcode (*multi_add_handle)(CURLM*, CURL*);
  CURLMcode (*multi_remove_handle)(CURLM*, CURL*);
  CURLMcode (*multi_perform)(CURLM*, int*);
  CURLMcode (*multi_poll)(CURLM*, curl_waitfd[], unsigned int, int, int*);
  CURLMsg* (*multi_info_read)(CURLM*, int*);
  curl_slist* (*slist_append)(curl_slist*, const char*);
  void (*slist_free_all)(curl_slist*);
  CURLSH* (*share_init)();
  CURLSHcode (*share_setopt)(CURLSH*, CURLSHoption, ...);
  CURLSHcode (*share_cleanup)(CURLSH*);
};

// The loaded library, or nullptr when it cannot be loaded or set up (then every later call says
// the same). Safe to call from any thread.
const CurlLibrary* load_curl_library();

// The loaded library, for code that holds a handle made from it (so it is loaded).
const CurlLibrary& curl_library();

}  // namespace platform
