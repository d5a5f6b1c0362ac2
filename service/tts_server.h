// The speech service: HTTPS on one address, the synthesis endpoint and the audio files.
//
//   POST /functions/tts/text  form body value, voice, volume, speech_rate, pitch_rate, type
//        -> {"code":0,"data":"https://<Host>/audio/<key>.mp3"}, or a failure answer with status 200
//   GET  /audio/<key>.mp3     -> the MP3 as audio/mpeg, byte ranges honoured
//   anything else             -> 404
//
//   std::string error;
//   auto server = TtsServer::create({.port = 0, .data_folder = dir}, error);
//   std::thread t([&] { server->run(); });   // server->port() is the port the system picked
//   server->stop(); t.join();
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace service {

struct ServiceOptions {
  std::string address = "localhost";  // "localhost" listens on 127.0.0.1
  int port = 8443;                    // 0: the system picks a free one
  std::filesystem::path data_folder{};  // holds audio/ and, when made here, cert.pem and key.pem
  std::filesystem::path certificate{};  // both empty: a self-signed pair in the data folder
  std::filesystem::path private_key{};
  std::size_t threads = 32;           // connections served at once
  std::size_t queue_limit = 64;       // connections waiting for a thread; beyond: "busy"
  std::size_t synthesis_limit = 8;    // syntheses running or waiting for the engine; beyond: "busy"
};

class TtsServer {
 public:
  // Prepares the data folder and the certificate, loads the speech engine and binds the address.
  // Nothing, with the reason in `error`, when any of that fails (the port is taken, say).
  static std::unique_ptr<TtsServer> create(const ServiceOptions& options, std::string& error);
  ~TtsServer();
  TtsServer(const TtsServer&) = delete;
  TtsServer& operator=(const TtsServer&) = delete;

  int port() const;

  // Serves until stop(); returns at once when stop() came first.
  void run();

  // Safe from any thread: the listening socket closes, connections in progress finish.
  void stop();

  // How often the engine has run; requests answered from the store do not count.
  std::size_t syntheses() const;

 private:
  struct Parts;
  explicit TtsServer(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace service
