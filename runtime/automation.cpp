#include "runtime/automation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/codepage.h"

namespace {

using platform::InvokeKind;
using platform::Member;
using platform::Value;
using platform::ValueType;

enum class CallKind { method, property_read, property_write };

// Which member descriptions each kind of call accepts, in the order they are tried.
std::span<const InvokeKind> look_up_order(CallKind kind) {
  static constexpr InvokeKind method[] = {InvokeKind::method, InvokeKind::property_get,
                                          InvokeKind::property_put, InvokeKind::property_put_ref};
  static constexpr InvokeKind read[] = {InvokeKind::property_get, InvokeKind::method};
  static constexpr InvokeKind write[] = {InvokeKind::property_put, InvokeKind::property_put_ref,
                                         InvokeKind::method};
  switch (kind) {
    case CallKind::method:
      return method;
    case CallKind::property_read:
      return read;
    case CallKind::property_write:
      return write;
  }
  return {};
}

const Member* look_up(const platform::Component& component, std::string_view name, CallKind kind) {
  for (InvokeKind invoke_kind : look_up_order(kind)) {
    if (const Member* member = platform::find_member(component, name, invoke_kind)) return member;
  }
  return nullptr;
}

bool is_absent(const Argument& argument) {
  return std::holds_alternative<std::monostate>(argument.held());
}

// The automation value of one argument; `Bytes` are refused. An absent argument or an empty
// `Variant` stands for a parameter the caller left out.
std::optional<Value> to_value(const Argument& argument) {
  struct Visitor {
    std::optional<Value> operator()(std::monostate) const { return Value::make_missing(); }
    std::optional<Value> operator()(std::string_view text) const {
      return Value::make_string(platform::ansi_to_utf16(text));
    }
    std::optional<Value> operator()(int number) const { return Value::make_int(number); }
    std::optional<Value> operator()(double number) const { return Value::make_real(number); }
    std::optional<Value> operator()(bool flag) const { return Value::make_bool(flag); }
    std::optional<Value> operator()(const Variant* variant) const {
      if (variant->value().type == ValueType::empty) return Value::make_missing();
      return variant->value();
    }
    std::optional<Value> operator()(const Bytes*) const { return std::nullopt; }
  };
  return std::visit(Visitor{}, argument.held());
}

bool is_write(const Member& member) {
  return member.kind == InvokeKind::property_put || member.kind == InvokeKind::property_put_ref;
}

// Converts the arguments for `member`, trailing absent ones dropped, and fills the declared
// parameters the caller left out with missing values; for a property write the new value stays
// last, after the indices. Nothing when an argument is refused, when there are more arguments
// than the member takes, or when a parameter that may not be left out is.
std::optional<std::vector<Value>> prepare_arguments(const Member& member, Arguments arguments) {
  const Argument* end = arguments.end();
  while (end != arguments.begin() && is_absent(*(end - 1))) --end;
  const int given = static_cast<int>(end - arguments.begin());
  if (given > member.parameter_count && !member.variadic) return std::nullopt;
  if (given < member.parameter_count - member.optional_count) return std::nullopt;
  if (is_write(member) && given == 0) return std::nullopt;

  std::vector<Value> values;
  values.reserve(static_cast<size_t>(std::max(given, member.parameter_count)));
  for (const Argument* argument = arguments.begin(); argument != end; ++argument) {
    std::optional<Value> value = to_value(*argument);
    if (!value) return std::nullopt;
    values.push_back(std::move(*value));
  }
  if (given < member.parameter_count) {
    const auto fill_at = is_write(member) ? values.end() - 1 : values.end();
    values.insert(fill_at, static_cast<size_t>(member.parameter_count - given),
                  Value::make_missing());
  }
  return values;
}

// The whole of one late-bound call; nothing on any failure. An exception escaping a component is
// an error raised inside the object like any other.
std::optional<Value> invoke(const AutomationObject& obj, std::string_view name, CallKind kind,
                            Arguments arguments) {
  platform::Component* component = obj.reference().get();
  if (component == nullptr) return std::nullopt;
  const Member* member = look_up(*component, name, kind);
  if (member == nullptr || !member->invoke) return std::nullopt;
  std::optional<std::vector<Value>> values = prepare_arguments(*member, arguments);
  if (!values) return std::nullopt;
  try {
    Value result;
    if (!member->invoke(*component, *values, result)) return std::nullopt;
    return result;
  } catch (...) {
    return std::nullopt;
  }
}

// The text before the first zero unit, or all of it. Answers can run to megabytes, so four units
// are tested at once: a lane of the word is zero exactly when the lane's top bit survives
// (lane - 1) & ~lane.
std::u16string_view up_to_first_zero(std::u16string_view wide) {
  size_t i = 0;
  for (; i + 4 <= wide.size(); i += 4) {
    std::uint64_t word;
    std::memcpy(&word, wide.data() + i, sizeof word);
    if (((word - 0x0001000100010001u) & ~word & 0x8000800080008000u) != 0) break;
  }
  while (i < wide.size() && wide[i] != u'\0') ++i;
  return wide.substr(0, i);
}

// Up to the first zero character; characters the ANSI code page lacks come back as "?".
Text to_ansi(const std::optional<Value>& result) {
  if (!result) return {};
  std::optional<Value> converted;
  if (result->type != ValueType::string) {  // a string is read in place: answers can be large
    converted = platform::change_type(*result, ValueType::string);
    if (!converted) return {};
  }
  const std::u16string_view wide = converted ? converted->string : result->string;
  return platform::utf16_to_ansi(up_to_first_zero(wide));
}

double to_number(const std::optional<Value>& result) {
  if (!result) return 0;
  const std::optional<Value> real = platform::change_type(*result, ValueType::real);
  return real ? real->real : 0;
}

Variant to_variant(std::optional<Value> result) {
  Variant variant;
  if (result) variant.value() = std::move(*result);
  return variant;
}

}  // namespace

