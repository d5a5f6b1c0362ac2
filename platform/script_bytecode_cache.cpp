#include "platform/script_bytecode_cache.h"

#include <algorithm>
#include <functional>

namespace platform {

ScriptBytecodeCache& ScriptBytecodeCache::instance() {
  static ScriptBytecodeCache cache;
  return cache;
}

ScriptBytecodeCache::Entry* ScriptBytecodeCache::find(std::u16string_view source, std::size_t hash) {
  for (Entry& entry : entries_) {
    if (entry.hash == hash && entry.source == source) return &entry;
  }
  return nullptr;
}

ScriptBytecodeCache::Lookup ScriptBytecodeCache::lookup(std::u16string_view source) {
  if (source.size() < MIN_SOURCE_LENGTH || source.size() > MAX_SOURCE_LENGTH) return {};
  const std::size_t hash = std::hash<std::u16string_view>{}(source);
  std::lock_guard lock(mutex_);
  if (Entry* entry = find(source, hash)) {
    entry->last_use = ++clock_;
    return {.bytecode = entry->bytecode, .store_after_compile = !entry->bytecode};
  }
  if (entries_.size() >= MAX_ENTRIES) {
    entries_.erase(std::min_element(entries_.begin(), entries_.end(), [](auto& a, auto& b) {
      return a.last_use < b.last_use;
    }));
  }
  entries_.push_back({.source = std::u16string(source), .hash = hash, .bytecode = nullptr, .last_use = ++clock_});
  return {};
}

void ScriptBytecodeCache::store(std::u16string_view source, Bytecode bytecode) {
  const std::size_t hash = std::hash<std::u16string_view>{}(source);
  std::lock_guard lock(mutex_);
  if (Entry* entry = find(source, hash)) {
    entry->bytecode = std::make_shared<const Bytecode>(std::move(bytecode));
  }
}

}  // namespace platform
