#include "service/tts_server.h"

#include <sys/socket.h>

#include <httplib.h>

#include <variant>

#include "service/answers.h"
#include "service/audio_store.h"
#include "service/certificate.h"
#include "service/connection_pool.h"
#include "service/log.h"
#include "service/mp3_encoder.h"
#include "service/speech_engine.h"
#include "service/speech_plan.h"
#include "service/synthesis_request.h"

namespace service {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr std::size_t kMaxBodyBytes = 1 << 20;  // 5000 characters, percent-encoded, fit easily
constexpr std::size_t kKeepAliveRequests = 100;

// Holds one of `limit` places while it lives; empty-handed when all were taken.
class CountedPlace {
 public:
  CountedPlace(std::atomic<std::size_t>& count, std::size_t limit)
      : count_(count), held_(count.fetch_add(1) < limit) {
    if (!held_) count_.fetch_sub(1);
  }
  ~CountedPlace() {
    if (held_) count_.fetch_sub(1);
  }
  CountedPlace(const CountedPlace&) = delete;
  CountedPlace& operator=(const CountedPlace&) = delete;
  explicit operator bool() const { return held_; }

 private:
  std::atomic<std::size_t>& count_;
  const bool held_;
};

// The Host header goes into the answer's address, so only what a host name, an IPv4 or a
// bracketed IPv6 address with a port can hold is taken; anything else gets the bound address.
bool is_plain_host(std::string_view host) {
  return !host.empty() && host.size() <= 255 &&
         host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") ==
             std::string_view::npos;
}

void answer(httplib::Response& response, const Failure& failure) {
  response.set_content(failure_answer(failure), kJsonType);
}

// On the thread that answers connections beyond the pool: the busy answer, and true. The check
// sits in the route handlers rather than before routing so that the request body has been read:
// closing a connection with unread data would reset it before the caller reads the answer.
bool refused_as_busy(httplib::Response& response) {
  if (!ConnectionPool::answering_busy()) return false;
  response.status = 503;
  response.set_header("Retry-After", "1");
  response.set_header("Connection", "close");
  // The server keeps a connection open unless the request asked otherwise; a provider that
  // reports failure after writing the whole answer makes it close this one, so the answering
  // thread is free for the next connection at once.
  auto body = std::make_shared<const std::string>(failure_answer(kBusy));
  response.set_content_provider(body->size(), kJsonType,
                                [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                  sink.write(body->data() + offset, length);
                                  return false;
                                });
  return true;
}

}  // namespace

struct TtsServer::Parts {
  Parts(const ServiceOptions& options, SpeechEngine& engine, const std::filesystem::path& certificate,
        const std::filesystem::path& key)
      : options(options),
        engine(engine),
        store(options.data_folder / "audio"),
        server(certificate.c_str(), key.c_str()) {}

  void set_up_routes();
  void handle_synthesis(const httplib::Request& request, httplib::Response& response);
  void handle_audio(const httplib::Request& request, httplib::Response& response);
  std::optional<Failure> synthesize_into_store(const SynthesisRequest& request, const std::string& key);
  std::string audio_address(const httplib::Request& request, const std::string& key) const;

  const ServiceOptions options;
  SpeechEngine& engine;
  AudioStore store;
  httplib::SSLServer server;
  int port = 0;
  std::atomic<std::size_t> syntheses{0};
  std::atomic<std::size_t> syntheses_in_progress{0};
};

void TtsServer::Parts::set_up_routes() {
  const std::size_t threads = options.threads;
  const std::size_t queue_limit = options.queue_limit;
  server.new_task_queue = [threads, queue_limit] { return new ConnectionPool(threads, queue_limit); };
  server.set_exception_handler([](const httplib::Request& request, httplib::Response& response,
                                  std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      log_line(request.path + ": " + e.what());
    } catch (...) {
      log_line(request.path + ": unknown exception");
    }
    response.status = 500;
    answer(response, kInternalError);
  });
  // Every route, the catch-all ones included, answers "busy" first on the thread for connections
  // beyond the pool, so that such a connection is closed whatever it asked for.
  const auto route = [](auto handler) {
    return [handler](const httplib::Request& request, httplib::Response& response) {
      if (!refused_as_busy(response)) handler(request, response);
    };
  };
  const auto not_found = route([](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("not found\n", "text/plain");
  });
  server.Post("/functions/tts/text", route([this](const httplib::Request& request, httplib::Response& response) {
    handle_synthesis(request, response);
  }));
  server.Get(R"(/audio/([0-9a-f]{64})\.mp3)", route([this](const httplib::Request& request, httplib::Response& response) {
    handle_audio(request, response);
  }));
  server.Get(".*", not_found).Post(".*", not_found).Put(".*", not_found).Patch(".*", not_found);
  server.Delete(".*", not_found).Options(".*", not_found);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  server.set_payload_max_length(kMaxBodyBytes);
  server.set_tcp_nodelay(true);
  if (options.address == "localhost") server.set_address_family(AF_INET);
}

