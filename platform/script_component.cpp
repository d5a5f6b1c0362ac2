#include "platform/script_component.h"

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "platform/script_engine.h"

namespace platform {
namespace {

bool equals_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::optional<std::u16string> string_argument(const Value& value) {
  if (value.type == ValueType::missing) return std::nullopt;
  if (value.type == ValueType::string) return value.string;
  std::optional<Value> converted = change_type(value, ValueType::string);
  if (!converted) return std::nullopt;
  return std::move(converted->string);
}

class ScriptControl final : public Component {
 public:
  std::span<const Member> members() const override;

  bool set_language(const Value& value) {
    std::optional<std::u16string> name = string_argument(value);
    if (!name || !(equals_ignoring_ascii_case(*name, u"JavaScript") ||
                   equals_ignoring_ascii_case(*name, u"JScript"))) {
      return false;
    }
    language_ = std::move(*name);
    engine_.reset();
    return true;
  }

  bool set_timeout(const Value& value) {
    std::optional<Value> number = change_type(value, ValueType::real);
    if (!number || !(number->real >= 1) ||
        number->real > std::numeric_limits<std::int32_t>::max()) {
      return false;
    }
    timeout_ms_ = static_cast<std::int32_t>(std::round(number->real));
    if (engine_) engine_->set_time_limit(std::chrono::milliseconds{timeout_ms_});
    return true;
  }

  bool add_code(const Value& code) {
    std::optional<std::u16string> text = string_argument(code);
    ScriptEngine* engine = this->engine();
    return text && engine && engine->add_code(*text);
  }

  bool eval(const Value& expression, Value& result) {
    std::optional<std::u16string> text = string_argument(expression);
    ScriptEngine* engine = this->engine();
    if (!text || !engine) return false;
    std::optional<Value> value = engine->eval(*text);
    if (!value) return false;
    result = std::move(*value);
    return true;
  }

  void reset() { engine_.reset(); }

  const std::u16string& language() const { return language_; }
  std::int32_t timeout_ms() const { return timeout_ms_; }

 private:
  // Created on first use after the language is chosen, and afresh after Reset or a new Language.
  ScriptEngine* engine() {
    if (language_.empty()) return nullptr;
    if (!engine_) {
      engine_ = std::make_unique<ScriptEngine>();
      engine_->set_time_limit(std::chrono::milliseconds{timeout_ms_});
    }
    return engine_.get();
  }

  std::u16string language_;
  std::int32_t timeout_ms_ = static_cast<std::int32_t>(ScriptEngine::DEFAULT_TIME_LIMIT.count());
  std::unique_ptr<ScriptEngine> engine_;
};

ScriptControl& self(Component& component) { return static_cast<ScriptControl&>(component); }

// The host passes at least the declared parameters; an absent one reads as missing all the same.
const Value& first(std::span<const Value> args) {
  static const Value missing = Value::make_missing();
  return args.empty() ? missing : args[0];
}

const std::array<Member, 7> MEMBERS = {{
    {"Language", InvokeKind::property_get, 0, 0, false,
     [](Component& c, std::span<const Value>, Value& result) {
       result = Value::make_string(self(c).language());
       return true;
     }},
    {"Language", InvokeKind::property_put, 1, 0, false,
     [](Component& c, std::span<const Value> args, Value&) { return self(c).set_language(first(args)); }},
    {"Timeout", InvokeKind::property_get, 0, 0, false,
     [](Component& c, std::span<const Value>, Value& result) {
       result = Value::make_int(self(c).timeout_ms());
       return true;
     }},
    {"Timeout", InvokeKind::property_put, 1, 0, false,
     [](Component& c, std::span<const Value> args, Value&) { return self(c).set_timeout(first(args)); }},
    {"AddCode", InvokeKind::method, 1, 0, false,
     [](Component& c, std::span<const Value> args, Value&) { return self(c).add_code(first(args)); }},
    {"Eval", InvokeKind::method, 1, 0, false,
     [](Component& c, std::span<const Value> args, Value& result) {
       return self(c).eval(first(args), result);
     }},
    {"Reset", InvokeKind::method, 0, 0, false,
     [](Component& c, std::span<const Value>, Value&) {
       self(c).reset();
       return true;
     }},
}};

std::span<const Member> ScriptControl::members() const { return MEMBERS; }

}  // namespace

ObjectRef make_script_control() { return std::make_shared<ScriptControl>(); }

}  // namespace platform
