// The floor of posting the synthesis form: a plain libcurl POST on a fresh easy handle (so a fresh
// connection, as the program makes), with the header lines that the program's request puts on the
// wire, in the same order. Each POST makes a full TLS handshake, unless the floor is told to resume
// sessions as the program's requests do (one session cache for all its POSTs, on one thread).
//
//   bench::BareCurlPost floor(url, "Mozilla/5.0");
//   bench::BareCurlPost resuming(url, "Mozilla/5.0", bench::BareCurlPost::resume_tls_sessions);
//   bool ok = floor.post(utf8_body, expected_answer_size);
#pragma once

#include <curl/curl.h>

#include <string>
#include <utility>

namespace bench {

class BareCurlPost {
 public:
  static constexpr bool resume_tls_sessions = true;

  BareCurlPost(std::string url, const std::string& user_agent, bool resume = false)
      : url_(std::move(url)) {
    if (resume) {
      sessions_ = curl_share_init();
      if (sessions_ != nullptr &&
          curl_share_setopt(sessions_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) != CURLSHE_OK) {
        curl_share_cleanup(sessions_);
        sessions_ = nullptr;
      }
      resume_failed_ = sessions_ == nullptr;
    }
    const std::string lines[] = {"User-Agent: " + user_agent, "Accept: */*", "Referer: " + url_,
                                 "Accept-Language: zh-cn",
                                 "Content-Type: application/x-www-form-urlencoded",
                                 "Expect:"};  // no "100-continue" round trip for long bodies
    for (const std::string& line : lines) headers_ = curl_slist_append(headers_, line.c_str());
  }
  ~BareCurlPost() {
    curl_slist_free_all(headers_);
    if (sessions_ != nullptr) curl_share_cleanup(sessions_);
  }
  BareCurlPost(const BareCurlPost&) = delete;
  BareCurlPost& operator=(const BareCurlPost&) = delete;

  // True when the exchange completed and the answer body had `answer_size` bytes.
  bool post(const std::string& body, size_t answer_size) const {
    CURL* easy = curl_easy_init();
    std::string answer;
    const bool ok =
        easy && headers_ && !resume_failed_ &&
        (sessions_ == nullptr || curl_easy_setopt(easy, CURLOPT_SHARE, sessions_) == CURLE_OK) &&
        curl_easy_setopt(easy, CURLOPT_URL, url_.c_str()) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size())) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str()) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer) == CURLE_OK &&
        curl_easy_perform(easy) == CURLE_OK;
    curl_easy_cleanup(easy);
    return ok && answer.size() == answer_size;
  }

 private:
  static size_t collect(char* data, size_t size, size_t count, void* answer) {
    static_cast<std::string*>(answer)->append(data, size * count);
    return size * count;
  }

  std::string url_;
  curl_slist* headers_ = nullptr;
  CURLSH* sessions_ = nullptr;
  bool resume_failed_ = false;
};

}  // namespace bench