void TtsServer::Parts::handle_synthesis(const httplib::Request& request, httplib::Response& response) {
  const auto read = read_synthesis_request(request.body);
  if (const auto* failure = std::get_if<Failure>(&read)) return answer(response, *failure);
  const auto& synthesis = std::get<SynthesisRequest>(read);
  const std::string key = audio_key(synthesis);
  if (key.empty()) return answer(response, kInternalError);
  if (!store.contains(key)) {
    if (const std::optional<Failure> failure = synthesize_into_store(synthesis, key)) {
      return answer(response, *failure);
    }
  }
  response.set_content(success_answer(audio_address(request, key)), kJsonType);
}

std::optional<Failure> TtsServer::Parts::synthesize_into_store(const SynthesisRequest& request,
                                                               const std::string& key) {
  // The engine speaks one text at a time; more than a few waiting for it would tie up the
  // threads that answer from the store.
  const CountedPlace place(syntheses_in_progress, options.synthesis_limit);
  if (!place) return kBusy;
  const SpeechPlan plan = plan_speech(*request.voice, request.text);
  if (!plan.fallback_note.empty()) log_line("voice " + std::string(request.voice->id) + ": " + plan.fallback_note);
  const auto samples = engine.synthesize(plan, {request.volume, request.speech_rate, request.pitch_rate});
  ++syntheses;
  const std::optional<std::string> mp3 = samples ? encode_mp3(*samples, engine.sample_rate()) : std::nullopt;
  if (!mp3 || !store.put(key, *mp3)) {
    log_line("synthesis failed for voice " + std::string(request.voice->id) + (mp3 ? ": cannot store" : ""));
    return kSynthesisFailed;
  }
  return std::nullopt;
}

std::string TtsServer::Parts::audio_address(const httplib::Request& request, const std::string& key) const {
  std::string host = request.get_header_value("Host");
  if (!is_plain_host(host)) {
    const bool ipv6 = options.address.find(':') != std::string::npos;
    host = (ipv6 ? "[" + options.address + "]" : options.address) + ":" + std::to_string(port);
  }
  return "https://" + host + "/audio/" + key + ".mp3";
}

void TtsServer::Parts::handle_audio(const httplib::Request& request, httplib::Response& response) {
  std::optional<std::string> bytes = store.read(request.matches[1].str());
  if (!bytes) {
    response.status = 404;
    return;
  }
  response.set_header("Accept-Ranges", "bytes");
  response.set_header("Cache-Control", "max-age=31536000, immutable");  // a key never changes its sound
  response.set_content(std::move(*bytes), "audio/mpeg");
}

std::unique_ptr<TtsServer> TtsServer::create(const ServiceOptions& options, std::string& error) {
  std::filesystem::path certificate = options.certificate;
  std::filesystem::path key = options.private_key;
  if (certificate.empty() != key.empty()) {
    error = "a certificate needs its key, and a key its certificate";
    return nullptr;
  }
  std::error_code folder_error;
  std::filesystem::create_directories(options.data_folder, folder_error);
  if (certificate.empty()) {
    certificate = options.data_folder / "cert.pem";
    key = options.data_folder / "key.pem";
    if (!ensure_self_signed_certificate(certificate, key, error)) return nullptr;
  }
  SpeechEngine* engine = SpeechEngine::shared(error);
  if (engine == nullptr) return nullptr;
  auto parts = std::make_unique<Parts>(options, *engine, certificate, key);
  if (!parts->store.ok()) {
    error = "cannot create the audio folder in " + options.data_folder.string();
    return nullptr;
  }
  if (!parts->server.is_valid()) {
    error = "cannot load the certificate " + certificate.string() + " with its key " + key.string();
    return nullptr;
  }
  parts->set_up_routes();
  if (options.port == 0) {
    parts->port = parts->server.bind_to_any_port(options.address);
  } else if (parts->server.bind_to_port(options.address, options.port)) {
    parts->port = options.port;
  } else {
    parts->port = -1;
  }
  if (parts->port <= 0) {
    error = "cannot listen on " + options.address + ":" + std::to_string(options.port);
    return nullptr;
  }
  return std::unique_ptr<TtsServer>(new TtsServer(std::move(parts)));
}

TtsServer::TtsServer(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
TtsServer::~TtsServer() = default;

int TtsServer::port() const { return parts_->port; }
void TtsServer::run() { parts_->server.listen_after_bind(); }
void TtsServer::stop() { parts_->server.stop(); }
std::size_t TtsServer::syntheses() const { return parts_->syntheses; }

}  // namespace service
