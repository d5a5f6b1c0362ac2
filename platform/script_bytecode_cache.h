// A process-wide cache of compiled script code, so that a text added to many engines (such as a
// script library loaded into every new engine) is compiled once and then loaded as bytecode.
//
// A text is remembered the first time it is seen; the second time, the caller compiles it, dumps
// the bytecode and stores it; from then on it is loaded. Texts that run once never cost a dump.
// Bytecode comes only from this process's own engine build, never from outside.
//
//   auto cached = cache.lookup(source);
//   if (cached.bytecode) load(*cached.bytecode);
//   else { compile(source); if (cached.store_after_compile) cache.store(source, dump()); }
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ScriptBytecodeCache {
 public:
  using Bytecode = std::vector<std::uint8_t>;

  struct Lookup {
    std::shared_ptr<const Bytecode> bytecode;  // null when not cached
    bool store_after_compile = false;          // seen before: worth dumping after compilation
  };

  // Texts (in UTF-16 code units) shorter than this compile faster than a look-up pays back;
  // longer ones are rarely repeated and would crowd the cache.
  static constexpr std::size_t MIN_SOURCE_LENGTH = 256;
  static constexpr std::size_t MAX_SOURCE_LENGTH = 256 * 1024;
  static constexpr std::size_t MAX_ENTRIES = 16;

  static ScriptBytecodeCache& instance();

  // Texts outside the size range are never cached. The least recently used entry makes room.
  Lookup lookup(std::u16string_view source);
  void store(std::u16string_view source, Bytecode bytecode);

 private:
  struct Entry {
    std::u16string source;
    std::size_t hash = 0;
    std::shared_ptr<const Bytecode> bytecode;
    std::uint64_t last_use = 0;
  };
  Entry* find(std::u16string_view source, std::size_t hash);

  std::mutex mutex_;
  std::vector<Entry> entries_;
  std::uint64_t clock_ = 0;
};

}  // namespace platform
