// The process-wide cache of TLS sessions that every request's handle joins, as the system's own
// secure channel keeps one for all its requests: a second request to the same server resumes the
// session of the first instead of repeating the full handshake and the certificate checks.
// libcurl keys each session by scheme, host, port and the request's TLS settings, so a session
// made with certificate checks off is never resumed by a request that checks them.
//
//   CURLSH* cache = platform::tls_session_cache();
//   if (cache != nullptr) curl_library().easy_setopt(easy, CURLOPT_SHARE, cache);
#pragma once

#include <curl/curl.h>

namespace platform {

// Made on first use, safe to use from any thread, kept until the process ends. Null when libcurl
// cannot be loaded or cannot make the cache: requests then make full handshakes.
CURLSH* tls_session_cache();

}  // namespace platform
