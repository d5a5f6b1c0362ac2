// The automation host: this platform's stand-in for the system's component platform.
//
// Components are created by programmatic identifier (matched without regard to letter case) or by
// class identifier in braces, and only on a thread that has been initialised for automation.
// Objects are held through counted references (`ObjectRef`). Each component describes its members
// in a table (name, invoke kind, parameters); late-bound callers look members up in that table and
// pass arguments and results as `Value`s, the stand-in for an automation variant.
//
//   platform::ole_initialize();                       // once, at start-up
//   platform::ObjectRef stream = platform::create_object("adodb.stream");
//   const platform::Member* open = platform::find_member(*stream, "Open", InvokeKind::method);
//   platform::Value result;
//   std::vector<platform::Value> no_args;
//   bool ok = open && open->invoke(*stream, no_args, result);
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Component;
using ObjectRef = std::shared_ptr<Component>;

enum class ValueType {
  empty,
  null,
  missing,  // an optional parameter the caller left out
  boolean,
  int32,
  real,
  string,  // UTF-16
  object,
  byte_array,   // one-dimensional, lower bound 1
  int32_array,  // one-dimensional, lower bound 1
};

// An automation value. Only the member that belongs to `type` is meaningful.
struct Value {
  ValueType type = ValueType::empty;
  bool boolean = false;
  std::int32_t int32 = 0;
  double real = 0;
  std::u16string string;
  ObjectRef object;
  std::vector<std::uint8_t> bytes;
  std::vector<std::int32_t> int32s;

  static Value make_missing() { return of(ValueType::missing); }
  static Value make_null() { return of(ValueType::null); }
  static Value make_bool(bool b) {
    Value v = of(ValueType::boolean);
    v.boolean = b;
    return v;
  }
  static Value make_int(std::int32_t i) {
    Value v = of(ValueType::int32);
    v.int32 = i;
    return v;
  }
  static Value make_real(double d) {
    Value v = of(ValueType::real);
    v.real = d;
    return v;
  }
  static Value make_string(std::u16string s) {
    Value v = of(ValueType::string);
    v.string = std::move(s);
    return v;
  }
  static Value make_object(ObjectRef o) {
    Value v = of(ValueType::object);
    v.object = std::move(o);
    return v;
  }
  static Value make_bytes(std::vector<std::uint8_t> b) {
    Value v = of(ValueType::byte_array);
    v.bytes = std::move(b);
    return v;
  }
  static Value make_int32s(std::vector<std::int32_t> i) {
    Value v = of(ValueType::int32_array);
    v.int32s = std::move(i);
    return v;
  }

 private:
  // Designated initialisers would leave the other members unnamed, which -Wextra flags.
  static Value of(ValueType type) {
    Value v;
    v.type = type;
    return v;
  }
};

// Converts a value as the platform's change-type call does: to string (numbers in their shortest
// round-trip form, booleans "True"/"False"), to real (strings parsed as numbers; true is -1), to
// boolean (any non-zero number is true; "true"/"false" strings), to 32-bit integer (rounded half
// to even, out of range refused), to an array (only from an array of that kind). Empty converts
// to "", 0 and false; null, missing and objects convert only to themselves. Returns nothing where
// the platform refuses the conversion.
std::optional<Value> change_type(const Value& value, ValueType target);

enum class InvokeKind { method, property_get, property_put, property_put_ref };

// One entry of a component's member table. `invoke` receives the arguments in order, with left-out
// optional ones as `ValueType::missing`; for a property write the new value comes last, after any
// index arguments. Late-bound callers pass at least `parameter_count` values (they fill left-out
// optional parameters with missing ones and refuse a call that leaves out a required one), more
// only to a variadic member. It returns false when the call raises an error inside the object.
struct Member {
  std::string_view name;
  InvokeKind kind;
  int parameter_count;  // declared parameters, optional ones included
  int optional_count;   // how many of the trailing parameters may be left out
  bool variadic;        // accepts any number of further arguments
  std::function<bool(Component& self, std::span<const Value> args, Value& result)> invoke;
};

class Component {
 public:
  virtual ~Component() = default;
  virtual std::span<const Member> members() const = 0;
};

// The member of that name (any letter case) and exactly that invoke kind, or nullptr.
const Member* find_member(const Component& component, std::string_view name, InvokeKind kind);

// Registry. A factory makes a fresh object; registering a name again replaces its factory.
using Factory = std::function<ObjectRef()>;
void register_component(std::string_view prog_id, std::string_view class_id_in_braces,
                        Factory factory);
// A new object of the class named by ProgID (any case) or "{class id}"; nullptr when the name is
// unknown, the factory fails, or the calling thread is not initialised for automation.
ObjectRef create_object(std::string_view class_name);

// Per-thread initialisation count. ole_initialize is start-up's, co_initialize the nested pairs'.
// Each returns true when it raised the count; every raise is undone by one uninitialise call.
bool ole_initialize();
void ole_uninitialize();
bool co_initialize();
void co_uninitialize();
int initialisation_count();

}  // namespace platform
