// Late-bound calls on automation components, with silent empty results on failure.
//
// An `AutomationObject` holds one counted reference to a component object (or nothing); a
// `Variant` owns one automation value. Members are looked up by name (any letter case) in the
// object's member table: a method call tries method, property read, property write, property
// write by reference; a property read tries property read, then method; a property write tries
// property write, property write by reference, then method. Texts cross into UTF-16 through the
// ANSI code page and come back through it, characters it cannot hold becoming "?".
//
// A failed call (empty object, unknown member, too many arguments, an error raised inside the
// object, a refused conversion) yields the empty value of the asked kind: "", 0, false or an empty
// `Variant`. Nothing is shown and nothing throws.
//
//   AutomationObject stream;
//   object_create(stream, "Adodb.Stream");
//   object_set(stream, "Type", {1});
//   object_call(stream, "Open");
//   Text text = object_call_text(stream, "ReadText");
//   object_set(request, "Option", {6, 0});   // indexed property: index 6, value 0
#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>
#include <variant>

#include "platform/automation_host.h"
#include "runtime/text.h"

class AutomationObject {
 public:
  const platform::ObjectRef& reference() const { return ref_; }
  platform::ObjectRef& reference() { return ref_; }

 private:
  platform::ObjectRef ref_;
};

class Variant {
 public:
  const platform::Value& value() const { return value_; }
  platform::Value& value() { return value_; }

 private:
  platform::Value value_;
};

// One argument of a call. `std::nullopt` is an absent argument: trailing absent arguments are
// dropped, an absent one before a present one is passed as a missing parameter.
class Argument {
 public:
  Argument(std::nullopt_t) {}
  Argument(const char* text) : value_(std::string_view(text)) {}
  Argument(std::string_view text) : value_(text) {}
  Argument(const Text& text) : value_(std::string_view(text)) {}
  Argument(int number) : value_(number) {}
  Argument(double number) : value_(number) {}
  Argument(bool flag) : value_(flag) {}
  Argument(const Variant& variant) : value_(&variant) {}
  Argument(const Bytes& bytes) : value_(&bytes) {}  // refused: pass bytes inside a Variant

  using Held = std::variant<std::monostate, std::string_view, int, double, bool, const Variant*,
                            const Bytes*>;
  const Held& held() const { return value_; }

 private:
  Held value_;
};

using Arguments = std::initializer_list<Argument>;

// The nested initialisation pairs of the calling code: each co_initialize raises the calling
// thread's automation initialisation count (start-up's raise comes first) and must be undone by
// one co_uninitialize on every way out.
bool co_initialize();
void co_uninitialize();

bool object_create(AutomationObject& obj, std::string_view class_name);
void object_call(const AutomationObject& obj, std::string_view member, Arguments args = {});
Text object_call_text(const AutomationObject& obj, std::string_view member, Arguments args = {});
double object_call_number(const AutomationObject& obj, std::string_view member,
                          Arguments args = {});
bool object_call_bool(const AutomationObject& obj, std::string_view member, Arguments args = {});
Variant object_call_variant(const AutomationObject& obj, std::string_view member,
                            Arguments args = {});
Variant object_get(const AutomationObject& obj, std::string_view property);
Text object_get_text(const AutomationObject& obj, std::string_view property);
double object_get_number(const AutomationObject& obj, std::string_view property);
// The last argument is the new value; any before it are indices of an indexed property.
bool object_set(const AutomationObject& obj, std::string_view property,
                Arguments indices_and_value);
void object_clear(AutomationObject& obj);
void object_copy(AutomationObject& target, const AutomationObject& source);
bool object_is_empty(const AutomationObject& obj);

// `Bytes` become a one-dimensional byte array with lower bound 1.
bool variant_assign(Variant& v, const Argument& value);
Bytes variant_get_bytes(const Variant& v);
void variant_clear(Variant& v);
// Type code 7: an array of 32-bit integers.
bool variant_set_type(Variant& v, int type_code);
// Element type code 1: unsigned bytes. The elements start zeroed, lower bound 1.
bool variant_create_array(Variant& v, int element_type_code, int count);
