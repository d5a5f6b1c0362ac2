// One sandboxed JavaScript heap: the engine behind the script component.
//
// Each engine has a global scope of its own. Scripts reach nothing outside it: the engine's
// own introspection object ("Duktape") is removed, and nothing of the host is added. Every
// `add_code` or `eval` runs under the time limit (2 s unless changed) and the heap under a
// memory cap (256 MiB); running past either fails that call like a script error and leaves the
// engine usable. Strings cross as UTF-16, characters outside the BMP included.
//
//   platform::ScriptEngine engine;
//   engine.add_code(u"var total = 0; function add(n) { total += n; }");
//   engine.eval(u"add(2); total");        // Value 2 (int32)
//   engine.eval(u"for (;;) {}");          // nullopt after the time limit
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/automation_host.h"

namespace platform {

class ScriptEngine {
 public:
  static constexpr std::chrono::milliseconds DEFAULT_TIME_LIMIT{2000};
  static constexpr std::size_t MEMORY_LIMIT = std::size_t{256} * 1024 * 1024;

  // An engine whose heap could not be created fails every call.
  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Runs the text as global program code: its function declarations and `var`s become globals.
  // False on a syntax error, an error thrown by the script, the time limit or the memory cap.
  bool add_code(std::u16string_view code);

  // Evaluates the text as global eval code and returns its completion value: a number as int32
  // when it is integral and fits (-0 too, which the script writes as 0), otherwise real; strings, booleans and null as their
  // kind; undefined as empty; any object (arrays and functions too) as its string conversion.
  // nullopt on any failure as for add_code, and for a symbol, which has no automation form.
  std::optional<Value> eval(std::u16string_view expression);

  // Applies to every later call; a limit below 1 ms counts as 1 ms.
  void set_time_limit(std::chrono::milliseconds limit);

 private:
  struct Heap;
  std::unique_ptr<Heap> heap_;
};

}  // namespace platform
