#include "platform/automation_host.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <string>

#include "platform/builtin_components.h"

namespace platform {
namespace {

std::string folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Components may be created from any thread that initialised itself, so the registry is shared
// and locked; the lock is never held while a factory runs.
struct Registry {
  std::mutex mutex;
  std::map<std::string, Factory> by_name;  // folded ProgIDs and folded "{class id}"s
};

Registry& registry() {
  static Registry instance;
  return instance;
}

// Set while the built-in components register themselves, so that their register_component calls
// do not try to register the built-ins again.
thread_local bool registering_builtins = false;

// The built-ins go in before anything else, so a later registration of the same name (a test's
// stand-in, say) replaces them rather than being replaced by them.
void ensure_builtins() {
  if (registering_builtins) return;
  static std::once_flag once;
  std::call_once(once, [] {
    registering_builtins = true;
    register_builtin_components();
    registering_builtins = false;
  });
}

thread_local int initialisations = 0;

std::optional<double> parse_number(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  const size_t first = ascii.find_first_not_of(" \t");
  const size_t last = ascii.find_last_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  std::string_view digits(ascii.data() + first, last - first + 1);
  if (digits.front() == '+') digits.remove_prefix(1);
  double number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return number;
}

std::u16string ascii_to_utf16(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

bool equals_ignoring_case(std::u16string_view text, std::string_view ascii_word) {
  if (text.size() != ascii_word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] > 0x7F) return false;
    if (std::tolower(static_cast<int>(text[i])) !=
        std::tolower(static_cast<unsigned char>(ascii_word[i]))) {
      return false;
    }
  }
  return true;
}

std::optional<Value> to_string_value(const Value& value) {
  switch (value.type) {
    case ValueType::empty:
      return Value::make_string({});
    case ValueType::boolean:
      return Value::make_string(ascii_to_utf16(value.boolean ? "True" : "False"));
    case ValueType::int32:
      return Value::make_string(ascii_to_utf16(std::to_string(value.int32)));
    case ValueType::real: {
      char buffer[32];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.real);
      return Value::make_string(ascii_to_utf16(std::string_view(buffer, result.ptr)));
    }
    case ValueType::string:
      return value;
    default:
      return std::nullopt;
  }
}

std::optional<double> to_real_number(const Value& value) {
  switch (value.type) {
    case ValueType::empty:
      return 0.0;
    case ValueType::boolean:
      return value.boolean ? -1.0 : 0.0;  // the platform's true is -1
    case ValueType::int32:
      return value.int32;
    case ValueType::real:
      return value.real;
    case ValueType::string:
      return parse_number(value.string);
    default:
      return std::nullopt;
  }
}

std::optional<Value> to_boolean_value(const Value& value) {
  if (value.type == ValueType::string) {
    if (equals_ignoring_case(value.string, "true")) return Value::make_bool(true);
    if (equals_ignoring_case(value.string, "false")) return Value::make_bool(false);
  }
  if (value.type == ValueType::boolean) return value;
  const std::optional<double> number = to_real_number(value);
  if (!number) return std::nullopt;
  return Value::make_bool(*number != 0);
}

// Numbers round half to even, as the platform's integer conversions do; out of range is refused.
std::optional<Value> to_int32_value(const Value& value) {
  const std::optional<double> number = to_real_number(value);
  if (!number) return std::nullopt;
  const double rounded = std::nearbyint(*number);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return Value::make_int(static_cast<std::int32_t>(rounded));
}

}  // namespace

std::optional<Value> change_type(const Value& value, ValueType target) {
  switch (target) {
    case ValueType::empty:
      return Value{};
    case ValueType::string:
      return to_string_value(value);
    case ValueType::real: {
      const std::optional<double> number = to_real_number(value);
      if (!number) return std::nullopt;
      return Value::make_real(*number);
    }
    case ValueType::boolean:
      return to_boolean_value(value);
    case ValueType::int32:
      return to_int32_value(value);
    case ValueType::null:
    case ValueType::missing:
    case ValueType::object:
    case ValueType::byte_array:
    case ValueType::int32_array:
      if (value.type == target) return value;
      return std::nullopt;
  }
  return std::nullopt;
}

const Member* find_member(const Component& component, std::string_view name, InvokeKind kind) {
  for (const Member& member : component.members()) {
    if (member.kind == kind && same_name(member.name, name)) return &member;
  }
  return nullptr;
}

void register_component(std::string_view prog_id, std::string_view class_id_in_braces,
                        Factory factory) {
  ensure_builtins();
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (!prog_id.empty()) r.by_name[folded(prog_id)] = factory;
  if (!class_id_in_braces.empty()) r.by_name[folded(class_id_in_braces)] = factory;
}

ObjectRef create_object(std::string_view class_name) {
  if (initialisations <= 0 || class_name.empty()) return nullptr;
  ensure_builtins();
  Factory factory;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.by_name.find(folded(class_name));
    if (found == r.by_name.end()) return nullptr;
    factory = found->second;
  }
  try {
    return factory ? factory() : nullptr;
  } catch (...) {
    return nullptr;  // a component that cannot be made is a failed creation, nothing more
  }
}

bool ole_initialize() {
  ++initialisations;
  return true;
}

// An uninitialise without a matching initialise is ignored rather than driving the count negative.
void ole_uninitialize() {
  if (initialisations > 0) --initialisations;
}

// The nested pairs only raise and lower the same count start-up raised.
bool co_initialize() { return ole_initialize(); }

void co_uninitialize() { ole_uninitialize(); }

int initialisation_count() { return initialisations; }

}  // namespace platform