bool co_initialize() { return platform::co_initialize(); }

void co_uninitialize() { platform::co_uninitialize(); }

bool object_create(AutomationObject& obj, std::string_view class_name) {
  platform::ObjectRef created = platform::create_object(class_name);
  if (!created) return false;
  obj.reference() = std::move(created);
  return true;
}

void object_call(const AutomationObject& obj, std::string_view member, Arguments args) {
  invoke(obj, member, CallKind::method, args);
}

Text object_call_text(const AutomationObject& obj, std::string_view member, Arguments args) {
  return to_ansi(invoke(obj, member, CallKind::method, args));
}

double object_call_number(const AutomationObject& obj, std::string_view member,
                          Arguments args) {
  return to_number(invoke(obj, member, CallKind::method, args));
}

bool object_call_bool(const AutomationObject& obj, std::string_view member, Arguments args) {
  const std::optional<Value> result = invoke(obj, member, CallKind::method, args);
  if (!result) return false;
  const std::optional<Value> flag = platform::change_type(*result, ValueType::boolean);
  return flag && flag->boolean;
}

Variant object_call_variant(const AutomationObject& obj, std::string_view member,
                            Arguments args) {
  return to_variant(invoke(obj, member, CallKind::method, args));
}

Variant object_get(const AutomationObject& obj, std::string_view property) {
  return to_variant(invoke(obj, property, CallKind::property_read, {}));
}

Text object_get_text(const AutomationObject& obj, std::string_view property) {
  return to_ansi(invoke(obj, property, CallKind::property_read, {}));
}

double object_get_number(const AutomationObject& obj, std::string_view property) {
  return to_number(invoke(obj, property, CallKind::property_read, {}));
}

bool object_set(const AutomationObject& obj, std::string_view property,
                Arguments indices_and_value) {
  return invoke(obj, property, CallKind::property_write, indices_and_value).has_value();
}

void object_clear(AutomationObject& obj) { obj.reference().reset(); }

// The target's old reference is released rather than overwritten: with counted references,
// dropping it unreleased would leak the object it held.
void object_copy(AutomationObject& target, const AutomationObject& source) {
  target.reference() = source.reference();
}

bool object_is_empty(const AutomationObject& obj) { return obj.reference() == nullptr; }

bool variant_assign(Variant& v, const Argument& value) {
  const Argument::Held& held = value.held();
  if (const auto* bytes = std::get_if<const Bytes*>(&held)) {
    v.value() = Value::make_bytes(**bytes);
  } else if (const auto* variant = std::get_if<const Variant*>(&held)) {
    v.value() = (*variant)->value();
  } else if (is_absent(value)) {
    v.value() = Value{};
  } else {
    v.value() = *to_value(value);
  }
  return true;
}

Bytes variant_get_bytes(const Variant& v) {
  if (v.value().type == ValueType::byte_array) return v.value().bytes;
  const std::optional<Value> converted = platform::change_type(v.value(), ValueType::byte_array);
  return converted ? converted->bytes : Bytes{};
}

void variant_clear(Variant& v) { v.value() = Value{}; }

bool variant_set_type(Variant& v, int type_code) {
  struct Code {
    int code;
    ValueType type;
  };
  static constexpr Code codes[] = {{0, ValueType::empty},       {3, ValueType::int32},
                                   {5, ValueType::real},        {7, ValueType::int32_array},
                                   {8, ValueType::string},      {11, ValueType::boolean}};
  variant_clear(v);
  const auto* found = std::find_if(std::begin(codes), std::end(codes),
                                   [&](const Code& c) { return c.code == type_code; });
  if (found == std::end(codes)) return false;
  std::optional<Value> converted = platform::change_type(v.value(), found->type);
  if (!converted) return false;
  v.value() = std::move(*converted);
  return true;
}

bool variant_create_array(Variant& v, int element_type_code, int count) {
  variant_clear(v);
  if (element_type_code != 1 || count < 0) return false;
  v.value() = Value::make_bytes(Bytes(static_cast<size_t>(count), 0));
  return true;
}
